// The misbehaving module: `orvex-sim --hostile MODE` answers the protocol the way a broken
// or malicious module might, so the display units' link can be tried against it.
//   scribble  performs the block, then overwrites request headers (types, sizes, tokens)
//   shrink    every few requests cuts the client's block short (to 0, 100 or 4096 bytes)
//   late      every few requests answers only after 400 ms, past the units' time-out
//   garbage   performs the block, then fills every read's data with random bytes (the
//             version words of the handshake excepted)
//   sizes     every few requests grows the block, cuts it to an odd size, or puts a new
//             object under its name
// Owns: the hostile mode and its random generator. Reads: nothing else.
#include "sim.h"

#include "platform/byte_order.h"
#include "platform/platform.h"

#include <cstring>

namespace {
struct SimHostileState {
    SimHostileMode Mode = SimHostileMode::None;
    uint64_t Random = 0x9E3779B97F4A7C15ull;
    uint32_t Requests = 0;
};
SimHostileState SimHostile;

uint32_t NextRandom()
{
    // xorshift64*: the same run of misbehaviour for the same requests.
    uint64_t x = SimHostile.Random;
    x ^= x >> 12;
    x ^= x << 25;
    x ^= x >> 27;
    SimHostile.Random = x;
    return static_cast<uint32_t>((x * 0x2545F4914F6CDD1Dull) >> 32);
}

// Calls `each` with every request's position, type, offset and size, as the module read them.
template <typename Each>
void ForEachRequest(const unsigned char* block, Each each)
{
    uint32_t position = 0;
    while (position + 16 <= SimRequestArea) {
        uint32_t type = GetWord(block + position);
        uint32_t size = GetWord(block + position + 8);
        uint32_t header = type == 1 ? 16 : type == 2 ? 12 : 0;
        if (header == 0 || size > SimRequestArea || position + header + size > SimRequestArea)
            return;
        each(position, type, GetWord(block + position + 4), size);
        position += header + size;
    }
}
}  // namespace

bool SimParseHostileMode(const std::string& name, SimHostileMode* mode)
{
    static const struct { const char* name; SimHostileMode mode; } modes[] = {
        {"scribble", SimHostileMode::Scribble}, {"shrink", SimHostileMode::Shrink},
        {"late", SimHostileMode::Late},         {"garbage", SimHostileMode::Garbage},
        {"sizes", SimHostileMode::Sizes},
    };
    for (const auto& m : modes) {
        if (name == m.name) {
            *mode = m.mode;
            return true;
        }
    }
    return false;
}

void SimHostileStart(SimHostileMode mode)
{
    SimHostile = SimHostileState{};
    SimHostile.Mode = mode;
}

bool SimHostileActive()
{
    return SimHostile.Mode != SimHostileMode::None;
}

bool SimHostileAfterProcess(unsigned char* block, int blockMemory)
{
    ++SimHostile.Requests;
    bool often = SimHostile.Requests % 5 == 0;  // leaves the units time to connect between
    switch (SimHostile.Mode) {
    case SimHostileMode::None:
        return false;
    case SimHostileMode::Scribble: {
        // One to four header words of the answered block get a random value.
        uint32_t positions[64];
        int count = 0;
        ForEachRequest(block, [&](uint32_t position, uint32_t, uint32_t, uint32_t) {
            if (count < 64)
                positions[count++] = position;
        });
        if (count == 0)
            return false;
        for (uint32_t n = 1 + NextRandom() % 4; n > 0; --n) {
            uint32_t at = positions[NextRandom() % count] + 4 * (NextRandom() % 4);
            uint32_t value = NextRandom();
            if (NextRandom() % 2)
                value %= 8;  // small values look like real types and sizes
            std::memcpy(block + at, &value, 4);
        }
        return false;
    }
    case SimHostileMode::Garbage:
        // The version words stay as they are, or no client would ever connect to see the
        // garbage in everything else.
        ForEachRequest(block, [&](uint32_t position, uint32_t type, uint32_t offset, uint32_t size) {
            if (type != 1 || (offset < 0x330C && offset + size > 0x3304))
                return;
            for (uint32_t i = 0; i < size; ++i)
                block[position + 16 + i] = static_cast<unsigned char>(NextRandom());
        });
        return false;
    case SimHostileMode::Shrink: {
        if (!often)
            return false;
        static const uint32_t sizes[] = {0, 100, 4096};
        PlatformResizeBlock(blockMemory, sizes[NextRandom() % 3]);
        return true;  // our own view of it would fault now
    }
    case SimHostileMode::Sizes: {
        if (!often)
            return false;
        PlatformResizeBlock(blockMemory, NextRandom() % 2 ? SimBlockSize + 4096 : SimBlockSize - 1);
        return true;
    }
    case SimHostileMode::Late:
        if (often)
            PlatformSleepMs(400);
        return false;
    }
    return false;
}
