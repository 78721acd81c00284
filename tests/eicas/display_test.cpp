// The EICAS drawn into an offscreen window from values set directly (including cold oil
// the simulator cannot send): colours from the text trace, boxes from the pixels.
#include "eicas/eicas.h"
#include "cockpit/cockpit.h"
#include "shell/shell.h"
#include "shell/text.h"
#include "shell/window.h"
#include "simlink/aircraft.h"
#include "support/display_unit.h"
#include "synoptics/synoptics.h"
#include "trace_colours.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <tuple>
#include <vector>
#include <unistd.h>

namespace {
constexpr int Height = 605;
const int Width = static_cast<int>(Height * 0.7165);
const float PixelsPerUnit = Height / (2 * 12.4264f);

class DisplayTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        setenv("SDL_AUDIODRIVER", "dummy", 0);   // raised messages chime; quietly here
        ASSERT_EQ(chdir(MakeScratchUnit("eicas-display").c_str()), 0);
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
        Shell.PrevBatteryMaster = 1;
        Aircraft.PitotHeat = 1;
    }
    // One EICAS frame as RenderFrame draws it (with the systems page under it when given);
    // the texts drawn.
    std::vector<TraceText> Frame(void (*page)() = nullptr)
    {
        glClear(GL_COLOR_BUFFER_BIT);
        TextTraceOpen("trace.jsonl");
        DrawEicasDisplay();
        if (page)
            page();
        TextTraceClose();
        Shell.PrevBatteryMaster = static_cast<int>(Aircraft.BatteryMaster);
        return ReadTextTrace("trace.jsonl");
    }
    // Some pixel of a thin band (7 x 3 px) around a display point has this colour.
    static bool ColourNear(float x, float y, int r, int g, int b)
    {
        unsigned char px[7 * 3 * 3];
        glReadPixels(static_cast<int>(Width / 2.0f + x * PixelsPerUnit) - 3,
                     static_cast<int>(Height / 2.0f + y * PixelsPerUnit) - 1, 7, 3, GL_RGB, GL_UNSIGNED_BYTE, px);
        for (int i = 0; i < 7 * 3 * 3; i += 3)
            if (std::abs(px[i] - r) < 40 && std::abs(px[i + 1] - g) < 40 && std::abs(px[i + 2] - b) < 40)
                return true;
        return false;
    }
};
} // namespace

TEST_F(DisplayTest, N2AndOilTemperatureBandsWithTheirBoxes)
{
    Aircraft.N2Left = 100.05f;   // neither normal nor the amber band
    Aircraft.N2Right = 101.0f;
    Aircraft.OilTempLeft = -53;  // the amber test comes first
    Aircraft.OilTempRight = 150;
    auto texts = Frame();
    EXPECT_EQ(ColourName(FindText(texts, "100.05")), "red");
    EXPECT_EQ(ColourName(FindText(texts, "101.00")), "amber");
    EXPECT_EQ(ColourName(FindText(texts, "-53")), "amber");
    EXPECT_EQ(ColourName(FindText(texts, "150")), "red");
    EXPECT_TRUE(ColourNear(-5.3f, 1.8f, 238, 152, 0));   // bottom edges of the boxes
    EXPECT_TRUE(ColourNear(-0.8f, 1.8f, 255, 0, 0));

    Aircraft.OilTempLeft = -61;
    Aircraft.OilTempRight = 176;
    texts = Frame();
    EXPECT_EQ(ColourName(FindText(texts, "-61")), "white");
    EXPECT_EQ(ColourName(FindText(texts, "176")), "white");
    EXPECT_FALSE(ColourNear(-5.3f, 1.8f, 238, 152, 0));
    EXPECT_FALSE(ColourNear(-0.8f, 1.8f, 255, 0, 0));
}

