// Helpers shared by the test programs: scratch installation folders, running the
// programs from outside, reading their traces.
#pragma once

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

// Path of a built program: "orvex" (in the unit folder), "orvex-sim", "orvex-panel", "orvex-navdata".
std::string ProgramPath(const std::string& name);

// A fresh empty folder under the test's scratch area; removed by nobody (ctest's build tree).
std::string MakeScratchDir(const std::string& name);
// A fresh installation folder: a copy of the built unit folder's run-time files (data/,
// textures/), without MFD.ini or accfg.ini. The program runs there with --dir.
std::string MakeScratchUnit(const std::string& name);
// A scratch installation folder for display unit 2 (EICAS first) or 3 (MFD first), with an
// MFD.ini for a framed 433x605 window at (100,100), no bezel and no plan or partner paths.
std::string MakeScratchDisplayUnit(const std::string& name, int number);

// Runs a shell command, captures standard output and error together; returns the exit code.
int RunCommand(const std::string& command, std::string* output = nullptr, int timeoutSeconds = 120);

// A program started in the background (for orvex-sim): its pid and standard output file.
struct BackgroundProcess {
    pid_t pid = -1;
    std::string stdoutPath;
};
// Starts `command` with /bin/sh; waits for `readyLine` on its standard output when it is
// not empty (up to timeoutMs, which only ends a wait for a program that hangs). Returns pid
// -1 on failure, at once when the program ends first.
BackgroundProcess StartBackground(const std::string& command, const std::string& readyLine, int timeoutMs = 60000);
// Waits for the program to end by itself; its exit code, or -1 after timeoutMs (it is then killed).
int WaitBackground(BackgroundProcess& process, int timeoutMs);
// SIGTERM, then SIGKILL after 30 s; returns the exit status as waitpid gives it.
int StopBackground(BackgroundProcess& process);

// A private runtime folder (ORVEX_RUNTIME_DIR) for this test, so tests never meet another
// developer's simulator or each other's.
std::string UsePrivateRuntimeDir();
// orvex-sim with `options`, once it is ready to answer; pid -1 when it did not come up.
BackgroundProcess StartSim(const std::string& options = "--freeze");
// Runs orvex-panel with `args`; its output. The exit code goes to *status, or is expected
// to be 0 when status is null.
std::string Panel(const std::string& args, int* status = nullptr);
// Polls `ok` every 20 ms until it holds; its last answer. The limit only ends a wait for
// something that is not coming: what is waited for is state, so a busy machine makes the
// wait longer, never wrong.
bool WaitUntil(const std::function<bool()>& ok, int timeoutMs = 60000);

// The cockpit driven by state: each command waits until the running unit's state dump
// (`dump`, one JSON line a frame) shows what it did, so the next one cannot merge with it.
using StateCheck = std::function<bool(const std::string& line)>;
// Waits until the dump's newest complete line satisfies `ok`.
bool WaitForState(const std::string& dump, const StateCheck& ok);
// The frame number of the dump's newest line (0 when there is none yet).
long DumpFrame(const std::string& dump);
// Waits until the unit has drawn `frames` frames past its newest dumped one.
bool WaitFrames(const std::string& dump, long frames);
// Presses soft key `key` of display unit `unit` with orvex-panel, then waits until a frame
// saw the key down, a later one saw it up, and the newest line satisfies `ok`: the press
// acted and the next press of the same key is one of its own. A press that no frame saw
// (a unit stalled for the whole time the key was down) is pressed again, as a pilot would.
bool PressKey(const std::string& dump, int unit, int key, const StateCheck& ok);
// One knob step of unit `unit`, then waits until the dump satisfies `ok` (the unit takes
// at most one step a frame, so steps are sent one at a time).
bool TurnKnob(const std::string& dump, int unit, bool up, const StateCheck& ok);
// A check that the dump line shows `key` with `value`.
StateCheck Shows(const std::string& key, const std::string& value);
StateCheck Shows(const std::string& key1, const std::string& value1, const std::string& key2, const std::string& value2);

std::string ReadFile(const std::string& path);
// The last complete line of a growing file (a running unit's state dump); empty if none.
std::string LastLine(const std::string& path);
std::vector<std::string> ReadLines(const std::string& path);
void WriteFile(const std::string& path, const std::string& content);
bool FileExists(const std::string& path);

// The value of "key" in one JSON line of a trace or state dump, as text (strings unquoted
// and unescaped); empty when the key is missing.
std::string JsonValue(const std::string& line, const std::string& key);

// One line of the text trace, decoded.
struct TraceText {
    long frame = 0;
    int font = 0, align = 0;
    std::string text;
    float r = 0, g = 0, b = 0;
    float x = 0, y = 0, em = 0;
    float emX = 0;          // an em's width in pixels: em, but for a label set narrowed
    bool clipped = false;
    bool upright = true;    // false for turned or mirrored text (the rose's labels, degree marks)
};
std::vector<TraceText> ReadTextTrace(const std::string& path);
// The texts of one frame (the last frame when frame < 0).
std::vector<TraceText> TraceFrame(const std::vector<TraceText>& all, long frame = -1);
const TraceText* FindText(const std::vector<TraceText>& texts, const std::string& text);
