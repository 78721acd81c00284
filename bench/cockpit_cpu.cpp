// CPU cost of running display units, measured from outside as a user would: each unit has
// the default MFD.ini (484 x 605, the bezel drawn) and runs at its default pacing,
// offscreen on llvmpipe, while orvex-sim flies the built-in flight from its busiest points:
// the climb out (second 700: traffic, stations and airports on the map) and the right
// engine's start (second 90: the EICAS list is long and every value moves). Phases: the MFD
// alone at the climb (25 NM, VOR, NDB and airports on), the EICAS alone at the start, then
// both units with the stand-in at each. CPU is user + system seconds of all the process's
// threads (/proc/PID/stat) per wall second, over S seconds after a 4 s warm-up: what a user
// measures from outside with the same counters.
//   bench_cockpit_cpu [--seconds S] [--fps N]     (S default 15; N default: the unit's own)
#include "bench_processes.h"

#include <cstring>

using namespace benchproc;

namespace {

double Seconds = 15;
constexpr double WarmUpMs = 4000;   // start-up, connection, font build, the power-on fade
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
    std::string dir = MakeUnit(std::string(mfd ? "mfd-" : "eicas-") + tag, mfd ? 0 : 1, 484, true);
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

// A unit that could not keep 60 frames/s (a loaded machine) is judged by its CPU per frame
// at 60 frames/s, the rate it would draw given the processor: utime+stime per frame holds up
// under load, the share of a core does not.
void Report(const char* what, double cpu, double wall, double fps, double target)
{
    double percent = 100 * cpu / wall;
    double judged = fps > 1 && fps < 59 ? percent * 60 / fps : percent;
    std::printf("%-34s %6.1f %% of a core", what, percent);
    if (fps >= 0)
        std::printf(", %5.1f frames/s, %6.1f %% at 60 frames/s", fps, judged);
    if (target > 0)
        std::printf("   (target <= %.0f %%: %s)", target, judged <= target ? "met" : "NOT met");
    std::printf("\n");
}

// One phase: the stand-in and the given units, the warm-up, then S seconds measured.
bool RunPhase(const char* title, const char* second, std::vector<std::pair<const char*, bool>> units,
              const std::vector<double>& targets, double totalTarget)
{
    std::string tag = std::to_string(static_cast<long>(NowMs()));
    UsePrivateRuntime(tag);
    pid_t sim = StartSim({"--at", second}, tag);
    if (sim < 0) {
        std::fprintf(stderr, "bench_cockpit_cpu: orvex-sim did not start\n");
        return false;
    }
    std::vector<Measured> running;
    for (auto& [name, mfd] : units)
        running.push_back(StartCockpitUnit(name, mfd, tag));
    SleepMs(WarmUpMs);
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
    double total = sim1 - sim0, totalJudged = 100 * (sim1 - sim0) / wall;
    for (size_t i = 0; i < running.size(); ++i) {
        const Measured& m = running[i];
        if (m.cpu0 < 0 || m.cpu1 < 0) {
            std::printf("%s: the unit ended early\n", m.name);
            return false;
        }
        total += m.cpu1 - m.cpu0;
        const double fps = FrameRate(ReadFrameLog(m.frameLog), wall0, wall1);
        const double percent = 100 * (m.cpu1 - m.cpu0) / wall;
        totalJudged += fps > 1 && fps < 59 ? percent * 60 / fps : percent;
        Report(m.name, m.cpu1 - m.cpu0, wall, fps, targets[i]);
    }
    Report("orvex-sim", sim1 - sim0, wall, -1, 0);
    if (totalTarget > 0) {
        std::printf("%-34s %6.1f %% of a core, %6.1f %% with the units at 60 frames/s   (target <= %.0f %%: %s)\n",
                    "all together", 100 * total / wall, totalJudged, totalTarget,
                    totalJudged <= totalTarget ? "met" : "NOT met");
    }
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
        Seconds = 15;
    const std::vector<std::pair<const char*, bool>> both{{"MFD (unit 3)", true}, {"EICAS (unit 2)", false}};
    bool ok = RunPhase("MFD unit alone, climb with traffic, 25 NM, VOR/NDB/airports", "700", {{"MFD (unit 3)", true}}, {15}, 0) &&
              RunPhase("EICAS unit alone, engine start, busy list", "90", {{"EICAS (unit 2)", false}}, {15}, 0) &&
              RunPhase("both units and the stand-in, climb", "700", both, {15, 15}, 35) &&
              RunPhase("both units and the stand-in, engine start", "90", both, {15, 15}, 35);
    return ok ? 0 : 1;
}
