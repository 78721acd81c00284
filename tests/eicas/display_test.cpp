// The EICAS drawn into a real offscreen window from engineering values set directly
// (including values the simulator cannot send, such as negative oil temperatures): texts
// and colours read back from the text trace, boxes and needles from the pixels.
#include "eicas/eicas.h"
#include "shell/config.h"
#include "shell/shell.h"
#include "shell/text.h"
#include "shell/window.h"
#include "simlink/aircraft.h"
#include "simlink/simlink.h"
#include "support/support.h"

#include <GL/gl.h>
#include <cmath>
#include <chrono>
#include <gtest/gtest.h>
#include <set>
#include <thread>
#include <unistd.h>

namespace {

constexpr int Height = 605;
const int Width = static_cast<int>(Height * 0.7165);
const float PixelsPerUnit = Height / (2 * 12.4264f);

struct Rgb {
    int r, g, b;
};

class DisplayTest : public ::testing::Test {
protected:
    static std::string unit;
    static void SetUpTestSuite()
    {
        setenv("SDL_AUDIODRIVER", "dummy", 0);   // raised messages chime; quietly here
        unit = MakeScratchUnit("eicas-display");
        ASSERT_EQ(chdir(unit.c_str()), 0);
        PlatformRegisterFontFile("data/fonts/Orvex.ttf");
        PlatformRegisterFontFile("data/fonts/Orvex-Bold.ttf");
        Window.ForceHeadless = true;
        ASSERT_TRUE(CreateDisplayWindow("eicas test", 484, Height, 32, false));
    }
    static void TearDownTestSuite() { DestroyDisplayWindow(); }

    void SetUp() override
    {
        AircraftReset();
        CockpitReset();
        EicasReset();
        SimLinkReset();
        Shell.PrevBatteryMaster = 1;
        Aircraft.PitotHeat = 1;
    }

    // One EICAS frame as RenderFrame draws it; returns the texts drawn.
    std::vector<TraceText> Frame(bool withList = true)
    {
        std::string trace = unit + "/trace.jsonl";
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        TextTraceOpen(trace.c_str());
        if (withList)
            DrawEicasDisplay();
        else
            DrawEngineDisplay();
        TextTraceClose();
        glFinish();
        Shell.PrevBatteryMaster = static_cast<int>(Aircraft.BatteryMaster);   // as RenderFrame does
        return ReadTextTrace(trace);
    }

    // Whether some pixel within 3 px across and 1 px up or down of a display point (units
    // at depth 30, y up) passes: a thin band along a horizontal edge.
    template <typename Test>
    static bool AnyNear(float x, float y, Test test)
    {
        int px = static_cast<int>(Width / 2.0f + x * PixelsPerUnit);
        int py = static_cast<int>(Height / 2.0f + y * PixelsPerUnit);   // GL rows count from the bottom
        unsigned char block[7 * 3 * 3];
        glReadBuffer(GL_BACK);
        glReadPixels(px - 3, py - 1, 7, 3, GL_RGB, GL_UNSIGNED_BYTE, block);
        for (int i = 0; i < 7 * 3 * 3; i += 3)
            if (test(Rgb{block[i], block[i + 1], block[i + 2]}))
                return true;
        return false;
    }
};
std::string DisplayTest::unit;

bool IsRed(Rgb c) { return c.r > 150 && c.g < 60 && c.b < 60; }
bool IsAmber(Rgb c) { return c.r > 150 && c.g > 70 && c.g < 180 && c.b < 60; }
bool IsWhite(Rgb c) { return c.r > 150 && c.g > 150 && c.b > 150; }
bool IsCyan(Rgb c) { return c.r < 60 && c.g > 150 && c.b > 150; }
bool IsLit(Rgb c) { return c.r + c.g + c.b > 60; }

// Colour names of traced texts.
std::string ColourOf(const TraceText* t)
{
    if (!t)
        return "absent";
    auto near = [&](float r, float g, float b) {
        return std::fabs(t->r - r) < 0.01f && std::fabs(t->g - g) < 0.01f && std::fabs(t->b - b) < 0.01f;
    };
    if (near(1, 1, 1)) return "white";
    if (near(1, 0, 0)) return "red";
    if (near(0.933f, 0.596f, 0)) return "amber";
    if (near(0.156f, 0.803f, 0.215f)) return "green";
    if (near(0, 1, 1)) return "cyan";
    if (near(0.882f, 0, 0.482f)) return "magenta";
    if (near(0, 0, 0)) return "black";
    return "other";
}

// The traced text nearest a display point (its start after alignment may differ a little).
const TraceText* TextNear(const std::vector<TraceText>& texts, const std::string& text, float x, float y)
{
    const TraceText* best = nullptr;
    float bestDistance = 1e9f;
    float px = Width / 2.0f + x * PixelsPerUnit, py = Height / 2.0f - y * PixelsPerUnit;
    for (const TraceText& t : texts) {
        float d = std::hypot(t.x - px, t.y - py);
        if (t.text == text && d < bestDistance && d < 60) {
            best = &t;
            bestDistance = d;
        }
    }
    return best;
}

} // namespace

