// The in-process display unit of the synoptic page tests.
#include "synoptics_unit.h"

#include "support/display_unit.h"

#include "cockpit/cockpit.h"
#include "eicas/eicas.h"
#include "menu/aircraft_config.h"
#include "shell/automation.h"
#include "shell/shell.h"
#include "shell/text.h"
#include "shell/window.h"
#include "simlink/aircraft.h"

#include <GL/gl.h>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {
constexpr int Height = 605;
const int DisplayWidth = static_cast<int>(Height * 0.7165);
const float PixelsPerUnit = Height / (2 * 12.4264f);
bool Opened = false;
std::string UnitDir;
}

void SynopticsUnit::Open()
{
    if (!Opened) {
        UnitDir = DisplayUnitOpenWindow("synoptics-unit", 484, Height);
        ASSERT_TRUE(Window.Created);
        Opened = true;
    }
    ShellReset();
    Shell.ShowingMfd = true;
    Shell.FirstFrameDone = true;
    AircraftReset();
    CockpitReset();
    EicasReset();
    AircraftConfigReset();
    AircraftConfig.MAX_FLAPS = 40;
    AircraftConfig.MAX_SPOILERS = 60;
}

std::vector<TraceText> SynopticsUnit::Draw(void (*page)())
{
    const std::string trace = UnitDir + "/trace.jsonl";
    glClear(GL_COLOR_BUFFER_BIT);
    // Start from a colour and matrix that no page should depend on.
    glColor3f(1, 0, 1);
    glLoadIdentity();
    glTranslatef(3, 3, -10);
    TextTraceOpen(trace.c_str());
    page();
    TextTraceClose();
    glFinish();
    if (const char* dir = std::getenv("ORVEX_SYNOPTICS_PNG")) {
        // A look at what a failing probe saw: ORVEX_SYNOPTICS_PNG=DIR keeps the last picture.
        PlatformSaveScreenshot((std::string(dir) + "/last-page.png").c_str());
    }
    return ReadTextTrace(trace);
}

float SynopticsUnit::PixelX(float x)
{
    return DisplayWidth / 2.0f + x * PixelsPerUnit;
}

float SynopticsUnit::PixelY(float y)
{
    return Height / 2.0f - y * PixelsPerUnit;
}

float SynopticsUnit::Scale()
{
    return PixelsPerUnit;
}

bool SynopticsUnit::ColourNear(float x, float y, int r, int g, int b, int radius)
{
    const int side = 2 * radius + 1;
    std::vector<unsigned char> px(side * side * 3);
    int cx = static_cast<int>(DisplayWidth / 2.0f + x * PixelsPerUnit);
    int cy = static_cast<int>(Height / 2.0f + y * PixelsPerUnit);   // GL rows count from the bottom
    glReadPixels(cx - radius, cy - radius, side, side, GL_RGB, GL_UNSIGNED_BYTE, px.data());
    for (size_t i = 0; i < px.size(); i += 3)
        if (std::abs(px[i] - r) < 40 && std::abs(px[i + 1] - g) < 40 && std::abs(px[i + 2] - b) < 40)
            return true;
    return false;
}

std::vector<TraceText> AllTexts(const std::vector<TraceText>& texts, const std::string& text)
{
    std::vector<TraceText> out;
    for (const TraceText& t : texts)
        if (t.text == text)
            out.push_back(t);
    return out;
}

void ExpectTextAt(const std::vector<TraceText>& texts, const std::string& text, float x, float y, int align,
                  float scale, Rgb colour, float narrow)
{
    float last = 0;
    float width = TextWidth(text.c_str(), &last);
    const float across = scale * narrow;
    float start = align == 0 ? x - width / 2 * across : align == 2 ? x - (width - last) * across : x;
    // The same text may be printed elsewhere on the page ("0.0", "10"): take the one nearest.
    const TraceText* nearest = nullptr;
    for (const TraceText& t : texts)
        if (t.text == text && (!nearest || std::hypot(t.x - SynopticsUnit::PixelX(start), t.y - SynopticsUnit::PixelY(y)) <
                                               std::hypot(nearest->x - SynopticsUnit::PixelX(start),
                                                          nearest->y - SynopticsUnit::PixelY(y))))
            nearest = &t;
    ASSERT_NE(nearest, nullptr) << text;
    const TraceText& t = *nearest;
    EXPECT_NEAR(t.x, SynopticsUnit::PixelX(start), 0.6) << text;
    EXPECT_NEAR(t.y, SynopticsUnit::PixelY(y), 0.6) << text;
    EXPECT_NEAR(t.em, scale * PixelsPerUnit, 0.05) << text;
    EXPECT_NEAR(t.emX, across * PixelsPerUnit, 0.05) << text;
    EXPECT_EQ(t.align, align) << text;
    EXPECT_EQ(t.font, 2) << text;
    EXPECT_NEAR(t.r * 255, colour.r, 2) << text;
    EXPECT_NEAR(t.g * 255, colour.g, 2) << text;
    EXPECT_NEAR(t.b * 255, colour.b, 2) << text;
}
