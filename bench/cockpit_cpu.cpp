// CPU cost of running display units, measured from outside as a user would: orvex-sim
// flies the built-in flight (from the right engine's start, so the EICAS list is busy and
// every value moves) while the units run at their default pacing, offscreen on llvmpipe.
// Three phases in one run: the MFD alone (25 NM, VOR, NDB and airports on), the EICAS
// alone, then both units with the stand-in. CPU is user + system seconds of all the
// process's threads (/proc/PID/stat) per wall second, so it holds up on a busy machine.
//   bench_cockpit_cpu [--seconds S] [--fps N]     (S default 30; N default: the unit's own)
#include "bench_processes.h"

#include <cstring>

using namespace benchproc;

namespace {

double Seconds = 30;
std::string Fps;   // empty: the unit's default pacing

struct Measured {
    const char* name;
    pid_t pid = -1;
    std::string frameLog;
    double cpu0 = 0, cpu1 = 0;
};

// Starts one unit; the MFD gets the 25 NM range and its three layers by scripted keys.
Measured StartCockpitUnit(const char* name, bool mfd, const std::string& tag)
{
    Measured m;
    m.name = name;
    std::string dir = MakeUnit(std::string(mfd ? "mfd-" : "eicas-") + tag, mfd ? 0 : 1, mfd ? 484 : 433);
    m.frameLog = dir + "/frames.jsonl";
    std::vector<std::string> options{"--frame-log", m.frameLog};
    if (!Fps.empty())
        options.insert(options.end(), {"--fps", Fps});
    if (mfd) {
        std::ofstream(dir + "/keys.txt") << "2 key 3 press\n4 key A press\n6 key V press\n8 key N press\n";
        options.insert(options.end(), {"--input", dir + "/keys.txt"});
    }
    m.pid = StartUnit(dir, options);
    return m;
}

void Report(const char* what, double cpu, double wall, double fps, double target)
{
    double percent = 100 * cpu / wall;
    std::printf("%-34s %6.1f %% of a core", what, percent);
    if (fps >= 0)
        std::printf(", %6.1f frames/s", fps);
    if (target > 0)
        std::printf("   (target <= %.0f %%: %s)", target, percent <= target ? "met" : "NOT met");
    std::printf("\n");
}

// One phase: the stand-in and the given units, a settling second, then S seconds measured.
bool RunPhase(const char* title, std::vector<std::pair<const char*, bool>> units, const std::vector<double>& targets,
              double totalTarget)
{
    std::string tag = std::to_string(static_cast<long>(NowMs()));
    UsePrivateRuntime(tag);
    pid_t sim = StartSim({"--at", "90"}, tag);
    if (sim < 0) {
        std::fprintf(stderr, "bench_cockpit_cpu: orvex-sim did not start\n");
        return false;
    }
    std::vector<Measured> running;
    for (auto& [name, mfd] : units)
        running.push_back(StartCockpitUnit(name, mfd, tag));
    SleepMs(3000);   // start-up, connection, font build
    double wall0 = NowMs(), sim0 = CpuSeconds(sim);
    for (Measured& m : running)
        m.cpu0 = CpuSeconds(m.pid);
    SleepMs(Seconds * 1000);
    double wall1 = NowMs(), sim1 = CpuSeconds(sim);
    for (Measured& m : running)
        m.cpu1 = CpuSeconds(m.pid);
    double wall = (wall1 - wall0) / 1000;
    for (Measured& m : running)
        Stop(m.pid);
    Stop(sim);

    std::printf("== %s (%.0f s)\n", title, wall);
    double total = sim1 - sim0;
    for (size_t i = 0; i < running.size(); ++i) {
        const Measured& m = running[i];
        if (m.cpu0 < 0 || m.cpu1 < 0) {
            std::printf("%s: the unit ended early\n", m.name);
            return false;
        }
        total += m.cpu1 - m.cpu0;
        Report(m.name, m.cpu1 - m.cpu0, wall, FrameRate(ReadFrameLog(m.frameLog), wall0, wall1), targets[i]);
    }
    Report("orvex-sim", sim1 - sim0, wall, -1, 0);
    if (totalTarget > 0)
        Report("all together", total, wall, -1, totalTarget);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc)
            Seconds = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--fps") && i + 1 < argc)
            Fps = argv[++i];
        else if (std::strncmp(argv[i], "--benchmark_", 12) != 0) {
            std::fprintf(stderr, "usage: bench_cockpit_cpu [--seconds S] [--fps N]\n");
            return 2;
        }
    }
    if (!(Seconds > 0))
        Seconds = 30;
    bool ok = RunPhase("MFD unit alone, 25 NM, VOR/NDB/airports", {{"MFD (unit 3)", true}}, {20}, 0) &&
              RunPhase("EICAS unit alone, engine start, busy list", {{"EICAS (unit 2)", false}}, {15}, 0) &&
              RunPhase("both units and the stand-in", {{"MFD (unit 3)", true}, {"EICAS (unit 2)", false}}, {20, 15}, 40);
    return ok ? 0 : 1;
}