TEST_F(DisplayTest, FlapsBetweenDetentsAreBoxedExceptAtHighPower)
{
    // The box hangs back from where the digits ended; test its bottom edge.
    auto boxed = [this](float flaps, const char* shown) {
        Aircraft.FlapAngle = flaps;
        auto texts = Frame();
        float last = 0;
        TextWidth(shown, &last);
        float end = 6.29f + last * 0.6f;   // right-aligned: the last digit starts at 6.29
        EXPECT_NE(FindText(texts, shown), nullptr) << flaps;
        return ColourNear(end + (-1.52f + 0.86f) * 0.6f, -1.13f - 0.339f * 0.6f, 255, 255, 255);
    };
    EXPECT_TRUE(boxed(45, "40"));
    EXPECT_FALSE(boxed(20, "20"));
    EXPECT_TRUE(boxed(15, "15"));
    Aircraft.N1Left = Aircraft.N1Right = 90;   // high power from the next frame on
    boxed(15, "15");
    EXPECT_FALSE(boxed(15, "15"));
}

TEST_F(DisplayTest, N1ReferenceFollowsLastFramesEngineStateAndHidesInManualMode)
{
    // In flight, flaps up, take-off thrust: the first frame has no derived state yet.
    Aircraft.N1Left = Aircraft.N1Right = 90;
    Aircraft.ThrottleLeverLeft = Aircraft.ThrottleLeverRight = 15000;
    Aircraft.OutsideAirTemp = 15;
    EXPECT_EQ(FindText(Frame(), "86.6"), nullptr);
    EXPECT_EQ(ColourName(FindText(Frame(), "86.6")), "magenta");

    Cockpit.PanelFlags = PanelFlagN1Manual;
    Aircraft.OnGround = 1;
    auto texts = Frame();
    EXPECT_EQ(FindText(texts, "86.6"), nullptr);
    EXPECT_EQ(ColourName(FindText(texts, "MAN")), "white");
}

// The N1 and ITT needles sweep clockwise from 22 degrees above 3 o'clock (zero) towards
// 9 o'clock (100 % N1, 1000 degrees ITT): a point 0.55 along the needle is lit at the
// value's angle, and the point a needle turning the wrong way would light stays dark.
TEST_F(DisplayTest, NeedlesPointAtTheirValues)
{
    struct Case {
        bool n1;
        float value;
        float angle;   // expected needle direction, degrees counter-clockwise from 3 o'clock
        float wrong;   // where a needle turning the other way would point
    };
    const Case cases[] = {{true, 50, 22 - 101, 22 + 101},
                          {true, 95, 22 - 191.9f, 22 + 191.9f},
                          {false, 500, 22 - 99.6f, 22 + 99.6f},
                          {false, 700, 22 - 139.4f, 22 + 139.4f}};
    for (const Case& c : cases) {
        Aircraft.N1Left = Aircraft.N1Right = c.n1 ? c.value : 0;
        Aircraft.IttLeft = Aircraft.IttRight = c.n1 ? 0 : c.value;
        Frame();
        const float cx = -5.08f, cy = c.n1 ? 8.06f : 5.21f, r = 0.55f, rad = 3.14159265f / 180;
        SCOPED_TRACE((c.n1 ? "N1 " : "ITT ") + std::to_string(c.value));
        EXPECT_TRUE(ColourNear(cx + r * std::cos(c.angle * rad), cy + r * std::sin(c.angle * rad), 255, 255, 255));
        EXPECT_FALSE(ColourNear(cx + r * std::cos(c.wrong * rad), cy + r * std::sin(c.wrong * rad), 255, 255, 255));
    }
}

