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
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
