// "accfg.ini" reader on arbitrary bytes: it must never read past the text, loop or
// overflow; whatever it reads must format back into a file that reads the same integers.
#include "menu/aircraft_config.h"
#include "plan/plan.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

// The writer appends the active plan's legs for the cockpit panel; here no plan is loaded,
// as at the start of a run.
FlightPlanState FlightPlan;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    AircraftConfigState config;
    ParseAircraftConfig(reinterpret_cast<const char*>(data), size, &config);
    std::string text = FormatAircraftConfig(config);
    AircraftConfigState again;
    ParseAircraftConfig(text.data(), text.size(), &again);
    if (again.V1 != config.V1 || again.MAX_FUEL != config.MAX_FUEL || again.MAX_FLAPS != config.MAX_FLAPS)
        std::abort();
    return 0;
}
