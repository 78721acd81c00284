// Cost of the traffic picture: a connected MFD frame (acquisition, map page, navaids and
// airports at 25 NM) with a full traffic table of 95 targets polled, evaluated and drawn,
// against the same frame with the picture switched off, and the empty frame. A real
// orvex-sim, frozen in the cruise, answers; the benchmark writes the 95 targets into its
// table through the link before timing.
//   bench_traffic
//   ORVEX_TRAFFIC_SCREENSHOT=FILE.png bench_traffic   only writes a picture of the full table
#include "bench_window.h"

#include "cockpit/cockpit.h"
#include "menu/aircraft_config.h"
#include "menu/menu.h"
#include "simlink/aircraft.h"
#include "simlink/simlink.h"
#include "traffic/traffic.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <sys/wait.h>

namespace {

pid_t SimPid = -1;
int SimOutput = -1;   // kept open while the simulator runs

bool StartSim()
{
    std::string runtime = std::string(ORVEX_BIN_DIR) + "/scratch/bench-traffic-" + std::to_string(getpid());
    if (std::system(("mkdir -p " + runtime).c_str()) != 0)
        return false;
    setenv("ORVEX_RUNTIME_DIR", runtime.c_str(), 1);
    int out[2];
    if (pipe(out) != 0)
        return false;
    SimPid = fork();
    if (SimPid == 0) {
        dup2(out[1], 1);
        close(out[0]);
        std::string sim = std::string(ORVEX_BIN_DIR) + "/tools/orvex-sim";
        execl(sim.c_str(), sim.c_str(), "--at", "1800", "--freeze", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    char line[64] = {};
    ssize_t n = read(out[0], line, sizeof line - 1);
    SimOutput = out[0];
    return SimPid > 0 && n > 0 && std::strncmp(line, "ready", 5) == 0;
}

void StopSim()
{
    if (SimPid > 0) {
        kill(SimPid, SIGTERM);
        waitpid(SimPid, nullptr, 0);
    }
    if (SimOutput >= 0)
        close(SimOutput);
}

// 95 targets spread round the own aircraft within 9.5 NM and 2500 ft, half of them
// climbing or descending, so every one is drawn with its label and most with an arrow.
bool WriteFullTable()
{
    const double lat0 = Aircraft.Latitude, lon0 = Aircraft.Longitude;
    for (int n = 0; n < TrafficSlots; ++n) {
        const double bearing = n * 137.5 * M_PI / 180, nm = 0.8 + std::fmod(n * 0.37, 8.7);
        const float entry[3] = {static_cast<float>(lat0 + nm * std::cos(bearing) / 60),
                                static_cast<float>(lon0 + nm * std::sin(bearing) / 60 / std::cos(lat0 * M_PI / 180)),
                                static_cast<float>(Aircraft.Altitude + (n % 11 - 5) * 500)};
        const int16_t vs = static_cast<int16_t>(n % 3 == 0 ? 0 : n % 3 == 1 ? 1200 : -1500);
        const uint8_t change = 1;
        const uint32_t at = TrafficEntryOffset + TrafficEntrySize * n;
        if (!SimLinkWrite(at + 4, 12, entry) || !SimLinkWrite(at + 20, 2, &vs) ||
            !SimLinkWrite(TrafficChangeOffset + n, 1, &change))
            return false;
    }
    const uint8_t end = 0;
    return SimLinkWrite(TrafficChangeOffset + TrafficSlots, 1, &end) && SimLinkProcess();
}

void SetMap()
{
    Shell.ShowVor = Shell.ShowNdb = Shell.ShowAirports = true;
    Shell.MapRangeIndex = 2;
    Menu.MenuLevel = 0;
}

void BM_EmptyFrame(benchmark::State& state)
{
    for (auto _ : state)
        BenchDrawEmptyFrame();
}

// The TCAS key off: the traffic step reads its auto-mode byte and draws nothing.
void BM_MapFrameNoTraffic(benchmark::State& state)
{
    SetMap();
    Traffic.TrafficOn = false;
    for (int i = 0; i < 4; ++i)
        BenchDrawFrame();
    for (auto _ : state)
        BenchDrawFrame();
    state.counters["traffic_shown"] = Traffic.TrafficShown;
}

void BM_MapFrameFullTraffic(benchmark::State& state)
{
    SetMap();
    Traffic.TrafficOn = true;
    for (int i = 0; i < 2 * TrafficSlots + 4; ++i)   // every slot's data read once
        BenchDrawFrame();
    int inRange = 0, threats = 0;
    for (const TrafficTarget& t : Traffic.Targets) {
        inRange += t.latitude != 0 && t.distance <= Traffic.TcasRange;
        threats += t.threat != 0;
    }
    for (auto _ : state)
        BenchDrawFrame();
    state.counters["targets_in_range"] = inRange;
    state.counters["threats"] = threats;
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (!StartSim())
        return 1;
    if (!BenchOpenDisplayUnit(0)) {
        StopSim();
        return 1;
    }
    AircraftConfig.MIN_RUNWAY_LENGTH = 5000;
    Shell.FirstFrameDone = true;
    BenchDrawFrame();   // connects
    BenchDrawFrame();   // acquires the own position the targets are placed round
    if (!Shell.LinkConnected || !WriteFullTable()) {
        std::fprintf(stderr, "bench_traffic: no link to orvex-sim\n");
        StopSim();
        return 1;
    }
    if (const char* shot = std::getenv("ORVEX_TRAFFIC_SCREENSHOT")) {
        SetMap();
        for (int i = 0; i < 2 * TrafficSlots + 4; ++i)
            BenchDrawFrame();
        RenderFrame();
        const bool ok = PlatformSaveScreenshot(shot);
        DestroyDisplayWindow();
        StopSim();
        return ok ? 0 : 1;
    }
    benchmark::RegisterBenchmark("EmptyFrame", BM_EmptyFrame)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("MapFrameNoTraffic", BM_MapFrameNoTraffic)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("MapFrameFullTraffic", BM_MapFrameFullTraffic)->Unit(benchmark::kMicrosecond);
    benchmark::RunSpecifiedBenchmarks();
    DestroyDisplayWindow();
    StopSim();
    return 0;
}
