// The offset-protocol client: queues reads and writes in the shared block, hands the
// block to the interface module in one exchange and copies the read results home.
// Owns: SimLink (link handles, the queue and its destination table).
// Reads: the platform's IPC transport.
#include "simlink/simlink.h"

#include "platform/byte_order.h"
#include "platform/platform.h"

#include <cstdio>
#include <cstring>
#include <string>

SimLinkState SimLink;

static constexpr uint32_t RequestRead = 1;
static constexpr uint32_t RequestWrite = 2;
static constexpr int HandshakePasses = 5;

bool SimLinkIsOpen()
{
    return SimLink.Phase == SimLinkPhase::Open;
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
    SimLink.View = nullptr;
    if (SimLink.Mapping >= 0) {
        PlatformCloseMapping(SimLink.Mapping, SimLink.BlockName);
        SimLink.Mapping = -1;
    }
    SimLink.Phase = SimLinkPhase::Closed;
    SimLink.AwaitingAnswer = false;
    ForgetQueue();
}

void SimLinkReset()
{
    SimLinkClose();
    SimLink = SimLinkState{};
}

// Steps 3 to 6 of opening: module window, message, atom and the block.
static bool SimLinkAttach()
{
    SimLink.ModuleWindow = PlatformFindModuleWindow("UIPCMAIN");
    if (SimLink.ModuleWindow < 0)
        SimLink.ModuleWindow = PlatformFindModuleWindow("FS98MAIN");
    if (SimLink.ModuleWindow < 0) {
        // No module is the usual case and says nothing; anything else is said.
        SimLink.Failure = PlatformModuleUnreachableReason("UIPCMAIN");
        return false;
    }
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
    if (SimLink.Mapping < 0) {
        SimLink.Failure = std::string("cannot make the block ") + SimLink.BlockName + " (no memory for it)";
        return false;
    }
    SimLink.View = SimLink.Block;
    std::memset(SimLink.Block, 0, sizeof SimLink.Block);
    ForgetQueue();
    return true;
}

// Hands the queued block to the module without waiting for the answer: the used part of
// the block and its end marker go into the shared object, then the request. The object is
// not checked here: whatever a module did to it before it reads our requests (cut it
// short, grew it, put another object under its name), the check when the answer comes
// back sees it, and a system call is a good part of an exchange's cost.
static bool SimLinkPost()
{
    PutWord(SimLink.View + SimLink.Cursor, 0);
    uint32_t used = SimLink.Cursor + 4;
    SimLink.Cursor = 0;
    if (!PlatformPutBlock(SimLink.Mapping, SimLink.View, used))
        return false;
    return PlatformPostMessage(SimLink.ModuleWindow, SimLink.Message, SimLink.Atom, 0, &SimLink.Sequence,
                               SimLink.SendTimeoutMs, SimLink.SendAttempts);
}

// After the module answered 1: its block comes home, is checked for size and walked.
// False when the object is no longer the size we made it (shrunk, grown or cut short
// while we read), which only a misbehaving module does.
static bool SimLinkCollect()
{
    uint32_t used = 0;
    if (SimLink.QueuedCount > 0) {
        const SimLinkQueued& last = SimLink.Queued[SimLink.QueuedCount - 1];
        used = last.position + (last.type == RequestRead ? 16 : 12) + last.size + 4;
    }
    if (PlatformMappingSize(SimLink.Mapping) != SimLinkBlockSize || !PlatformGetBlock(SimLink.Mapping, SimLink.View, used))
        return false;
    SimLinkWalk();
    return true;
}

static void SimLinkRetryLater(double nowMs)
{
    SimLinkClose();
    SimLink.BackoffMs = SimLink.BackoffMs == 0 ? SimLinkRetryFirstMs : SimLink.BackoffMs * 2;
    if (SimLink.BackoffMs > SimLinkRetryMaxMs)
        SimLink.BackoffMs = SimLinkRetryMaxMs;
    SimLink.RetryAtMs = nowMs + SimLink.BackoffMs;
}

// One pass of the handshake asks for the module and simulator versions; the first pass
// also announces our library version at 0x330A.
static bool SimLinkStartPass(double nowMs)
{
    const uint16_t library = SimLinkLibraryVersion;
    unsigned char announcement[2] = {static_cast<unsigned char>(library), static_cast<unsigned char>(library >> 8)};
    if (!SimLinkRead(0x3304, 4, &SimLink.ModuleVersion) || !SimLinkRead(0x3308, 4, &SimLink.SimVersion))
        return false;
    if (SimLink.HandshakePass == 0 && !SimLinkWrite(0x330A, 2, announcement))
        return false;
    if (!SimLinkPost())
        return false;
    SimLink.AwaitingAnswer = true;
    SimLink.DeadlineMs = nowMs + SimLink.SendTimeoutMs;
    return true;
}

// Steps 8 and 9: the module must be recent enough and say 0xFADE, the simulator the one
// required.
static bool SimLinkAcceptVersions()
{
    // The version words arrive as the module stores them, little-endian.
    unsigned char words[8];
    std::memcpy(words, &SimLink.ModuleVersion, 4);
    std::memcpy(words + 4, &SimLink.SimVersion, 4);
    SimLink.ModuleVersion = GetWord(words);
    SimLink.SimVersion = GetWord(words + 4);
    if (SimLink.ModuleVersion < 0x19980005u || (SimLink.SimVersion >> 16) != 0xFADE)
        return false;
    SimLink.SimVersion &= 0xFFFF;
    return SimLink.RequiredVersion == 0 || SimLink.RequiredVersion == SimLink.SimVersion;
}

