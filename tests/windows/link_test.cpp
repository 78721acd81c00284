// The offset-protocol client against the Windows module stand-in, both as Windows programs
// (run under Wine by tests/windows/run-link-test.sh). The checks look at what the module
// sees with the system's own calls (window class, registered message, atom table, named
// mappings), not through the client's platform layer, so a wrong name cannot hide behind
// the same mistake on both sides.
// Usage: link-test.exe PATH\orvex-sim.exe
#include "simlink/simlink.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

static int Failures = 0;

#define CHECK(condition)                                                         \
    do {                                                                         \
        if (!(condition)) {                                                      \
            std::printf("FAIL %s:%d: %s\n", __FILE__, __LINE__, #condition);     \
            ++Failures;                                                          \
        }                                                                        \
    } while (0)

// A module run as a child process, its standard output read line by line.
struct Module {
    FILE* out = nullptr;
    std::string lines;  // everything it printed so far

    bool Start(const std::string& sim, const std::string& options)
    {
        lines.clear();
        std::string command = "\"" + sim + "\" " + options;
        out = _popen(command.c_str(), "r");
        return out && WaitFor("ready");
    }
    // Reads its output until a line holds `text`; false if it ended first.
    bool WaitFor(const std::string& text)
    {
        char line[256];
        while (lines.find(text) == std::string::npos) {
            if (!std::fgets(line, sizeof line, out))
                return false;
            lines += line;
        }
        return true;
    }
    // Closes its window, as a user or the simulator shutting down would, and waits for it.
    void Stop(const char* windowClass)
    {
        HWND window = FindWindowExA(nullptr, nullptr, windowClass, nullptr);
        if (window)
            PostMessageA(window, WM_CLOSE, 0, 0);
        if (out)
            _pclose(out);
        out = nullptr;
    }
};

static std::string BlockName(unsigned counter)
{
    char name[64];
    std::snprintf(name, sizeof name, "FsasmLib:IPC:%X:%X", static_cast<unsigned>(GetCurrentProcessId()), counter);
    return name;
}

// The names of the open link, as anyone in the session sees them.
static void CheckNamesVisible(unsigned counter, const char* windowClass)
{
    std::string name = BlockName(counter);
    CHECK(SimLink.ModuleWindow == static_cast<int>(HandleToLong(FindWindowExA(nullptr, nullptr, windowClass, nullptr))));
    CHECK(SimLink.Message == RegisterWindowMessageA("FsasmLib:IPC"));
    CHECK(SimLink.Message >= 0xC000);
    CHECK(std::string(SimLink.BlockName) == name);
    CHECK(SimLink.Atom != 0 && GlobalFindAtomA(name.c_str()) == SimLink.Atom);
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str());
    CHECK(mapping != nullptr);
    if (mapping) {
        void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
        MEMORY_BASIC_INFORMATION region{};
        CHECK(view && VirtualQuery(view, &region, sizeof region) == sizeof region && region.RegionSize == 32768);
        if (view)
            UnmapViewOfFile(view);
        CloseHandle(mapping);
    }
}

static bool NameGone(unsigned counter)
{
    std::string name = BlockName(counter);
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, name.c_str());
    if (mapping)
        CloseHandle(mapping);
    return !mapping && GlobalFindAtomA(name.c_str()) == 0;
}

static uint32_t ReadWord(uint32_t offset)
{
    uint32_t value = 0xDEADBEEF;
    if (!SimLinkRead(offset, 4, &value) || !SimLinkProcess())
        return 0xDEADBEEF;
    return value;
}

// Names, handshake, the block's limits and the queue rules against a module that is only
// of class "FS98MAIN", as the simulator's own window or a network client is.
static void TestNamesAndQueue(const std::string& sim)
{
    Module module;
    CHECK(module.Start(sim, "--class FS98MAIN --freeze --show-names --sim-version 9"));
    CHECK(FindWindowExA(nullptr, nullptr, "UIPCMAIN", nullptr) == nullptr);
    CHECK(module.lines.find("module window class FS98MAIN") != std::string::npos);

    CHECK(SimLinkOpen(0));
    CheckNamesVisible(1, "FS98MAIN");
    CHECK(SimLink.SimVersion == 9);
    CHECK(SimLink.ModuleVersion >= 0x19980005u);
    // The module saw the block under that name.
    CHECK(module.WaitFor("block " + BlockName(1)));
    // It kept our library version apart: the simulator word still says 0xFADE.
    CHECK(ReadWord(0x3308) >> 16 == 0xFADE);

    // An empty queue is refused, and the link goes on working.
    CHECK(!SimLinkProcess());
    CHECK(ReadWord(0x3304) == SimLink.ModuleVersion);

    // The largest read that leaves room for the end marker fits; one byte more does not,
    // and the refusal leaves the queue as it was.
    static unsigned char big[32493];
    CHECK(!SimLinkRead(0, 32493, big));
    CHECK(SimLinkRead(0, 32492, big));
    CHECK(!SimLinkRead(0x3304, 1, big));
    CHECK(SimLinkProcess());
    uint32_t version = 0;
    std::memcpy(&version, big + 0x3304, 4);
    CHECK(version == SimLink.ModuleVersion);

    // A write's bytes are taken when it is queued.
    uint32_t value = 0x11223344;
    CHECK(SimLinkWrite(0x66C0, 4, &value));
    value = 0;
    CHECK(SimLinkProcess());
    CHECK(ReadWord(0x66C0) == 0x11223344u);

    // A second open fails and leaves the first link working.
    CHECK(!SimLinkOpen(0));
    CHECK(ReadWord(0x66C0) == 0x11223344u);

    // Closing releases the atom and the mapping; the next open counts on.
    SimLinkClose();
    CHECK(NameGone(1));
    CHECK(SimLinkOpen(0));
    CheckNamesVisible(2, "FS98MAIN");
    CHECK(module.WaitFor("block " + BlockName(2)));
    SimLinkClose();

    // A simulator other than the one required is refused, and nothing is left behind.
    CHECK(!SimLinkOpen(8));
    CHECK(NameGone(3));
    module.Stop("FS98MAIN");
}

