// Conversions of the received simulator values into engineering units, the fuel and
// surface derivations, soft-key edges and the display switching on reversion.
#include "menu/aircraft_config.h"
#include "menu/menu.h"
#include "platform/platform.h"
#include "shell/shell.h"
#include "simlink/aircraft.h"

#include <gtest/gtest.h>
#include <string>

namespace {

class AircraftStateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AircraftReset();
        CockpitReset();
        ShellReset();
        MenuReset();
        AircraftConfigReset();
        Shell.LinkConnected = true;
    }
};

// A received angle as the module encodes it: 65536 = 360 degrees.
uint16_t Angle16(double degrees)
{
    return static_cast<uint16_t>(degrees / 360.0 * 65536.0 + 0.5);
}

TEST_F(AircraftStateTest, HeadingIsTrueHeadingCorrectedByUnsignedVariation)
{
    // 5 degrees true with 10 degrees west variation is 15 degrees magnetic.
    Aircraft.Raw.HeadingTrueRaw = static_cast<uint32_t>(5.0 / 360.0 * 4294967296.0);
    Aircraft.Raw.MagVarRaw = static_cast<uint16_t>(65536 - Angle16(10));
    ConvertAircraftState();
    EXPECT_NEAR(Aircraft.MagVar, 350.0, 0.01);
    EXPECT_NEAR(Aircraft.MagHeading, 15.0, 0.01);

    // 10 degrees east takes the heading below north: it wraps to 355.
    Aircraft.Raw.MagVarRaw = Angle16(10);
    ConvertAircraftState();
    EXPECT_NEAR(Aircraft.MagHeading, 355.0, 0.01);

    // The unsigned heading word covers the whole circle: 0xFFFFFFFF is just short of 360.
    Aircraft.Raw.MagVarRaw = 0;
    Aircraft.Raw.HeadingTrueRaw = 0xFFFFFFFFu;
    ConvertAircraftState();
    EXPECT_NEAR(Aircraft.MagHeading, 359.96, 0.05);
}

TEST_F(AircraftStateTest, PositionUsesTheSignedSixtyFourBitFactors)
{
    // Before any answer the displays sit at San Diego.
    ConvertAircraftState();
    EXPECT_NEAR(Aircraft.Latitude, 32.7335556, 1e-6);
    EXPECT_NEAR(Aircraft.Longitude, -117.1896667, 1e-6);

    Aircraft.Raw.LatitudeRaw = 22684692960000000LL;     // 47.527... N
    Aircraft.Raw.LongitudeRaw = -6287066000000000000LL; // 122.69... W
    ConvertAircraftState();
    EXPECT_NEAR(Aircraft.Latitude, 22684692960000000.0 * 2.0951091487837895e-15, 1e-9);
    EXPECT_NEAR(Aircraft.Latitude, 47.5268, 1e-3);
    EXPECT_NEAR(Aircraft.Longitude, -122.6958, 1e-3);
}

TEST_F(AircraftStateTest, EngineSpeedsAndTurbineTemperature)
{
    Aircraft.Raw.N1LeftRaw = 16384;   // 100 %
    Aircraft.Raw.N1RightRaw = 8192;
    Aircraft.Raw.N2LeftRaw = 65535;   // zero-extended, not -1
    Aircraft.Raw.N2RightRaw = 1;
    Aircraft.Raw.IttLeftRaw = 491.67;   // 0 degrees C in Rankine
    Aircraft.Raw.IttRightRaw = 1391.67; // 500 degrees C
    ConvertAircraftState();
    EXPECT_FLOAT_EQ(Aircraft.N1Left, 100.0f);
    EXPECT_FLOAT_EQ(Aircraft.N1Right, 50.0f);
    EXPECT_NEAR(Aircraft.N2Left, 399.99, 0.01);
    EXPECT_FLOAT_EQ(Aircraft.N2Right, 0.006103515625f);
    EXPECT_NEAR(Aircraft.IttLeft, 0.0, 1e-4);
    EXPECT_NEAR(Aircraft.IttRight, 500.0, 1e-3);
}

