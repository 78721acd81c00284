// Reading a flight plan: the longest plan of the test files (24 legs over airways, 10 KB
// of XML with the planner's comment block), from memory and from its file, and the
// line-based and FMC plans from memory. The pilot waits for this once per selection.
//   bench_plan_load
#include "plan/plan.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string PlanPath(const char* name)
{
    return std::string(ORVEX_SOURCE_DIR) + "/tests/data/plans/" + name;
}

std::string Slurp(const char* name)
{
    std::ifstream in(PlanPath(name), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void Report(benchmark::State& state, size_t bytes)
{
    state.counters["legs"] = FlightPlan.legCount;
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void BM_XmlFromMemory(benchmark::State& state)
{
    std::string text = Slurp("lnm-ifr-eghj-egpc.pln");
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadPlnText(text.data(), text.size()));
    Report(state, text.size());
}

void BM_XmlFromFile(benchmark::State& state)
{
    std::string path = PlanPath("lnm-ifr-eghj-egpc.pln");
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadPlnPlan(path.c_str()));
    Report(state, Slurp("lnm-ifr-eghj-egpc.pln").size());
}

void BM_LinePlanFromMemory(benchmark::State& state)
{
    std::string text = Slurp("ksea-kpdx-fs9.pln");
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadPlnText(text.data(), text.size()));
    Report(state, text.size());
}

void BM_FmcFromMemory(benchmark::State& state)
{
    std::string text = Slurp("ksea-kpdx.fmc");
    for (auto _ : state)
        ReadFmcText(text.data(), text.size());
    Report(state, text.size());
}

} // namespace

BENCHMARK(BM_XmlFromMemory)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_XmlFromFile)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LinePlanFromMemory)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FmcFromMemory)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
