// The module's main loop: accepts clients on the module socket, answers their requests
// one at a time against the offset space, and moves the flight on between requests.
// Owns: SimServer (the offset space, clients and their mapped blocks).
// Reads: SimFlight.
#include "sim.h"
#include "sim_flightgear.h"

#include "platform/platform.h"

#include <cstdio>
#include <cstring>

namespace {
struct SimClient {
    int socket = -1;
    int pid = -1;                   // from the socket's credentials
    char blockName[PlatformBlockNameMax] = {};
    int block = -1;                 // the client's block as last handed over
    unsigned char* view = nullptr;  // and mapped
};

constexpr int SimMaxClients = 64;

struct SimServerState {
    SimOffsetSpace Space{};
    int Listener = -1;
    SimClient Clients[SimMaxClients];
    uint32_t Message = 0;
    volatile int Stop = 0;
};
}  // namespace

static SimServerState SimServer;

static void SimForgetBlock(SimClient& client)
{
    if (client.view)
        PlatformUnmapView(client.view, SimBlockSize);
    PlatformCloseBlock(client.block);
    client.view = nullptr;
    client.block = -1;
    client.blockName[0] = 0;
}

static void SimDropClient(SimClient& client)
{
    // The block is anonymous memory of the client's: it is gone once neither side holds it.
    SimForgetBlock(client);
    PlatformModuleDropClient(client.socket);
    client.socket = -1;
}

static void SimAcceptClients()
{
    for (;;) {
        int socket = PlatformModuleAccept(SimServer.Listener);
        if (socket < 0)
            return;
        SimClient* slot = nullptr;
        for (SimClient& c : SimServer.Clients)
            if (c.socket < 0 && !slot)
                slot = &c;
        if (!slot) {
            PlatformModuleDropClient(socket);  // full: the client's sends fail as with no module
            continue;
        }
        slot->socket = socket;
        slot->pid = PlatformModuleClientPid(socket);
    }
}

// One request: a block handed over with it replaces the one held; a request naming any
// other block than the one held is answered with 0, as is anything else wrong.
static void SimAnswer(SimClient& client)
{
    PlatformModuleRequest request;
    if (!PlatformModuleReceive(client.socket, &request)) {
        SimDropClient(client);
        return;
    }
    if (request.block >= 0) {
        // Only a block named in the clients' scheme after this client replaces the one held.
        void* view = nullptr;
        if (SimBlockNameBelongsTo(request.blockName, client.pid))
            view = PlatformMapBlock(request.block, SimBlockSize);
        if (view) {
            SimForgetBlock(client);
            client.view = static_cast<unsigned char*>(view);
            client.block = request.block;
            std::memcpy(client.blockName, request.blockName, sizeof client.blockName);
        } else {
            PlatformCloseBlock(request.block);
        }
    }
    uint32_t result = 0;
    if (request.message == SimServer.Message && client.view && std::strcmp(request.blockName, client.blockName) == 0) {
        result = SimProcessBlock(client.view, SimBlockSize, SimServer.Space);
        if (SimHostileActive() && SimHostileAfterProcess(client.view, client.block))
            SimForgetBlock(client);
    }
    if (!PlatformModuleAnswer(client.socket, request.sequence, result))
        SimDropClient(client);
}

// Waits up to timeoutMs for requests and answers every one that came.
static void SimServeFor(int timeoutMs)
{
    int fds[SimMaxClients + 2];
    bool ready[SimMaxClients + 2];
    int owner[SimMaxClients + 2];
    int count = 0;
    fds[count] = SimServer.Listener;
    owner[count++] = -1;
    // The FlightGear bridge's packets wake the loop as requests do (owner -2).
    if (FgBridge.Socket >= 0) {
        fds[count] = FgBridge.Socket;
        owner[count++] = -2;
    }
    for (int i = 0; i < SimMaxClients; ++i) {
        if (SimServer.Clients[i].socket >= 0) {
            fds[count] = SimServer.Clients[i].socket;
            owner[count++] = i;
        }
    }
    if (PlatformWaitReadable(fds, ready, count, timeoutMs) == 0)
        return;
    for (int i = 1; i < count; ++i) {
        if (ready[i] && owner[i] == -2)
            FgBridgePoll(PlatformMillis(), SimServer.Space);
        else if (ready[i])
            SimAnswer(SimServer.Clients[owner[i]]);
    }
    if (ready[0])
        SimAcceptClients();
}

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

static void SimShutdown(const SimOptions& options)
{
    for (SimClient& c : SimServer.Clients)
        if (c.socket >= 0)
            SimDropClient(c);
    PlatformModuleStopListening(SimServer.Listener, options.WindowClass.c_str());
    SimServer.Listener = -1;
}

int SimRun(const SimOptions& options)
{
    const bool bridge = !options.FlightGear.empty();
    std::string why;
    if (bridge ? !FgBridgeOpen(options.FlightGear, &why) : !SimLoadFlight(options)) {
        if (bridge)
            std::fprintf(stderr, "orvex-sim: %s\n", why.c_str());
        return 1;
    }
    SimPublishVersions(SimServer.Space, options.ModuleVersion, options.SimVersion);
    if (bridge)
        FgBridgePublishStart(SimServer.Space);
    else
        SimFlightPublish(SimServer.Space);
    SimPublishCockpitDefaults(SimServer.Space);
    SimServer.Listener = PlatformModuleListen(options.WindowClass.c_str(), &why);
    if (SimServer.Listener < 0) {
        std::fprintf(stderr, "orvex-sim: %s\n", why.c_str());
        return 1;
    }
    SimServer.Message = PlatformRegisterMessage("FsasmLib:IPC");
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
        SimServeFor(20);
        double now = PlatformMillis();
        if (bridge) {
            FgBridgePoll(now, SimServer.Space);  // also marks the data stale when packets stop
        } else if (!options.Freeze && now - lastMove >= 20) {
            SimFlightAdvanceTo(options.At + (now - wallStart) / 1000.0 * options.Rate);
            SimFlightPublish(SimServer.Space);
            lastMove = now;
        }
    }
    SimShutdown(options);
    if (bridge)
        FgBridgeClose();
    return 0;
}
