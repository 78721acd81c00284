// The stand-in's flight timeline parser on arbitrary bytes, and the first minute of any
// flight it accepts: no crash, no overflow, no non-finite position.
#include "sim.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

const char* SimBuiltinFlightText() { return ""; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static SimTimeline timeline;
    timeline = SimTimeline{};
    std::string error;
    if (!SimParseTimeline(std::string(reinterpret_cast<const char*>(data), size), &timeline, &error)) {
        if (error.empty())
            std::abort();
        return 0;
    }
    SimFlightStart(timeline);
    SimFlightAdvanceTo(timeline.End < 60 ? timeline.End : 60);
    static SimOffsetSpace space;
    SimFlightPublish(space);
    return 0;
}
