// Frame pacing: the display's retrace where the driver gives one, otherwise a frame clock
// that sleeps to absolute deadlines at a set rate; and the frame log of --frame-log.
#pragma once

#include <cstdint>
#include <string>

constexpr double PacingDefaultRate = 60.0;   // frames a second when nothing else is asked
constexpr double PacingMaxRate = 1000.0;

// How the rate was chosen, in order of precedence.
enum class PacingSource { Option, Environment, FrameLimit, Default };

// Pacing state; one instance, `Pacing`. Set once at start-up, then run by the main loop.
struct PacingState {
    double Rate = PacingDefaultRate;   // frames a second; 0: unpaced (the 1 ms yield only)
    bool TryVsync = false;             // ask the driver for the retrace first
    bool VsyncActive = false;          // the retrace paces the frames now
    int64_t PeriodNs = 0;
    int64_t NextDeadlineNs = 0;        // when the next frame may start
    int64_t LastSwapNs = 0;
    int VsyncFramesChecked = 0;        // the first frames under the retrace, checked...
    int VsyncQuickSwaps = 0;           // ...for swaps that came back without waiting
};
extern PacingState Pacing;
void PacingReset();

// The rate to run at: --fps when given (optionRate >= 0), else $ORVEX_FPS when set and valid,
// else unpaced for a --frames run, else the default with the retrace tried first.
// *warning is set when $ORVEX_FPS holds something that is not a rate.
double PacingChooseRate(double optionRate, const char* environment, bool frameLimit, PacingSource* source,
                        std::string* warning);
// Parses a rate: a number from 0 to PacingMaxRate; false otherwise.
bool PacingParseRate(const char* text, double* rate);

// The next frame's deadline: one period after the last deadline, so the clock never drifts;
// when the frame ran later than a whole period past its deadline, the clock starts again
// from now instead of drawing a burst of frames to catch up.
int64_t PacingNextDeadline(int64_t lastDeadlineNs, int64_t nowNs, int64_t periodNs);

// After the window and context exist: arms the retrace or the frame clock.
void PacingStart(double rate, bool tryVsync);
// Called right after each swap: waits until the next frame is due.
void PacingAfterSwap();
// True when frames are unpaced and RenderFrame keeps its 1 ms yield.
bool PacingUnpaced();

// --frame-log FILE.jsonl: one line a frame, {"frame":N,"start_ms":T0,"swap_ms":T1}, times
// on the machine's monotonic clock in milliseconds (comparable between processes).
bool FrameLogOpen(const char* path);
void FrameLogFrame(long frame, int64_t startNs, int64_t swapNs);
// False when the log lost data (write error or failed close).
bool FrameLogClose();
