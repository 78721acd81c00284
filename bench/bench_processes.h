// Shared by the whole-program benchmarks: scratch installation folders, starting orvex-sim
// and display units as separate processes, their CPU time from /proc and their frame logs.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace benchproc {

inline double NowMs()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

inline void SleepMs(double ms)
{
    timespec t{static_cast<time_t>(ms / 1000), static_cast<long>((ms - 1000 * static_cast<long>(ms / 1000)) * 1e6)};
    nanosleep(&t, nullptr);
}

// A private runtime folder, so the benchmark never meets another simulator.
inline std::string UsePrivateRuntime(const std::string& tag)
{
    std::string dir = std::string(ORVEX_BIN_DIR) + "/bench/rt-" + tag + "-" + std::to_string(getpid());
    mkdir(dir.c_str(), 0700);
    setenv("ORVEX_RUNTIME_DIR", dir.c_str(), 1);
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    unsetenv("ORVEX_FPS");
    return dir;
}

// A fresh installation folder: the built unit's data and textures, and an MFD.ini for
// display unit 3 (MFD, mode 0) or 2 (EICAS, mode 1) without bezel.
// A unit folder with an MFD.ini of this mode and width, the bezel drawn or not.
inline std::string MakeUnit(const std::string& name, int mode, int width, bool bezel = false)
{
    namespace fs = std::filesystem;
    fs::path dir = fs::path(ORVEX_BIN_DIR) / "bench" / ("unit-" + name + "-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const char* sub : {"data", "textures"})
        fs::copy(fs::path(ORVEX_UNIT_DIR) / sub, dir / sub, fs::copy_options::recursive);
    std::ofstream ini(dir / "MFD.ini");
    ini << "[X_SIZE,Y_SIZE]\n" << width << ",605\n[X_POSITION,Y_POSISTION]\n0,0\n[FRAMELESS_WINDOW(0-1)]\n0\n"
        << "[DISPLAY_BEZEL(0-1)]\n" << (bezel ? 1 : 0) << "\n[MFD=0,EICAS=1]\n" << mode << "\n[PLANPATH]\n\"c:\\\"\n"
        << "[PATH_TO_DU2]\n\"c:\\\"\n[PATH_TO_DU3]\n\"c:\\\"";
    return dir.string();
}

inline pid_t Spawn(std::vector<std::string> args, const std::string& stdoutPath = "/dev/null")
{
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// orvex-sim with `options`, once it says ready; -1 if it does not come up in 10 s.
inline pid_t StartSim(const std::vector<std::string>& options, const std::string& tag)
{
    std::vector<std::string> args{std::string(ORVEX_BIN_DIR) + "/tools/orvex-sim"};
    args.insert(args.end(), options.begin(), options.end());
    std::string out = std::string(ORVEX_BIN_DIR) + "/bench/sim-" + tag + "-" + std::to_string(getpid()) + ".out";
    pid_t pid = Spawn(args, out);
    for (int i = 0; pid > 0 && i < 500; ++i) {
        std::ifstream in(out);
        std::string line;
        if (std::getline(in, line) && line == "ready")
            return pid;
        SleepMs(20);
    }
    return -1;
}

inline pid_t StartUnit(const std::string& dir, const std::vector<std::string>& options)
{
    std::vector<std::string> args{std::string(ORVEX_UNIT_DIR) + "/orvex", "--dir", dir, "--headless"};
    args.insert(args.end(), options.begin(), options.end());
    return Spawn(args);
}

// Ends a process politely (the unit closes its window and flushes its logs) and reaps it.
inline void Stop(pid_t pid)
{
    if (pid <= 0)
        return;
    kill(pid, SIGTERM);
    for (int i = 0; i < 200; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid)
            return;
        SleepMs(10);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

// User plus system CPU seconds of every thread of the process so far (fields 14 and 15
// of /proc/PID/stat); negative when it cannot be read.
inline double CpuSeconds(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t close = text.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::vector<std::string> fields;
    std::string field;
    for (size_t i = close + 2; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == ' ') {
            fields.push_back(field);
            field.clear();
        } else {
            field += text[i];
        }
    }
    // fields[0] is field 3 (state): utime is field 14, stime field 15.
    if (fields.size() < 13)
        return -1;
    double ticks = std::atof(fields[11].c_str()) + std::atof(fields[12].c_str());
    return ticks / sysconf(_SC_CLK_TCK);
}

// One line of a unit's --frame-log.
struct FrameTime {
    long frame = 0;
    double startMs = 0, swapMs = 0;
};

inline std::vector<FrameTime> ReadFrameLog(const std::string& path)
{
    std::vector<FrameTime> frames;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        FrameTime f;
        if (std::sscanf(line.c_str(), "{\"frame\":%ld,\"start_ms\":%lf,\"swap_ms\":%lf}", &f.frame, &f.startMs, &f.swapMs) == 3)
            frames.push_back(f);
    }
    return frames;
}

// Frames a second whose swap fell in [fromMs, toMs).
inline double FrameRate(const std::vector<FrameTime>& frames, double fromMs, double toMs)
{
    long count = 0;
    for (const FrameTime& f : frames)
        count += f.swapMs >= fromMs && f.swapMs < toMs;
    return toMs > fromMs ? count * 1000.0 / (toMs - fromMs) : 0;
}

}  // namespace benchproc
