// Application shell: the program-wide state, the window and context, "MFD.ini", outline
// text and window input: the services every display part draws with. The frame order and
// the start-up loads sit above the display parts, in cockpit/.
#pragma once

#include <cstdint>
#include <string>

// Program-wide shell state; one instance, `Shell`. Everything here lives for the whole run;
// ShellReset() restores the start-of-run values for tests.
struct ShellState {
    bool Active = true;            // window not minimised; frames render only while true
    bool Keys[256] = {};           // key-down flags by Windows virtual-key code
    bool Frameless = false;        // window without frame (from MFD.ini, flipped by F)
    bool BezelShown = true;        // draw the bezel overlay (from MFD.ini)
    int ConfiguredMode = 0;        // 0: display unit 3 (MFD first); nonzero: unit 2 (EICAS)
    bool ShowingMfd = false;       // exactly one of these two is true once InitScene ran
    bool ShowingEicas = false;
    bool LinkConnected = false;    // simulator link open
    bool FirstFrameDone = false;
    float FadeAlpha = 1.0f;        // alpha of the black overlay quad
    bool FadeDone = true;          // false while the 200-frame power-on fade runs
    int PrevBatteryMaster = 0;     // battery master of the previous frame
    int PendingSoftKey = 6;        // bezel soft key 0..5 not yet consumed; 6 = none
    bool KnobDecrement = false;    // one-shot knob flags
    bool KnobIncrement = false;
    uint8_t KnobLastValue = 0;     // last seen knob counter
    int MapRangeIndex = 0;         // 0..8 into the map range table
    bool ShowVor = false, ShowNdb = false, ShowAirports = false, ShowRoute = false;
    bool FontMissing = false;
    int MouseX = 0, MouseY = 0;    // MousePos: last left click, client pixels, y down
    bool QuitPosted = false;       // the close message arrived (quit message, exit code 0)
};
extern ShellState Shell;
void ShellReset();

// Windows virtual-key codes the frame acts on.
constexpr int VK_ESCAPE_KEY = 0x1B;

float Clamp(float value, float low, float high);

// A problem the user must hear of (a configuration file that could not be used, a module
// that cannot be reached for a reason other than its absence): one line "orvex: <text>" on
// standard error and "<text>" in error.log (report.cpp).
void ReportProblem(const std::string& text);
// Starts this run's error.log: the previous run's goes, the lines reported so far stay.
void RestartErrorLog();