// No text touches another, labels and values alike, with every readout at the widest it
// plausibly shows, on the engine display and on each systems page under it: extents from
// the trace and the shipped font's advances and glyph boxes, at least 0.15 em apart on a
// line and a clear pixel row between stacked lines. Widest
// plausible: N1 and N2 over 100 with all decimals; ITT, fuel flow, hydraulic pressure and
// cabin altitude four digits; fuel five; oil three; trims two digits and a side letter;
// both generators' amps three digits.
TEST_F(DisplayTest, ValuesAtTheirWidestTouchNoOtherTextOnAnyPage)
{
    Aircraft.N1Left = Aircraft.N1Right = 108.8f;
    Aircraft.IttLeft = Aircraft.IttRight = 1088;
    Aircraft.N2Left = Aircraft.N2Right = 108.88f;
    Aircraft.OilPressLeft = Aircraft.OilPressRight = 188;
    Aircraft.OilTempLeft = Aircraft.OilTempRight = 188;
    Aircraft.FuelFlowLeft = Aircraft.FuelFlowRight = 8888;
    Aircraft.FuelTotal = 88888;
    Aircraft.TankCapacityLeft = Aircraft.TankCapacityRight = Aircraft.TankCapacityCentre = 88888;
    Aircraft.TankLevelLeft = Aircraft.TankLevelRight = Aircraft.TankLevelCentre = 1;
    Aircraft.StaticAirTemp = -88;
    Aircraft.FlapAngle = 40;
    const double perDegree = 0.6667 * 57.29;   // the trims' radians as the readouts scale them
    Aircraft.PitchTrim = Aircraft.AileronTrim = -18.8 / perDegree;
    Aircraft.RudderTrim = -28.8 / perDegree;
    Aircraft.GenLeft = Aircraft.GenRight = 38.8;
    Aircraft.GenAmpsLeft = Aircraft.GenAmpsRight = 388.8;
    Aircraft.HydPressLeft = Aircraft.HydPressRight = 8888;
    Aircraft.Altitude = 45000;   // the cabin at 8820 ft
    Aircraft.SpoilerAngleLeft = 60;
    auto texts = Frame(DrawSummaryPage);
    ASSERT_NE(FindText(texts, "388.8"), nullptr);
    ASSERT_NE(FindText(texts, "FF PPH"), nullptr);
    EXPECT_EQ(TextsTouching(texts, 0.15f), "");
    // The same values on every other page, the engine display above it.
    const struct {
        void (*draw)();
        const char* name;
    } pages[] = {{DrawElecPage, "ELEC"}, {DrawHydPage, "HYD"}, {DrawEcsPage, "ECS"},
                 {DrawFlightControlsPage, "FLT"}, {DrawFuelPage, "FUEL"}};
    for (const auto& page : pages)
        EXPECT_EQ(TextsTouching(Frame(page.draw), 0.15f), "") << page.name;
    // At the usual loads the amps stand where the page has always put them.
    Aircraft.GenAmpsLeft = Aircraft.GenAmpsRight = 88.8;
    texts = Frame(DrawSummaryPage);
    const TraceText* amps = FindText(texts, "88.8");
    ASSERT_NE(amps, nullptr);
    float last = 0;
    const float width = TextWidth("88.8", &last);
    EXPECT_NEAR(amps->x, Width / 2.0f + (-3.17f + (last - width) * 0.6f) * PixelsPerUnit, 0.5f);
}

// Labels set narrowed to clear their neighbours keep their places: the generators' AMPS stay
// centred where they were, and the names placed after them stand where the full-width word
// would have put them (the letter in the generator's ring).
TEST_F(DisplayTest, NarrowedLabelsKeepTheirPlacesAndWhatFollowsThem)
{
    const auto texts = Frame(DrawElecPage);
    const float amps = TextWidth("AMPS", nullptr) * 0.53f;
    std::vector<const TraceText*> ampsTexts;
    for (const TraceText& t : texts)
        if (t.text == "AMPS" && t.r == 0)
            ampsTexts.push_back(&t);
    ASSERT_EQ(ampsTexts.size(), 3u);   // left, APU, right by x
    std::sort(ampsTexts.begin(), ampsTexts.end(), [](auto* a, auto* b) { return a->x < b->x; });
    const TraceText *genL = FindText(texts, "GEN L"), *genR = FindText(texts, "R GEN");
    ASSERT_TRUE(genL && genR);
    for (auto [word, centre, after, label] : {std::tuple{ampsTexts[0], -4.2f, -3.76f, genL},
                                              std::tuple{ampsTexts[2], 6.15f, -1.72f, genR}}) {
        EXPECT_LT(word->emX, 0.9f * word->em);
        EXPECT_NEAR(word->x + TextWidth("AMPS", nullptr) * word->emX / 2, Width / 2.0f + centre * PixelsPerUnit, 0.5f);
        const float pen = centre + amps / 2 + after * 0.53f;
        const float name = TextWidth(label->text.c_str(), nullptr) * 0.53f;
        EXPECT_NEAR(label->x, Width / 2.0f + (pen - name / 2) * PixelsPerUnit, 0.5f) << label->text;
    }
}

