// The program's single window: its placement record, the shared quadric, the viewport and
// projection. Creating it (and the start-up loads) is the cockpit's, in cockpit/cockpit.h.
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

// Viewport and projection for a client area of this size; the display's width follows the height.
void ResizeScene(int width, int height);
// Reads the window's outer position into the placement record.
void RefreshPlacement();
