// The electrical and hydraulic pages from outside: live values with their frames, the
// fixed figures, the shared hydraulic pressure and the soft-key frame on either display.
#include "synoptics_unit.h"

#include "shell/shell.h"
#include "simlink/aircraft.h"
#include "synoptics/synoptics.h"

#include <gtest/gtest.h>

namespace {
class ElecHydPages : public ::testing::Test {
protected:
    void SetUp() override { SynopticsUnit::Open(); }
};
constexpr Rgb YellowPx = {255, 241, 0};
} // namespace

TEST_F(ElecHydPages, ElectricalBusesGeneratorsAndApu)
{
    Aircraft.GenLeft = 28.46;
    Aircraft.GenRight = 27.94;
    Aircraft.GenAmpsLeft = 148.04;
    Aircraft.GenAmpsRight = 0;
    auto texts = SynopticsUnit::Draw(DrawElecPage);
    ExpectTextAt(texts, "L ESS VOLT", -5.17f, -1.967f, 0, 0.52f, CyanPx);
    ExpectTextAt(texts, "28.5", -5.2f, -2.63f, 0, 0.53f, WhitePx);
    ExpectTextAt(texts, "27.9", 5.25f, -2.63f, 0, 0.53f, WhitePx);
    ExpectTextAt(texts, "0.0", -0.1f, -2.63f, 0, 0.53f, WhitePx);   // emergency bus
    ExpectTextAt(texts, "148.0", -5.2f, -5.3f, 2, 0.53f, WhitePx);
    ExpectTextAt(texts, "35", -2.53f, -3.78f, 0, 0.53f, WhitePx);
    ExpectTextAt(texts, "38", 2.37f, -3.78f, 0, 0.53f, WhitePx);
    ExpectTextAt(texts, "0", 2.37f, -5.3f, 0, 0.53f, WhitePx);      // APU load
    ExpectTextAt(texts, "EXT PWR", -2.43f, -4.7f, 0, 0.45f, CyanPx);
    ExpectTextAt(texts, "RTN", -3.26f, -6.757f, 0, 0.62f, WhitePx);
    EXPECT_EQ(AllTexts(texts, "AMPS").size(), 3u);
    EXPECT_EQ(ColourName(FindText(texts, "A")), "other");   // the APU's yellow letter
    // Headers run on to the right; the right generator's load is right-aligned on its point.
    EXPECT_GT(FindText(texts, "R ESS VOLT")->x, FindText(texts, "EMER BUS VOLTS")->x);
    EXPECT_NE(FindText(texts, "0.0"), nullptr);
    // Cyan frame around the left bus value, the APU ring in yellow.
    EXPECT_TRUE(ColourAt(-5.2f, -2.21f, CyanPx, 1));
    EXPECT_TRUE(ColourAt(2.38f, -4.55f + 0.27f, YellowPx, 1));
}

TEST_F(ElecHydPages, BothHydraulicReadoutsShowTheMeanOfThePumps)
{
    Aircraft.HydPressLeft = 3000;
    Aircraft.HydPressRight = 2999;
    auto texts = SynopticsUnit::Draw(DrawHydPage);
    auto shown = AllTexts(texts, "2999");
    ASSERT_EQ(shown.size(), 2u);
    ExpectTextAt({shown[0]}, "2999", -3.59f, -4.58f, 2, 0.5f, WhitePx);
    ExpectTextAt({shown[1]}, "2999", 4.91f, -3.35f, 2, 0.5f, WhitePx);
    ExpectTextAt(texts, "RESERVOIR", -1.93f, -2.04f, 1, 0.62f, CyanPx);
    ExpectTextAt(texts, "L", -5.5f, -4.59f, 1, 0.62f, CyanPx);
    ExpectTextAt(texts, "R", -2.54f, -4.59f, 1, 0.5f, CyanPx);

    // One engine stopped: half the system pressure, truncated.
    Aircraft.HydPressLeft = 0;
    Aircraft.HydPressRight = 2999;
    EXPECT_EQ(AllTexts(SynopticsUnit::Draw(DrawHydPage), "1499").size(), 2u);
}

TEST_F(ElecHydPages, OnTheEicasTheFramesStayWithoutReturnLabels)
{
    Shell.ShowingMfd = false;
    Shell.ShowingEicas = true;
    EXPECT_EQ(FindText(SynopticsUnit::Draw(DrawHydPage), "RTN"), nullptr);
    EXPECT_TRUE(ColourAt(-1.38f, -7.518f, WhitePx, 1));
    EXPECT_EQ(FindText(SynopticsUnit::Draw(DrawElecPage), "RTN"), nullptr);
    EXPECT_TRUE(ColourAt(-3.29f, -6.829f, WhitePx, 1));
}
