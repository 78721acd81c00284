// The program-wide shell state, the window's placement record, and the viewport and the
// one projection every display is laid out in.
// Owns: Shell, Window. Writes: DisplayConfig size.
#include "shell/shell.h"
#include "shell/window.h"

#include "platform/platform.h"
#include "shell/config.h"

#include <GL/gl.h>
#include <GL/glu.h>

ShellState Shell;

void ShellReset()
{
    Shell = ShellState{};
}

float Clamp(float value, float low, float high)
{
    if (value < low)
        return low;
    if (value > high)
        return high;
    return value;   // NaN falls through unchanged
}

WindowState Window;

void RefreshPlacement()
{
    if (Window.Created)
        PlatformGetWindowPosition(&Window.PlacementX, &Window.PlacementY);
}

void ResizeScene(int width, int height)
{
    (void)width;   // the display area's width always follows the height
    // A height of 0 would divide by zero in the aspect ratio; one pixel keeps the
    // projection defined and the display simply too small to see.
    if (height < 1)
        height = 1;
    int displayWidth = static_cast<int>(height * 0.7165);
    DisplayConfig.Width = displayWidth;
    DisplayConfig.Height = height;
    RefreshPlacement();
    glViewport(0, 0, displayWidth, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(displayWidth) / height, 0.1, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
