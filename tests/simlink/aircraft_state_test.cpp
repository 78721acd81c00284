// Conversions at the edges the end-to-end state test cannot reach through a running
// simulator, converting twice, and soft-key edges. The converted values themselves are
// checked from outside in tests/state.
#include "menu/aircraft_config.h"
#include "shell/shell.h"
#include "simlink/aircraft.h"

#include <gtest/gtest.h>

namespace {

class AircraftStateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AircraftReset();
        CockpitReset();
        ShellReset();
        AircraftConfigReset();
        Shell.LinkConnected = true;
    }
};

TEST_F(AircraftStateTest, WrapsTruncationsAndTheStartLoad)
{
    // 10 degrees east takes 5 true below north: 355. The heading word's last step is just short of 360.
    Aircraft.Raw.HeadingTrueRaw = static_cast<uint32_t>(5.0 / 360.0 * 4294967296.0);
    Aircraft.Raw.MagVarRaw = static_cast<uint16_t>(10.0 / 360.0 * 65536.0 + 0.5);
    Aircraft.Raw.OutsideAirTemp = -1280;   // -5 C exactly
    Aircraft.Raw.GroundSpeedRaw = -65536;  // sliding backwards on the ground
    Aircraft.Raw.HydPressRight = -7;       // cut toward zero
    Aircraft.Raw.OilTempLeft = 65535;      // the largest word converts without overflow
    AircraftConfig.MAX_FUEL = 6062;
    ConvertAircraftState();
    DeriveFuelAndSurfaces();
    EXPECT_NEAR(Aircraft.MagHeading, 355.0, 0.01);
    EXPECT_EQ(Aircraft.OutsideAirTemp, -5);
    EXPECT_LT(Aircraft.GroundSpeed, 0.0f);
    EXPECT_EQ(Aircraft.HydPressRight, -1);
    EXPECT_EQ(Aircraft.OilTempLeft, 559);
    Aircraft.Raw.MagVarRaw = 0;
    Aircraft.Raw.HeadingTrueRaw = 0xFFFFFFFFu;
    ConvertAircraftState();
    EXPECT_NEAR(Aircraft.MagHeading, 359.96, 0.05);

    // The start load is taken on the first powered frame only while connected; with the
    // link down there is nothing to show, and the start load follows the file.
    AircraftConfig.MAX_FUEL = 5000;
    DeriveFuelAndSurfaces();
    EXPECT_EQ(Aircraft.FuelAtStart, 6062);
    Shell.LinkConnected = false;
    DeriveFuelAndSurfaces();
    EXPECT_EQ(Aircraft.FuelUsed, 0);
    EXPECT_EQ(Aircraft.FuelAtStart, 5000);
    EXPECT_TRUE(Aircraft.FuelLowLeft);

    EXPECT_EQ(SurfaceAngle(16383, 0), 0.0f);   // first run: no maxima read yet
    EXPECT_EQ(SurfaceAngle(0, 60), 0.0f);
}

// A conversion that starts from an already converted value gives a different answer the
// second time it runs; every engineering field must come out the same.
TEST_F(AircraftStateTest, ConvertingTwiceChangesNothing)
{
    AircraftConfig = {100, 100, 100, 40, 90, 250, 200, 150, 335, 0.81f, 60, 5000, 6062};
    AircraftRawValues& raw = Aircraft.Raw;
    raw.HeadingTrueRaw = 123456789;
    raw.MagVarRaw = 65000;
    raw.N1LeftRaw = 15000, raw.N2RightRaw = 14000;
    raw.IttLeftRaw = 1500, raw.IttRightRaw = 1400;
    raw.IndicatedAirspeedRaw = 30000, raw.TrueAirspeed = 40000, raw.GroundSpeedRaw = 9000000;
    raw.WindDirectionRaw = 40000, raw.OutsideAirTemp = -2000, raw.StaticAirTemp = 10;
    raw.LatitudeRaw = 1LL << 54, raw.LongitudeRaw = -(1LL << 62);
    raw.OilTempLeft = 12000, raw.OilPressRight = 5000, raw.HydPressLeft = 12000;
    raw.FuelWeightPerGallon = 1715, raw.TankCapacityLeft = 400, raw.TankPercentLeft = 7000000;
    raw.TankCapacityCentre = 300, raw.TankPercentCentre = 100000;
    raw.SpoilerPosLeft = 9000, raw.FlapPos = 3000, raw.SoftKeyMask = 0x04;
    ConvertAircraftState();
    DeriveFuelAndSurfaces();
    AircraftState once = Aircraft;
    ConvertAircraftState();
    DeriveFuelAndSurfaces();
#define ORVEX_EXPECT_SAME(type, name, initial) EXPECT_EQ(once.name, Aircraft.name) << #name;
    ORVEX_AIRCRAFT_FIELDS(ORVEX_EXPECT_SAME)
#undef ORVEX_EXPECT_SAME
}

TEST_F(AircraftStateTest, OnlyTheLowestNewSoftKeyIsPressed)
{
    EXPECT_EQ(SoftKeyPressed(0x06, 0x06), 6);  // held keys do not repeat
    EXPECT_EQ(SoftKeyPressed(0x06, 0x07), 0);  // key 0 joins the held ones
    EXPECT_EQ(SoftKeyPressed(0x01, 0x05), 2);
    EXPECT_EQ(SoftKeyPressed(0x00, 0xC0), 6);  // the bezel has six keys; bits 6-7 mean nothing
    EXPECT_EQ(SoftKeyPressed(0x3F, 0x00), 6);  // releases are not presses

    // Through the frame's conversion: a press becomes pending once; a key already clicked
    // on the bezel picture stays pending when the cockpit sends nothing new.
    Aircraft.Raw.SoftKeyMask = 0x30;
    ConvertAircraftState();
    EXPECT_EQ(Shell.PendingSoftKey, 4);
    Shell.PendingSoftKey = 2;
    ConvertAircraftState();
    EXPECT_EQ(Shell.PendingSoftKey, 2);
    EXPECT_EQ(Cockpit.PrevSoftKeyMask, 0x30);
}

}  // namespace
