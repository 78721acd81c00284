// Wall-clock time since start and sleeping.
// Owns: the program's start instant.
#include "platform/platform.h"

#include <chrono>
#include <thread>

static const auto ProgramStart = std::chrono::steady_clock::now();

double PlatformMillis()
{
    auto now = std::chrono::steady_clock::now();
    return std::chrono::duration<double, std::milli>(now - ProgramStart).count();
}

void PlatformSleepMs(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
