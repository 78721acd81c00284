// Cost of one connected frame's simulator work: the acquisition batch (every row of the
// table, the GPS identifier and three cockpit bytes in one exchange), the reversion byte,
// the panel flag read and write (three more exchanges), and the conversions, against a
// real orvex-sim process started here on a private runtime folder.
#include "menu/aircraft_config.h"
#include "shell/shell.h"
#include "simlink/aircraft.h"
#include "simlink/simlink.h"

#include <benchmark/benchmark.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

static pid_t SimPid = -1;
// Kept open while the simulator runs, so a later line on its output cannot kill it.
static int SimOutput = -1;

// Starts orvex-sim (frozen, so every frame reads the same values) and waits for "ready".
static bool StartSim()
{
    std::string runtime = std::string(ORVEX_BIN_DIR) + "/scratch/bench-acquisition-" + std::to_string(getpid());
    std::string make = "mkdir -p " + runtime;
    if (std::system(make.c_str()) != 0)
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
        execl(sim.c_str(), sim.c_str(), "--freeze", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    char line[64] = {};
    ssize_t n = read(out[0], line, sizeof line - 1);
    SimOutput = out[0];
    return SimPid > 0 && n > 0 && std::strncmp(line, "ready", 5) == 0;
}

static void StopSim()
{
    if (SimPid > 0) {
        kill(SimPid, SIGTERM);
        waitpid(SimPid, nullptr, 0);
    }
    if (SimOutput >= 0)
        close(SimOutput);
}

// The whole of step 2 of a connected frame.
static void BM_AcquireAndConvert(benchmark::State& state)
{
    for (auto _ : state) {
        AcquireAircraftState();
        ConvertAircraftState();
    }
    benchmark::DoNotOptimize(Aircraft.MagHeading);
}

// One exchange of a single byte: the floor under each of the four exchanges.
static void BM_OneByteExchange(benchmark::State& state)
{
    for (auto _ : state) {
        uint8_t reversion = 0;
        SimLinkRead(DisplayReversionOffset, 1, &reversion);
        SimLinkProcess();
        benchmark::DoNotOptimize(reversion);
    }
}

// The conversions and derivations alone, no exchange.
static void BM_ConvertOnly(benchmark::State& state)
{
    for (auto _ : state) {
        ConvertAircraftState();
        DeriveFuelAndSurfaces();
    }
    benchmark::DoNotOptimize(Aircraft.FuelTotal);
}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (!StartSim()) {
        std::fprintf(stderr, "bench_acquisition: orvex-sim did not start\n");
        StopSim();
        return 1;
    }
    ConnectSimulatorAtStart(2000);   // the unit's own start-up wait: one connect step may not finish the handshake
    if (!Shell.LinkConnected) {
        std::fprintf(stderr, "bench_acquisition: cannot connect to orvex-sim\n");
        StopSim();
        return 1;
    }
    AircraftConfig.MAX_FLAPS = 40, AircraftConfig.MAX_SPOILERS = 60, AircraftConfig.MAX_FUEL = 6062;
    benchmark::RegisterBenchmark("AcquireAndConvert (4 exchanges)", BM_AcquireAndConvert)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("OneByteExchange", BM_OneByteExchange)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("ConvertAndDerive", BM_ConvertOnly)->Unit(benchmark::kNanosecond);
    benchmark::RunSpecifiedBenchmarks();
    SimLinkClose();
    StopSim();
    return 0;
}
