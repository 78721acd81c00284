// The fuel and summary pages seen from outside: texts from the trace (content, place,
// alignment, colour) and the boxes and pointers from the pixels, at and around the low-fuel
// and take-off configuration thresholds.
#include "synoptics_unit.h"

#include "eicas/eicas.h"
#include "shell/shell.h"
#include "simlink/aircraft.h"
#include "synoptics/synoptics.h"

#include <gtest/gtest.h>

namespace {

class FuelPage : public ::testing::Test {
protected:
    void SetUp() override { SynopticsUnit::Open(); }
    // Tank contents chosen so capacity x level is exact in float: 2 x half a tank.
    static void Tanks(int left2, int right2, int centre2)
    {
        Aircraft.TankCapacityLeft = left2 * 2;
        Aircraft.TankCapacityRight = right2 * 2;
        Aircraft.TankCapacityCentre = centre2 * 2;
        Aircraft.TankLevelLeft = Aircraft.TankLevelRight = Aircraft.TankLevelCentre = 0.5f;
    }
};

class SummaryPage : public ::testing::Test {
protected:
    void SetUp() override { SynopticsUnit::Open(); }
    // The pixel where the top edge of a take-off box (hanging down from its corner) runs.
    static bool RedBoxAt(float cornerX, float cornerY, float width)
    {
        return ColourAt(cornerX + width / 2, cornerY, RedPx, 1);
    }
    static constexpr double DegPerRad = 57.29;
};

} // namespace

TEST_F(FuelPage, QuantitiesUsedAndLabelsWhereTheCrewLooksForThem)
{
    Tanks(1800, 1750, 300);
    Aircraft.FuelTotal = 3850;
    Aircraft.FuelUsed = 2212;
    auto texts = SynopticsUnit::Draw(DrawFuelPage);
    ExpectTextAt(texts, "LBS ON BOARD", 2.16f, -1.95f, 2, 0.6f, CyanPx, 0.92f);   // narrowed to clear the total
    ExpectTextAt(texts, "3850", -1.4f, -1.95f, 2, 0.6f, WhitePx);
    ExpectTextAt(texts, "1800", -3.99f, -3.69f, 0, 0.6f, WhitePx);
    ExpectTextAt(texts, "1750", 3.79f, -3.69f, 0, 0.6f, WhitePx);
    ExpectTextAt(texts, "300", -0.2f, -4.69f, 0, 0.6f, WhitePx);
    ExpectTextAt(texts, "2212", -0.409f, -5.619f, 2, 0.6f, WhitePx);
    ExpectTextAt(texts, "USED", 1.18f, -5.619f, 2, 0.6f, CyanPx);
    ExpectTextAt(texts, "FUSELAGE", 0.9f, -4.09f, 2, 0.6f, CyanPx);
    ExpectTextAt(texts, "L ENG", -2.789f, -5.59f, 2, 0.6f, CyanPx);
    ExpectTextAt(texts, "-----------", -2.63f, -2.79f, 1, 1.0f, WhitePx);
    ExpectTextAt(texts, "RTN", 4.04f, -6.757f, 0, 0.55f, WhitePx);
    EXPECT_FALSE(Aircraft.FuelLowLeft || Aircraft.FuelLowRight);
}

TEST_F(FuelPage, AWingAt330PoundsTurnsAmberWithItsBoxAndPointer)
{
    Tanks(330, 331, 0);
    auto texts = SynopticsUnit::Draw(DrawFuelPage);
    EXPECT_EQ(ColourName(FindText(texts, "330")), "amber");
    EXPECT_EQ(ColourName(FindText(texts, "331")), "white");
    EXPECT_TRUE(Aircraft.FuelLowLeft);
    EXPECT_FALSE(Aircraft.FuelLowRight);
    // Highlight box top edges and the pointers at half a tank.
    EXPECT_TRUE(ColourAt(-4.779f + 0.8f, -3.77f + 0.55f, AmberPx, 1));
    EXPECT_FALSE(ColourAt(2.95f + 0.8f, -3.77f + 0.55f, AmberPx, 1));
    EXPECT_TRUE(ColourAt(-5.606f, 0.5f * 1.589f - 3.679f - 0.225f, AmberPx, 1));
    EXPECT_TRUE(ColourAt(5.437f, 0.5f * 1.589f - 4.14f + 0.225f, WhitePx, 1));

    Tanks(331, 330, 0);
    texts = SynopticsUnit::Draw(DrawFuelPage);
    EXPECT_EQ(ColourName(FindText(texts, "331")), "white");
    EXPECT_EQ(ColourName(FindText(texts, "330")), "amber");
    EXPECT_FALSE(ColourAt(-4.779f + 0.8f, -3.77f + 0.55f, AmberPx, 1));
    EXPECT_TRUE(ColourAt(2.95f + 0.8f, -3.77f + 0.55f, AmberPx, 1));
}

