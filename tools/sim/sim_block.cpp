// The module's side of one exchange: checks a client's request block against the block
// and the 64 KiB offset space, then performs its reads and writes in order.
// Owns: nothing. Reads and writes: the block and the offset space it is given.
#include "sim.h"

#include "platform/byte_order.h"

#include <cstring>

static constexpr uint32_t RequestRead = 1;
static constexpr uint32_t RequestWrite = 2;
// The version words the handshake reads; writes there are announcements, not changes.
static constexpr uint32_t VersionWordsStart = 0x3304;
static constexpr uint32_t VersionWordsEnd = 0x330C;

namespace {
struct CheckedRequest {
    uint32_t position, type, offset, size;
};
}  // namespace

// First pass: every header is read once, checked and kept, so the second pass acts only
// on checked values even if the client changes its block meanwhile.
static int CheckBlock(const unsigned char* block, size_t blockSize, CheckedRequest* requests, int capacity)
{
    const uint64_t area = blockSize < SimRequestArea ? blockSize : SimRequestArea;
    uint64_t position = 0;
    int count = 0;
    for (;;) {
        if (position + 4 > area)
            return -1;  // no end marker inside the request area
        uint32_t type = GetWord(block + position);
        if (type == 0)
            return count;
        uint64_t header = type == RequestRead ? 16 : type == RequestWrite ? 12 : 0;
        if (header == 0 || position + header > area || count == capacity)
            return -1;
        uint32_t offset = GetWord(block + position + 4);
        uint32_t size = GetWord(block + position + 8);
        if (uint64_t{offset} + size > SimSpaceSize || position + header + size + 4 > area)
            return -1;
        requests[count++] = {static_cast<uint32_t>(position), type, offset, size};
        position += header + size;
    }
}

// Counts the reads that cover a display unit's soft-key byte: the panel stand-in holds a
// press (and then the release) until a unit has read the byte since it changed, so a press
// lasts at least one of the unit's frames however long a frame stalls on a loaded machine.
static void CountSoftKeySamples(uint32_t offset, uint32_t size, SimOffsetSpace& space)
{
    const uint32_t bytes[2] = {SimSoftKeyByteDu2, SimSoftKeyByteDu3};
    const uint32_t counters[2] = {SimSoftKeySamplesDu2, SimSoftKeySamplesDu3};
    for (int i = 0; i < 2; ++i)
        if (bytes[i] >= offset && bytes[i] < uint64_t{offset} + size)
            SimPut(space, counters[i], SimGet(space, counters[i], 2) + 1, 2);
}

static constexpr uint32_t SharedFlagsByte = 0x73D5;

static void PerformRead(unsigned char* data, uint32_t offset, uint32_t size, SimOffsetSpace& space)
{
    std::memcpy(data, space.Bytes + offset, size);
    if (SharedFlagsByte >= offset && SharedFlagsByte - offset < size)
        space.SharedFlagsReadOpen = true;
    CountSoftKeySamples(offset, size, space);
}

static void PerformWrite(const unsigned char* data, uint32_t offset, uint32_t size, SimOffsetSpace& space)
{
    if (SharedFlagsByte >= offset && SharedFlagsByte - offset < size)
        space.SharedFlagsReadOpen = false;
    for (uint32_t i = 0; i < size; ++i) {
        uint32_t at = offset + i;
        if (at >= VersionWordsStart && at < VersionWordsEnd) {
            // 0x330A..0x330B carry the client's library version; the rest of the version
            // words are the module's own and ignore writes.
            if (at == 0x330A)
                space.LibraryAnnouncement = static_cast<uint16_t>((space.LibraryAnnouncement & 0xFF00) | data[i]);
            else if (at == 0x330B)
                space.LibraryAnnouncement = static_cast<uint16_t>((space.LibraryAnnouncement & 0x00FF) | (data[i] << 8));
            continue;
        }
        space.Bytes[at] = data[i];
    }
}

uint32_t SimProcessBlock(unsigned char* block, size_t blockSize, SimOffsetSpace& space)
{
    constexpr int Capacity = SimRequestArea / 12;
    static thread_local CheckedRequest requests[Capacity];
    int count = CheckBlock(block, blockSize, requests, Capacity);
    if (count < 0)
        return 0;
    for (int i = 0; i < count; ++i) {
        const CheckedRequest& r = requests[i];
        if (r.type == RequestRead)
            PerformRead(block + r.position + 16, r.offset, r.size, space);
        else
            PerformWrite(block + r.position + 12, r.offset, r.size, space);
    }
    return 1;
}

void SimPut(SimOffsetSpace& space, uint32_t offset, uint64_t value, int size)
{
    for (int i = 0; i < size && offset + i < SimSpaceSize; ++i)
        space.Bytes[offset + i] = static_cast<unsigned char>(value >> (8 * i));
}

uint64_t SimGet(const SimOffsetSpace& space, uint32_t offset, int size)
{
    uint64_t value = 0;
    for (int i = 0; i < size && offset + i < SimSpaceSize; ++i)
        value |= uint64_t{space.Bytes[offset + i]} << (8 * i);
    return value;
}

void SimPutDouble(SimOffsetSpace& space, uint32_t offset, double value)
{
    uint64_t bits;
    std::memcpy(&bits, &value, 8);
    SimPut(space, offset, bits, 8);
}

void SimPutFloat(SimOffsetSpace& space, uint32_t offset, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    SimPut(space, offset, bits, 4);
}

double SimGetDouble(const SimOffsetSpace& space, uint32_t offset)
{
    uint64_t bits = SimGet(space, offset, 8);
    double value;
    std::memcpy(&value, &bits, 8);
    return value;
}

float SimGetFloat(const SimOffsetSpace& space, uint32_t offset)
{
    uint32_t bits = static_cast<uint32_t>(SimGet(space, offset, 4));
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

void SimPublishVersions(SimOffsetSpace& space, uint32_t moduleVersion, uint16_t simVersion)
{
    SimPut(space, 0x3304, moduleVersion, 4);
    SimPut(space, 0x3308, simVersion | (uint32_t{0xFADE} << 16), 4);
}
