// The offset-protocol client: requests for numbered simulator offsets are queued in a
// 32 KiB shared block and handed to the interface module in one exchange; the module
// fills the read data in place and the client copies each result to its destination.
#pragma once

#include <cstddef>
#include <cstdint>

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

// Link state; one instance, `SimLink`. Lives for the whole run; SimLinkReset() for tests.
struct SimLinkState {
    uint32_t OpenCounter = 0;    // incremented before each open attempt, part of the block name
    uint32_t ModuleVersion = 0;  // answered at 0x3304
    uint32_t SimVersion = 0;     // answered at 0x3308; after a successful open only its low 16 bits

    // The open link: module window (a socket here), message, atom, mapping and view.
    int ModuleWindow = -1;
    uint32_t Message = 0;
    uint16_t Atom = 0;
    int Mapping = -1;
    unsigned char* View = nullptr;
    uint32_t Cursor = 0;         // bytes queued so far
    char BlockName[64] = {};
    int SendTimeoutMs = 2000;    // per send; tests of a silent module shorten it

    // What the queue holds, for the walk.
    uint32_t QueuedCount = 0;
    SimLinkQueued Queued[SimLinkMaxRequests];
    uint32_t DestinationCount = 0;
    SimLinkDestination Destinations[SimLinkMaxReads];
};
extern SimLinkState SimLink;

constexpr uint32_t SimLinkLibraryVersion = 1004;

bool SimLinkOpen(uint32_t requiredVersion);
bool SimLinkRead(uint32_t offset, uint32_t size, void* destination);
bool SimLinkWrite(uint32_t offset, uint32_t size, const void* source);
bool SimLinkProcess();
void SimLinkClose();
bool SimLinkIsOpen();
// The walk over an answered block: copies each queued read to its destination. Exposed
// for the fuzzer, which hands it hostile blocks.
void SimLinkWalk();
void SimLinkReset();
