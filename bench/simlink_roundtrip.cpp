// Round trip of one SimLinkProcess carrying a display frame's batch of about 100 reads to
// a running orvex-sim, against the floor of the same machine in the same run: a bare
// 4-byte ping-pong on an AF_UNIX sequenced-packet socket pair between two processes.
// Reports median and 99th percentile in microseconds as counters.
#include "simlink/aircraft.h"
#include "simlink/simlink.h"

#include "platform/platform.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

void ReportPercentiles(benchmark::State& state, std::vector<double>& micros)
{
    if (micros.empty())
        return;
    std::sort(micros.begin(), micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
}

// The frame's batch: every acquisition row, the unit's three cockpit bytes, the traffic
// poll's reads, padded with traffic-table reads to 100.
AircraftRawValues Raw;
unsigned char Extra[64];

void QueueFrameBatch()
{
    int reads = 0;
#define ORVEX_BENCH_READ(offset, type, name, ...) SimLinkRead(offset, sizeof(type), &Raw.name), ++reads;
    ORVEX_ACQUISITION_TABLE(ORVEX_BENCH_READ)
#undef ORVEX_BENCH_READ
    SimLinkRead(GpsNextIdentOffset, 6, Raw.GpsNextIdent);
    SimLinkRead(KnobCounterOffsetDu3, 1, &Raw.KnobCounter);
    SimLinkRead(SoftKeyMaskOffsetDu3, 1, &Raw.SoftKeyMask);
    SimLinkRead(DimLevelOffsetDu3, 1, &Raw.DimLevel);
    reads += 4;
    for (int slot = 0; reads < 100; ++slot, ++reads)
        SimLinkRead(0xF080 + 40 * (slot % 8) + 4, 4, Extra + 4 * (slot % 16));
}

void BM_SimLinkProcess100Reads(benchmark::State& state)
{
    if (!SimLinkIsOpen()) {
        state.SkipWithError("orvex-sim is not running");
        return;
    }
    std::vector<double> micros;
    micros.reserve(1 << 20);
    for (auto _ : state) {
        QueueFrameBatch();
        auto start = Clock::now();
        bool ok = SimLinkProcess();
        double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (!ok) {
            state.SkipWithError("exchange failed");
            break;
        }
        state.SetIterationTime(seconds);
        micros.push_back(seconds * 1e6);
    }
    ReportPercentiles(state, micros);
}
BENCHMARK(BM_SimLinkProcess100Reads)->UseManualTime()->Iterations(20000);

void BM_BareSocketPingPong(benchmark::State& state)
{
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET, 0, pair) != 0) {
        state.SkipWithError("socketpair failed");
        return;
    }
    pid_t echo = fork();
    if (echo == 0) {
        close(pair[0]);
        unsigned char word[4];
        while (recv(pair[1], word, sizeof word, 0) == sizeof word)
            send(pair[1], word, sizeof word, 0);
        _exit(0);
    }
    close(pair[1]);
    std::vector<double> micros;
    micros.reserve(1 << 20);
    unsigned char word[4] = {1, 2, 3, 4};
    for (auto _ : state) {
        auto start = Clock::now();
        send(pair[0], word, sizeof word, 0);
        recv(pair[0], word, sizeof word, 0);
        double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        micros.push_back(seconds * 1e6);
    }
    close(pair[0]);
    waitpid(echo, nullptr, 0);
    ReportPercentiles(state, micros);
}
BENCHMARK(BM_BareSocketPingPong)->UseManualTime()->Iterations(20000);

// orvex-sim, frozen, in a private runtime folder.
pid_t StartSim()
{
    std::string dir = std::string(ORVEX_BIN_DIR) + "/bench/rt-" + std::to_string(getpid());
    mkdir(dir.c_str(), 0700);
    setenv("ORVEX_RUNTIME_DIR", dir.c_str(), 1);
    std::string program = std::string(ORVEX_BIN_DIR) + "/tools/orvex-sim";
    char* argv[] = {program.data(), const_cast<char*>("--freeze"), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0)
        return -1;
    for (int i = 0; i < 100 && !SimLinkOpen(0); ++i)
        PlatformSleepMs(50);
    return pid;
}

}  // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    pid_t sim = StartSim();
    benchmark::RunSpecifiedBenchmarks();
    SimLinkClose();
    if (sim > 0) {
        kill(sim, SIGTERM);
        waitpid(sim, nullptr, 0);
    }
    benchmark::Shutdown();
    return 0;
}
