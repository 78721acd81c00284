// FlightGear bridge latency: from a FlightGear packet leaving its sender to the new value
// being served at its offset. Each sample sends one packet whose heading differs from
// the last and times until a read of 0x0580 returns it.
// - InProcess: the bridge's socket, parse and publish, and the module's processing of a
//   read block, all in this process: the bridge's own cost plus one UDP hop.
// - Process: a running orvex-sim --flightgear, read through the display units' own client
//   library: what a display unit sees, less the wait for its next frame (bench_latency
//   measures the value-to-pixel part).
// Reports median and 99th percentile in microseconds.
#include "bench_processes.h"

#include "sim.h"
#include "sim_flightgear.h"

#include "platform/platform.h"
#include "simlink/simlink.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A recorded c172p packet with its heading field replaced.
std::string PacketWithHeading(const std::string& recorded, double heading)
{
    std::vector<std::string> parts;
    size_t at = 0;
    for (size_t comma; (comma = recorded.find(',', at)) != std::string::npos; at = comma + 1)
        parts.push_back(recorded.substr(at, comma - at));
    parts.push_back(recorded.substr(at));
    parts[1 + FgHeadingTrueDeg] = std::to_string(heading);
    std::string line;
    for (size_t i = 0; i < parts.size(); ++i)
        line += (i ? "," : "") + parts[i];
    return line + "\n";
}

std::string RecordedPacket()
{
    std::ifstream in(std::string(ORVEX_SOURCE_DIR) + "/tests/sim/data/flightgear-c172p-ksan.txt");
    std::string line;
    std::getline(in, line);
    return line;
}

uint32_t HeadingRaw(double heading)
{
    return static_cast<uint32_t>(heading / 360.0 * 4294967296.0);
}

void Report(benchmark::State& state, std::vector<double>& micros)
{
    if (micros.empty())
        return;
    std::sort(micros.begin(), micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
}

void BM_FlightGearPacketToOffset_InProcess(benchmark::State& state)
{
    static SimOffsetSpace space;
    std::string why;
    int probe = PlatformUdpListen("127.0.0.1", 0, &why);  // a port free right now
    int free = PlatformUdpLocalPort(probe);
    PlatformUdpClose(probe);
    if (!FgBridgeOpen("127.0.0.1:" + std::to_string(free), &why)) {
        state.SkipWithError(why.c_str());
        return;
    }
    int port = PlatformUdpLocalPort(FgBridge.Socket);
    int sender = PlatformUdpSender("127.0.0.1", port);
    std::string recorded = RecordedPacket();
    // A read request for the heading: type 1, offset, size, a destination token, then the
    // 4 bytes of data and the end marker.
    unsigned char block[64] = {};
    uint32_t header[4] = {1, 0x0580, 4, 1};
    std::memcpy(block, header, sizeof header);
    std::vector<double> micros;
    double heading = 10;
    for (auto _ : state) {
        heading = heading > 350 ? 10 : heading + 1;
        std::string packet = PacketWithHeading(recorded, heading);
        uint32_t want = HeadingRaw(heading);
        auto start = Clock::now();
        PlatformUdpSend(sender, packet.data(), packet.size());
        uint32_t got = 0;
        while (got != want) {
            int fd = FgBridge.Socket;
            bool ready = false;
            PlatformWaitReadable(&fd, &ready, 1, 100);
            FgBridgePoll(PlatformMillis(), space);
            SimProcessBlock(block, sizeof block, space);
            std::memcpy(&got, block + 16, 4);
        }
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    Report(state, micros);
    PlatformUdpClose(sender);
    FgBridgeClose();
}
BENCHMARK(BM_FlightGearPacketToOffset_InProcess)->Iterations(2000)->Unit(benchmark::kMicrosecond);

void BM_FlightGearPacketToOffset_Process(benchmark::State& state)
{
    benchproc::UsePrivateRuntime("fg");
    int port = 0;
    {
        std::string why;
        int probe = PlatformUdpListen("127.0.0.1", 0, &why);
        port = PlatformUdpLocalPort(probe);
        PlatformUdpClose(probe);
    }
    pid_t sim = benchproc::StartSim({"--flightgear", "127.0.0.1:" + std::to_string(port)}, "fg");
    if (sim < 0 || !SimLinkOpen(0)) {
        benchproc::Stop(sim);
        state.SkipWithError("orvex-sim --flightgear did not start");
        return;
    }
    int sender = PlatformUdpSender("127.0.0.1", port);
    std::string recorded = RecordedPacket();
    std::vector<double> micros;
    double heading = 10;
    for (auto _ : state) {
        heading = heading > 350 ? 10 : heading + 1;
        std::string packet = PacketWithHeading(recorded, heading);
        uint32_t want = HeadingRaw(heading), got = 0;
        auto start = Clock::now();
        PlatformUdpSend(sender, packet.data(), packet.size());
        for (int i = 0; got != want && i < 100000; ++i) {
            SimLinkRead(0x0580, 4, &got);
            SimLinkProcess();
        }
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    Report(state, micros);
    SimLinkClose();
    PlatformUdpClose(sender);
    benchproc::Stop(sim);
}
BENCHMARK(BM_FlightGearPacketToOffset_Process)->Iterations(1000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
