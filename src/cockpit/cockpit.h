// The cockpit unit itself: start-up order, the main loop and RenderFrame, the frame order
// in which every display part runs. It sits above the display parts it calls (eicas, map,
// menu, navdb, plan, synoptics, traffic, simlink), which sit on shell/ and platform/.
#pragma once

#include <cstdint>

// Part of the program spine, callable from tests.
bool RenderFrame();
void ProcessKeys();
// Fade and dim arithmetic of the black overlay quad, one frame's step: returns the alpha
// drawn this frame and updates FadeAlpha/FadeDone as the powered frame does.
float StepPowerOverlay(int dimLevel);
// Knob direction from the counter's last and current values: +1 up, -1 down, 0 none.
int KnobDirection(uint8_t last, uint8_t current);

// The window with its context, and the start-up loads in order (start_up.cpp).
bool CreateDisplayWindow(const char* title, int width, int height, int bits, bool frameless);
void DestroyDisplayWindow();
bool InitScene();

// Window titles: unit and display.
extern const char* const TitleStartingUp;
extern const char* const TitleDu2Eicas;
extern const char* const TitleDu3Mfd;

// Main loop and entry.
struct ProgramOptions;
int RunProgram(const ProgramOptions& options);