// Every text of the engine display and each systems page, drawn as the spine draws it (the
// menu's page, then the engine display, each a text batch), is upright and small enough to
// come from glyph coverage: none falls back to the aliased outlines but the electrical page's
// degree mark, a half-turned "0".
TEST_F(DisplayTest, EveryPageDrawsItsTextsFromCoverage)
{
    Aircraft.StarterLeft = 1;
    Aircraft.N2Left = 31.4f;
    for (void (*page)() : {DrawSummaryPage, DrawElecPage, DrawHydPage, DrawEcsPage, DrawFlightControlsPage, DrawFuelPage}) {
        TextCoverageReset();
        TextFrameStart();
        glClear(GL_COLOR_BUFFER_BIT);
        TextBatchBegin();
        page();
        TextBatchEnd();
        TextBatchBegin();
        DrawEicasDisplay();
        TextBatchEnd();
        EXPECT_GT(TextCountsNow().coverageTexts, 40);
        EXPECT_EQ(TextCountsNow().outlineTexts, page == DrawElecPage ? 1 : 0);
    }
}

// The dials' faces are copied from pixels kept at the display's size: the copy must give
// exactly the pixels of the scales drawn as lines, in both blending states a frame draws
// them in (off under the bezel, on without it), and an N1 over speed must still turn its
// own scale red.
TEST_F(DisplayTest, DialFacesFromTheirKeptPixelsMatchTheDrawnScales)
{
    auto pixels = [] {
        std::vector<unsigned char> px(static_cast<size_t>(484) * Height * 3);
        glReadPixels(0, 0, 484, Height, GL_RGB, GL_UNSIGNED_BYTE, px.data());
        return px;
    };
    Aircraft.N1Left = 62.4f;
    Aircraft.N1Right = 63.1f;
    Aircraft.IttLeft = Aircraft.IttRight = 640;
    for (bool blending : {true, false}) {
        blending ? glEnable(GL_BLEND) : glDisable(GL_BLEND);
        EicasReset();
        ASSERT_FALSE(StillPixelsCurrent(Eicas.EngineFaces));
        Frame();
        auto drawn = pixels();
        PrepareEngineDisplay();
        ASSERT_TRUE(StillPixelsCurrent(Eicas.EngineFaces)) << blending;
        EXPECT_GT(Eicas.EngineFaces.X1 - Eicas.EngineFaces.X0, 150);
        Frame();
        EXPECT_TRUE(pixels() == drawn) << "blending " << blending;
    }
    // Left N1 over speed, the faces kept: its scale red at six o'clock, the right one white.
    Aircraft.N1Left = 104;
    ASSERT_TRUE(StillPixelsCurrent(Eicas.EngineFaces));
    Frame();
    EXPECT_TRUE(ColourNear(-5.08f, 8.06f - 1.389f, 255, 0, 0));
    EXPECT_FALSE(ColourNear(-0.67f, 8.06f - 1.389f, 255, 0, 0));
    EXPECT_TRUE(ColourNear(-0.67f, 8.06f - 1.389f, 255, 255, 255));
}
