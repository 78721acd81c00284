// The offset-protocol client: requests for numbered simulator offsets are queued in a
// 32 KiB shared block and handed to the interface module in one exchange; the module
// fills the read data in place and the client copies each result to its destination.
#pragma once

#include <cstdint>

// Link state; one instance, `SimLink`. Lives for the whole run; SimLinkReset() for tests.
struct SimLinkState {
    uint32_t OpenCounter = 0;    // incremented before each open attempt, part of the block name
    uint32_t ModuleVersion = 0;  // answered at 0x3304
    uint32_t SimVersion = 0;     // answered at 0x3308; after a successful open only its low 16 bits
};
extern SimLinkState SimLink;

constexpr uint32_t SimLinkLibraryVersion = 1004;

bool SimLinkOpen(uint32_t requiredVersion);
bool SimLinkRead(uint32_t offset, uint32_t size, void* destination);
bool SimLinkWrite(uint32_t offset, uint32_t size, const void* source);
bool SimLinkProcess();
void SimLinkClose();
bool SimLinkIsOpen();
void SimLinkReset();
