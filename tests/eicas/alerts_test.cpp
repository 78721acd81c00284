// Crew alerting decisions driven directly, without a simulator: pairs, suppression, the
// high-power split, thresholds, evaluation order, edges, master bits, acknowledgement.
#include "eicas/eicas.h"
#include "shell/shell.h"
#include "simlink/aircraft.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {
using Lines = std::vector<std::string>;

struct AlertsTest : ::testing::Test {
    uint8_t flags = 0;
    int chimes = 0;

    // A healthy twin on the ground, both engines idling, everything switched on.
    void SetUp() override
    {
        ShellReset();
        EicasReset();
        AircraftReset();
        AircraftState& a = Aircraft;
        a.N1Left = a.N1Right = 25;
        a.EngineStateLeft = a.EngineStateRight = 1;
        a.OilPressLeft = a.OilPressRight = 70;
        a.GenLeft = a.GenRight = 28;
        a.FuelPressLeft = a.FuelPressRight = 20;
        a.PitotHeat = 1;
        a.PitchTrim = 5.0 / (0.6667 * 57.29);   // readout 5.0
        a.OnGround = 1;
    }
    // One evaluation as the frame runs it; returns the active rows in display order.
    Lines Evaluate()
    {
        EvaluateAlertConditions();
        flags = ApplyAlertEdges(flags, &chimes);
        for (CasMessage& row : Eicas.AdvisoryTable)   // what drawing the list does
            row.prevActive = row.active;
        Shell.PrevBatteryMaster = static_cast<int>(Aircraft.BatteryMaster);
        Lines out;
        for (auto [tag, rows, count] : {std::tuple{"W:", Eicas.WarningTable, WarningRows},
                                        std::tuple{"C:", Eicas.CautionTable, CautionRows},
                                        std::tuple{"A:", Eicas.AdvisoryTable, AdvisoryRows}})
            for (int i = 0; i < count; ++i)
                if (rows[i].active)
                    out.push_back(tag + std::string(rows[i].text));
        return out;
    }
    void HighPower(bool on) { Aircraft.N1Left = Aircraft.N1Right = on ? 90 : 25; }
};
} // namespace

TEST_F(AlertsTest, PairsReplaceSingleRowsAndShutDownEnginesReportOnlyTheShutdown)
{
    EXPECT_EQ(Evaluate(), Lines({"A:END"}));
    Aircraft.OilPressLeft = Aircraft.OilPressRight = 40;
    EXPECT_EQ(Evaluate(), Lines({"W:L R OIL PRESS LOW", "A:END"}));

    Aircraft.OilPressRight = 70;   // left engine shut down, its oil pressure low
    Aircraft.EngineStateLeft = Aircraft.N1Left = 0;
    EXPECT_EQ(Evaluate(), Lines({"A:L   ENG SHUTDOWN", "A:END"}));

    Aircraft.OilPressRight = Aircraft.EngineStateRight = Aircraft.N1Right = 0;
    EXPECT_EQ(Evaluate(), Lines({"A:L R ENG SHUTDOWN", "A:END"}));
}

TEST_F(AlertsTest, HighPowerMakesWarningsOfCautionsAndAdvisories)
{
    Aircraft.GenLeft = Aircraft.GenRight = 3;
    Aircraft.ParkingBrake = 1;
    Aircraft.PitchTrim = 1.4 / (0.6667 * 57.29);
    EXPECT_EQ(Evaluate(), Lines({"C:L R GEN FAIL", "A:    EMER/PARK BRK", "A:    TAKEOFF TRIM", "A:END"}));
    HighPower(true);
    EXPECT_EQ(Evaluate(), Lines({"W:    EMER/PARK BRK", "W:L R GEN FAIL", "W:    TAKEOFF TRIM", "A:END"}));
    // One engine spooled up alone is an engine run, not high power.
    Aircraft.N1Right = 20;
    EXPECT_EQ(Evaluate()[0], "C:L R GEN FAIL");
    // Only the low byte of the on-ground word counts: 0x100 is in the air.
    HighPower(true);
    Aircraft.OnGround = 0x100;
    EXPECT_EQ(Evaluate(), Lines({"W:    EMER/PARK BRK", "W:L R GEN FAIL", "A:END"}));
}

