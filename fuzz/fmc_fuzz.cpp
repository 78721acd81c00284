// The FMC plan reader on arbitrary bytes: sections, skipped airport lines, the leg count
// search and the eight-line blocks must stay inside the text and end (see plan_fuzz.h).
#include "plan_fuzz.h"

#include <cstddef>
#include <cstdint>

FlightPlanState FlightPlan;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PlanFuzzRun([&] { ReadFmcText(reinterpret_cast<const char*>(data), size); });
    return 0;
}
