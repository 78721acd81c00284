// orvex-frame-picture DIR OUT.png mfd|eicas: opens a display unit in the installation folder
// DIR through the program's own start-up (hidden window, fonts, display lists, textures,
// navigation data), sets a frozen aircraft state (cruise over the shipped navigation
// extract, both engines running, avionics on), draws ten frames with RenderFrame and
// writes the last one as a PNG. Built for Linux and for Windows, so the two pictures of the
// same state can be compared pixel by pixel. Exit 0 on success, 1 otherwise.
#include "cockpit/cockpit.h"
#include "platform/platform.h"
#include "shell/automation.h"
#include "shell/config.h"
#include "shell/shell.h"
#include "shell/window.h"
#include "simlink/aircraft.h"

#include <cstdio>
#include <cstring>

static void FreezeAircraft()
{
    AircraftReset();
    Aircraft.BatteryMaster = 1;
    Aircraft.AvionicsMaster = 1;
    Aircraft.Latitude = 47.45;
    Aircraft.Longitude = -122.31;
    Aircraft.MagHeading = 95;
    Aircraft.ApHeading = 110;
    Aircraft.GroundSpeed = 420;
    Aircraft.TrueAirspeed = 435;
    Aircraft.IndicatedAirspeed = 260;
    Aircraft.Altitude = 31000;
    Aircraft.WindDirection = 270;
    Aircraft.WindSpeed = 45;
    Aircraft.OutsideAirTemp = -42;
    Aircraft.N1Left = Aircraft.N1Right = 88;
    Aircraft.N2Left = Aircraft.N2Right = 95;
    Aircraft.IttLeft = Aircraft.IttRight = 720;
    Aircraft.OilTempLeft = Aircraft.OilTempRight = 85;
    Aircraft.OilPressLeft = Aircraft.OilPressRight = 70;
    Aircraft.FuelFlowLeft = Aircraft.FuelFlowRight = 900;
    Aircraft.EngineStateLeft = Aircraft.EngineStateRight = 1;
    Aircraft.ThrottleLeverLeft = Aircraft.ThrottleLeverRight = 14000;
    Aircraft.PitotHeat = 1;
    // Healthy systems: no crew alert comes and goes with the time the frames take.
    Aircraft.FuelPressLeft = Aircraft.FuelPressRight = 25;
    Aircraft.GenLeft = Aircraft.GenRight = 28.5;
    Aircraft.TankCapacityLeft = Aircraft.TankCapacityRight = 2400;
    Aircraft.TankPercentLeft = Aircraft.TankPercentRight = 60;
    Aircraft.FuelWeightPerGallon = 6.7f;
    Aircraft.LocalHour = 14;
    Aircraft.LocalMinute = 30;
}

int main(int argc, char** argv)
{
    if (argc != 4 || (std::strcmp(argv[3], "mfd") != 0 && std::strcmp(argv[3], "eicas") != 0)) {
        std::fprintf(stderr, "usage: orvex-frame-picture DIR OUT.png mfd|eicas\n");
        return 1;
    }
    if (!PlatformChangeDirectory(argv[1])) {
        std::fprintf(stderr, "orvex-frame-picture: cannot enter %s\n", argv[1]);
        return 1;
    }
    bool eicas = std::strcmp(argv[3], "eicas") == 0;
    PlatformRegisterFontFile("data/fonts/Orvex.ttf");
    PlatformRegisterFontFile("data/fonts/Orvex-Bold.ttf");
    ShellReset();
    DisplayConfigReset();
    Shell.ConfiguredMode = eicas ? 1 : 0;
    Window.ForceHeadless = true;
    Automation.NoFrameSleep = true;
    if (!CreateDisplayWindow(TitleStartingUp, 484, 605, 32, false))
        return 1;
    FreezeAircraft();
    Shell.PrevBatteryMaster = 1;   // powered from before: no fade
    bool ok = true;
    for (int frame = 0; frame < 10 && ok; ++frame) {
        FreezeAircraft();          // a failed connection attempt must not move the picture
        ok = RenderFrame();
    }
    ok = ok && !Shell.FontMissing && PlatformSaveScreenshot(argv[2]);
    PlatformSwapBuffers();
    DestroyDisplayWindow();
    if (!ok)
        std::fprintf(stderr, "orvex-frame-picture: the frame could not be drawn or written\n");
    return ok ? 0 : 1;
}
