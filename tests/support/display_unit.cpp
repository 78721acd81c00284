// The in-process display unit of the map tests.
#include "support/display_unit.h"

#include "cockpit/cockpit.h"
#include "map/map.h"
#include "menu/aircraft_config.h"
#include "menu/menu.h"
#include "navdb/navdb.h"
#include "plan/plan.h"
#include "traffic/traffic.h"
#include "shell/automation.h"
#include "shell/config.h"
#include "shell/shell.h"
#include "shell/text.h"
#include "shell/window.h"
#include "simlink/aircraft.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {
bool Opened = false;
std::string UnitDir;
}

std::string DisplayUnitOpenWindow(const std::string& name, int width, int height)
{
    std::string dir = MakeScratchUnit(name);
    EXPECT_EQ(chdir(dir.c_str()), 0);
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    PlatformRegisterFontFile("data/fonts/Orvex.ttf");
    PlatformRegisterFontFile("data/fonts/Orvex-Bold.ttf");
    ShellReset();
    DisplayConfigReset();
    Window.ForceHeadless = true;
    Automation.NoFrameSleep = true;
    EXPECT_TRUE(CreateDisplayWindow(TitleStartingUp, width, height, 32, false));
    return dir;
}

void MapUnitOpen()
{
    if (!Opened) {
        UnitDir = DisplayUnitOpenWindow("map-unit");
        Opened = true;
    }
    // The first frame's reload has happened; every test starts from a powered MFD.
    ShellReset();
    Shell.ShowingMfd = true;
    Shell.FirstFrameDone = true;
    AircraftReset();
    MapReset();
    MenuReset();
    NavDatabaseReset();
    PlanListReset();
    CockpitReset();
    TrafficReset();
}

void MapUnitLoad(const std::string& navaids, const std::string& airports, int minRunway)
{
    WriteFile("data/navaids.txt", navaids);
    WriteFile("data/waypoints.txt", "");
    WriteFile("data/Airports.txt", airports);
    AircraftConfig.MIN_RUNWAY_LENGTH = minRunway;
    LoadNavaids();
    LoadWaypoints();
    LoadAirports();
}

std::vector<TraceText> MapUnitFrames(int frames)
{
    const std::string trace = UnitDir + "/trace.jsonl";
    for (int i = 0; i < frames; ++i) {
        if (i == frames - 1)
            TextTraceOpen(trace.c_str());
        RenderFrame();
        ++Automation.FrameNumber;
    }
    TextTraceClose();
    return ReadTextTrace(trace);
}

std::vector<TraceText> WithColour(const std::vector<TraceText>& texts, float r, float g, float b)
{
    std::vector<TraceText> out;
    for (const TraceText& t : texts)
        if (std::fabs(t.r - r) < 0.01f && std::fabs(t.g - g) < 0.01f && std::fabs(t.b - b) < 0.01f)
            out.push_back(t);
    return out;
}

namespace {
// A text's ink from top to bottom, in ems above the baseline, from the glyph boxes of the
// shipped font (the bold face's, a little the larger); a text of blanks has none.
bool InkRows(const std::string& text, float* top, float* bottom)
{
    bool any = false;
    for (unsigned char c : text) {
        const PlatformGlyphMetrics& m = Font.Metrics[c];
        if (m.blackBoxY <= 0 || c == ' ')
            continue;
        *top = any ? std::max(*top, m.originY) : m.originY;
        *bottom = any ? std::min(*bottom, m.originY - m.blackBoxY) : m.originY - m.blackBoxY;
        any = true;
    }
    return any;
}

// A degree mark is a small "0" (turned or not) set against its letter or figures: one
// symbol with them, meant to touch.
bool DegreeMark(const TraceText& mark, const TraceText& other)
{
    return mark.text == "0" && (!mark.upright || mark.em < 0.9f * other.em);
}
} // namespace

std::string TextsTouching(const std::vector<TraceText>& texts, float gapEm)
{
    std::string touching;
    for (const TraceText& a : texts)
        for (const TraceText& b : texts) {
            if (&a == &b || b.x < a.x || (b.x == a.x && b.y < a.y) || DegreeMark(a, b) || DegreeMark(b, a))
                continue;
            // Across: from the end of the left text's last advance to the right text's start.
            const float aEnd = a.x + TextWidth(a.text.c_str(), nullptr) * a.emX;
            const float across = b.x - aEnd;
            // Up and down: the blank between the two texts' ink, in window pixels (y down).
            float aTop = 0, aBottom = 0, bTop = 0, bBottom = 0;
            if (!InkRows(a.text, &aTop, &aBottom) || !InkRows(b.text, &bTop, &bBottom))
                continue;
            const float aInkTop = a.y - aTop * a.em, aInkBottom = a.y - aBottom * a.em;
            const float bInkTop = b.y - bTop * b.em, bInkBottom = b.y - bBottom * b.em;
            const float between = std::max(bInkTop - aInkBottom, aInkTop - bInkBottom);
            // Texts side by side keep gapEm apart; texts one above the other keep at least a
            // clear pixel row between their ink, as a reader needs to tell the lines apart.
            if (across < gapEm * std::min(a.em, b.em) && between < 1.0f)
                touching += a.text + " | " + b.text + "\n";
        }
    return touching;
}

std::string NavaidLine(const std::string& ident, int vor, int dme, double lat, double lon)
{
    char line[160];
    std::snprintf(line, sizeof line, "%s|%s STATION|11000|%d|%d|40|%lld|%lld|0|3\n", ident.c_str(), ident.c_str(), vor,
                  dme, std::llround(lat * 1e6), std::llround(lon * 1e6));
    return line;
}

const std::string& MapUnitDir()
{
    return UnitDir;
}

int MapUnitPixel(int x, int y)
{
    unsigned char rgb[3] = {};
    glReadPixels(x, 605 - 1 - y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    return std::max({rgb[0], rgb[1], rgb[2]});
}

// At depth 30 the 433 x 605 display spans +-8.903 across and +-12.426 up and down.
int LayoutToPixelX(float x)
{
    return static_cast<int>((x + 8.903f) / 17.806f * 433.0f);
}

int LayoutToPixelY(float y)
{
    return static_cast<int>((12.426f - y) / 24.852f * 605.0f);
}