TEST_F(DisplayTest, N1OverSpeedBandIsRedOnlyFrom100Point1To110)
{
    struct Case { float n1; const char* text; const char* colour; };
    for (Case c : {Case{100.0f, "100.0", "white"}, Case{100.1f, "100.1", "red"}, Case{110.0f, "110.0", "red"},
                   Case{110.1f, "110.1", "white"}}) {
        Aircraft.N1Left = c.n1;
        auto texts = Frame(false);
        EXPECT_EQ(ColourOf(TextNear(texts, c.text, -4.9f, 8.71f)), c.colour) << c.n1;
        // The readout box's top edge follows the digits: red when over, cyan otherwise.
        bool over = std::string(c.colour) == "red";
        EXPECT_EQ(AnyNear(-5.6f, 9.34f, IsRed), over) << c.n1;
        EXPECT_EQ(AnyNear(-5.6f, 9.34f, IsCyan), !over) << c.n1;
    }
    // The needle is not stopped at 100 %: at 105 % it stands 10 degrees above 9 o'clock.
    Aircraft.N1Left = 105;
    Frame(false);
    float a = (105 * -2.02f - 68 + 90) * 3.14159265f / 180;
    EXPECT_TRUE(AnyNear(-5.08f + 1.2f * std::cos(a), 8.06f + 1.2f * std::sin(a), IsRed));
}

TEST_F(DisplayTest, N2AndOilTemperatureColoursAndBoxes)
{
    Aircraft.N2Left = 100.05f;   // neither normal nor the amber band
    Aircraft.N2Right = 101.0f;
    Aircraft.OilTempLeft = -53;  // amber test comes first
    Aircraft.OilTempRight = 150;
    auto texts = Frame(false);
    EXPECT_EQ(ColourOf(TextNear(texts, "100.05", -5.3f, 3.19f)), "red");
    EXPECT_EQ(ColourOf(TextNear(texts, "101.00", -0.9f, 3.19f)), "amber");
    EXPECT_EQ(ColourOf(TextNear(texts, "-53", -5.1f, 1.9f)), "amber");
    EXPECT_EQ(ColourOf(TextNear(texts, "150", -0.8f, 1.9f)), "red");
    EXPECT_TRUE(AnyNear(-5.3f, 1.8f, IsAmber));   // bottom edges of the highlight boxes
    EXPECT_TRUE(AnyNear(-0.8f, 1.8f, IsRed));

    Aircraft.OilTempLeft = -61;
    Aircraft.OilTempRight = 176;
    texts = Frame(false);
    EXPECT_EQ(ColourOf(TextNear(texts, "-61", -5.1f, 1.9f)), "white");
    EXPECT_EQ(ColourOf(TextNear(texts, "176", -0.8f, 1.9f)), "white");
    EXPECT_FALSE(AnyNear(-5.3f, 1.8f, IsLit));
    EXPECT_FALSE(AnyNear(-0.8f, 1.8f, IsLit));
}

