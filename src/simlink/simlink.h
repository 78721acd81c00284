// The offset-protocol client: requests for numbered simulator offsets are queued in a
// 32 KiB shared block and handed to the interface module in one exchange; the module
// fills the read data in place and the client copies each result to its destination.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The block exchanged with the module: 32768 bytes, of which the first 32512 carry requests.
constexpr uint32_t SimLinkBlockSize = 32768;
constexpr uint32_t SimLinkRequestArea = 32512;
// Each read gets a token naming its destination. A read takes at least 16 bytes and a
// write at least 12, which bounds how many requests a block can hold.
constexpr uint32_t SimLinkMaxReads = SimLinkRequestArea / 16;
constexpr uint32_t SimLinkMaxRequests = SimLinkRequestArea / 12;

// One queued request as the client wrote it; the walk after an exchange trusts these,
// never the headers the module leaves in the block.
struct SimLinkQueued {
    uint32_t position;  // of the header in the block
    uint32_t type;      // 1 read, 2 write
    uint32_t offset;
    uint32_t size;
    uint32_t token;     // reads: 0 for none, else index + 1 into Destinations
};

struct SimLinkDestination {
    void* pointer;
    uint32_t size;
};

// Where opening stands; the display unit opens step by step, once a frame, so a module
// that is missing, stopped or slow never holds up its display.
enum class SimLinkPhase {
    Closed,       // no link; the next attempt is due at RetryAtMs
    Handshaking,  // block made, version handshake under way
    Open,
};

// Link state; one instance, `SimLink`. Lives for the whole run; SimLinkReset() for tests.
struct SimLinkState {
    uint32_t OpenCounter = 0;    // incremented before each open attempt, part of the block name
    uint32_t ModuleVersion = 0;  // answered at 0x3304
    uint32_t SimVersion = 0;     // answered at 0x3308; after a successful open only its low 16 bits

    // The open link: module window (a socket here), message, atom, mapping and view.
    // The view is the client's own copy of the block: it is written to the shared object
    // before each exchange and read back from it after, never walked in place, so a module
    // that shrinks or swaps the object can fail an exchange but never fault the client, and
    // a module that walks a block late (after a time-out) always finds a complete one.
    int ModuleWindow = -1;
    uint32_t Message = 0;
    uint16_t Atom = 0;
    int Mapping = -1;
    unsigned char* View = nullptr;  // Block while a link is open or opening
    uint32_t Cursor = 0;         // bytes queued so far
    char BlockName[64] = {};
    // How long one exchange waits for its answer. A module that takes longer is taken to
    // have gone: the exchange fails and the link closes, to be opened again. The panel and
    // tests keep the module's 2000 ms; the display unit uses ExchangeTimeoutUnitMs.
    int SendTimeoutMs = 2000;
    // Where the send itself blocks (Windows), a send that times out while the module window
    // still exists is tried again 100 ms later, up to this many sends in all. The panel and
    // tests keep the module's 9; the display unit sends once (ExchangeAttemptsUnit).
    int SendAttempts = 9;

    // Opening step by step (SimLinkConnectStep).
    SimLinkPhase Phase = SimLinkPhase::Closed;
    uint32_t RequiredVersion = 0;
    int HandshakePass = 0;
    bool AwaitingAnswer = false;  // a handshake pass is with the module
    uint32_t Sequence = 0;        // of that pass's request
    double DeadlineMs = 0;        // for its answer
    double NextPassAtMs = 0;      // when no answer is awaited: the next pass's time
    double RetryAtMs = 0;         // while closed: the next attempt's time
    int BackoffMs = 0;            // grows while attempts keep failing
    // Why the last attempt failed, when the reason is something other than "no module"
    // (runtime folder, block, versions, a refused block); empty otherwise and once open.
    std::string Failure;

    // What the queue holds, for the walk.
    uint32_t QueuedCount = 0;
    SimLinkQueued Queued[SimLinkMaxRequests];
    uint32_t DestinationCount = 0;
    SimLinkDestination Destinations[SimLinkMaxReads];
    alignas(8) unsigned char Block[SimLinkBlockSize];
};
extern SimLinkState SimLink;

constexpr uint32_t SimLinkLibraryVersion = 1004;
// The display unit's wait for one answer: the stand-in answers in well under a
// millisecond, and a quarter of a second is already a visible hitch of the display.
constexpr int ExchangeTimeoutUnitMs = 250;
// The display unit does not send again after a time-out: the link closes and reopens on
// later frames, which draw the last picture meanwhile, so no frame waits longer than one
// time-out for a simulator that is busy (loading scenery, a modal dialog) instead of the
// 18 s that nine sends of 2000 ms would hold it.
constexpr int ExchangeAttemptsUnit = 1;
// Back-off between failed attempts to open: the first retry is quick, later ones every
// 400 ms, so a module that comes back is answered within half a second.
constexpr int SimLinkRetryFirstMs = 50;
constexpr int SimLinkRetryMaxMs = 400;

// Opens the link, waiting for the handshake (up to SendTimeoutMs per pass).
bool SimLinkOpen(uint32_t requiredVersion);
// One step of opening without waiting: starts an attempt when one is due, or looks once
// for the handshake's answer. Returns the phase after the step; nowMs is PlatformMillis().
SimLinkPhase SimLinkConnectStep(uint32_t requiredVersion, double nowMs);
bool SimLinkRead(uint32_t offset, uint32_t size, void* destination);
bool SimLinkWrite(uint32_t offset, uint32_t size, const void* source);
// One exchange. False when the module refused the block (answer not 1; the link stays
// open) or when it failed to answer (gone, silent past the time-out, or the block tampered
// with; the link is then closed and SimLinkIsOpen() says so).
bool SimLinkProcess();
void SimLinkClose();
bool SimLinkIsOpen();
// The walk over an answered block: copies each queued read to its destination. Exposed
// for the fuzzer, which hands it hostile blocks.
void SimLinkWalk();
void SimLinkReset();
