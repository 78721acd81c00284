// Time on Windows: the performance counter for the monotonic clock (one counter for every
// process of the machine, like CLOCK_MONOTONIC), and sleeps to an absolute deadline with a
// high-resolution waitable timer where the system has one, else with a 1 ms timer period.
// Owns: the program's start instant, the counter's frequency, the per-thread timer.
#include "platform/platform.h"
#include "platform/platform_win32.h"

#include <mmsystem.h>

namespace {
int64_t CounterFrequency()
{
    static const int64_t frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<int64_t>(f.QuadPart);
    }();
    return frequency;
}

const int64_t ProgramStartNs = PlatformMonotonicNs();

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

// A sleep of Sleep(1) lasts a whole scheduler tick (15.6 ms by default) unless the timer
// period is raised; a display that paces 60 frames a second needs about a millisecond.
void RaiseTimerResolution()
{
    static const bool raised = timeBeginPeriod(1) == TIMERR_NOERROR;
    (void)raised;
}

HANDLE ThreadTimer()
{
    thread_local HANDLE timer = [] {
        HANDLE t = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
        if (!t)   // older systems (and Wine) know only the ordinary timer
            t = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
        return t;
    }();
    return timer;
}

// Waits `ns` nanoseconds (relative) on the thread's timer.
void WaitNs(int64_t ns)
{
    RaiseTimerResolution();
    HANDLE timer = ThreadTimer();
    LARGE_INTEGER due;
    due.QuadPart = -(ns / 100 > 0 ? ns / 100 : 1);   // negative: relative, in 100 ns steps
    if (timer && SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE))
        WaitForSingleObject(timer, INFINITE);
    else
        Sleep(static_cast<DWORD>(ns / 1000000));
}
} // namespace

int64_t PlatformMonotonicNs()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const int64_t f = CounterFrequency();
    // Split so the product cannot overflow after a long uptime.
    return now.QuadPart / f * 1000000000 + now.QuadPart % f * 1000000000 / f;
}

double PlatformMillis()
{
    return static_cast<double>(PlatformMonotonicNs() - ProgramStartNs) / 1e6;
}

void PlatformSleepMs(int milliseconds)
{
    if (milliseconds <= 0) {
        Sleep(0);
        return;
    }
    WaitNs(int64_t{milliseconds} * 1000000);
}

void PlatformSleepUntilNs(int64_t deadlineNs)
{
    // The deadline is absolute: a late wake-up is not carried into the next frame. The timer
    // may wake a little early on a coarse system; the loop waits out the remainder.
    for (;;) {
        int64_t left = deadlineNs - PlatformMonotonicNs();
        if (left <= 0)
            return;
        WaitNs(left);
    }
}
