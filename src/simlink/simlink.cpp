// The offset-protocol client: queues reads and writes in the shared block, hands the
// block to the interface module in one exchange and copies the read results home.
// Owns: SimLink (link handles, the queue and its destination table).
// Reads: the platform's IPC transport.
#include "simlink/simlink.h"

#include "platform/platform.h"

#include <cstdio>
#include <cstring>

SimLinkState SimLink;

static constexpr uint32_t RequestRead = 1;
static constexpr uint32_t RequestWrite = 2;
static constexpr int MaxSends = 9;
static constexpr int HandshakePasses = 5;

// The block is little-endian whatever the machine, so the module can be a 32-bit
// program on another architecture.
static void PutWord(unsigned char* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<unsigned char>(value >> (8 * i));
}

static uint32_t GetWord(const unsigned char* at)
{
    return at[0] | (at[1] << 8) | (at[2] << 16) | (static_cast<uint32_t>(at[3]) << 24);
}

bool SimLinkIsOpen()
{
    return SimLink.View != nullptr;
}

static void ForgetQueue()
{
    SimLink.Cursor = 0;
    SimLink.QueuedCount = 0;
    SimLink.DestinationCount = 0;
}

void SimLinkClose()
{
    PlatformForgetModuleWindow(SimLink.ModuleWindow);
    SimLink.ModuleWindow = -1;
    SimLink.Message = 0;
    if (SimLink.Atom) {
        PlatformDeleteAtom(SimLink.Atom);
        SimLink.Atom = 0;
    }
    if (SimLink.View) {
        PlatformUnmapView(SimLink.View, SimLinkBlockSize);
        SimLink.View = nullptr;
    }
    if (SimLink.Mapping >= 0) {
        PlatformCloseMapping(SimLink.Mapping, SimLink.BlockName);
        SimLink.Mapping = -1;
    }
    ForgetQueue();
}

void SimLinkReset()
{
    SimLinkClose();
    SimLink = SimLinkState{};
}

// Steps 3 to 6 of opening: module window, message, atom and the named block.
static bool SimLinkAttach()
{
    SimLink.ModuleWindow = PlatformFindModuleWindow("UIPCMAIN");
    if (SimLink.ModuleWindow < 0)
        SimLink.ModuleWindow = PlatformFindModuleWindow("FS98MAIN");
    if (SimLink.ModuleWindow < 0)
        return false;
    SimLink.Message = PlatformRegisterMessage("FsasmLib:IPC");
    if (SimLink.Message == 0)
        return false;
    ++SimLink.OpenCounter;
    std::snprintf(SimLink.BlockName, sizeof SimLink.BlockName, "FsasmLib:IPC:%X:%X",
                  static_cast<unsigned>(PlatformProcessId()), SimLink.OpenCounter);
    SimLink.Atom = PlatformAddAtom(SimLink.BlockName);
    if (SimLink.Atom == 0)
        return false;
    SimLink.Mapping = PlatformCreateMapping(SimLink.BlockName, SimLinkBlockSize);
    if (SimLink.Mapping < 0)
        return false;
    SimLink.View = static_cast<unsigned char*>(PlatformMapView(SimLink.Mapping, SimLinkBlockSize));
    if (!SimLink.View)
        return false;
    ForgetQueue();
    return true;
}

// Asks for the module and simulator versions until both have come; the first pass also
// announces our library version at 0x330A.
static bool SimLinkHandshake()
{
    const uint16_t library = SimLinkLibraryVersion;
    unsigned char announcement[2] = {static_cast<unsigned char>(library), static_cast<unsigned char>(library >> 8)};
    for (int pass = 0; pass < HandshakePasses; ++pass) {
        if (SimLink.ModuleVersion != 0 && SimLink.SimVersion != 0)
            break;
        if (!SimLinkRead(0x3304, 4, &SimLink.ModuleVersion) || !SimLinkRead(0x3308, 4, &SimLink.SimVersion))
            return false;
        if (pass == 0 && !SimLinkWrite(0x330A, 2, announcement))
            return false;
        if (!SimLinkProcess())
            return false;
        PlatformSleepMs(100);
    }
    return true;
}