TEST_F(AircraftStateTest, SpeedsWindAndTemperatures)
{
    Aircraft.Raw.IndicatedAirspeedRaw = 250 * 128 + 64;  // 250.5 kt
    Aircraft.Raw.TrueAirspeed = 300 * 128 + 127;         // cut to 300 kt
    Aircraft.Raw.GroundSpeedRaw = 100 * 65536;           // 100 m/s
    Aircraft.Raw.WindDirectionRaw = 0x8000;
    Aircraft.Raw.OutsideAirTemp = -300;                  // -1.17 C: cut toward zero
    Aircraft.Raw.StaticAirTemp = 212.0;                  // F
    ConvertAircraftState();
    EXPECT_FLOAT_EQ(Aircraft.IndicatedAirspeed, 250.5f);
    EXPECT_EQ(Aircraft.TrueAirspeed, 300);
    EXPECT_NEAR(Aircraft.GroundSpeed, 194.39, 0.01);
    EXPECT_FLOAT_EQ(Aircraft.WindDirection, 180.0f);
    EXPECT_EQ(Aircraft.OutsideAirTemp, -1);
    EXPECT_NEAR(Aircraft.StaticAirTemp, 100.0, 1e-9);

    // The wind word never reaches a full circle; the last step is just short of 360.
    Aircraft.Raw.WindDirectionRaw = 65535;
    Aircraft.Raw.OutsideAirTemp = -1280;   // -5 C exactly
    Aircraft.Raw.GroundSpeedRaw = -65536;  // sliding backwards on the ground
    ConvertAircraftState();
    EXPECT_GT(Aircraft.WindDirection, 359.99f);
    EXPECT_LT(Aircraft.WindDirection, 360.0f);
    EXPECT_EQ(Aircraft.OutsideAirTemp, -5);
    EXPECT_LT(Aircraft.GroundSpeed, 0.0f);
}

TEST_F(AircraftStateTest, PoweredUnitsOfOilHydraulicsAndFuel)
{
    Aircraft.Raw.OilTempLeft = 16384;   // 140 C
    Aircraft.Raw.OilTempRight = 8000;   // 68.36 C, cut to 68
    Aircraft.Raw.OilPressLeft = 144.0 * 55;
    Aircraft.Raw.HydPressLeft = 3000 * 4 + 3;
    Aircraft.Raw.HydPressRight = -7;    // cut toward zero
    Aircraft.Raw.FuelWeightPerGallon = 1715;  // 6.699 lb/gal
    Aircraft.Raw.TankCapacityCentre = 100;
    ConvertAircraftState();
    DeriveFuelAndSurfaces();
    EXPECT_EQ(Aircraft.OilTempLeft, 140);
    EXPECT_EQ(Aircraft.OilTempRight, 68);
    EXPECT_DOUBLE_EQ(Aircraft.OilPressLeft, 55.0);
    EXPECT_EQ(Aircraft.HydPressLeft, 3000);
    EXPECT_EQ(Aircraft.HydPressRight, -1);
    EXPECT_FLOAT_EQ(Aircraft.FuelWeightPerGallon, 6.69921875f);
    EXPECT_EQ(Aircraft.TankCapacityCentre, 669);

    // The largest oil temperature word still converts without overflow.
    Aircraft.Raw.OilTempLeft = 65535;
    DeriveFuelAndSurfaces();
    EXPECT_EQ(Aircraft.OilTempLeft, 559);
}

TEST_F(AircraftStateTest, FuelTotalUsedAndTheLowFuelBoundary)
{
    AircraftConfig.MAX_FUEL = 6062;
    Aircraft.Raw.FuelWeightPerGallon = 6 * 256;
    Aircraft.Raw.TankCapacityLeft = 110;    // 660 lb
    Aircraft.Raw.TankCapacityRight = 110;
    Aircraft.Raw.TankCapacityCentre = 500;  // 3000 lb
    Aircraft.Raw.TankPercentLeft = 4194304;      // exactly half: 330 lb counts as low
    Aircraft.Raw.TankPercentRight = 4194304 + 1; // a hair above 330 lb does not
    Aircraft.Raw.TankPercentCentre = 8388608;
    ConvertAircraftState();
    DeriveFuelAndSurfaces();
    EXPECT_FLOAT_EQ(Aircraft.TankPercentLeft, 50.0f);
    EXPECT_FLOAT_EQ(Aircraft.TankLevelCentre, 1.0f);
    EXPECT_TRUE(Aircraft.FuelLowLeft);
    EXPECT_FALSE(Aircraft.FuelLowRight);
    EXPECT_EQ(Aircraft.FuelTotal, 3660);
    EXPECT_EQ(Aircraft.FuelAtStart, 6062);
    EXPECT_EQ(Aircraft.FuelUsed, 6062 - 3660);

    // The start load is taken on the first powered frame only while connected.
    AircraftConfig.MAX_FUEL = 5000;
    DeriveFuelAndSurfaces();
    EXPECT_EQ(Aircraft.FuelAtStart, 6062);

    // With the link down there is nothing to show, and the start load follows the file.
    Shell.LinkConnected = false;
    DeriveFuelAndSurfaces();
    EXPECT_EQ(Aircraft.FuelTotal, 0);
    EXPECT_EQ(Aircraft.FuelUsed, 0);
    EXPECT_EQ(Aircraft.FuelAtStart, 5000);
}