TEST_F(DisplayTest, OilPressureRedBandDiffersBySideAndIsOffForTheOlderSimulator)
{
    Aircraft.OilTempLeft = Aircraft.OilTempRight = 80;   // warm oil: no box just below
    Aircraft.OilPressLeft = Aircraft.OilPressRight = 49.5;
    auto texts = Frame(false);
    EXPECT_EQ(ColourOf(TextNear(texts, "49", -5.1f, 2.57f)), "white");
    EXPECT_EQ(ColourOf(TextNear(texts, "49", -0.7f, 2.57f)), "red");
    EXPECT_FALSE(AnyNear(-5.3f, 2.45f, IsLit));
    EXPECT_TRUE(AnyNear(-0.8f, 2.46f, IsRed));

    SimLink.SimVersion = 7;
    Aircraft.OilPressLeft = 55;   // the amber band stays
    texts = Frame(false);
    EXPECT_EQ(ColourOf(TextNear(texts, "49", -0.7f, 2.57f)), "white");
    EXPECT_EQ(ColourOf(TextNear(texts, "55", -5.1f, 2.57f)), "amber");
    EXPECT_TRUE(AnyNear(-5.3f, 2.45f, IsAmber));
    EXPECT_FALSE(AnyNear(-0.8f, 2.46f, IsLit));

    SimLink.SimVersion = 0;
    Aircraft.OilPressLeft = 65;
    Aircraft.OilPressRight = 120.995;
    texts = Frame(false);
    EXPECT_EQ(ColourOf(TextNear(texts, "65", -5.1f, 2.57f)), "white");
    EXPECT_EQ(ColourOf(TextNear(texts, "120", -0.7f, 2.57f)), "white");
}

TEST_F(DisplayTest, FlapsBetweenDetentsAreBoxedExceptAtHighPower)
{
    // Bottom edge of the box drawn back from the end of the digits.
    auto boxed = [this](const char* digits) {
        float last = 0;
        TextWidth(digits, &last);
        float end = 6.29f + last * 0.6f;   // right-aligned: the last digit starts at 6.29
        return AnyNear(end + (-1.52f + 0.86f) * 0.6f, -1.13f - 0.339f * 0.6f, IsWhite);
    };
    Aircraft.FlapAngle = 45;
    auto texts = Frame(false);
    EXPECT_NE(TextNear(texts, "40", 6.0f, -1.13f), nullptr);
    EXPECT_TRUE(boxed("40"));

    Aircraft.FlapAngle = 20;
    Frame(false);
    EXPECT_FALSE(boxed("20"));

    Aircraft.FlapAngle = 15;
    Frame(false);
    EXPECT_TRUE(boxed("15"));
    Eicas.HighPower = true;   // as the last frame's evaluation left it
    Frame(false);
    EXPECT_FALSE(boxed("15"));
}

TEST_F(DisplayTest, ReverseDeployAndStartAnnunciations)
{
    Aircraft.ThrottleLeverLeft = -492;    // -3 %
    Aircraft.ThrottleLeverRight = -984;   // -6 %
    Aircraft.StarterLeft = 1;
    Aircraft.N2Left = 50.9f;
    Aircraft.StarterRight = 1;
    Aircraft.N2Right = 51.0f;
    auto texts = Frame();
    EXPECT_EQ(ColourOf(TextNear(texts, "REV", -4.99f, 9.5f)), "white");
    EXPECT_EQ(ColourOf(TextNear(texts, "DEP", -0.617f, 9.5f)), "green");
    // START runs downwards one letter a line beside each engine's readouts.
    const TraceText* s = TextNear(texts, "S", -6.45f, 3.29f);
    const TraceText* t = TextNear(texts, "T", -6.45f, 3.29f - 0.859f * 0.62f);
    ASSERT_TRUE(s && t);
    EXPECT_EQ(ColourOf(s), "green");
    EXPECT_NEAR(t->y - s->y, 0.859f * 0.62f * PixelsPerUnit, 1.5f);
    EXPECT_EQ(ColourOf(TextNear(texts, "S", 0.35f, 3.29f)), "amber");

    Aircraft.ThrottleLeverLeft = Aircraft.ThrottleLeverRight = 0;
    Aircraft.StarterLeft = Aircraft.StarterRight = 0;
    texts = Frame();
    EXPECT_EQ(FindText(texts, "REV"), nullptr);
    EXPECT_EQ(FindText(texts, "DEP"), nullptr);
    EXPECT_EQ(FindText(texts, "S"), nullptr);
}

