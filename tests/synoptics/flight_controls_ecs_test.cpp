// The flight controls and environmental pages from outside: trim readouts and pointers at
// and beyond the scale ends, the spoiler handle's dead band, the flap pointers, and the
// cabin rate with its arrow.
#include "synoptics_unit.h"

#include "shell/shell.h"
#include "simlink/aircraft.h"
#include "synoptics/synoptics.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {
constexpr double DegPerRad = 57.29;

class FlightControlsPage : public ::testing::Test {
protected:
    void SetUp() override { SynopticsUnit::Open(); }
    // A point inside the aileron pointer, `turnDeg` counter-clockwise from 12 o'clock.
    static bool AileronPointerAt(double turnDeg)
    {
        double a = turnDeg * M_PI / 180, r = 1.37 + 0.12;
        return ColourAt(static_cast<float>(-0.52 - r * std::sin(a)), static_cast<float>(-4.71 + r * std::cos(a)),
                        WhitePx, 0);
    }
    // A point inside the pitch pointer for a pointer position y (its body lies between its
    // origin at x -5.34 and the scale, tip towards the scale).
    static bool PitchPointerAt(float y) { return ColourAt(-5.22f, y + 0.175f, WhitePx, 0); }
};

class EcsPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        SynopticsUnit::Open();
        Shell.LinkConnected = true;
    }
    static bool UpArrow() { return ColourAt(4.62f, -1.6f, WhitePx, 0); }
    static bool DownArrow() { return ColourAt(4.63f, -2.24f, WhitePx, 0); }
};
} // namespace

TEST_F(FlightControlsPage, PitchTrimBeyondTenDegreesHoldsThePointerButShowsTheValue)
{
    Aircraft.PitchTrim = 15.0 / DegPerRad;
    auto texts = SynopticsUnit::Draw(DrawFlightControlsPage);
    ExpectTextAt(texts, "10.0", -4.779f, -2.32f, 2, 0.55f, WhitePx);
    ExpectTextAt(texts, "PITCH", -4.779f, -1.85f, 2, 0.55f, CyanPx);
    ExpectTextAt(texts, "NUP", -6.52f, -5.51f, 1, 0.55f, CyanPx);
    const float noseUpEnd = 10 * -0.1191f - 4.3695f, nose0 = -4.3695f;
    EXPECT_TRUE(PitchPointerAt(noseUpEnd));
    EXPECT_FALSE(PitchPointerAt(nose0));
    Aircraft.PitchTrim = -30.0 / DegPerRad;
    texts = SynopticsUnit::Draw(DrawFlightControlsPage);
    EXPECT_NE(FindText(texts, "-20.0"), nullptr);
    EXPECT_TRUE(PitchPointerAt(-10 * -0.1191f - 4.3695f));
    // TRIMS runs downwards, one letter a line.
    const TraceText *t = FindText(texts, "T"), *s = FindText(texts, "S");
    ASSERT_TRUE(t && s);
    EXPECT_GT(s->y, t->y + 4 * 0.55f * 1.1f * SynopticsUnit::Scale());
}

TEST_F(FlightControlsPage, AileronPointerTurnsFourAndAHalfDegreesPerDegreeUpToTheArcEnds)
{
    Aircraft.AileronTrim = -2.0 / DegPerRad;
    auto texts = SynopticsUnit::Draw(DrawFlightControlsPage);
    const TraceText* readout = FindText(texts, "L2.0");
    ASSERT_NE(readout, nullptr);
    EXPECT_EQ(readout->align, 2);
    EXPECT_TRUE(AileronPointerAt(9));     // left of 12 o'clock
    EXPECT_FALSE(AileronPointerAt(-9));

    Aircraft.AileronTrim = 12.0 / DegPerRad;
    texts = SynopticsUnit::Draw(DrawFlightControlsPage);
    EXPECT_NE(FindText(texts, "R12.0"), nullptr);
    EXPECT_TRUE(AileronPointerAt(-45));   // held at the right end of the arc
    EXPECT_FALSE(AileronPointerAt(-54));

    Aircraft.AileronTrim = 0;
    Aircraft.PitchTrim = Aircraft.RudderTrim = 1.0 / DegPerRad;
    texts = SynopticsUnit::Draw(DrawFlightControlsPage);
    ASSERT_EQ(AllTexts(texts, "0.0").size(), 1u);
    EXPECT_EQ(FindText(texts, "0.0")->align, 0);
    EXPECT_TRUE(AileronPointerAt(0));
}

