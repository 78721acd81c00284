// The program's spine: start-up order, the main loop that renders a frame whenever no
// window event waits, RenderFrame (the order in which every display part runs), the
// keyboard commands, the knob direction and the power-on fade and dimming overlay.
// Writes: Shell. Reads: Aircraft (BatteryMaster, AvionicsMaster, DimLevel, KnobCounter).
#include "cockpit/cockpit.h"

#include "eicas/eicas.h"
#include "map/map.h"
#include "menu/menu.h"
#include "navdb/navdb.h"
#include "platform/platform.h"
#include "shell/automation.h"
#include "shell/config.h"
#include "shell/input.h"
#include "shell/options.h"
#include "shell/pacing.h"
#include "shell/program_info.h"
#include "shell/shell.h"
#include "shell/text.h"
#include "shell/textures.h"
#include "shell/unit_folder.h"
#include "shell/window.h"
#include "simlink/aircraft.h"
#include "simlink/simlink.h"
#include "simlink/state_dump.h"
#include "traffic/traffic.h"

#include <GL/gl.h>

#include <cstdio>
#include <filesystem>
#include <cstdlib>
#include <string>

int KnobDirection(uint8_t last, uint8_t current)
{
    if (current == last)
        return 0;
    // The counter wraps: 255 -> 0 is a step up, 0 -> 255 a step down.
    if (last == 255 && current == 0)
        return 1;
    if (last == 0 && current == 255)
        return -1;
    return current > last ? 1 : -1;
}

void ProcessKeys()
{
    for (int key = '1'; key <= '8'; ++key) {
        if (Shell.Keys[key]) {
            Shell.MapRangeIndex = key - '1';
            break;
        }
    }
    Shell.MapRangeIndex = static_cast<int>(Clamp(static_cast<float>(Shell.MapRangeIndex), 0, 8));

    // Toggles clear their key flag, so a held key toggles again with every auto-repeat.
    struct Toggle { int key; bool* flag; };
    const Toggle toggles[] = {{'A', &Shell.ShowAirports}, {'V', &Shell.ShowVor}, {'N', &Shell.ShowNdb}, {'P', &Shell.ShowRoute}};
    for (const Toggle& t : toggles) {
        if (Shell.Keys[t.key]) {
            *t.flag = !*t.flag;
            Shell.Keys[t.key] = false;
        }
    }

    uint8_t current = static_cast<uint8_t>(Aircraft.KnobCounter);
    int direction = KnobDirection(Shell.KnobLastValue, current);
    if (direction > 0)
        Shell.KnobIncrement = true;
    else if (direction < 0)
        Shell.KnobDecrement = true;
    Shell.KnobLastValue = current;
}

float StepPowerOverlay(int dimLevel)
{
    if (Shell.FadeDone) {
        Shell.FadeAlpha = dimLevel / 255.0f;
        return Shell.FadeAlpha;
    }
    float drawn = Shell.FadeAlpha;
    Shell.FadeAlpha -= 0.005f;
    if (Shell.FadeAlpha <= 0)
        Shell.FadeDone = true;
    return drawn;
}

// A black quad over the whole display area: the power-on fade and the dimming.
static void DrawPowerOverlay()
{
    bool fading = !Shell.FadeDone;
    float alpha = StepPowerOverlay(Aircraft.DimLevel);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -2.425f);
    // Blending must be on while the quad is drawn, or a partly faded display would be black.
    // Decision: the unit enables blending here on every frame, fade frames included. Taken
    // literally, the order of state changes the unit was built from switches blending off
    // after the first fade frame and never back on while fading, so the quad would be drawn
    // opaque: the display would stay black for 200 frames and then appear at once. Users
    // expect the power-on fade they see on the real unit, so the display really fades in
    // over the 200 frames (3.3 s at 60 Hz); blending is still switched off after each fade
    // frame, so everything drawn after the overlay sees the same state as before.
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(0.0f, 0.0f, 0.0f, alpha);
    // At full brightness the quad is fully transparent and leaves every pixel as it is, but
    // a software rasteriser still blends the whole display: about a fifth of the EICAS's CPU.
    // Only the drawing is skipped; the state changes above stay, so later drawing sees the same.
    if (alpha > 0.0f) {
        glBegin(GL_QUADS);
        glVertex2f(-0.7164f, -1.0f);
        glVertex2f(0.7164f, -1.0f);
        glVertex2f(0.7164f, 1.0f);
        glVertex2f(-0.7164f, 1.0f);
        glEnd();
    }
    if (fading)
        glDisable(GL_BLEND);
}

