// The FlightGear bridge's input: whatever arrives on its UDP port, as one datagram (any
// number of lines, any bytes). The line parser must never read outside the datagram,
// and the bridge must publish only what a good line says, leaving the module's version
// words alone. The bridge keeps its state from input to input, like a live stream.
#include "sim_flightgear.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static SimOffsetSpace* space = [] {
        auto* s = new SimOffsetSpace{};
        SimPublishVersions(*s, 0x20260105, 8);
        FgBridgePublishStart(*s);
        return s;
    }();
    static double now = 0;
    now += 100;

    // Each line on its own, from an exactly sized heap copy so a read past it is caught.
    size_t at = 0;
    while (at <= size) {
        const void* newline = size > at ? std::memchr(data + at, '\n', size - at) : nullptr;
        size_t end = newline ? static_cast<const uint8_t*>(newline) - data : size;
        std::vector<char> line(data + at, data + end);
        FgPacket packet;
        FgLineResult result = FgParseLine(line.data(), line.size(), &packet);
        const char* tag = packet.Version == 1 ? FgProtocolTagVersion1 : FgProtocolTag;
        if (result == FgLineOk && std::memcmp(line.data(), tag, std::strlen(tag)) != 0)
            std::abort();
        at = end + 1;
    }

    // The whole datagram through the bridge into the offset space.
    std::unique_ptr<char[]> copy(new char[size ? size : 1]);
    std::memcpy(copy.get(), data, size);
    FgHandleDatagram(copy.get(), size, now, *space);
    FgCheckStale(now, *space);
    if (SimGet(*space, 0x3304, 4) != 0x20260105 || SimGet(*space, 0x3308, 4) != (8u | (0xFADEu << 16)))
        std::abort();
    return 0;
}
