// The window procedure: window events become shell state (key table, Active, the window
// placement, clicks on the bezel picture's soft keys and knob).
#pragma once

#include "platform/platform.h"

// One soft key's region in percent of the display area.
struct BezelRegion {
    float xFrom, xTo, yFrom, yTo;
};

// Input state; one instance, `Input`.
struct InputState {
    BezelRegion SoftKeyRegions[6] = {};   // set once by InitScene
};
extern InputState Input;

void WindowProc(const PlatformEvent& event);
void SetSoftKeyRegions();
void HitTestBezel();
