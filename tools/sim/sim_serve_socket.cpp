// The module's transport on Linux: accepts clients on the module socket and answers their
// requests one at a time against the offset space; each block is the client's anonymous
// memory, handed over on the socket.
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
    int block = -1;                 // the client's block as last handed over
    unsigned char* view = nullptr;  // and mapped
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
            SimNoteBlockName(client.blockName);
        } else {
            PlatformCloseBlock(request.block);
        }
    }
    uint32_t result = 0;
    if (request.message == SimServer.Message && client.view && std::strcmp(request.blockName, client.blockName) == 0) {
        result = SimProcessBlock(client.view, SimBlockSize, *SimServer.Space);
        if (SimHostileActive() && SimHostileAfterProcess(client.view, client.block))
            SimForgetBlock(client);
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
