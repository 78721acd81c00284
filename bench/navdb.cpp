// Costs of the navigation database with a whole world's data: the double load at start-up
// (start-up and first frame) and one navaid and one airport selection at the 1000 NM range.
//   ORVEX_NAVDATA=DIR bench_navdb     (DIR holds navaids.txt, waypoints.txt, Airports.txt,
//                                      for instance converted by orvex-navdata; see docs/NAVDATA.md)
// Without ORVEX_NAVDATA it uses the San Diego extract shipped in data/.
#include "map/map.h"
#include "menu/aircraft_config.h"
#include "navdb/navdb.h"
#include "shell/shell.h"
#include "simlink/aircraft.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// A scratch installation folder whose data/ is the chosen data folder.
bool EnterDataFolder()
{
    const char* source = std::getenv("ORVEX_NAVDATA");
    std::string data = source ? source : std::string(ORVEX_SOURCE_DIR) + "/data";
    std::string dir = std::string(ORVEX_BIN_DIR) + "/scratch/bench-navdb-" + std::to_string(getpid());
    std::string prepare = "mkdir -p " + dir + " && ln -sfn " + data + " " + dir + "/data";
    if (std::system(prepare.c_str()) != 0 || chdir(dir.c_str()) != 0)
        return false;
    std::printf("navigation data: %s\n", data.c_str());
    return true;
}

void LoadAll()
{
    LoadNavaids();
    LoadWaypoints();
    LoadAirports();
}

void BM_DoubleLoad(benchmark::State& state)
{
    for (auto _ : state) {
        LoadAll();
        LoadAll();
    }
    state.counters["navaids"] = static_cast<double>(NavDatabase.NavaidTable.size());
    state.counters["waypoints"] = static_cast<double>(NavDatabase.WaypointTable.size());
    state.counters["airports"] = static_cast<double>(NavDatabase.AirportTable.size());
}

// Over San Diego at the longest range: every entry measured, those within 1000 NM listed.
void BM_Select(benchmark::State& state, bool navaids)
{
    AircraftReset();
    Shell.MapRangeIndex = 8;
    auto& table = navaids ? NavDatabase.NavaidTable : NavDatabase.AirportTable;
    for (auto _ : state)
        SelectNearby(table);
    state.counters["in_range"] = static_cast<double>(navaids ? Map.NearNavaids.size() : Map.NearAirports.size());
    state.counters["table"] = static_cast<double>(table.size());
}

// The whole program from process start to its first frame (and teardown), in an
// installation folder holding the chosen data: both loads of the database included.
void BM_StartupToFirstFrame(benchmark::State& state, std::string dataDir)
{
    std::string unit = std::string(ORVEX_BIN_DIR) + "/scratch/bench-navdb-startup-" + std::to_string(getpid());
    std::string prepare = "rm -rf " + unit + " && mkdir -p " + unit + " && cp -r " + ORVEX_UNIT_DIR + "/data " +
                          ORVEX_UNIT_DIR + "/textures " + unit + " && cp " + dataDir + "/navaids.txt " + dataDir +
                          "/waypoints.txt " + dataDir + "/Airports.txt " + unit + "/data/";
    if (std::system(prepare.c_str()) != 0) {
        state.SkipWithError("cannot prepare the unit folder");
        return;
    }
    std::string run = std::string(ORVEX_UNIT_DIR) + "/orvex --headless --frames 1 --dir " + unit + " >/dev/null 2>&1";
    for (auto _ : state)
        if (std::system(run.c_str()) != 0)
            state.SkipWithError("orvex failed");
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (!EnterDataFolder())
        return 1;
    AircraftConfig.MIN_RUNWAY_LENGTH = 5000;
    benchmark::RegisterBenchmark("NavDatabase/DoubleLoad", BM_DoubleLoad)->Unit(benchmark::kMillisecond)->MinTime(2.0);
    LoadAll();
    benchmark::RegisterBenchmark("SelectNearby/Navaids1000NM", BM_Select, true)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("SelectNearby/Airports1000NM", BM_Select, false)->Unit(benchmark::kMicrosecond);
    const char* source = std::getenv("ORVEX_NAVDATA");
    benchmark::RegisterBenchmark("StartupToFirstFrame", BM_StartupToFirstFrame,
                                 std::string(source ? source : ORVEX_SOURCE_DIR "/data"))
        ->Unit(benchmark::kMillisecond)->Iterations(10);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
