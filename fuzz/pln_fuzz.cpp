// The PLN reader on arbitrary bytes, kind detection first: it must never read or write
// outside its buffers, loop without end, or leave a plan that breaks the map (see
// plan_fuzz.h). Bytes in memory are always a plan of one kind, never "missing".
#include "plan_fuzz.h"

#include <cstddef>
#include <cstdint>

FlightPlanState FlightPlan;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PlanFuzzRun([&] {
        PlnKind kind = ReadPlnText(reinterpret_cast<const char*>(data), size);
        if (kind != PlnKind::LineBased && kind != PlnKind::Xml)
            std::abort();
    });
    return 0;
}
