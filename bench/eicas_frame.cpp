// Frame cost of the EICAS (display unit 2): a dark frame (battery off: clear and swap
// only) as the baseline, a quiet EICAS (only END in the list) and a busy one with the
// largest set of alert rows that can hold together, blinking, plus every annunciation.
#include "bench_window.h"

#include "cockpit/cockpit.h"
#include "eicas/eicas.h"
#include "simlink/aircraft.h"

#include <benchmark/benchmark.h>

// A healthy pair of engines at idle on the ground.
static void SetQuietAircraft()
{
    AircraftReset();
    AircraftState& a = Aircraft;
    a.N1Left = a.N1Right = 25;
    a.N2Left = a.N2Right = 60;
    a.IttLeft = a.IttRight = 480;
    a.EngineStateLeft = a.EngineStateRight = 1;
    a.OilPressLeft = a.OilPressRight = 70;
    a.OilTempLeft = a.OilTempRight = 60;
    a.GenLeft = a.GenRight = 28;
    a.FuelPressLeft = a.FuelPressRight = 20;
    a.PitotHeat = 1;
    a.PitchTrim = 5.0 / (0.6667 * 57.29);
    a.OnGround = 1;
}

// Everything at once that can be true together: a take-off at full power into trouble.
// 13 lines: nine warnings, two cautions, one advisory and END; START, DEP, SYNC, IGN,
// the N1 reference and three highlight boxes on the engine display.
static void SetBusyAircraft()
{
    SetQuietAircraft();
    AircraftState& a = Aircraft;
    a.N1Left = a.N1Right = 105;
    a.N2Left = a.N2Right = 101;
    a.FireFlags = a.DoorFlags = 1;
    a.ParkingBrake = 1;
    a.IndicatedAirspeed = 260;
    a.GearLever = 1;
    a.FuelPressLeft = a.FuelPressRight = 0;
    a.GenLeft = a.GenRight = 0;
    a.OilPressLeft = a.OilPressRight = 30;
    a.OilTempLeft = a.OilTempRight = 150;
    a.SpoilerAngleLeft = a.SpoilerAngleRight = 10;
    a.PitchTrim = 0;
    a.FuelLowLeft = a.FuelLowRight = true;
    a.PitotHeat = 0;
    a.StarterLeft = a.StarterRight = 1;
    a.ThrottleLeverLeft = a.ThrottleLeverRight = -2000;
    a.SyncFlags = 16;
    a.FlapAngle = 15;
}

static void RunFrames(benchmark::State& state)
{
    for (auto _ : state)
        BenchDrawFrame();
}

static void BM_DarkFrame(benchmark::State& state)
{
    SetQuietAircraft();
    Aircraft.BatteryMaster = 0;
    RunFrames(state);
}

static void BM_EmptyFrame(benchmark::State& state)
{
    SetQuietAircraft();
    for (auto _ : state)
        BenchDrawEmptyFrame();
}

static void BM_EicasQuiet(benchmark::State& state)
{
    SetQuietAircraft();
    BenchDrawFrame();
    RunFrames(state);
}

static void BM_EicasAllRaised(benchmark::State& state)
{
    SetBusyAircraft();
    Shell.PrevBatteryMaster = 0;   // raised afresh: every row blinks, unacknowledged
    BenchDrawFrame();
    int lines = 0;
    for (const CasMessage& r : Eicas.WarningTable) lines += r.active;
    for (const CasMessage& r : Eicas.CautionTable) lines += r.active;
    for (const CasMessage& r : Eicas.AdvisoryTable) lines += r.active;
    state.counters["lines"] = lines;
    RunFrames(state);
}

// The alert decisions alone (conditions, pairs, suppression, edges, master bits), busy case.
static void BM_AlertDecisions(benchmark::State& state)
{
    SetBusyAircraft();
    uint8_t flags = 0;
    for (auto _ : state) {
        EvaluateAlertConditions();
        int chimes = 0;
        flags = ApplyAlertEdges(flags, &chimes);
        benchmark::DoNotOptimize(flags);
    }
}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    setenv("SDL_AUDIODRIVER", "dummy", 0);   // the raised rows chime once
    if (!BenchOpenDisplayUnit(1))
        return 1;
    struct Case { const char* name; void (*fn)(benchmark::State&); };
    for (Case c : {Case{"DarkFrame", BM_DarkFrame}, Case{"EmptyFrame", BM_EmptyFrame}, Case{"EicasQuiet", BM_EicasQuiet},
                   Case{"EicasAllRaised", BM_EicasAllRaised}, Case{"AlertDecisions", BM_AlertDecisions}})
        benchmark::RegisterBenchmark(c.name, c.fn)->Unit(benchmark::kMicrosecond)->MinTime(2.0)->Repetitions(3)
            ->ReportAggregatesOnly(true);
    benchmark::RunSpecifiedBenchmarks();
    DestroyDisplayWindow();
    return 0;
}