TEST_F(DisplayTest, N1ReferenceFollowsLastFramesEngineStateAndHidesInManualMode)
{
    // In flight, flaps up, both engines at take-off thrust: the first frame has no
    // derived state yet, the second shows the reference.
    Aircraft.OnGround = 0;
    Aircraft.N1Left = Aircraft.N1Right = 90;
    Aircraft.ThrottleLeverLeft = Aircraft.ThrottleLeverRight = 15000;
    Aircraft.OutsideAirTemp = 15;
    auto texts = Frame();
    EXPECT_EQ(FindText(texts, "86.6"), nullptr);
    texts = Frame();
    EXPECT_EQ(ColourOf(TextNear(texts, "86.6", -4.5f, 7.95f)), "magenta");
    EXPECT_EQ(ColourOf(TextNear(texts, "86.6", -0.1f, 7.95f)), "magenta");

    Cockpit.PanelFlags = PanelFlagN1Manual;
    Aircraft.OnGround = 1;
    texts = Frame();
    EXPECT_EQ(FindText(texts, "86.6"), nullptr);
    EXPECT_EQ(ColourOf(TextNear(texts, "MAN", -4.83f, 7.15f)), "white");
    EXPECT_EQ(ColourOf(TextNear(texts, "MAN", -0.45f, 7.15f)), "white");
}

TEST_F(DisplayTest, AlertListLinesBlinkUntilAcknowledgedAndEndIsLastAndCyan)
{
    Aircraft.N1Left = Aircraft.N1Right = 25;
    Aircraft.EngineStateLeft = Aircraft.EngineStateRight = 1;
    Aircraft.OilPressLeft = Aircraft.OilPressRight = 30;
    Aircraft.GenLeft = Aircraft.GenRight = 28;
    Aircraft.FuelPressLeft = Aircraft.FuelPressRight = 20;
    Aircraft.PitchTrim = 0.02;   // readout 0.8: nose-down, outside the take-off band
    Aircraft.OnGround = 1;
    Aircraft.PitotHeat = 0;
    Shell.PrevBatteryMaster = 0;   // power-up: everything raised afresh
    // Over a little more than a second the new warning shows both blink phases.
    std::set<std::string> warningColours, endColours;
    std::vector<TraceText> texts;
    for (int i = 0; i < 12; ++i) {
        texts = Frame();
        warningColours.insert(ColourOf(FindText(texts, "L R OIL PRESS LOW")));
        endColours.insert(ColourOf(FindText(texts, "END")));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_EQ(warningColours, (std::set<std::string>{"red", "black"}));
    EXPECT_EQ(endColours, std::set<std::string>{"cyan"});
    EXPECT_EQ(FindText(texts, "L   OIL PRESS LOW"), nullptr);
    EXPECT_NE(Cockpit.PanelFlags & PanelFlagMasterWarning, 0);

    // Lines in table order, 0.6076 units apart, END last; the list uses the bold face.
    const char* order[] = {"L R OIL PRESS LOW", "L R PITOT HT", "    TAKEOFF TRIM", "END"};
    float lastY = -1;
    for (const char* text : order) {
        const TraceText* t = FindText(texts, text);
        ASSERT_NE(t, nullptr) << text;
        EXPECT_EQ(t->font, 3);
        EXPECT_GT(t->y, lastY) << text;
        if (lastY >= 0) {
            EXPECT_NEAR(t->y - lastY, 0.6076f * PixelsPerUnit, 1.0f) << text;
        }
        lastY = t->y;
    }

    // The panel's acknowledge: steady red from now on, the master bit falls next time.
    Cockpit.PanelFlags |= PanelFlagAcknowledge;
    Frame();
    EXPECT_EQ(Cockpit.PanelFlags & PanelFlagAcknowledge, 0);
    warningColours.clear();
    for (int i = 0; i < 12; ++i) {
        texts = Frame();
        warningColours.insert(ColourOf(FindText(texts, "L R OIL PRESS LOW")));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_EQ(warningColours, std::set<std::string>{"red"});
    EXPECT_EQ(Cockpit.PanelFlags & PanelFlagMasterWarning, 0);
}
