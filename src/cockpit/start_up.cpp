// Creates and destroys the window and its rendering context and runs the start-up loads
// in order (fonts, display lists, textures, plans, aircraft configuration, navigation data).
// Writes: Window, DisplayConfig size, Shell.ShowingMfd/ShowingEicas, the window title.
#include "cockpit/cockpit.h"

#include "map/display_lists.h"
#include "menu/aircraft_config.h"
#include "navdb/navdb.h"
#include "plan/plan.h"
#include "platform/platform.h"
#include "shell/config.h"
#include "shell/input.h"
#include "shell/shell.h"
#include "shell/text.h"
#include "shell/textures.h"
#include "shell/window.h"
#include "simlink/simlink.h"

#include <GL/gl.h>
#include <GL/glu.h>

const char* const TitleStartingUp = "Starting Up Please Wait";
const char* const TitleDu2Eicas = "Orvex DU2 EICAS - v1.0.0.4 build 203";
const char* const TitleDu3Mfd = "Orvex DU3 MFD - v1.0.0.4 build 203";

static void ShowCreationError(const char* text)
{
    PlatformMessageBox(text, "ERROR", PlatformIcon::Exclamation);
}

bool CreateDisplayWindow(const char* title, int width, int height, int bits, bool frameless)
{
    (void)bits;   // the context is always 24-bit colour without alpha
    if (!PlatformInitVideo(Window.ForceHeadless)) {
        ShowCreationError("Failed To Register The Window Class.");
        return false;
    }
    // The window can never grow past the maximum tracking size of 3000 x 3000, and a
    // window needs at least one pixel each way.
    int w = width < 1 ? 1 : (width > 3000 ? 3000 : width);
    int h = height < 1 ? 1 : (height > 3000 ? 3000 : height);
    PlatformWindowResult result = PlatformCreateWindow(title, w, h, DisplayConfig.X, DisplayConfig.Y, frameless);
    if (result != PlatformWindowResult::Ok) {
        DestroyDisplayWindow();
        ShowCreationError(result == PlatformWindowResult::WindowFailed    ? "Window Creation Error."
                          : result == PlatformWindowResult::ContextFailed ? "Can't Create A GL Rendering Context."
                                                                          : "Can't Activate The GL Rendering Context.");
        return false;
    }
    Window.Created = true;
    ResizeScene(w, h);
    if (!InitScene()) {
        DestroyDisplayWindow();
        ShowCreationError("Initialization Failed.");
        return false;
    }
    return true;
}

bool InitScene()
{
    glShadeModel(GL_SMOOTH);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_LINE_SMOOTH);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClearDepth(1.0);

    Window.SharedQuadric = gluNewQuadric();
    gluQuadricNormals(Window.SharedQuadric, GLU_SMOOTH);

    BuildFont("Orvex", 2, -10, 400);
    BuildFont("Orvex", 3, -10, 700);

    BuildDisplayLists();
    LoadTexture(Textures.Slots, "textures//MFD_NoBezel.tga", TextureSlotNoBezel);
    LoadTexture(Textures.Slots, "textures//MFD_Overlay.tga", TextureSlotOverlay);

    // The log of the previous run goes; this run's missing files are reported afresh, and
    // what this run reported before (MFD.ini, the connection) is written into it again.
    RestartErrorLog();

    BuildPlanList();
    // The aircraft configuration comes after the plan list and before the navigation
    // database, whose airport layer uses MIN_RUNWAY_LENGTH.
    ReadAircraftConfig();
    LoadNavaids();
    LoadWaypoints();
    LoadAirports();

    SetSoftKeyRegions();

    if (Shell.ConfiguredMode != 0) {
        Shell.ShowingEicas = true;
        Shell.ShowingMfd = false;
        PlatformSetTitle(TitleDu2Eicas);
    } else {
        Shell.ShowingMfd = true;
        Shell.ShowingEicas = false;
        PlatformSetTitle(TitleDu3Mfd);
    }
    return true;
}

void DestroyDisplayWindow()
{
    if (ConfigFileExists() && !DisplayConfig.KeepFile)
        WriteConfig(false);
    // Font lists are freed while their context still exists.
    if (Window.Created)
        KillFonts();
    if (Window.SharedQuadric) {
        gluDeleteQuadric(Window.SharedQuadric);
        Window.SharedQuadric = nullptr;
    }
    if (!PlatformDestroyContext())
        PlatformMessageBox("Release Of DC And RC Failed.", "SHUTDOWN ERROR", PlatformIcon::Information);
    if (!PlatformDestroyWindow())
        PlatformMessageBox("Could Not Release hWnd.", "SHUTDOWN ERROR", PlatformIcon::Information);
    Window.Created = false;
    PlatformQuitVideo();
    SimLinkClose();
    Shell.LinkConnected = false;
}
