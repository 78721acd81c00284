// Scripted input and frame counting for tests: events are pushed into the platform's event
// queue before the frame they name, so they reach the window procedure exactly like real ones.
// Owns: Automation.
#include "shell/automation.h"

#include "platform/platform.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

AutomationState Automation;

void AutomationReset()
{
    Automation = AutomationState{};
}

long AutomationFrameNumber()
{
    return Automation.FrameNumber + 1;
}

int VirtualKeyFromName(const std::string& name)
{
    if (name == "Escape")
        return 0x1B;
    if (name == "Return")
        return 0x0D;
    if (name == "Space")
        return 0x20;
    if (name.size() == 1) {
        char c = name[0];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
            return c;
    }
    if (name.size() >= 2 && name.size() <= 3 && name[0] == 'F') {
        int n = std::atoi(name.c_str() + 1);
        if (n >= 1 && n <= 12)
            return 0x70 + n - 1;
    }
    return 0;
}

static bool ParseScriptLine(const std::string& line, std::vector<ScriptedEvent>* out, std::string* why)
{
    std::istringstream in(line);
    long frame = 0;
    std::string verb;
    if (!(in >> frame) || frame < 1) {
        *why = "expected a frame number (1 or more)";
        return false;
    }
    if (!(in >> verb)) {
        *why = "expected key, click or close";
        return false;
    }
    ScriptedEvent e;
    e.frame = frame;
    if (verb == "close") {
        e.event.type = PlatformEventType::Close;
    } else if (verb == "click") {
        e.event.type = PlatformEventType::LeftButton;
        if (!(in >> e.event.x >> e.event.y)) {
            *why = "click needs X Y";
            return false;
        }
    } else if (verb == "key") {
        std::string name, action;
        if (!(in >> name >> action)) {
            *why = "key needs NAME and down, up or press";
            return false;
        }
        e.event.vk = VirtualKeyFromName(name);
        if (!e.event.vk) {
            *why = "unknown key name '" + name + "'";
            return false;
        }
        if (action != "down" && action != "up" && action != "press") {
            *why = "key action must be down, up or press";
            return false;
        }
        e.event.type = action == "up" ? PlatformEventType::KeyUp : PlatformEventType::KeyDown;
        if (action == "press") {
            // Down before this frame and up before the next, so the frame sees the key held.
            ScriptedEvent up = e;
            up.frame = frame + 1;
            up.event.type = PlatformEventType::KeyUp;
            out->push_back(e);
            out->push_back(up);
            return true;
        }
    } else {
        *why = "unknown event '" + verb + "'";
        return false;
    }
    std::string extra;
    if (in >> extra) {
        *why = "unexpected '" + extra + "'";
        return false;
    }
    out->push_back(e);
    return true;
}

bool ParseScript(const std::string& text, std::vector<ScriptedEvent>* out, std::string* error)
{
    out->clear();
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#')
            continue;
        std::string why;
        if (!ParseScriptLine(line, out, &why)) {
            *error = "line " + std::to_string(number) + ": " + why + ": " + line;
            return false;
        }
    }
    std::stable_sort(out->begin(), out->end(),
                     [](const ScriptedEvent& a, const ScriptedEvent& b) { return a.frame < b.frame; });
    return true;
}

bool LoadScript(const char* path, std::string* error)
{
    // A script is a few lines a test or a user wrote; 16 MiB is far beyond any of them.
    std::string text, why;
    if (!PlatformReadWholeFile(path, 16u << 20, &text, &why)) {
        *error = std::string("cannot read ") + path + ": " + why;
        return false;
    }
    Automation.NextScripted = 0;
    return ParseScript(text, &Automation.Script, error);
}

bool AutomationInjectDue()
{
    bool pushed = false;
    long next = AutomationFrameNumber();
    while (Automation.NextScripted < Automation.Script.size() &&
           Automation.Script[Automation.NextScripted].frame <= next) {
        PlatformPushEvent(Automation.Script[Automation.NextScripted].event);
        ++Automation.NextScripted;
        pushed = true;
    }
    return pushed;
}
