// Frame cost of the systems pages on display unit 2: the EICAS frame with no page (engine
// display, alert list, legends), the same frame with each systems page selected (the summary
// is what the EICAS normally shows), and each page drawn alone, against the empty
// frame of the spine in the same run. The aircraft is in cruise with every page busy:
// generators loaded, an imbalance on the fuel page, trims and spoilers off centre.
#include "bench_window.h"

#include "cockpit/cockpit.h"
#include "menu/menu.h"
#include "simlink/aircraft.h"
#include "synoptics/synoptics.h"

#include <GL/gl.h>
#include <benchmark/benchmark.h>

static void SetCruiseAircraft()
{
    AircraftReset();
    AircraftState& a = Aircraft;
    a.N1Left = a.N1Right = 84;
    a.N2Left = a.N2Right = 92;
    a.IttLeft = a.IttRight = 690;
    a.EngineStateLeft = a.EngineStateRight = 1;
    a.OilPressLeft = a.OilPressRight = 78;
    a.OilTempLeft = a.OilTempRight = 85;
    a.FuelFlowLeft = a.FuelFlowRight = 919;
    a.GenLeft = a.GenRight = 28.4;
    a.GenAmpsLeft = a.GenAmpsRight = 42.6;
    a.FuelPressLeft = a.FuelPressRight = 28;
    a.HydPressLeft = a.HydPressRight = 3000;
    a.PitotHeat = 1;
    a.Altitude = 35000;
    a.VerticalSpeed = -1301;
    a.PitchTrim = 1.2 / 57.29;
    a.AileronTrim = 1.4 / 57.29;
    a.RudderTrim = -0.5 / 57.29;
    a.SpoilerLever = 9000;
    a.SpoilerAngleLeft = a.SpoilerAngleRight = 20;
    a.FlapAngle = 0;
    a.TankCapacityLeft = a.TankCapacityRight = 2900;
    a.TankCapacityCentre = 897;
    a.TankLevelLeft = 0.92f;
    a.TankLevelRight = 0.84f;
    a.TankLevelCentre = 0;
    a.FuelTotal = 5104;
    a.FuelUsed = 958;
}

// A full EICAS frame with `page` selected in the systems menu.
static void RunEicasFrames(benchmark::State& state, int page)
{
    SetCruiseAircraft();
    BenchDrawFrame();   // the first frame puts the EICAS on its summary page
    Menu.MenuPage = page;
    BenchDrawFrame();
    for (auto _ : state)
        BenchDrawFrame();
}

// One page alone on a cleared display, finished on the rasteriser.
static void RunPageAlone(benchmark::State& state, void (*page)())
{
    SetCruiseAircraft();
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT);
        page();
        glFinish();
        PlatformSwapBuffers();
    }
}

static void BM_EmptyFrame(benchmark::State& state)
{
    SetCruiseAircraft();
    for (auto _ : state)
        BenchDrawEmptyFrame();
}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (!BenchOpenDisplayUnit(1))
        return 1;
    auto add = [](const char* name, auto fn) {
        benchmark::RegisterBenchmark(name, fn)->Unit(benchmark::kMicrosecond)->MinTime(1.0)->Repetitions(3)
            ->ReportAggregatesOnly(true);
    };
    add("EmptyFrame", BM_EmptyFrame);
    // The EICAS frame with no systems page: engine display, alert list and legends only.
    add("EicasFrameNoPage", [](benchmark::State& s) { RunEicasFrames(s, PageNone); });
    struct Page { const char* name; int number; void (*draw)(); };
    const Page pages[] = {{"Summary", PageSummary, DrawSummaryPage}, {"Elec", PageElec, DrawElecPage},
                          {"Hyd", PageHyd, DrawHydPage},             {"Ecs", PageEcs, DrawEcsPage},
                          {"FlightControls", PageFlightControls, DrawFlightControlsPage},
                          {"Fuel", PageFuel, DrawFuelPage}};
    static std::string names[2 * 6];
    int n = 0;
    for (const Page& p : pages) {
        names[n] = std::string("EicasFrameWith") + p.name;
        int number = p.number;
        add(names[n++].c_str(), [number](benchmark::State& s) { RunEicasFrames(s, number); });
    }
    for (const Page& p : pages) {
        names[n] = std::string("PageAlone") + p.name;
        void (*draw)() = p.draw;
        add(names[n++].c_str(), [draw](benchmark::State& s) { RunPageAlone(s, draw); });
    }
    benchmark::RunSpecifiedBenchmarks();
    DestroyDisplayWindow();
    return 0;
}
