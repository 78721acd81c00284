// The process's own services on Windows: its id, and the requests that reach a running
// program from outside, which Linux delivers as signals.
// Owns: the flags those requests set and the thread that waits for a screenshot request.
#include "platform/platform.h"
#include "platform/platform_win32.h"

#include <string>
#include <thread>

int PlatformProcessId()
{
    return static_cast<int>(GetCurrentProcessId());
}

namespace {
volatile int* TerminationFlag = nullptr;

BOOL WINAPI OnConsoleControl(DWORD type)
{
    // Ctrl+C, Ctrl+Break, the console closing, logoff and shutdown end the run in order.
    if (TerminationFlag)
        *TerminationFlag = 1;
    return type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT ? TRUE : FALSE;
}
} // namespace

void PlatformCatchTermination(volatile int* flag)
{
    TerminationFlag = flag;
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

// Windows has no SIGUSR1. A running unit is asked for a screenshot through the named event
// "Local\OrvexScreenshot.<process id>": whoever sets it (SetEvent) gets the next frame
// written to the --screenshot file, as a signal does on Linux.
void PlatformCatchScreenshotSignal(volatile int* flag)
{
    std::string name = "Local\\OrvexScreenshot." + std::to_string(GetCurrentProcessId());
    HANDLE event = CreateEventA(nullptr, FALSE, FALSE, name.c_str());
    if (!event)
        return;
    std::thread([event, flag] {
        while (WaitForSingleObject(event, INFINITE) == WAIT_OBJECT_0)
            *flag = 1;
    }).detach();
}
