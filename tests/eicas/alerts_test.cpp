// Crew alerting decisions driven directly: conditions, pairs, suppression, edges,
// master bits and acknowledgement, without a simulator.
#include "eicas/eicas.h"
#include "shell/shell.h"
#include "simlink/aircraft.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// A healthy twin on the ramp with both engines idling, everything switched on.
void SetHealthyAircraft()
{
    AircraftReset();
    AircraftState& a = Aircraft;
    a.N1Left = a.N1Right = 25;
    a.EngineStateLeft = a.EngineStateRight = 1;
    a.OilPressLeft = a.OilPressRight = 70;
    a.GenLeft = a.GenRight = 28;
    a.FuelPressLeft = a.FuelPressRight = 20;
    a.PitotHeat = 1;
    a.PitchTrim = 5.0 / (0.6667 * 57.29);   // readout 5.0: in the take-off band
    a.OnGround = 1;
}

struct AlertsTest : ::testing::Test {
    uint8_t flags = 0;
    int chimes = 0;

    void SetUp() override
    {
        ShellReset();
        CockpitReset();
        EicasReset();
        SetHealthyAircraft();
    }
    // One evaluation as the frame runs it, with the panel byte as the module holds it.
    void Evaluate()
    {
        EvaluateAlertConditions();
        flags = ApplyAlertEdges(flags, &chimes);
        for (CasMessage& row : Eicas.AdvisoryTable)  // what drawing the list does
            row.prevActive = row.active;
        Shell.PrevBatteryMaster = static_cast<int>(Aircraft.BatteryMaster);
    }
    // Active rows in display order, tagged W/C/A.
    std::vector<std::string> Shown() const
    {
        std::vector<std::string> out;
        for (const CasMessage& r : Eicas.WarningTable)
            if (r.active) out.push_back(std::string("W:") + r.text);
        for (const CasMessage& r : Eicas.CautionTable)
            if (r.active) out.push_back(std::string("C:") + r.text);
        for (const CasMessage& r : Eicas.AdvisoryTable)
            if (r.active) out.push_back(std::string("A:") + r.text);
        return out;
    }
};

using Lines = std::vector<std::string>;

TEST_F(AlertsTest, HealthyAircraftShowsOnlyEnd)
{
    Evaluate();
    EXPECT_EQ(Shown(), Lines({"A:END"}));
    EXPECT_EQ(chimes, 0);
    EXPECT_EQ(flags & (PanelFlagMasterCaution | PanelFlagMasterWarning), 0);
}

TEST_F(AlertsTest, OilPressurePairReplacesSingleRowsAndShutdownSuppressesThem)
{
    Aircraft.OilPressLeft = Aircraft.OilPressRight = 40;
    Evaluate();
    EXPECT_EQ(Shown(), Lines({"W:L R OIL PRESS LOW", "A:END"}));

    // Left engine shut down with only its oil pressure low: the shutdown says it all.
    Aircraft.OilPressRight = 70;
    Aircraft.EngineStateLeft = 0;
    Aircraft.N1Left = 0;
    Evaluate();
    EXPECT_EQ(Shown(), Lines({"A:L   ENG SHUTDOWN", "A:END"}));

    // Both shut down, both pressures low: no oil line, no hydraulic pump line either.
    Aircraft.OilPressRight = 0;
    Aircraft.EngineStateRight = 0;
    Aircraft.N1Right = 0;
    Evaluate();
    EXPECT_EQ(Shown(), Lines({"A:L R ENG SHUTDOWN", "A:END"}));
}

TEST_F(AlertsTest, GeneratorsFailRedAtHighPowerAmberOtherwise)
{
    Aircraft.GenLeft = Aircraft.GenRight = 3;
    Evaluate();
    EXPECT_EQ(Shown(), Lines({"C:L R GEN FAIL", "A:END"}));
    Aircraft.N1Left = Aircraft.N1Right = 90;   // take-off power
    Evaluate();
    EXPECT_EQ(Shown(), Lines({"W:L R GEN FAIL", "A:END"}));
    Aircraft.GenRight = 28;
    Evaluate();
    EXPECT_EQ(Shown(), Lines({"W:L   GEN FAIL", "A:END"}));
}