TEST_F(FuelPage, PointersRunFromTheFootOfTheScaleAtEmptyToOneScaleHigherAtFull)
{
    // Left pointer body (its tip touches the bar, so the probe sits inside the triangle).
    auto leftPointer = [](float percent) { return percent / 100 * 1.589f - 3.679f - 0.225f; };
    Aircraft.TankCapacityLeft = 2000;
    Aircraft.TankLevelLeft = 0;   // empty: low, so amber
    SynopticsUnit::Draw(DrawFuelPage);
    EXPECT_TRUE(ColourAt(-5.62f, leftPointer(0), AmberPx, 1));
    EXPECT_FALSE(ColourAt(-5.62f, leftPointer(100), WhitePx, 1));
    Aircraft.TankLevelLeft = 1;
    SynopticsUnit::Draw(DrawFuelPage);
    EXPECT_TRUE(ColourAt(-5.62f, leftPointer(100), WhitePx, 1));
    EXPECT_FALSE(ColourAt(-5.62f, leftPointer(0), AmberPx, 1));
    // The fuselage pointer follows its own tank, right of its bar.
    Aircraft.TankCapacityCentre = 800;
    Aircraft.TankLevelCentre = 1;
    SynopticsUnit::Draw(DrawFuelPage);
    EXPECT_TRUE(ColourAt(1.69f, 1.45f - 5.109f + 0.225f, WhitePx, 1));
}

TEST_F(FuelPage, OnTheEicasTheFrameStaysAndTheReturnLabelGoes)
{
    Shell.ShowingMfd = false;
    Shell.ShowingEicas = true;
    auto texts = SynopticsUnit::Draw(DrawFuelPage);
    EXPECT_EQ(FindText(texts, "RTN"), nullptr);
    EXPECT_TRUE(ColourAt(4.0f, -7.518f, WhitePx, 1));
    EXPECT_TRUE(ColourAt(0.0f, -1.34f, WhitePx, 1));   // divider
}

TEST_F(SummaryPage, ColumnsRowsAndValues)
{
    Aircraft.GenLeft = 28.46;
    Aircraft.GenRight = 0;
    Aircraft.GenAmpsLeft = 112.25;
    Aircraft.GenAmpsRight = 0;
    Aircraft.HydPressLeft = 3000;
    Aircraft.HydPressRight = 1450;
    Aircraft.Altitude = 41000;
    Aircraft.PitchTrim = 5.0 / DegPerRad;
    auto texts = SynopticsUnit::Draw(DrawSummaryPage);
    ExpectTextAt(texts, "ELEC", -4.139f, -1.84f, 0, 0.6f, CyanPx);
    ExpectTextAt(texts, "VOLTS", -6.34f, -2.69f, 1, 0.6f, CyanPx);
    ExpectTextAt(texts, "B-ACUM", -1.12f, -3.52f, 1, 0.6f, CyanPx);
    ExpectTextAt(texts, "RUD", 3.19f, -5.18f, 1, 0.6f, CyanPx);
    ExpectTextAt(texts, "28.5", -3.17f, -2.69f, 2, 0.6f, WhitePx);
    ExpectTextAt(texts, "112.2", -3.17f, -4.39f, 2, 0.6f, WhitePx);
    ExpectTextAt(texts, "3000", 2.5f, -2.69f, 2, 0.6f, WhitePx);
    ExpectTextAt(texts, "1450", 2.5f, -3.52f, 2, 0.6f, WhitePx);
    ExpectTextAt(texts, "8035", 2.5f, -4.39f, 2, 0.6f, WhitePx);   // cabin altitude at 41000 ft
    ExpectTextAt(texts, "3.3", 6.2f, -3.52f, 2, 0.6f, WhitePx);    // 5 deg of pitch trim x 0.6667
    ExpectTextAt(texts, "RTN", -5.299f, -6.757f, 0, 0.55f, WhitePx);
    EXPECT_EQ(AllTexts(texts, "0.0").size(), 3u);   // right volts, right amps, emergency bus
    for (const char* fixed : {"35", "34", "1390"})
        EXPECT_NE(FindText(texts, fixed), nullptr) << fixed;
    // The column heads run on from ELEC, each further to the right on the same line.
    const TraceText *hyd = FindText(texts, "HYD/ECS"), *flt = FindText(texts, "FLT");
    ASSERT_TRUE(hyd && flt);
    EXPECT_GT(hyd->x, FindText(texts, "ELEC")->x);
    EXPECT_GT(flt->x, hyd->x);
    EXPECT_NEAR(flt->y, hyd->y, 0.01);
}

