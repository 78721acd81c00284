// Shared by the frame benchmarks: a display unit in a fresh scratch installation folder
// with its offscreen window open, exactly as the program starts it.
#pragma once

#include "platform/platform.h"
#include "cockpit/cockpit.h"
#include "shell/automation.h"
#include "shell/config.h"
#include "shell/shell.h"
#include "shell/window.h"

#include <GL/gl.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

// Opens the window as display unit 3 (mode 0) or 2 (mode 1). The frame's 1 ms sleep is left
// out so the numbers are the frame's own work.
inline bool BenchOpenDisplayUnit(int configuredMode)
{
    std::string dir = std::string(ORVEX_BIN_DIR) + "/scratch/bench-" + std::to_string(getpid());
    std::string copy = "mkdir -p " + dir + " && cp -r " + ORVEX_UNIT_DIR + "/data " + ORVEX_UNIT_DIR + "/textures " + dir;
    if (std::system(copy.c_str()) != 0 || chdir(dir.c_str()) != 0)
        return false;
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    PlatformRegisterFontFile("data/fonts/Orvex.ttf");
    PlatformRegisterFontFile("data/fonts/Orvex-Bold.ttf");
    ShellReset();
    Shell.ConfiguredMode = configuredMode;
    DisplayConfigReset();
    DisplayConfig.Width = 484;
    DisplayConfig.Height = 605;
    Window.ForceHeadless = true;
    Automation.NoFrameSleep = true;
    return CreateDisplayWindow(TitleStartingUp, 484, 605, 32, false);
}

// The baseline every display is compared with: a powered frame of the spine alone (clear,
// keys, the dimming quad), without the display page.
inline void BenchDrawEmptyFrame()
{
    Automation.SpineOnly = true;
    RenderFrame();
    glFinish();
    PlatformSwapBuffers();
    Automation.SpineOnly = false;
}

// One frame as the main loop draws it, finished on the GPU (llvmpipe) before returning.
inline void BenchDrawFrame()
{
    RenderFrame();
    glFinish();
    PlatformSwapBuffers();
}