TEST_F(AlertsTest, ParkingBrakeIsAWarningOnlyWithHighPower)
{
    Aircraft.ParkingBrake = 1;
    Evaluate();
    EXPECT_EQ(Shown(), Lines({"A:    EMER/PARK BRK", "A:END"}));
    Aircraft.N1Left = Aircraft.N1Right = 90;
    Evaluate();
    EXPECT_EQ(Shown(), Lines({"W:    EMER/PARK BRK", "A:END"}));
}

TEST_F(AlertsTest, GearWarningFromTwoHundredFiftyKnots)
{
    Aircraft.OnGround = 0;
    Aircraft.GearLever = 1;
    Aircraft.IndicatedAirspeed = 249.9f;
    Evaluate();
    EXPECT_EQ(Shown(), Lines({"A:END"}));
    Aircraft.IndicatedAirspeed = 250;
    Evaluate();
    EXPECT_EQ(Shown(), Lines({"W:    GEAR", "A:END"}));
}

TEST_F(AlertsTest, FuelLowAndPitotHeatAndFuelPressurePairs)
{
    Aircraft.FuelLowLeft = true;
    Aircraft.PitotHeat = 0;
    Aircraft.FuelPressLeft = Aircraft.FuelPressRight = 4;
    Evaluate();
    EXPECT_EQ(Shown(), Lines({"C:L R FUEL PRESS LOW", "C:L   FUEL QTY LOW", "C:L R PITOT HT", "A:END"}));
    // At high power the same low fuel pressures are a warning, with a threshold of 2.4.
    Aircraft.N1Left = Aircraft.N1Right = 90;
    Evaluate();
    EXPECT_EQ(Shown(), Lines({"C:L   FUEL QTY LOW", "C:L R PITOT HT", "A:END"}));
    Aircraft.FuelPressRight = 2;
    Evaluate();
    EXPECT_EQ(Shown(), Lines({"W:R   FUEL PRESS LOW", "C:L   FUEL QTY LOW", "C:L R PITOT HT", "A:END"}));
}

TEST_F(AlertsTest, MainTankAtExactly330PoundsIsLow)
{
    // As received: 55 and 56 US gallons at 6 lb/gal, both tanks full.
    Shell.LinkConnected = true;
    Aircraft.Raw.FuelWeightPerGallon = 6 * 256;
    Aircraft.Raw.TankCapacityLeft = 55;
    Aircraft.Raw.TankCapacityRight = 56;
    Aircraft.Raw.TankPercentLeft = Aircraft.Raw.TankPercentRight = 8388608;
    Aircraft.Raw.OilPressLeft = Aircraft.Raw.OilPressRight = 70 * 144.0;   // derived here too
    DeriveFuelAndSurfaces();
    Evaluate();
    EXPECT_EQ(Shown(), Lines({"C:L   FUEL QTY LOW", "A:END"}));
}

TEST_F(AlertsTest, TakeoffTrimRedWithHighPowerWhiteWithoutAndOnlyOnTheGround)
{
    Aircraft.PitchTrim = 1.4 / (0.6667 * 57.29);
    Evaluate();
    EXPECT_EQ(Shown(), Lines({"A:    TAKEOFF TRIM", "A:END"}));
    Aircraft.N1Left = Aircraft.N1Right = 90;
    Evaluate();
    EXPECT_EQ(Shown(), Lines({"W:    TAKEOFF TRIM", "A:END"}));
    Aircraft.OnGround = 0x100;   // only the low byte of the on-ground word counts
    Evaluate();
    EXPECT_EQ(Shown(), Lines({"A:END"}));
    // Rudder trim past one degree is as bad as a wrong pitch trim.
    Aircraft.OnGround = 1;
    Aircraft.N1Left = Aircraft.N1Right = 25;
    Aircraft.PitchTrim = 5.0 / (0.6667 * 57.29);
    Aircraft.RudderTrim = -1.1 / 57.29;
    Evaluate();
    EXPECT_EQ(Shown(), Lines({"A:    TAKEOFF TRIM", "A:END"}));
}

