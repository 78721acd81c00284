// Baseline costs of the display unit: start-up to the first frame (the whole program, run
// as a user runs it) and one frame with nothing but the spine drawing (the dimming quad).
#include "bench_window.h"
#include "cockpit/cockpit.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

static void BM_EmptyFrame(benchmark::State& state)
{
    for (auto _ : state)
        BenchDrawEmptyFrame();
}

// Start-up: `orvex --headless --frames 1` in a ready installation folder, end to end
// (process start, MFD.ini, window, fonts, one frame, teardown).
static void BM_StartupToFirstFrame(benchmark::State& state)
{
    std::string unit = std::string(ORVEX_BIN_DIR) + "/scratch/bench-startup-" + std::to_string(getpid());
    std::string prepare = "mkdir -p " + unit + " && cp -r " + ORVEX_UNIT_DIR + "/data " + unit;
    if (std::system(prepare.c_str()) != 0) {
        state.SkipWithError("cannot prepare the unit folder");
        return;
    }
    std::string run = std::string(ORVEX_UNIT_DIR) + "/orvex --headless --frames 1 --dir " + unit + " >/dev/null 2>&1";
    for (auto _ : state) {
        if (std::system(run.c_str()) != 0)
            state.SkipWithError("orvex failed");
    }
}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (!BenchOpenDisplayUnit(0))
        return 1;
    benchmark::RegisterBenchmark("EmptyFrame", BM_EmptyFrame)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("StartupToFirstFrame", BM_StartupToFirstFrame)
        ->Unit(benchmark::kMillisecond)->Iterations(20)->Repetitions(3)->ReportAggregatesOnly(true);
    benchmark::RunSpecifiedBenchmarks();
    DestroyDisplayWindow();
    return 0;
}