// The module goes away and comes back; a slow module is ridden out by the sends' retries.
static void TestGoneAndSlowModules(const std::string& sim)
{
    Module module;
    CHECK(module.Start(sim, "--freeze"));
    CHECK(SimLinkOpen(0));
    unsigned counter = SimLink.OpenCounter;
    module.Stop("UIPCMAIN");
    // Its window has gone: the exchange fails (at once: no send can reach a window that no
    // longer exists), the link closes and the read's destination keeps its value.
    uint32_t kept = 0x5A5A5A5A;
    CHECK(SimLinkRead(0x3304, 4, &kept));
    CHECK(!SimLinkProcess());
    CHECK(!SimLinkIsOpen());
    CHECK(kept == 0x5A5A5A5Au);
    CHECK(NameGone(counter));
    CHECK(!SimLinkOpen(0));  // nobody answers now

    // A module that answers every fifth request only after 400 ms.
    CHECK(module.Start(sim, "--freeze --hostile late"));
    SimLink.SendTimeoutMs = 250;
    SimLink.SendAttempts = 9;
    CHECK(SimLinkOpen(0));
    int answered = 0;
    for (int i = 0; i < 12; ++i)
        answered += ReadWord(0x3304) == SimLink.ModuleVersion;
    CHECK(answered == 12);  // the late ones were sent again and answered
    // Sending once, as the display unit does, a late answer fails the exchange and closes
    // the link; opening again works.
    SimLink.SendAttempts = 1;
    int failed = 0;
    for (int i = 0; i < 12 && failed == 0; ++i) {
        if (ReadWord(0x3304) != SimLink.ModuleVersion) {
            ++failed;
            CHECK(!SimLinkIsOpen());
        }
    }
    CHECK(failed == 1);
    CHECK(SimLinkOpen(0));
    SimLinkClose();
    SimLink.SendTimeoutMs = 2000;
    SimLink.SendAttempts = 9;
    module.Stop("UIPCMAIN");
}

// A module that overwrites the headers of the blocks it answers: whatever it does, the
// client copies only into the destinations it queued, never past them.
static void TestScribblingModule(const std::string& sim)
{
    Module module;
    CHECK(module.Start(sim, "--freeze --hostile scribble"));
    struct Guarded {
        uint32_t before, value, after;
    } slots[8];
    // A scribbled handshake or exchange closes the link: it is opened again each round.
    int exchanged = 0;
    for (int round = 0; round < 40; ++round) {
        if (!SimLinkIsOpen() && !SimLinkOpen(0))
            continue;
        for (Guarded& g : slots)
            g = {0xA5A5A5A5, 0, 0xA5A5A5A5};
        for (int i = 0; i < 8; ++i)
            SimLinkRead(0x3304, 4, &slots[i].value);
        exchanged += SimLinkProcess();
        for (const Guarded& g : slots)
            CHECK(g.before == 0xA5A5A5A5u && g.after == 0xA5A5A5A5u);
    }
    CHECK(exchanged > 0);
    SimLinkClose();
    module.Stop("UIPCMAIN");
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: link-test.exe orvex-sim.exe\n");
        return 2;
    }
    setvbuf(stdout, nullptr, _IONBF, 0);
    std::string sim = argv[1];
    TestNamesAndQueue(sim);
    std::printf("names and queue: %d failures so far\n", Failures);
    TestGoneAndSlowModules(sim);
    std::printf("gone and slow modules: %d failures so far\n", Failures);
    TestScribblingModule(sim);
    std::printf("%s: %d failures\n", Failures ? "FAILED" : "passed", Failures);
    return Failures ? 1 : 0;
}
