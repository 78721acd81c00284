// Fuzzes the module stand-in's request processing with arbitrary blocks: it must never
// read or write outside the block or the offset space, and a block it refuses (answer 0)
// must leave the space exactly as it was.
#include "sim.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static SimOffsetSpace space;
    static SimOffsetSpace before;
    static unsigned char block[SimBlockSize];
    std::memset(block, 0, sizeof block);
    std::memcpy(block, data, size < sizeof block ? size : sizeof block);
    std::memcpy(&before, &space, sizeof space);
    uint32_t result = SimProcessBlock(block, sizeof block, space);
    if (result == 0 && std::memcmp(&before, &space, sizeof space) != 0)
        std::abort();
    return 0;
}