bool SimLinkOpen(uint32_t requiredVersion)
{
    if (SimLink.View)
        return false;
    SimLink.ModuleVersion = 0;
    SimLink.SimVersion = 0;
    if (!SimLinkAttach() || !SimLinkHandshake()) {
        SimLinkClose();
        return false;
    }
    // The version words arrive as the module stores them, little-endian.
    unsigned char words[8];
    std::memcpy(words, &SimLink.ModuleVersion, 4);
    std::memcpy(words + 4, &SimLink.SimVersion, 4);
    SimLink.ModuleVersion = GetWord(words);
    SimLink.SimVersion = GetWord(words + 4);
    if (SimLink.ModuleVersion < 0x19980005u || (SimLink.SimVersion >> 16) != 0xFADE) {
        SimLinkClose();
        return false;
    }
    SimLink.SimVersion &= 0xFFFF;
    if (requiredVersion != 0 && requiredVersion != SimLink.SimVersion) {
        SimLinkClose();
        return false;
    }
    return true;
}

bool SimLinkRead(uint32_t offset, uint32_t size, void* destination)
{
    // The request and the end marker after it must fit in the request area.
    if (!SimLink.View || uint64_t{SimLink.Cursor} + size + 20 > SimLinkRequestArea)
        return false;
    uint32_t token = 0;
    if (destination && size) {
        SimLink.Destinations[SimLink.DestinationCount] = {destination, size};
        token = ++SimLink.DestinationCount;
    }
    unsigned char* at = SimLink.View + SimLink.Cursor;
    PutWord(at, RequestRead);
    PutWord(at + 4, offset);
    PutWord(at + 8, size);
    PutWord(at + 12, token);
    std::memset(at + 16, 0, size);
    SimLink.Queued[SimLink.QueuedCount++] = {SimLink.Cursor, RequestRead, offset, size, token};
    SimLink.Cursor += 16 + size;
    return true;
}

bool SimLinkWrite(uint32_t offset, uint32_t size, const void* source)
{
    if (!SimLink.View || uint64_t{SimLink.Cursor} + size + 16 > SimLinkRequestArea)
        return false;
    if (!source && size)
        return false;
    unsigned char* at = SimLink.View + SimLink.Cursor;
    PutWord(at, RequestWrite);
    PutWord(at + 4, offset);
    PutWord(at + 8, size);
    if (size)
        std::memcpy(at + 12, source, size);
    SimLink.Queued[SimLink.QueuedCount++] = {SimLink.Cursor, RequestWrite, offset, size, 0};
    SimLink.Cursor += 12 + size;
    return true;
}

// Does the header the module left at this request still say what we queued?
static bool HeaderMatches(const unsigned char* at, const SimLinkQueued& q)
{
    if (GetWord(at + 4) != q.offset || GetWord(at + 8) != q.size)
        return false;
    return q.type != RequestRead || GetWord(at + 12) == q.token;
}

void SimLinkWalk()
{
    // The module fills read data in place and leaves the headers alone, so a header that
    // no longer says what we queued means the block was scribbled on: like an unknown
    // request type, its type word is cleared and the walk ends there. Sizes, positions
    // and destinations come from our own record, so no copy can go anywhere else.
    uint32_t position = 0;
    for (uint32_t i = 0;; ++i) {
        unsigned char* at = SimLink.View + position;
        uint32_t type = GetWord(at);
        if (type == 0)
            return;
        if (i == SimLink.QueuedCount || type != SimLink.Queued[i].type || !HeaderMatches(at, SimLink.Queued[i])) {
            PutWord(at, 0);
            return;
        }
        const SimLinkQueued& q = SimLink.Queued[i];
        if (q.type == RequestRead && q.token != 0) {
            const SimLinkDestination& d = SimLink.Destinations[q.token - 1];
            std::memcpy(d.pointer, at + 16, d.size < q.size ? d.size : q.size);
        }
        position += (q.type == RequestRead ? 16 : 12) + q.size;
    }
}

bool SimLinkProcess()
{
    if (!SimLink.View || SimLink.Cursor == 0)
        return false;
    PutWord(SimLink.View + SimLink.Cursor, 0);
    SimLink.Cursor = 0;
    bool sent = false;
    uint32_t result = 0;
    for (int attempt = 0; attempt < MaxSends && !sent; ++attempt) {
        if (attempt > 0)
            PlatformSleepMs(100);
        sent = PlatformSendMessageTimeout(SimLink.ModuleWindow, SimLink.Message, SimLink.Atom, 0,
                                          SimLink.SendTimeoutMs, &result);
    }
    if (sent && result == 1)
        SimLinkWalk();
    ForgetQueue();
    return sent && result == 1;
}
