// Cost of one MFD map frame, headless, against the empty frame of the same window: the
// whole frame (rose, arcs, data fields, navaid and airport layers with their selections
// every fourth frame, the soft-key menu's legends) over San Diego, and the same frame without
// the menu.
//   bench_map                       the San Diego extract shipped in data/
//   ORVEX_NAVDATA=DIR bench_map     a whole world's data files (see docs/NAVDATA.md)
//   ORVEX_MAP_SCREENSHOT=FILE.png bench_map   only writes a picture of the map in flight
#include "bench_window.h"

#include "cockpit/cockpit.h"
#include "map/map.h"
#include "menu/aircraft_config.h"
#include "navdb/navdb.h"
#include "simlink/aircraft.h"

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

// Climbing out of San Diego over Mission Bay towards the north-west, GPS leg to Oceanside.
void SetFlight(int rangeIndex)
{
    AircraftReset();
    Aircraft.Latitude = 32.80;
    Aircraft.Longitude = -117.25;
    Aircraft.MagVar = 12;  // San Diego: 12 degrees east
    Aircraft.MagHeading = 318.4f;
    Aircraft.ApHeading = static_cast<int>(330 * 65536 / 360);
    Aircraft.TrueAirspeed = 246;
    Aircraft.GroundSpeed = 231.6f;
    Aircraft.StaticAirTemp = 6.5;
    Aircraft.WindDirection = 290;
    Aircraft.WindSpeed = 18;
    Aircraft.LocalHour = 14, Aircraft.LocalMinute = 5, Aircraft.LocalSecond = 0;
    Aircraft.GpsNextEta = 14 * 3600 + 5 * 60 + 8 * 60 + 20;
    Aircraft.GpsDistNext = 33.4 * 1852.0;
    std::memcpy(Aircraft.Raw.GpsNextIdent, "OCN   ", 6);
    Map.NavGpsSwitch = 1;
    Shell.ShowVor = Shell.ShowNdb = Shell.ShowAirports = true;
    Shell.MapRangeIndex = rangeIndex;
}

bool UseNavdata()
{
    const char* dir = std::getenv("ORVEX_NAVDATA");
    if (!dir)
        return true;
    for (const char* file : {"navaids.txt", "waypoints.txt", "Airports.txt"}) {
        std::string copy = std::string("cp ") + dir + "/" + file + " data/" + file;
        if (std::system(copy.c_str()) != 0)
            return false;
    }
    LoadNavaids();
    LoadWaypoints();
    LoadAirports();
    return true;
}

void BM_EmptyFrame(benchmark::State& state)
{
    for (auto _ : state)
        BenchDrawEmptyFrame();
}

void BM_MapFrame(benchmark::State& state)
{
    SetFlight(static_cast<int>(state.range(0)));
    for (auto _ : state)
        BenchDrawFrame();
    state.counters["navaids_in_range"] = static_cast<double>(Map.NearNavaids.size());
    state.counters["airports_in_range"] = static_cast<double>(Map.NearAirports.size());
}

// The same map frame with the soft-key menu left out (only its fuel and surface derivations
// run): the difference to MapFrame is what the menu's legends and state machine cost.
void BM_MapFrameWithoutMenu(benchmark::State& state)
{
    SetFlight(static_cast<int>(state.range(0)));
    Automation.NoMenu = true;
    for (auto _ : state)
        BenchDrawFrame();
    Automation.NoMenu = false;
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (!BenchOpenDisplayUnit(0))
        return 1;
    AircraftConfig.MIN_RUNWAY_LENGTH = 5000;
    if (!UseNavdata())
        return 1;
    if (const char* shot = std::getenv("ORVEX_MAP_SCREENSHOT")) {
        SetFlight(3);
        for (int i = 0; i < 8; ++i)
            BenchDrawFrame();
        RenderFrame();
        const bool ok = PlatformSaveScreenshot(shot);
        DestroyDisplayWindow();
        return ok ? 0 : 1;
    }
    benchmark::RegisterBenchmark("EmptyFrame", BM_EmptyFrame)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("MapFrame", BM_MapFrame)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("MapFrameWithoutMenu", BM_MapFrameWithoutMenu)->Arg(2)->Unit(benchmark::kMicrosecond);
    benchmark::RunSpecifiedBenchmarks();
    DestroyDisplayWindow();
    return 0;
}