TEST_F(AlertsTest, SpoilerWarningSeesLastCautionAdvisorySeesThisOne)
{
    Aircraft.OnGround = 0;
    Aircraft.SpoilerAngleLeft = Aircraft.SpoilerAngleRight = 10;
    Aircraft.FlapAngle = 20;
    Evaluate();
    EXPECT_EQ(Shown(), Lines({"C:    SPOILERS EXT", "A:END"}));
    // Touching down at high power with them out: the caution of the last evaluation
    // holds the warning off for one evaluation; the advisory takes over at once.
    Aircraft.OnGround = 1;
    Aircraft.N1Left = Aircraft.N1Right = 90;
    Evaluate();
    EXPECT_EQ(Shown(), Lines({"A:    SPOILERS EXT", "A:END"}));
    Evaluate();
    EXPECT_EQ(Shown(), Lines({"W:    SPOILERS EXT", "A:    SPOILERS EXT", "A:END"}));
}

TEST_F(AlertsTest, PowerUpWithEnginesShutDownRaisesEachConditionWithItsChime)
{
    Aircraft.N1Left = Aircraft.N1Right = 0;
    Aircraft.EngineStateLeft = Aircraft.EngineStateRight = 0;
    Aircraft.OilPressLeft = Aircraft.OilPressRight = 0;
    Aircraft.GenLeft = Aircraft.GenRight = 0;
    Aircraft.FuelPressLeft = Aircraft.FuelPressRight = 0;
    Aircraft.PitotHeat = 0;
    Evaluate();
    EXPECT_EQ(Shown(), Lines({"C:L R PITOT HT", "A:L R ENG SHUTDOWN", "A:END"}));
    EXPECT_EQ(chimes, 2);
    Evaluate();
    EXPECT_EQ(chimes, 0);

    // Battery off and on: every row starts afresh and chimes again.
    Aircraft.BatteryMaster = 0;
    Shell.PrevBatteryMaster = 0;
    Aircraft.BatteryMaster = 1;
    Evaluate();
    EXPECT_EQ(chimes, 2);
    EXPECT_TRUE(Eicas.CautionTable[21].unacknowledged);
}

TEST_F(AlertsTest, CautionSetsMasterBitUntilAcknowledged)
{
    Evaluate();
    Aircraft.PitotHeat = 0;
    Evaluate();
    EXPECT_EQ(chimes, 1);
    EXPECT_TRUE(Eicas.CautionTable[21].unacknowledged);
    EXPECT_EQ(flags & (PanelFlagMasterCaution | PanelFlagMasterWarning), PanelFlagMasterCaution);

    flags |= PanelFlagAcknowledge;   // the panel's button
    Evaluate();
    EXPECT_FALSE(Eicas.CautionTable[21].unacknowledged);
    EXPECT_TRUE(Eicas.CautionTable[21].acknowledged);
    EXPECT_EQ(flags & PanelFlagAcknowledge, 0);
    EXPECT_NE(flags & PanelFlagMasterCaution, 0) << "the master bit falls one evaluation later";
    Evaluate();
    EXPECT_EQ(flags & PanelFlagMasterCaution, 0);
    EXPECT_TRUE(Eicas.CautionTable[21].active);

    // Gone and back: blinks and chimes again, the old acknowledgement forgotten.
    Aircraft.PitotHeat = 1;
    Evaluate();
    Aircraft.PitotHeat = 0;
    Evaluate();
    EXPECT_EQ(chimes, 1);
    EXPECT_TRUE(Eicas.CautionTable[21].unacknowledged);
    EXPECT_FALSE(Eicas.CautionTable[21].acknowledged);
}

