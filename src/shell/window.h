// The program's single window with its OpenGL context, the viewport and projection, and
// the one-time scene initialisation that performs the start-up loads in order.
#pragma once

struct GLUquadric;

// Window state; one instance, `Window`. Lives from creation to teardown.
struct WindowState {
    bool Created = false;
    bool ForceHeadless = false;           // --headless: render offscreen
    int PlacementX = 0, PlacementY = 0;   // normal-position rectangle: outer top-left corner
    GLUquadric* SharedQuadric = nullptr;  // the one quadric for disks and partial disks
};
extern WindowState Window;

bool CreateDisplayWindow(const char* title, int width, int height, int bits, bool frameless);
void DestroyDisplayWindow();
void ResizeScene(int width, int height);
bool InitScene();
void RefreshPlacement();

// Window titles: unit and display.
extern const char* const TitleStartingUp;
extern const char* const TitleDu2Eicas;
extern const char* const TitleDu3Mfd;
