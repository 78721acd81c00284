// Automation for tests and tools: frame numbering, scripted input fed through the same
// path as real window events, and the frame limit.
#pragma once

#include "platform/platform.h"

#include <string>
#include <vector>

// One scripted event: delivered just before frame `frame` is drawn (frames count from 1).
struct ScriptedEvent {
    long frame = 0;
    PlatformEvent event;
};

// Automation state; one instance, `Automation`.
struct AutomationState {
    long FrameNumber = 0;                 // frames drawn so far; the one being drawn is FrameNumber + 1
    std::vector<ScriptedEvent> Script;    // sorted by frame
    size_t NextScripted = 0;
    bool NoFrameSleep = false;            // benchmarks only: time the frame's work without its 1 ms sleep
    bool SpineOnly = false;               // benchmarks only: leave out the display page (the empty-frame baseline)
    bool NoMenu = false;                  // benchmarks only: the display page without the menu over it
};
extern AutomationState Automation;
void AutomationReset();

long AutomationFrameNumber();   // the frame being drawn now (1 for the first)

// Parses a script: lines "FRAME key NAME down|up|press", "FRAME click X Y", "FRAME close";
// blank lines and lines starting with '#' are skipped. False with *error set (naming the
// line) on the first bad line.
bool ParseScript(const std::string& text, std::vector<ScriptedEvent>* out, std::string* error);
bool LoadScript(const char* path, std::string* error);

// Pushes the scripted events due before the next frame into the platform event queue;
// true when it pushed any (the loop then dispatches them before drawing).
bool AutomationInjectDue();

// Windows virtual-key code of an SDL key name ("Escape", "F", "1", "F1"); 0 if unknown.
int VirtualKeyFromName(const std::string& name);
