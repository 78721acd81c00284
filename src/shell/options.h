// Command-line options of the display unit. None of them changes how the unit behaves;
// they add what Linux users and tests need: another installation folder, headless
// rendering, a frame limit, a frame rate, a screenshot, traces and scripted input.
#pragma once

#include <string>

struct ProgramOptions {
    std::string Dir;          // --dir: run in this installation folder
    int Unit = 3;             // --unit 2|3: which per-user folder an installed unit uses without --dir
    bool Headless = false;    // --headless: render offscreen
    long Frames = -1;         // --frames N: end after N frames as if the window were closed
    std::string Screenshot;   // --screenshot FILE.png: client area after the last frame
    std::string TextTrace;    // --text-trace FILE.jsonl: one JSON object per drawn text
    std::string Input;        // --input FILE: scripted key, click and close events
    std::string DumpState;    // --dump-state FILE.jsonl: AircraftState once per frame
    double Fps = -1;          // --fps N: frames a second, 0 unpaced; -1 not given ($ORVEX_FPS, then the default)
    std::string FrameLog;     // --frame-log FILE.jsonl: each frame's start and swap on the monotonic clock
};

// Fills `options`, with every file name made absolute against the caller's folder; returns false when the program should exit at once with *exitCode
// (help printed, or a bad option explained on standard error).
bool ParseProgramOptions(int argc, char** argv, ProgramOptions* options, int* exitCode);