TEST_F(AlertsTest, EarlyAcknowledgeDoesNotSwallowTheNextMessage)
{
    Evaluate();
    flags |= PanelFlagAcknowledge | PanelFlagN1Manual;
    Evaluate();
    EXPECT_NE(flags & PanelFlagAcknowledge, 0) << "nothing to acknowledge: the request waits";
    Aircraft.FireFlags = 1;
    Evaluate();
    EXPECT_EQ(flags & PanelFlagAcknowledge, 0);
    EXPECT_TRUE(Eicas.WarningTable[0].unacknowledged);
    EXPECT_EQ(flags & (PanelFlagMasterWarning | PanelFlagMasterCaution), PanelFlagMasterWarning);
    EXPECT_NE(flags & PanelFlagN1Manual, 0) << "the panel's own bit is left alone";
}

TEST_F(AlertsTest, AdvisoryStopsBlinkingAfterFiveSecondsEndNeverBlinks)
{
    Aircraft.ParkingBrake = 1;
    EvaluateAlertConditions();
    flags = ApplyAlertEdges(flags, &chimes);
    EXPECT_EQ(chimes, 1) << "the advisory chimes, END does not";
    CasMessage* row = &Eicas.AdvisoryTable[2];
    CasMessage* end = &Eicas.AdvisoryTable[EndRow];
    EXPECT_FALSE(end->unacknowledged);

    UpdateAdvisoryBlink(row, 1000);
    row->prevActive = true;
    UpdateAdvisoryBlink(row, 6000);
    EXPECT_TRUE(row->unacknowledged) << "exactly five seconds still blinks";
    UpdateAdvisoryBlink(row, 6001);
    EXPECT_FALSE(row->unacknowledged);
    EXPECT_EQ(flags & (PanelFlagMasterCaution | PanelFlagMasterWarning), 0);
}

TEST(AlertBlink, LitInTheSecondHalfOfEachSecond)
{
    EXPECT_FALSE(AlertBlinkPhaseOn(0));
    EXPECT_FALSE(AlertBlinkPhaseOn(500));
    EXPECT_TRUE(AlertBlinkPhaseOn(500.5));
    EXPECT_TRUE(AlertBlinkPhaseOn(1999));
    EXPECT_FALSE(AlertBlinkPhaseOn(2000));
}

TEST(EngineState, RangeReferenceAndDerivedState)
{
    EXPECT_TRUE(InRange(100.1f, 100.1f, 110));
    EXPECT_TRUE(InRange(110, 100.1f, 110));
    EXPECT_FALSE(InRange(0.0f / 0.0f, -1e30f, 1e30f));

    EXPECT_NEAR(N1Reference(15, 0), 86.595, 1e-3);
    EXPECT_NEAR(N1Reference(45, 0), 102.97 - 0.2971 * 45, 1e-3) << "hot day: flat-rated cap";
    EXPECT_FLOAT_EQ(N1Reference(-25, 20000), 100);

    AircraftReset();
    EicasReset();
    Aircraft.N1Left = 70;
    Aircraft.N1Right = 20;   // not above 20: not running
    Aircraft.ThrottleLeverLeft = -4096;
    Aircraft.SpoilerAngleLeft = 2;
    Aircraft.SpoilerAngleRight = 1;
    UpdateDerivedEngineState();
    EXPECT_FALSE(Eicas.HighPower) << "one engine alone is an engine run, not a take-off";
    EXPECT_FLOAT_EQ(Eicas.ThrottleLeft, -25);
    EXPECT_FALSE(Eicas.SpoilersExtended);
    Aircraft.N1Right = 20.5f;
    UpdateDerivedEngineState();
    EXPECT_TRUE(Eicas.HighPower);
}

}  // namespace
