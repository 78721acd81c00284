// Value-to-pixel latency: the stand-in's N2 of the left engine is changed at a known time
// on the monotonic clock (right before the exchange that writes it), and the EICAS unit's
// frame log says when the first frame that drew the new readout was swapped. The unit runs
// as a separate process at 60 frames a second (or --fps N), offscreen on llvmpipe.
//   bench_latency [--samples N] [--fps N]      (N default 200 and 60)
#include "bench_processes.h"

#include "platform/platform.h"
#include "simlink/simlink.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <random>

using namespace benchproc;

namespace {

// The left N2 readout's text per frame, found by its place: the "N2" readouts are drawn
// right-aligned at fixed points, left engine first (smaller x).
std::map<long, std::string> LeftN2Texts(const std::string& tracePath, const std::string& firstText)
{
    std::map<long, std::string> texts;
    std::ifstream in(tracePath);
    std::string line, place;
    auto field = [&](const char* key) {
        size_t at = line.find(key);
        if (at == std::string::npos)
            return std::string();
        at += std::strlen(key);
        size_t end = line.find_first_of(",}", at);
        return line.substr(at, end - at);
    };
    while (std::getline(in, line)) {
        std::string text = field("\"text\":");
        std::string here = field("\"x\":") + "," + field("\"y\":");
        if (place.empty() && text == "\"" + firstText + "\"")
            place = here;   // the first match of a frame is the left engine's
        if (!place.empty() && here == place)
            texts[std::atol(field("\"frame\":").c_str())] = text;
    }
    return texts;
}

double Percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(v.size() * p))];
}

}  // namespace

int main(int argc, char** argv)
{
    int samples = 200;
    std::string fps = "60";
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--samples") && i + 1 < argc)
            samples = std::max(10, std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--fps") && i + 1 < argc)
            fps = argv[++i];
        else if (std::strncmp(argv[i], "--benchmark_", 12) != 0) {
            std::fprintf(stderr, "usage: bench_latency [--samples N] [--fps N]\n");
            return 2;
        }
    }
    std::string tag = "lat";
    UsePrivateRuntime(tag);
    pid_t sim = StartSim({"--freeze", "--at", "300"}, tag);   // taxiing, both engines at 58 % N2
    if (sim < 0 || !SimLinkOpen(0)) {
        std::fprintf(stderr, "bench_latency: orvex-sim did not start\n");
        return 1;
    }
    std::string dir = MakeUnit("latency", 1, 433);
    std::string trace = dir + "/trace.jsonl", frameLog = dir + "/frames.jsonl";
    pid_t unit = StartUnit(dir, {"--fps", fps, "--text-trace", trace, "--frame-log", frameLog});
    SleepMs(3000);

    // Each change lands at a random phase of the frame; raw steps of 3 (0.018 %) always
    // change the two-decimal readout.
    std::mt19937 random(7);
    std::uniform_real_distribution<double> pause(40, 140);
    std::vector<double> pokedAt;
    for (int i = 0; i < samples; ++i) {
        SleepMs(pause(random));
        uint16_t raw = static_cast<uint16_t>(8192 + 3 * i);
        SimLinkWrite(0x0896, 2, &raw);
        double at = PlatformMonotonicNs() / 1e6;
        if (!SimLinkProcess())
            break;
        pokedAt.push_back(at);
    }
    SleepMs(300);
    Stop(unit);
    SimLinkClose();
    Stop(sim);

    std::vector<FrameTime> frames = ReadFrameLog(frameLog);
    std::map<long, std::string> texts = LeftN2Texts(trace, "58.00");
    std::vector<double> latency, work;
    std::string before = "\"58.00\"";
    for (double at : pokedAt) {
        for (const FrameTime& f : frames) {
            auto t = texts.find(f.frame);
            if (f.swapMs <= at || t == texts.end() || t->second == before)
                continue;
            latency.push_back(f.swapMs - at);
            work.push_back(f.swapMs - f.startMs);
            before = t->second;
            break;
        }
    }
    if (latency.size() < pokedAt.size() / 2 || latency.empty()) {
        std::fprintf(stderr, "bench_latency: only %zu of %zu changes were seen drawn\n", latency.size(), pokedAt.size());
        return 1;
    }
    double period = 1000.0 / std::atof(fps.c_str());
    std::printf("value-to-pixel latency at %s frames/s, %zu changes (%zu drawn)\n", fps.c_str(), pokedAt.size(),
                latency.size());
    std::printf("  median %.2f ms   p99 %.2f ms   max %.2f ms   (one frame period %.2f ms)\n", Percentile(latency, 0.5),
                Percentile(latency, 0.99), *std::max_element(latency.begin(), latency.end()), period);
    std::printf("  the drawing frame's own time, start to swap: median %.2f ms   p99 %.2f ms\n", Percentile(work, 0.5),
                Percentile(work, 0.99));
    return 0;
}