static void RunFirstFrameLoads()
{
    // The navigation database once more: the tables are refilled, not appended to.
    LoadNavaids();
    LoadWaypoints();
    LoadAirports();
    Shell.FirstFrameDone = true;
    if (Shell.ShowingEicas) {
        Menu.MenuLevel = 1;
        Menu.MenuPage = 1;
    }
}

static std::error_code CurrentPathError;

bool RenderFrame()
{
    TextFrameStart();
    // The bezel's pixels are made (once per display size) before the clear wipes their pass.
    if (Shell.BezelShown)
        PrepareBezelPixels();
    if (Shell.ShowingEicas)
        PrepareEngineDisplay();
    // Only the colour is cleared: no display ever turns the depth test on, so the depth
    // buffer is never read, and clearing it cost a software rasteriser about a tenth of a
    // unit's processor time (it fills the 16-bit buffer one value at a time).
    glClear(GL_COLOR_BUFFER_BIT);

    // Simulator: acquire this frame's aircraft state, or try to connect again.
    if (Shell.LinkConnected) {
        AcquireAircraftState();
        ConvertAircraftState();
    } else {
        ConnectSimulator();
    }
    StateDumpNoteAcquired();

    if (!Shell.FirstFrameDone)
        RunFirstFrameLoads();
    ProcessKeys();

    if (Aircraft.BatteryMaster != 0) {
        // The menu (with the fuel and surface derivations it starts with) and its page, then
        // the display this unit shows: MFD: traffic while the avionics are on, then the map
        // page; EICAS: engine display and the crew alerting list.
        // Each prints its texts in a text batch and ends the batch's wait before anything
        // else it draws over them (see TextBatchBegin). The map's labels wait to the end of
        // their layer, so a station's symbol drawn after a neighbour's label covers it no more.
        if (Automation.SpineOnly || Automation.NoMenu) {
            DeriveFuelAndSurfaces();   // benchmark baselines: the derivations without the menu
        } else {
            TextBatchBegin();
            RunMenu();
            TextBatchEnd();
        }
        if (Automation.SpineOnly) {
            // The empty-frame baseline of the benchmarks: no display page at all.
        } else if (Shell.ShowingMfd) {
            if (Shell.PendingSoftKey == 5)
                Shell.PendingSoftKey = 6;
            TextBatchBegin();
            if (Aircraft.AvionicsMaster != 0)
                UpdateTraffic();
            DrawMapPage();
            TextBatchEnd();
        } else {
            TextBatchBegin();
            DrawEicasDisplay();
            TextBatchEnd();
        }
        DrawPowerOverlay();
    } else {
        Shell.FadeAlpha = 1.0f;
        Shell.FadeDone = false;
    }
    Shell.PrevBatteryMaster = static_cast<int>(Aircraft.BatteryMaster);

    // Bezel overlay (with the bezel textures).
    if (Shell.BezelShown)
        DrawBezelOverlay();

    StateDumpFrame(AutomationFrameNumber());
    // The frame's 1 ms sleep yields the processor once a frame. Its pacing role (on the
    // original platform it lasted a whole timer tick) is the frame clock's now, which waits
    // after the swap (PacingAfterSwap); only an unpaced run keeps the yield here.
    if (PacingUnpaced() && !Automation.NoFrameSleep)
        PlatformSleepMs(1);
    if (Shell.FontMissing) {
        // The box's words are the unit's own; which files were tried goes beside them.
        std::fprintf(stderr, "orvex: no usable face Orvex: neither data/fonts/Orvex.ttf and Orvex-Bold.ttf in %s nor "
                             "an installed font of that name could be read as a font\n",
                     std::filesystem::current_path(CurrentPathError).c_str());
        PlatformMessageBox("Orvex.ttf Font is not installed", "Orvex Error!", PlatformIcon::Information);
        return false;
    }
    return true;
}

static void SwitchFrame()
{
    // The configured position follows the window before its frame changes.
    RefreshPlacement();
    DisplayConfig.X = Window.PlacementX;
    DisplayConfig.Y = Window.PlacementY;
    PlatformSetFrameless(!Shell.Frameless);
    Shell.Keys['F'] = false;
    Shell.Frameless = !Shell.Frameless;
}

