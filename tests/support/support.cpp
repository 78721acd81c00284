// Test helpers: scratch folders, processes, files and the text-trace reader.
#include "support/support.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

std::string ProgramPath(const std::string& name)
{
    if (name == "orvex")
        return std::string(ORVEX_UNIT_DIR) + "/orvex";
    return std::string(ORVEX_BIN_DIR) + "/tools/" + name;
}

std::string MakeScratchDir(const std::string& name)
{
    fs::path dir = fs::path(ORVEX_BIN_DIR) / "scratch" / (name + "-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir.string();
}

std::string MakeScratchUnit(const std::string& name)
{
    std::string dir = MakeScratchDir(name);
    for (const char* sub : {"data", "textures"}) {
        fs::path from = fs::path(ORVEX_UNIT_DIR) / sub;
        if (fs::exists(from))
            fs::copy(from, fs::path(dir) / sub, fs::copy_options::recursive);
    }
    return dir;
}

std::string MakeScratchDisplayUnit(const std::string& name, int number)
{
    std::string unit = MakeScratchUnit(name);
    WriteFile(unit + "/MFD.ini", "[X_SIZE,Y_SIZE]\n433,605\n[X_POSITION,Y_POSISTION]\n100,100\n"
                                 "[FRAMELESS_WINDOW(0-1)]\n0\n[DISPLAY_BEZEL(0-1)]\n0\n[MFD=0,EICAS=1]\n" +
                                     std::string(number == 2 ? "1" : "0") +
                                     "\n[PLAN_PATH]\n\"\"\n[PATH_TO_DU2]\n\"\"\n[PATH_TO_DU3]\n\"\"");
    return unit;
}

int RunCommand(const std::string& command, std::string* output, int timeoutSeconds)
{
    std::string full = "timeout -k 5 " + std::to_string(timeoutSeconds) + " sh -c '" + command + "' 2>&1";
    // Single quotes in the command would break the wrapping; callers use double quotes.
    FILE* p = popen(full.c_str(), "r");
    if (!p)
        return -1;
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0)
        text.append(buffer, n);
    int status = pclose(p);
    if (output)
        *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

BackgroundProcess StartBackground(const std::string& command, const std::string& readyLine, int timeoutMs)
{
    BackgroundProcess process;
    static int counter = 0;
    process.stdoutPath = MakeScratchDir("bg") + "/out" + std::to_string(counter++) + ".txt";
    pid_t pid = fork();
    if (pid < 0)
        return process;
    if (pid == 0) {
        setpgid(0, 0);
        FILE* out = freopen(process.stdoutPath.c_str(), "w", stdout);
        (void)out;
        execl("/bin/sh", "sh", "-c", ("exec " + command).c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    process.pid = pid;
    if (readyLine.empty())
        return process;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (ReadFile(process.stdoutPath).find(readyLine) != std::string::npos)
            return process;
        int status;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            process.pid = -1;
            return process;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    StopBackground(process);
    process.pid = -1;
    return process;
}

int WaitBackground(BackgroundProcess& process, int timeoutMs)
{
    if (process.pid <= 0)
        return -1;
    int status = 0;
    for (int waited = 0; waited < timeoutMs; waited += 10) {
        if (waitpid(process.pid, &status, WNOHANG) == process.pid) {
            process.pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    StopBackground(process);
    return -1;
}

int StopBackground(BackgroundProcess& process)
{
    if (process.pid <= 0)
        return -1;
    int status = 0;
    kill(process.pid, SIGTERM);
    // A busy machine may take seconds to let a program end cleanly (and flush its logs).
    for (int i = 0; i < 3000; ++i) {
        if (waitpid(process.pid, &status, WNOHANG) == process.pid) {
            process.pid = -1;
            return status;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(process.pid, SIGKILL);
    waitpid(process.pid, &status, 0);
    process.pid = -1;
    return status;
}

std::string UsePrivateRuntimeDir()
{
    // Socket paths are limited to 107 bytes and the build tree may lie deep, so the folder
    // lives under /tmp with a short unique name, private to the user like the real one.
    static std::vector<std::string> made;
    char dir[] = "/tmp/orvex-test-XXXXXX";
    if (!mkdtemp(dir))
        return MakeScratchDir("rt");
    if (made.empty())
        std::atexit([] {
            for (const std::string& d : made)
                fs::remove_all(d);
        });
    made.push_back(dir);
    setenv("ORVEX_RUNTIME_DIR", dir, 1);
    return dir;
}

// Every test process starts in a runtime folder of its own, also tests that never start a
// simulator: a display unit holds its unit number's lock there, and tests running side by
// side (or another developer's units) must not find each other's.
static const bool PrivateRuntimeFromTheStart = [] {
    UsePrivateRuntimeDir();
    return true;
}();

BackgroundProcess StartSim(const std::string& options)
{
    return StartBackground(ProgramPath("orvex-sim") + " " + options, "ready");
}

std::string Panel(const std::string& args, int* status)
{
    std::string out;
    int rc = RunCommand(ProgramPath("orvex-panel") + " " + args, &out, 20);
    if (status)
        *status = rc;
    else
        EXPECT_EQ(rc, 0) << args << ": " << out;
    return out;
}

bool WaitForState(const std::string& dump, const StateCheck& ok)
{
    return WaitUntil([&] {
        std::string line = LastLine(dump);
        return !line.empty() && ok(line);
    });
}

long DumpFrame(const std::string& dump)
{
    return std::atol(JsonValue(LastLine(dump), "frame").c_str());
}

bool WaitFrames(const std::string& dump, long frames)
{
    long until = DumpFrame(dump) + frames;
    return WaitForState(dump, [&](const std::string& line) { return std::atol(JsonValue(line, "frame").c_str()) >= until; });
}

namespace {
// Whether any complete line of the dump after byte `from` saw soft key `key` down.
bool SeenDown(const std::string& dump, std::streamoff from, int key)
{
    std::ifstream in(dump, std::ios::binary);
    in.seekg(from);
    std::string line;
    while (std::getline(in, line))
        if (!in.eof() && std::atoi(JsonValue(line, "SoftKeyMask").c_str()) >> key & 1)
            return true;
    return false;
}
} // namespace

bool PressKey(const std::string& dump, int unit, int key, const StateCheck& ok)
{
    for (int press = 0; press < 3; ++press) {
        std::error_code error;
        std::streamoff before = static_cast<std::streamoff>(fs::file_size(dump, error));
        if (error)
            before = 0;
        Panel("key " + std::to_string(unit) + " " + std::to_string(key));
        // The panel has released the key when it returns; two frames on, every frame that
        // could have read it down has been dumped.
        long released = DumpFrame(dump);
        bool seen = false, missed = false;
        bool done = WaitUntil([&] {
            std::string line = LastLine(dump);
            if (line.empty())
                return false;
            seen = seen || SeenDown(dump, before, key);
            if (!seen)
                return missed = std::atol(JsonValue(line, "frame").c_str()) >= released + 2;
            return (std::atoi(JsonValue(line, "SoftKeyMask").c_str()) >> key & 1) == 0 && ok(line);
        });
        if (!missed)
            return done;
        std::fprintf(stderr, "no frame saw soft key %d of unit %d down (a busy machine): pressed again\n", key, unit);
    }
    return false;
}

bool TurnKnob(const std::string& dump, int unit, bool up, const StateCheck& ok)
{
    Panel("knob " + std::to_string(unit) + (up ? " up 1" : " down 1"));
    return WaitForState(dump, ok);
}

StateCheck Shows(const std::string& key, const std::string& value)
{
    return [=](const std::string& line) { return JsonValue(line, key) == value; };
}

StateCheck Shows(const std::string& key1, const std::string& value1, const std::string& key2, const std::string& value2)
{
    return [=](const std::string& line) { return JsonValue(line, key1) == value1 && JsonValue(line, key2) == value2; };
}

bool WaitUntil(const std::function<bool()>& ok, int timeoutMs)
{
    for (int waited = 0; waited < timeoutMs; waited += 20) {
        if (ok())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return ok();
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> ReadLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

void WriteFile(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary);
    out << content;
}

bool FileExists(const std::string& path)
{
    return fs::exists(path);
}

// The trace and the state dump are written by our own program in a fixed key order, so a
// small reader that looks keys up by name is enough.
std::string JsonValue(const std::string& line, const std::string& key)
{
    std::string pattern = "\"" + key + "\":";
    size_t at = line.find(pattern);
    if (at == std::string::npos)
        return "";
    at += pattern.size();
    if (line[at] == '"') {
        std::string value;
        for (size_t i = at + 1; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                char c = line[++i];
                if (c == 'u' && i + 4 < line.size()) {
                    value += static_cast<char>(std::stoi(line.substr(i + 1, 4), nullptr, 16));
                    i += 4;
                } else {
                    value += c;
                }
            } else if (line[i] == '"') {
                break;
            } else {
                value += line[i];
            }
        }
        return value;
    }
    size_t end = line.find_first_of(",}", at);
    if (line[at] == '[')
        end = line.find(']', at) + 1;
    return line.substr(at, end - at);
}

std::vector<TraceText> ReadTextTrace(const std::string& path)
{
    std::vector<TraceText> texts;
    for (const std::string& line : ReadLines(path)) {
        if (line.empty())
            continue;
        TraceText t;
        t.frame = std::atol(JsonValue(line, "frame").c_str());
        t.font = std::atoi(JsonValue(line, "font").c_str());
        t.align = std::atoi(JsonValue(line, "align").c_str());
        t.text = JsonValue(line, "text");
        std::string rgb = JsonValue(line, "rgb");
        std::sscanf(rgb.c_str(), "[%f,%f,%f]", &t.r, &t.g, &t.b);
        t.x = std::strtof(JsonValue(line, "x").c_str(), nullptr);
        t.y = std::strtof(JsonValue(line, "y").c_str(), nullptr);
        t.em = std::strtof(JsonValue(line, "em").c_str(), nullptr);
        std::string emX = JsonValue(line, "emx");
        t.emX = emX.empty() ? t.em : std::strtof(emX.c_str(), nullptr);
        t.clipped = JsonValue(line, "clipped") == "true";
        t.upright = JsonValue(line, "upright") != "false";
        texts.push_back(t);
    }
    return texts;
}

std::vector<TraceText> TraceFrame(const std::vector<TraceText>& all, long frame)
{
    if (frame < 0 && !all.empty())
        frame = all.back().frame;
    std::vector<TraceText> out;
    for (const TraceText& t : all)
        if (t.frame == frame)
            out.push_back(t);
    return out;
}

const TraceText* FindText(const std::vector<TraceText>& texts, const std::string& text)
{
    for (const TraceText& t : texts)
        if (t.text == text)
            return &t;
    return nullptr;
}

std::string LastLine(const std::string& path)
{
    std::string text = ReadFile(path);
    size_t end = text.rfind('\n');
    if (end == std::string::npos)
        return "";
    size_t start = end == 0 ? 0 : text.rfind('\n', end - 1) + 1;   // npos + 1: the first line
    return text.substr(start, end - start);
}
