// Wall-clock time since start, the monotonic clock the frame clock runs on, and sleeping.
// Owns: the program's start instant.
#include "platform/platform.h"

#include <cerrno>
#include <chrono>
#include <thread>
#include <time.h>

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

int64_t PlatformMonotonicNs()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return int64_t{now.tv_sec} * 1000000000 + now.tv_nsec;
}

void PlatformSleepUntilNs(int64_t deadlineNs)
{
    // An absolute deadline: a signal or a late wake-up never moves the next one.
    timespec at;
    at.tv_sec = static_cast<time_t>(deadlineNs / 1000000000);
    at.tv_nsec = static_cast<long>(deadlineNs % 1000000000);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr) == EINTR) {
    }
}