static volatile int ScreenshotRequested = 0;
static bool ScreenshotFailed = false;

// The main loop. Exit codes: 0 when the window is closed or Escape ends the program (both
// are the user's ordinary way out), 1 when the font is missing.
static int MainLoop(const ProgramOptions& options)
{
    PlatformCatchScreenshotSignal(&ScreenshotRequested);
    for (;;) {
        PlatformEvent event;
        if (PlatformPollEvent(&event)) {
            WindowProc(event);
            if (Shell.QuitPosted)
                return 0;
            continue;
        }
        if (AutomationInjectDue())
            continue;
        if (!Shell.Active) {
            if (Shell.Keys[VK_ESCAPE_KEY])
                return 0;
            PlatformSleepMs(10);   // minimised: nothing to draw, nothing to read
            continue;
        }
        int64_t frameStart = PlatformMonotonicNs();
        bool keepGoing = RenderFrame();
        ++Automation.FrameNumber;
        bool last = options.Frames > 0 && Automation.FrameNumber >= options.Frames;
        bool ending = !keepGoing || Shell.Keys[VK_ESCAPE_KEY] || last;
        // The screenshot is taken after the last frame, or of this frame when SIGUSR1 asked
        // for one (a running cockpit photographed from outside).
        bool asked = ScreenshotRequested != 0;
        ScreenshotRequested = 0;
        if ((ending || asked) && !options.Screenshot.empty() && !PlatformSaveScreenshot(options.Screenshot.c_str())) {
            std::fprintf(stderr, "orvex: cannot write the screenshot %s\n", options.Screenshot.c_str());
            ScreenshotFailed = true;
        }
        if (!keepGoing)
            return 1;
        if (Shell.Keys[VK_ESCAPE_KEY])
            return 0;
        PlatformSwapBuffers();
        FrameLogFrame(Automation.FrameNumber, frameStart, PlatformMonotonicNs());
        // The wait comes after the swap, so a frame reads the simulator as late as it can
        // and shows what it read at once.
        PacingAfterSwap();
        if (Shell.Keys['F'])
            SwitchFrame();
        InputFrameConsumed();
        if (last) {
            // The frame limit closes the window like its close button.
            PlatformEvent close;
            close.type = PlatformEventType::Close;
            PlatformPushEvent(close);
        }
    }
}

// The rate comes from --fps, else $ORVEX_FPS (MFD.ini's layout is fixed, so the setting
// lives outside it), else a --frames run is unpaced, else the retrace is tried first with
// the 60 Hz frame clock behind it. Only the default tries the retrace: a rate asked for
// is kept, whatever the display refreshes at.
static void StartPacing(const ProgramOptions& options)
{
    PacingSource source = PacingSource::Default;
    std::string warning;
    double rate = PacingChooseRate(options.Fps, std::getenv("ORVEX_FPS"), options.Frames > 0, &source, &warning);
    if (!warning.empty())
        std::fprintf(stderr, "orvex: %s\n", warning.c_str());
    PacingStart(rate, source == PacingSource::Default && !PlatformIsHeadless());
}

static void RegisterShippedFonts()
{
    // The face is looked up by name; the files shipped beside the program make it known
    // without installing it. An installed face named Orvex works as well.
    for (const char* file : {"data/fonts/Orvex.ttf", "data/fonts/Orvex-Bold.ttf"}) {
        if (PlatformIsFile(file))
            PlatformRegisterFontFile(file);
        else
            std::fprintf(stderr, "orvex: the shipped font %s is %s; only an installed face Orvex can stand in\n", file,
                         PlatformPathExists(file) ? "not a regular file" : "missing");
    }
}

// Opens the files the options ask for before the window, so a path that cannot be written
// is a usage error told at once rather than a run that silently records nothing.
static bool OpenOutputFiles(const ProgramOptions& options)
{
    if (!options.Screenshot.empty()) {
        std::string folder = options.Screenshot.substr(0, options.Screenshot.find_last_of("/\\") + 1);
        if (!PlatformIsFolder(folder.c_str()) || !PlatformFolderWritable(folder.c_str())) {
            std::fprintf(stderr, "orvex: cannot write the screenshot %s: no writable folder %s\n",
                         options.Screenshot.c_str(), folder.c_str());
            return false;
        }
    }
    if (!options.TextTrace.empty() && !TextTraceOpen(options.TextTrace.c_str()))
        return false;
    if (!options.FrameLog.empty() && !FrameLogOpen(options.FrameLog.c_str())) {
        std::fprintf(stderr, "orvex: cannot write the frame log %s\n", options.FrameLog.c_str());
        return false;
    }
    if (!options.DumpState.empty() && !StateDumpOpen(options.DumpState.c_str())) {
        std::fprintf(stderr, "orvex: cannot write the state dump %s\n", options.DumpState.c_str());
        return false;
    }
    return true;
}