TEST_F(FlightControlsPage, RudderReadoutCentredAtZeroAndSidedOtherwise)
{
    Aircraft.RudderTrim = 0;
    Aircraft.AileronTrim = Aircraft.PitchTrim = 1.0 / DegPerRad;
    auto texts = SynopticsUnit::Draw(DrawFlightControlsPage);
    auto zero = AllTexts(texts, "0.0");
    ASSERT_EQ(zero.size(), 1u);
    EXPECT_EQ(zero[0].align, 0);
    EXPECT_GT(zero[0].y, FindText(texts, "RUDDER")->y);   // under its title
    Aircraft.RudderTrim = -1.5 / DegPerRad;
    texts = SynopticsUnit::Draw(DrawFlightControlsPage);
    ASSERT_NE(FindText(texts, "L1.5"), nullptr);
    EXPECT_EQ(FindText(texts, "L1.5")->align, 2);
    // The pointer's tip stands left of the centre tick by 1.5 x 0.145.
    EXPECT_TRUE(ColourAt(-1.5f * 0.145f - 0.33f - 0.175f, -5.69f + 0.1f, WhitePx, 0));
}

TEST_F(FlightControlsPage, SpoilerHandleDeadBandAndFlapsBeyondFullTravel)
{
    const std::pair<unsigned, const char*> handle[] = {{16383, "40"}, {5021, "0"}, {5022, "1"}, {0, "0"}};
    for (const auto& [lever, shown] : handle) {
        Aircraft.SpoilerLever = lever;
        ExpectTextAt(SynopticsUnit::Draw(DrawFlightControlsPage), shown, 2.96f, -2.32f, 0, 0.55f, WhitePx);
    }
    Aircraft.FlapAngle = 45;
    Aircraft.SpoilerAngleLeft = 60;
    SynopticsUnit::Draw(DrawFlightControlsPage);
    const float dn = 40 * -0.0683f - 2.82f;
    // Pointers point at their scale from either side: bodies between origin and scale line.
    EXPECT_TRUE(ColourAt(5.01f, dn + 0.175f, WhitePx, 0));    // both flap pointers at DN
    EXPECT_TRUE(ColourAt(5.71f, dn + 0.175f, WhitePx, 0));
    EXPECT_TRUE(ColourAt(2.62f, 60 * 0.0455f - 5.56f + 0.175f, WhitePx, 0));   // left panel fully out
    EXPECT_FALSE(ColourAt(3.33f, 60 * 0.0455f - 5.56f + 0.175f, WhitePx, 0));  // right panel still in
    EXPECT_TRUE(ColourAt(3.33f, -5.56f + 0.175f, WhitePx, 0));
}

TEST_F(EcsPage, CabinRateWithItsArrowAndCabinAltitude)
{
    Aircraft.Altitude = 41000;
    Aircraft.VerticalSpeed = 1301;   // about 1000 ft/min up
    auto texts = SynopticsUnit::Draw(DrawEcsPage);
    ExpectTextAt(texts, " 100", 6.18f, -2.0f, 2, 0.5f, WhitePx);
    ExpectTextAt(texts, "8035", 6.18f, -3.6f, 2, 0.5f, WhitePx);
    ExpectTextAt(texts, "CABIN RATE", 1.05f, -2.0f, 1, 0.5f, CyanPx);
    ExpectTextAt(texts, "78", -2.13f, -1.99f, 1, 0.5f, WhitePx);
    ExpectTextAt(texts, "---", 6.18f, -5.22f, 2, 0.5f, WhitePx);
    ExpectTextAt(texts, "RTN", 0.32f, -6.757f, 0, 0.55f, WhitePx);
    EXPECT_TRUE(UpArrow());
    EXPECT_FALSE(DownArrow());

    Aircraft.VerticalSpeed = -1301;
    texts = SynopticsUnit::Draw(DrawEcsPage);
    EXPECT_NE(FindText(texts, " 100"), nullptr);
    EXPECT_FALSE(UpArrow());
    EXPECT_TRUE(DownArrow());

    Aircraft.VerticalSpeed = 0;
    texts = SynopticsUnit::Draw(DrawEcsPage);
    EXPECT_NE(FindText(texts, "   0"), nullptr);
    EXPECT_FALSE(UpArrow() || DownArrow());
    EXPECT_FALSE(ColourAt(4.62f, -1.9f, WhitePx, 0));   // no stem either
}

TEST_F(EcsPage, WithTheLinkDownTheCabinRateReadsZero)
{
    Shell.LinkConnected = false;
    Aircraft.VerticalSpeed = -5000;
    auto texts = SynopticsUnit::Draw(DrawEcsPage);
    EXPECT_NE(FindText(texts, "   0"), nullptr);
    EXPECT_FALSE(UpArrow() || DownArrow());
}