// The handshake's answer has come (or its pass has failed); decides what is next.
static SimLinkPhase SimLinkPassAnswered(uint32_t result, double nowMs)
{
    SimLink.AwaitingAnswer = false;
    bool collected = result == 1 && SimLinkCollect();
    ForgetQueue();
    if (result != 1)
        SimLink.Failure = "the module refused the block (answered " + std::to_string(result) + ")";
    if (!collected) {
        SimLinkRetryLater(nowMs);
        return SimLink.Phase;
    }
    ++SimLink.HandshakePass;
    if ((SimLink.ModuleVersion != 0 && SimLink.SimVersion != 0) || SimLink.HandshakePass == HandshakePasses) {
        if (!SimLinkAcceptVersions()) {
            char why[160];
            std::snprintf(why, sizeof why,
                          "the module answered version %08X and simulator word %08X, which this unit "
                          "does not accept",
                          SimLink.ModuleVersion, SimLink.SimVersion);
            SimLink.Failure = why;
            SimLinkRetryLater(nowMs);
            return SimLink.Phase;
        }
        SimLink.Phase = SimLinkPhase::Open;
        SimLink.BackoffMs = 0;
        SimLink.Failure.clear();
        return SimLink.Phase;
    }
    // A module still starting up may answer zeros: ask again a little later.
    SimLink.NextPassAtMs = nowMs + 100;
    return SimLink.Phase;
}

// Advances an attempt as far as it can go within waitMs.
static SimLinkPhase SimLinkAdvance(uint32_t requiredVersion, double nowMs, int waitMs)
{
    if (SimLink.Phase == SimLinkPhase::Open)
        return SimLink.Phase;
    if (SimLink.Phase == SimLinkPhase::Closed) {
        if (nowMs < SimLink.RetryAtMs)
            return SimLink.Phase;
        SimLink.ModuleVersion = 0;
        SimLink.SimVersion = 0;
        SimLink.RequiredVersion = requiredVersion;
        SimLink.HandshakePass = 0;
        if (!SimLinkAttach()) {
            SimLinkRetryLater(nowMs);
            return SimLink.Phase;
        }
        SimLink.Phase = SimLinkPhase::Handshaking;
        if (!SimLinkStartPass(nowMs)) {
            SimLinkRetryLater(nowMs);
            return SimLink.Phase;
        }
    }
    if (!SimLink.AwaitingAnswer) {
        if (nowMs < SimLink.NextPassAtMs)
            return SimLink.Phase;
        if (!SimLinkStartPass(nowMs)) {
            SimLinkRetryLater(nowMs);
            return SimLink.Phase;
        }
    }
    uint32_t result = 0;
    int answered = PlatformAwaitAnswer(SimLink.ModuleWindow, SimLink.Sequence, waitMs, &result);
    double now = PlatformMillis();
    if (answered > 0)
        return SimLinkPassAnswered(result, now);
    if (answered < 0 || now >= SimLink.DeadlineMs)
        SimLinkRetryLater(now);  // gone, or silent for the whole time-out
    return SimLink.Phase;
}

SimLinkPhase SimLinkConnectStep(uint32_t requiredVersion, double nowMs)
{
    return SimLinkAdvance(requiredVersion, nowMs, 0);
}

bool SimLinkOpen(uint32_t requiredVersion)
{
    if (SimLink.Phase != SimLinkPhase::Closed)
        return false;
    // A direct open is attempted at once, whatever back-off earlier attempts left.
    SimLink.RetryAtMs = 0;
    SimLinkPhase phase = SimLinkAdvance(requiredVersion, PlatformMillis(), SimLink.SendTimeoutMs);
    while (phase == SimLinkPhase::Handshaking) {
        double now = PlatformMillis();
        if (!SimLink.AwaitingAnswer && now < SimLink.NextPassAtMs)
            PlatformSleepMs(static_cast<int>(SimLink.NextPassAtMs - now) + 1);
        int wait = static_cast<int>(SimLink.DeadlineMs - PlatformMillis());
        phase = SimLinkAdvance(requiredVersion, PlatformMillis(), wait > 0 ? wait : 0);
    }
    return phase == SimLinkPhase::Open;
}

bool SimLinkRead(uint32_t offset, uint32_t size, void* destination)
{
    // The request and the end marker after it must fit in the request area.
    if (!SimLink.View || uint64_t{SimLink.Cursor} + size + 20 > SimLinkRequestArea || SimLink.AwaitingAnswer)
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
    if (!SimLink.View || uint64_t{SimLink.Cursor} + size + 16 > SimLinkRequestArea || SimLink.AwaitingAnswer)
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
    if (SimLink.Phase != SimLinkPhase::Open || SimLink.Cursor == 0)
        return false;
    // One send, one bounded wait. A module that is gone, does not take the request or
    // does not answer in time fails the exchange and closes the link; the caller opens it
    // again when a module answers. Where the send itself blocks (Windows) it is tried again
    // SendAttempts times while the module window exists; a socket that is gone (Linux)
    // cannot answer a second try, so there the one failure ends the exchange.
    uint32_t result = 0;
    bool answered = SimLinkPost() &&
                    PlatformAwaitAnswer(SimLink.ModuleWindow, SimLink.Sequence, SimLink.SendTimeoutMs, &result) > 0;
    if (!answered || (result == 1 && !SimLinkCollect())) {
        SimLinkClose();
        return false;
    }
    ForgetQueue();
    return result == 1;
}