// Closes the traces; false (after a message) when one of them lost data on the way.
static bool CloseOutputFiles()
{
    bool ok = TextTraceClose();
    if (!FrameLogClose()) {
        std::fprintf(stderr, "orvex: writing the frame log failed\n");
        ok = false;
    }
    StateDumpClose();
    return ok;
}

static bool EnterUnitFolder(const ProgramOptions& options)
{
    UnitFolderChoice choice = ChooseUnitFolder(options.Dir, options.Unit);
    if (!choice.Error.empty()) {
        std::fprintf(stderr, "orvex: %s\n", choice.Error.c_str());
        return false;
    }
    if (!choice.Folder.empty() && !PlatformChangeDirectory(choice.Folder.c_str())) {
        std::fprintf(stderr, "orvex: cannot enter the installation folder %s\n", choice.Folder.c_str());
        return false;
    }
    if (choice.Announce) {
        std::error_code error;
        std::printf("orvex: unit folder %s\n", std::filesystem::current_path(error).string().c_str());
        std::fflush(stdout);
    }
    return true;
}

// One unit per folder and one per unit number on a simulator: a second copy would act on
// every key as well and the last to end would write MFD.ini over the other's. Held by
// locks the system drops when the process ends, however it ends.
static bool HoldUnitFolder()
{
    std::string why;
    if (PlatformHoldLock("orvex.lock", &why))
        return true;
    std::error_code error;
    std::fprintf(stderr, "orvex: another display unit runs in the unit folder %s (orvex.lock: %s)\n",
                 std::filesystem::current_path(error).string().c_str(), why.c_str());
    return false;
}

static bool HoldUnitNumber()
{
    std::string runtime = PlatformRuntimeDir();
    if (runtime.empty())
        return true;   // no simulator can be reached either; the link says why
    int unit = Shell.ConfiguredMode != 0 ? 2 : 3;
    std::string lock = runtime + "/du" + std::to_string(unit) + ".lock", why;
    if (PlatformHoldLock(lock.c_str(), &why))
        return true;
    std::fprintf(stderr, "orvex: another display unit %d runs on this simulator (%s: %s)\n", unit, lock.c_str(),
                 why.c_str());
    return false;
}

int RunProgram(const ProgramOptions& options)
{
    // Every file name was made absolute by the option parser, so entering the unit folder
    // changes none of them.
    if (!EnterUnitFolder(options))
        return ExitUsage;
    if (!options.Input.empty()) {
        std::string error;
        if (!LoadScript(options.Input.c_str(), &error)) {
            std::fprintf(stderr, "orvex: bad input script %s: %s\n", options.Input.c_str(), error.c_str());
            return ExitUsage;
        }
    }
    if (!OpenOutputFiles(options)) {
        CloseOutputFiles();
        return ExitUsage;
    }
    Window.ForceHeadless = options.Headless;
    RegisterShippedFonts();

    // Simulator: one connection attempt before anything else; a failure is silent and
    // every frame tries again.
    ConnectSimulatorAtStart(ExchangeTimeoutUnitMs);
    if (!HoldUnitFolder()) {
        CloseOutputFiles();
        return ExitUsage;
    }
    if (!ConfigFileExists())
        WriteConfig(true);
    ReadConfig();
    if (!HoldUnitNumber()) {
        CloseOutputFiles();
        return ExitUsage;
    }
    if (!CreateDisplayWindow(TitleStartingUp, DisplayConfig.Width, DisplayConfig.Height, 32, Shell.Frameless)) {
        CloseOutputFiles();
        return 0;
    }
    StartPacing(options);
    int exitCode = MainLoop(options);
    DestroyDisplayWindow();
    bool written = CloseOutputFiles() && !ScreenshotFailed;
    // A run that could not record what it was asked to is not a success, whatever ended it.
    return exitCode == 0 && !written ? ExitOutputFailed : exitCode;
}
