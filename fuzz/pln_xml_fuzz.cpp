// The XML plan reader alone on arbitrary bytes (the detection in front of it needs the
// word "AceXML", which would spend most inputs on the line-based reader).
#include "plan_fuzz.h"

#include <cstddef>
#include <cstdint>

FlightPlanState FlightPlan;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PlanFuzzRun([&] { ReadPlnXmlText(reinterpret_cast<const char*>(data), size); });
    return 0;
}
