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
    // A key pressed since the last frame, and one whose release came before any frame saw it:
    // that release waits for the end of the next frame, so a tap shorter than a frame acts.
    bool KeyUnseen[256] = {};
    bool ReleaseWaiting[256] = {};
};
extern InputState Input;

void WindowProc(const PlatformEvent& event);
// Called once a frame has run and acted on the keys: releases that waited for it take effect.
void InputFrameConsumed();
void SetSoftKeyRegions();
void HitTestBezel();
