// The module's transport on Linux: accepts clients on the module socket and answers their
// requests one at a time against the offset space; the blocks are POSIX shared memory.
// Owns: the listener, the clients and their mapped blocks. Reads: SimFlight (through the
// space), FgBridge's socket (so its packets wake the loop).
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
    unsigned char* view = nullptr;  // the client's block as last named, mapped
};

constexpr int SimMaxClients = 64;

struct SimSocketState {
    SimOffsetSpace* Space = nullptr;
    int Listener = -1;
    SimClient Clients[SimMaxClients];
    uint32_t Message = 0;
};
}  // namespace

static SimSocketState SimServer;

static void SimForgetBlock(SimClient& client)
{
    if (client.view)
        PlatformUnmapView(client.view, SimBlockSize);
    client.view = nullptr;
    client.blockName[0] = 0;
}

static void SimDropClient(SimClient& client)
{
    // The module removes nothing it did not make: a block belongs to its client, which
    // removes it on close; one left by a client that died is cleared by the next client
    // of the same user (by the dead process id in its name).
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

// One request: the block named in it is mapped (kept while the name stays the same) and
// processed; anything wrong is answered with 0.
static void SimAnswer(SimClient& client)
{
    PlatformModuleRequest request;
    if (!PlatformModuleReceive(client.socket, &request)) {
        SimDropClient(client);
        return;
    }
    uint32_t result = 0;
    if (request.message == SimServer.Message) {
        if (std::strcmp(request.blockName, client.blockName) != 0) {
            SimForgetBlock(client);
            if (SimBlockNameBelongsTo(request.blockName, client.pid))
                client.view = static_cast<unsigned char*>(PlatformOpenMapping(request.blockName, SimBlockSize));
            if (client.view) {
                std::memcpy(client.blockName, request.blockName, sizeof client.blockName);
                SimNoteBlockName(client.blockName);
            }
        }
        if (client.view) {
            result = SimProcessBlock(client.view, SimBlockSize, *SimServer.Space);
            if (SimHostileActive() && SimHostileAfterProcess(client.view, client.blockName))
                SimForgetBlock(client);
        }
    }
    if (!PlatformModuleAnswer(client.socket, request.sequence, result))
        SimDropClient(client);
}

// Waits up to timeoutMs for requests and answers every one that came.
bool SimServeFor(int timeoutMs)
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
        return true;
    for (int i = 1; i < count; ++i) {
        if (ready[i] && owner[i] == -2)
            FgBridgePoll(PlatformMillis(), *SimServer.Space);
        else if (ready[i])
            SimAnswer(SimServer.Clients[owner[i]]);
    }
    if (ready[0])
        SimAcceptClients();
    return true;
}

void SimServeClose(const SimOptions& options)
{
    for (SimClient& c : SimServer.Clients)
        if (c.socket >= 0)
            SimDropClient(c);
    PlatformModuleStopListening(SimServer.Listener, options.WindowClass.c_str());
    SimServer.Listener = -1;
}

bool SimServeOpen(const SimOptions& options, SimOffsetSpace* space, std::string* why)
{
    SimServer.Space = space;
    SimServer.Listener = PlatformModuleListen(options.WindowClass.c_str(), why);
    if (SimServer.Listener < 0)
        return false;
    SimServer.Message = PlatformRegisterMessage("FsasmLib:IPC");
    return true;
}