TEST_F(AlertsTest, ThresholdsAndTheOrderOfEvaluation)
{
    Aircraft.OnGround = 0;
    Aircraft.GearLever = 1;
    Aircraft.IndicatedAirspeed = 249.9f;
    EXPECT_EQ(Evaluate(), Lines({"A:END"}));
    Aircraft.IndicatedAirspeed = 250;
    EXPECT_EQ(Evaluate(), Lines({"W:    GEAR", "A:END"}));

    // Spoilers out in the air with flaps: caution. Touching down at high power, the
    // warning sees the caution of the last evaluation and waits one; the advisory sees
    // this evaluation's and takes over at once.
    Aircraft.IndicatedAirspeed = 0;
    Aircraft.SpoilerAngleLeft = Aircraft.SpoilerAngleRight = 10;
    Aircraft.FlapAngle = 20;
    EXPECT_EQ(Evaluate(), Lines({"C:    SPOILERS EXT", "A:END"}));
    Aircraft.OnGround = 1;
    HighPower(true);
    EXPECT_EQ(Evaluate(), Lines({"A:    SPOILERS EXT", "A:END"}));
    EXPECT_EQ(Evaluate(), Lines({"W:    SPOILERS EXT", "A:    SPOILERS EXT", "A:END"}));
}

TEST_F(AlertsTest, MainTankAtExactly330PoundsIsLow)
{
    // As received: 55 and 56 US gallons at 6 lb/gal, both tanks full.
    Shell.LinkConnected = true;
    AircraftRawValues& raw = Aircraft.Raw;
    raw.FuelWeightPerGallon = 6 * 256;
    raw.TankCapacityLeft = 55;
    raw.TankCapacityRight = 56;
    raw.TankPercentLeft = raw.TankPercentRight = 8388608;
    raw.OilPressLeft = raw.OilPressRight = 70 * 144.0;   // derived here too
    DeriveFuelAndSurfaces();
    EXPECT_EQ(Evaluate(), Lines({"C:L   FUEL QTY LOW", "A:END"}));
}

TEST_F(AlertsTest, PowerUpRaisesEveryHoldingRowWithItsOwnChime)
{
    AircraftState& a = Aircraft;
    a.N1Left = a.N1Right = a.EngineStateLeft = a.EngineStateRight = 0;
    a.OilPressLeft = a.OilPressRight = a.GenLeft = a.GenRight = 0;
    a.FuelPressLeft = a.FuelPressRight = a.PitotHeat = 0;
    EXPECT_EQ(Evaluate(), Lines({"C:L R PITOT HT", "A:L R ENG SHUTDOWN", "A:END"}));
    EXPECT_EQ(chimes, 2) << "END never chimes";
    Evaluate();
    EXPECT_EQ(chimes, 0);
    Shell.PrevBatteryMaster = 0;   // battery off and on again
    Evaluate();
    EXPECT_EQ(chimes, 2);
}

TEST_F(AlertsTest, MasterCautionUntilAcknowledgedAndAnEarlyPressWaitsForNothing)
{
    Evaluate();
    flags = PanelFlagAcknowledge | PanelFlagN1Manual;   // pressed with nothing to acknowledge
    Evaluate();
    EXPECT_EQ(flags, PanelFlagAcknowledge | PanelFlagN1Manual);

    Aircraft.PitotHeat = 0;   // a new caution cancels the old press
    Evaluate();
    EXPECT_EQ(chimes, 1);
    EXPECT_EQ(flags, PanelFlagMasterCaution | PanelFlagN1Manual);
    EXPECT_TRUE(Eicas.CautionTable[21].unacknowledged);

    flags |= PanelFlagAcknowledge;
    Evaluate();
    EXPECT_FALSE(Eicas.CautionTable[21].unacknowledged);
    EXPECT_EQ(flags, PanelFlagMasterCaution | PanelFlagN1Manual) << "the master bit falls one evaluation later";
    Evaluate();
    EXPECT_EQ(flags, PanelFlagN1Manual);

    Aircraft.FireFlags = 1;
    Evaluate();
    EXPECT_EQ(flags, PanelFlagMasterWarning | PanelFlagN1Manual);
}

TEST_F(AlertsTest, AdvisoriesStopBlinkingAfterFiveSeconds)
{
    Aircraft.ParkingBrake = 1;
    EvaluateAlertConditions();
    flags = ApplyAlertEdges(flags, &chimes);
    CasMessage* row = &Eicas.AdvisoryTable[2];
    UpdateAdvisoryBlink(row, 1000);
    row->prevActive = true;
    UpdateAdvisoryBlink(row, 6000);
    EXPECT_TRUE(row->unacknowledged);
    UpdateAdvisoryBlink(row, 6001);
    EXPECT_FALSE(row->unacknowledged);
    EXPECT_FALSE(Eicas.AdvisoryTable[EndRow].unacknowledged);
    EXPECT_FALSE(AlertBlinkPhaseOn(2500));
    EXPECT_TRUE(AlertBlinkPhaseOn(2500.5));
}