TEST_F(AircraftStateTest, NeverConnectedShowsNoFuel)
{
    Shell.LinkConnected = false;
    AircraftConfig.MAX_FUEL = 6062;
    Aircraft.Raw.TankCapacityLeft = 500;  // received values are not used without a link
    DeriveFuelAndSurfaces();
    EXPECT_EQ(Aircraft.FuelTotal, 0);
    EXPECT_EQ(Aircraft.FuelUsed, 0);
    EXPECT_EQ(Aircraft.TankCapacityLeft, 0);
    EXPECT_TRUE(Aircraft.FuelLowLeft);
}

TEST_F(AircraftStateTest, SurfaceAnglesRoundUpToTheConfiguredMaxima)
{
    EXPECT_EQ(SurfaceAngle(16383, 60), 60.0f);  // full travel is exactly the maximum
    EXPECT_EQ(SurfaceAngle(16383, 40), 40.0f);
    EXPECT_EQ(SurfaceAngle(1, 60), 1.0f);       // just moving already shows a degree
    EXPECT_EQ(SurfaceAngle(0, 60), 0.0f);
    EXPECT_EQ(SurfaceAngle(8192, 40), 21.0f);   // 20.001 rounds up
    EXPECT_EQ(SurfaceAngle(16383, 0), 0.0f);    // first run: no maxima read yet

    AircraftConfig.MAX_SPOILERS = 60;
    AircraftConfig.MAX_FLAPS = 40;
    Aircraft.Raw.SpoilerPosLeft = 16383;
    Aircraft.Raw.SpoilerPosRight = 4096;  // 15.0009 -> 16
    Aircraft.Raw.FlapPos = 8191;          // 19.9988 -> 20
    DeriveFuelAndSurfaces();
    EXPECT_EQ(Aircraft.SpoilerAngleLeft, 60.0f);
    EXPECT_EQ(Aircraft.SpoilerAngleRight, 16.0f);
    EXPECT_EQ(Aircraft.FlapAngle, 20.0f);
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
    EXPECT_EQ(SoftKeyPressed(0x00, 0x06), 1);  // keys 1 and 2 in one frame: key 1 only
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

struct ReversionCase {
    int configuredMode;
    bool reversion;
    bool mfd;
    int menuLevel, menuPage;
    const char* title;
};

TEST_F(AircraftStateTest, ReversionSwitchesDisplayMenuAndTitle)
{
    const ReversionCase cases[] = {
        {1, true, true, 0, 0, "Orvex DU2 MFD - v1.0.0.4 build 203"},
        {1, false, false, 1, 1, "Orvex DU2 EICAS - V1.0.0.4 build 203"},
        {0, true, false, 1, 1, "Orvex DU3 EICAS - v1.0.0.4 build 203"},
        {0, false, true, 0, 0, "Orvex DU3 MFD - v1.0.0.4 build 203"},
    };
    for (const ReversionCase& c : cases) {
        Shell.ConfiguredMode = c.configuredMode;
        Menu.MenuLevel = 2, Menu.MenuPage = 7;
        ApplyDisplayReversion(c.reversion);
        SCOPED_TRACE(c.title);
        EXPECT_EQ(Shell.ShowingMfd, c.mfd);
        EXPECT_EQ(Shell.ShowingEicas, !c.mfd);
        EXPECT_EQ(Menu.MenuLevel, c.menuLevel);
        EXPECT_EQ(Menu.MenuPage, c.menuPage);
        EXPECT_EQ(std::string(PlatformGetTitle()), c.title);
    }
}

}  // namespace
