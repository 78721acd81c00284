// Frame pacing. The cockpit units were written for a platform whose 1 ms sleep lasted a
// whole timer tick (about 15.6 ms), so they drew roughly 64 frames a second; on Linux the
// same sleep lasts 1 ms and a unit would draw as fast as the rasteriser allows. Here the
// retrace, or a frame clock at a set rate, takes that role. Blinks, the advisory time-out
// and the chime run on the millisecond clock, so they keep their timing at any rate; the
// power-on fade and knob steps count frames, as they always did.
// Owns: Pacing and the frame log.
#include "shell/pacing.h"

#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>

PacingState Pacing;
static FILE* FrameLog = nullptr;

// Swaps closer together than this did not wait for a retrace: no display refreshes faster.
static constexpr int64_t QuickSwapNs = 4000000;
static constexpr int VsyncCheckFrames = 60;

void PacingReset()
{
    Pacing = PacingState{};
}

bool PacingParseRate(const char* text, double* rate)
{
    if (!text || !*text)
        return false;
    char* end = nullptr;
    double value = std::strtod(text, &end);
    if (!end || *end != '\0' || !(value >= 0 && value <= PacingMaxRate))
        return false;
    *rate = value;
    return true;
}

double PacingChooseRate(double optionRate, const char* environment, bool frameLimit, PacingSource* source,
                        std::string* warning)
{
    if (optionRate >= 0) {
        *source = PacingSource::Option;
        return optionRate;
    }
    double rate = 0;
    if (environment && *environment) {
        if (PacingParseRate(environment, &rate)) {
            *source = PacingSource::Environment;
            return rate;
        }
        *warning = std::string("ORVEX_FPS=") + environment + " is not a frame rate (0 to 1000 frames a second); ignored";
    }
    // A --frames run is automation: it counts frames, not seconds, and runs as fast as it can.
    if (frameLimit) {
        *source = PacingSource::FrameLimit;
        return 0;
    }
    *source = PacingSource::Default;
    return PacingDefaultRate;
}

int64_t PacingNextDeadline(int64_t lastDeadlineNs, int64_t nowNs, int64_t periodNs)
{
    int64_t next = lastDeadlineNs + periodNs;
    if (nowNs - next > periodNs)
        return nowNs;
    return next;
}

void PacingStart(double rate, bool tryVsync)
{
    Pacing.Rate = rate;
    Pacing.TryVsync = tryVsync && rate > 0;
    Pacing.PeriodNs = rate > 0 ? static_cast<int64_t>(1e9 / rate + 0.5) : 0;
    Pacing.VsyncActive = Pacing.TryVsync && PlatformSetSwapInterval(1);
    Pacing.VsyncFramesChecked = Pacing.VsyncQuickSwaps = 0;
    Pacing.LastSwapNs = 0;
    Pacing.NextDeadlineNs = PlatformMonotonicNs();
}

bool PacingUnpaced()
{
    return Pacing.Rate <= 0;
}

// A driver may accept the retrace and still return from every swap at once (a software
// rasteriser drawing into an X server with no display): the first frames tell, and the
// frame clock takes over.
static void CheckVsync(int64_t now)
{
    if (Pacing.LastSwapNs != 0) {
        ++Pacing.VsyncFramesChecked;
        if (now - Pacing.LastSwapNs < QuickSwapNs)
            ++Pacing.VsyncQuickSwaps;
    }
    Pacing.LastSwapNs = now;
    if (Pacing.VsyncFramesChecked == VsyncCheckFrames && Pacing.VsyncQuickSwaps > VsyncCheckFrames / 2) {
        PlatformSetSwapInterval(0);
        Pacing.VsyncActive = false;
        Pacing.NextDeadlineNs = now;
    }
}

void PacingAfterSwap()
{
    if (PacingUnpaced())
        return;
    int64_t now = PlatformMonotonicNs();
    if (Pacing.VsyncActive) {
        if (Pacing.VsyncFramesChecked < VsyncCheckFrames)
            CheckVsync(now);
        return;
    }
    Pacing.NextDeadlineNs = PacingNextDeadline(Pacing.NextDeadlineNs, now, Pacing.PeriodNs);
    PlatformSleepUntilNs(Pacing.NextDeadlineNs);
}

bool FrameLogOpen(const char* path)
{
    FrameLogClose();
    FrameLog = PlatformOpenOutput(path, true);
    return FrameLog != nullptr;
}

void FrameLogFrame(long frame, int64_t startNs, int64_t swapNs)
{
    if (FrameLog)
        std::fprintf(FrameLog, "{\"frame\":%ld,\"start_ms\":%.3f,\"swap_ms\":%.3f}\n", frame, startNs / 1e6, swapNs / 1e6);
}

bool FrameLogClose()
{
    if (!FrameLog)
        return true;
    bool ok = !std::ferror(FrameLog);
    ok = PlatformCloseOutput(FrameLog) && ok;
    FrameLog = nullptr;
    return ok;
}
