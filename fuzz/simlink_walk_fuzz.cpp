// Fuzzes the client's walk over a block the module has scribbled on. The input first
// describes requests to queue (type, offset, size), each read into its own exactly sized
// heap destination, then bytes the "module" lays over the block before answering 1.
// AddressSanitizer catches any copy outside a destination.
#include "simlink/simlink.h"

#include "fake_module.h"

#include <cstring>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool opened = SimLinkOpen(0);
    if (!opened)
        __builtin_trap();
    size_t at = 0;
    std::vector<std::unique_ptr<unsigned char[]>> destinations;
    // Up to 32 requests, 4 bytes each: type bit, offset low byte, size (1..256).
    for (int n = 0; n < 32 && at + 4 <= size && data[at] != 0xFF; ++n, at += 4) {
        uint32_t sizeBytes = 1 + data[at + 2];
        uint32_t offset = 0x100 * data[at + 1] + data[at + 3];
        if (data[at] & 1) {
            destinations.emplace_back(new unsigned char[sizeBytes]);
            SimLinkRead(offset, sizeBytes, destinations.back().get());
        } else {
            unsigned char source[256] = {};
            SimLinkWrite(offset, sizeBytes, source);
        }
    }
    if (at < size)
        ++at;  // the 0xFF separator
    FakeModuleScribble = data + at;
    FakeModuleScribbleSize = size - at;
    SimLinkProcess();
    FakeModuleScribble = nullptr;
    FakeModuleScribbleSize = 0;
    return 0;
}
