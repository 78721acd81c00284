// The module's main loop: answers requests through the platform's transport
// (sim_serve_socket.cpp, sim_serve_window.cpp) and moves the flight on between requests.
// Owns: SimServer (the offset space and the stop flag). Reads: SimFlight.
#include "sim.h"
#include "sim_flightgear.h"

#include "platform/platform.h"

#include <cstdio>
#include <cstring>

namespace {
struct SimServerState {
    SimOffsetSpace Space{};
    volatile int Stop = 0;
    bool ShowNames = false;
    char ShownNames[64][PlatformBlockNameMax] = {};  // the block names printed so far, newest last
    int ShownCount = 0;
};
}  // namespace

static SimServerState SimServer;

// A flight or a unit's accfg.ini is a few KiB: up to 16 MiB of a regular file is read, and
// anything else (a FIFO, /dev/zero, a runaway file) is refused with the reason.
static bool SimReadTextFile(const std::string& path, std::string* text, std::string* why)
{
    return PlatformReadWholeFile(path.c_str(), 16u << 20, text, why);
}

bool SimBlockNameBelongsTo(const char* name, int clientPid)
{
    static const char Prefix[] = "FsasmLib:IPC:";
    if (clientPid <= 0 || std::strncmp(name, Prefix, sizeof Prefix - 1) != 0)
        return false;
    // Upper-case hexadecimal without leading zeros, as "%X" writes it: exactly one
    // spelling per number, so two names can never mean the same block.
    auto number = [](const char*& at, char end, unsigned long* value) {
        const char* first = at;
        *value = 0;
        while ((*at >= '0' && *at <= '9') || (*at >= 'A' && *at <= 'F')) {
            if (at - first >= 8)
                return false;
            *value = *value * 16 + static_cast<unsigned long>(*at <= '9' ? *at - '0' : *at - 'A' + 10);
            ++at;
        }
        return at != first && *at == end && !(*first == '0' && at - first > 1);
    };
    const char* at = name + sizeof Prefix - 1;
    unsigned long pid = 0, counter = 0;
    if (!number(at, ':', &pid))
        return false;
    ++at;
    return number(at, '\0', &counter) && counter != 0 && pid == static_cast<unsigned long>(clientPid);
}

void SimNoteBlockName(const char* name)
{
    if (!SimServer.ShowNames)
        return;
    for (int i = 0; i < SimServer.ShownCount; ++i)
        if (std::strcmp(SimServer.ShownNames[i], name) == 0)
            return;
    // A long run sees many names (every reopen makes one): the oldest is forgotten.
    if (SimServer.ShownCount == 64) {
        std::memmove(SimServer.ShownNames[0], SimServer.ShownNames[1], sizeof SimServer.ShownNames - sizeof SimServer.ShownNames[0]);
        --SimServer.ShownCount;
    }
    std::snprintf(SimServer.ShownNames[SimServer.ShownCount++], PlatformBlockNameMax, "%s", name);
    std::printf("block %s\n", name);
    std::fflush(stdout);
}

static bool SimLoadFlight(const SimOptions& options)
{
    std::string text = SimBuiltinFlightText();
    std::string error;
    if (!options.FlightFile.empty() && !SimReadTextFile(options.FlightFile, &text, &error)) {
        std::fprintf(stderr, "orvex-sim: cannot read flight file %s: %s\n", options.FlightFile.c_str(), error.c_str());
        return false;
    }
    static SimTimeline timeline;
    if (!SimParseTimeline(text, &timeline, &error)) {
        std::fprintf(stderr, "orvex-sim: %s: %s\n",
                     options.FlightFile.empty() ? "built-in flight" : options.FlightFile.c_str(), error.c_str());
        return false;
    }
    for (const std::string& placement : options.Traffic) {
        if (!SimPlaceTraffic(placement, &timeline, &error)) {
            std::fprintf(stderr, "orvex-sim: %s\n", error.c_str());
            return false;
        }
    }
    if (!options.RouteFile.empty()) {
        std::string route;
        if (!SimReadTextFile(options.RouteFile, &route, &error)) {
            std::fprintf(stderr, "orvex-sim: cannot read route file %s: %s\n", options.RouteFile.c_str(), error.c_str());
            return false;
        }
        if (!SimLoadRoute(route, &timeline, &error)) {
            std::fprintf(stderr, "orvex-sim: %s: %s\n", options.RouteFile.c_str(), error.c_str());
            return false;
        }
    }
    SimFlightStart(timeline);
    SimFlightAdvanceTo(options.At);
    return true;
}

int SimRun(const SimOptions& options)
{
    const bool bridge = !options.FlightGear.empty();
    std::string why;
    if (bridge ? !FgBridgeOpen(options.FlightGear, &why) ||
                     (!options.FlightGearShare.empty() && !FgBridgeShare(options.FlightGearShare, &why))
               : !SimLoadFlight(options)) {
        if (bridge)
            std::fprintf(stderr, "orvex-sim: %s\n", why.c_str());
        return 1;
    }
    if (bridge)
        FgBridgeAnnounce();
    SimPublishVersions(SimServer.Space, options.ModuleVersion, options.SimVersion);
    if (bridge)
        FgBridgePublishStart(SimServer.Space);
    else
        SimFlightPublish(SimServer.Space);
    SimPublishCockpitDefaults(SimServer.Space);
    if (!SimServeOpen(options, &SimServer.Space, &why)) {
        std::fprintf(stderr, "orvex-sim: %s\n", why.c_str());
        return 1;
    }
    SimServer.ShowNames = options.ShowNames;
    if (options.ShowNames)
        std::printf("module window class %s, message \"FsasmLib:IPC\" = 0x%X\n", options.WindowClass.c_str(),
                    PlatformRegisterMessage("FsasmLib:IPC"));
    SimHostileStart(options.Hostile);
    PlatformCatchTermination(&SimServer.Stop);
    std::printf("ready\n");
    std::fflush(stdout);
    // The flight moves in sim time = start second + wall time x rate; while frozen it
    // writes nothing, so values poked by clients stay exactly as poked.
    // It is moved at most every 20 ms, so a busy stream of requests is not slowed.
    double wallStart = PlatformMillis();
    double lastMove = wallStart;
    while (!SimServer.Stop) {
        if (!SimServeFor(20))
            break;  // the module window was closed
        double now = PlatformMillis();
        if (bridge) {
            FgBridgePoll(now, SimServer.Space);  // also marks the data stale when packets stop
        } else if (!options.Freeze && now - lastMove >= 20) {
            SimFlightAdvanceTo(options.At + (now - wallStart) / 1000.0 * options.Rate);
            SimFlightPublish(SimServer.Space);
            lastMove = now;
        }
    }
    SimServeClose(options);
    if (bridge)
        FgBridgeClose();
    return 0;
}
