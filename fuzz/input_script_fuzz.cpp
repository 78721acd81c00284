// The --input script parser on arbitrary bytes: no crash, no overflow; every event it
// accepts has a frame and a type, and a refused script says why.
#include "shell/automation.h"

#include "platform/platform.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

void PlatformPushEvent(const PlatformEvent&) {}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<ScriptedEvent> events;
    std::string error;
    bool ok = ParseScript(std::string(reinterpret_cast<const char*>(data), size), &events, &error);
    if (!ok && error.empty())
        std::abort();
    for (const ScriptedEvent& e : events)
        if (e.frame < 0 || e.event.type == PlatformEventType::None)
            std::abort();
    return 0;
}