TEST_F(SummaryPage, SpoilerAndTrimReadoutsNameTheSide)
{
    struct Case { float left, right; double ail, rud; const char *splr, *ailText, *rudText; };
    const Case cases[] = {
        {0, 3, 0, 0, "R3", "R0.0", "R0.0"},
        {2, 2, -2.0 / DegPerRad, 1.5 / DegPerRad, "2", "L2.0", "R1.5"},
        {0, 0, 0.5 / DegPerRad, -0.25 / DegPerRad, "0", "R0.5", "L0.2"},
        {7.0f, 0, 0, 0, "L7", "R0.0", "R0.0"},
    };
    for (const Case& c : cases) {
        Aircraft.SpoilerAngleLeft = c.left;
        Aircraft.SpoilerAngleRight = c.right;
        Aircraft.AileronTrim = c.ail;
        Aircraft.RudderTrim = c.rud;
        auto texts = SynopticsUnit::Draw(DrawSummaryPage);
        ExpectTextAt(texts, c.splr, 6.2f, -2.69f, 2, 0.6f, WhitePx);
        const TraceText* ail = FindText(texts, c.ailText);
        ASSERT_NE(ail, nullptr) << c.ailText;
        EXPECT_NEAR(ail->y, SynopticsUnit::PixelY(-4.35f), 0.6);
        const TraceText* rud = nullptr;
        for (const TraceText& t : AllTexts(texts, c.rudText))
            if (std::abs(t.y - SynopticsUnit::PixelY(-5.18f)) < 0.6f)
                rud = &t;
        EXPECT_NE(rud, nullptr) << c.rudText;
    }
}

TEST_F(SummaryPage, SpoilerAnglesComeFromTheReceivedPositionsWhileConnected)
{
    Shell.LinkConnected = true;
    Aircraft.Raw.SpoilerPosLeft = 16383;
    Aircraft.Raw.SpoilerPosRight = 1;    // just moving: rounds up to 1 degree
    Aircraft.SpoilerAngleLeft = Aircraft.SpoilerAngleRight = 0;
    auto texts = SynopticsUnit::Draw(DrawSummaryPage);
    EXPECT_NE(FindText(texts, "60"), nullptr);
    EXPECT_FLOAT_EQ(Aircraft.SpoilerAngleRight, 1.0f);
}

TEST_F(SummaryPage, TakeoffConfigurationBoxesOnTheGroundAtTakeoffPower)
{
    Aircraft.OnGround = 1;
    Eicas.HighPower = true;
    Aircraft.PitchTrim = 2.0 / (0.6667 * DegPerRad);   // readout 2.0: in range
    Aircraft.FlapAngle = 8;
    SynopticsUnit::Draw(DrawSummaryPage);
    EXPECT_FALSE(RedBoxAt(5.01f, -3.05f, 1.56f));
    EXPECT_FALSE(RedBoxAt(5.01f, -3.85f, 1.56f));
    EXPECT_FALSE(RedBoxAt(5.01f, -4.69f, 1.56f));
    EXPECT_FALSE(RedBoxAt(5.15f, -0.67f, 1.5f));

    Aircraft.FlapAngle = 5;                             // short of the take-off flap
    Aircraft.PitchTrim = 1.49 / (0.6667 * DegPerRad);   // readout just under 1.5
    Aircraft.AileronTrim = -1.01 / DegPerRad;
    Aircraft.RudderTrim = 1.0 / DegPerRad;              // exactly 1 degree is still in range
    SynopticsUnit::Draw(DrawSummaryPage);
    EXPECT_TRUE(RedBoxAt(5.15f, -0.67f, 1.5f));
    EXPECT_TRUE(RedBoxAt(5.01f, -3.05f, 1.56f));
    EXPECT_TRUE(RedBoxAt(5.01f, -3.85f, 1.56f));
    EXPECT_FALSE(RedBoxAt(5.01f, -4.69f, 1.56f));

    // The same configuration in the air, or on the ground at idle: no boxes.
    for (auto [onGround, highPower] : {std::pair{0, true}, std::pair{1, false}}) {
        Aircraft.OnGround = onGround;
        Eicas.HighPower = highPower;
        SynopticsUnit::Draw(DrawSummaryPage);
        EXPECT_FALSE(RedBoxAt(5.15f, -0.67f, 1.5f));
        EXPECT_FALSE(RedBoxAt(5.01f, -3.05f, 1.56f));
    }
}
