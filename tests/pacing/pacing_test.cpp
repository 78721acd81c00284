// Frame pacing: the frame clock's deadlines, how the rate is chosen, and the timed parts
// of the EICAS (blink, advisory time-out) from outside at 30, 60 and 144 frames a second
// and unpaced.
#include "shell/pacing.h"
#include "support/support.h"

#include <gtest/gtest.h>
#include <cmath>
#include <map>
#include <signal.h>

TEST(Pacing, DeadlinesAdvanceByWholePeriodsAndRestartAfterAStall)
{
    const int64_t period = 16666667;
    // A frame that woke late does not shift the next deadline: no drift.
    EXPECT_EQ(PacingNextDeadline(1000, 1000 + period + 3000000, period), 1000 + period);
    int64_t deadline = 0;
    for (int i = 0; i < 600; ++i)
        deadline = PacingNextDeadline(deadline, deadline + 2000000, period);
    EXPECT_EQ(deadline, 600 * period);
    // More than a period behind (the machine stalled): start again from now, no burst.
    EXPECT_EQ(PacingNextDeadline(0, 3 * period, period), 3 * period);
}

TEST(Pacing, RateComesFromTheOptionThenTheEnvironmentThenTheFrameLimit)
{
    PacingSource source;
    std::string warning;
    EXPECT_EQ(PacingChooseRate(30, "90", true, &source, &warning), 30);
    EXPECT_EQ(source, PacingSource::Option);
    EXPECT_EQ(PacingChooseRate(-1, "90", true, &source, &warning), 90);
    EXPECT_EQ(source, PacingSource::Environment);
    EXPECT_EQ(PacingChooseRate(-1, nullptr, true, &source, &warning), 0);   // --frames: unpaced
    EXPECT_EQ(PacingChooseRate(-1, "", false, &source, &warning), 60);
    EXPECT_EQ(source, PacingSource::Default);
    EXPECT_TRUE(warning.empty());
    EXPECT_EQ(PacingChooseRate(-1, "fast", false, &source, &warning), 60);
    EXPECT_NE(warning.find("ORVEX_FPS=fast"), std::string::npos);
    double rate;
    EXPECT_FALSE(PacingParseRate("-1", &rate));
    EXPECT_FALSE(PacingParseRate("1001", &rate));
    EXPECT_FALSE(PacingParseRate("60Hz", &rate));
    EXPECT_TRUE(PacingParseRate("0", &rate));
}

namespace {

// One frame of the frame log: when it started and when it was swapped (ms, monotonic).
struct FrameSpan {
    double start = 0, swap = 0;
};
std::map<long, FrameSpan> FrameSpans(const std::string& path)
{
    std::map<long, FrameSpan> spans;
    for (const std::string& line : ReadLines(path)) {
        if (line.empty() || line.back() != '}')
            continue;   // the unit was stopped while writing it
        spans[std::atol(JsonValue(line, "frame").c_str())] = {std::atof(JsonValue(line, "start_ms").c_str()),
                                                              std::atof(JsonValue(line, "swap_ms").c_str())};
    }
    return spans;
}

// Whether the frame log holds `frames` frames over `ms` of the unit's own clock.
bool Logged(const std::string& path, size_t frames, double ms)
{
    std::vector<std::string> lines = ReadLines(path);
    if (lines.size() < frames || LastLine(path).empty())
        return false;
    return std::atof(JsonValue(LastLine(path), "start_ms").c_str()) - std::atof(JsonValue(lines[0], "start_ms").c_str()) > ms;
}

// How a row was drawn in one frame: lit or black, and the span in which the frame read the
// clock that decided it (between its start and its swap).
struct Seen {
    double from, to;
    bool lit;
};
std::vector<Seen> SeenOf(const std::vector<TraceText>& trace, const std::map<long, FrameSpan>& spans, const std::string& text)
{
    std::vector<Seen> seen;
    for (const TraceText& t : trace)
        if (t.text == text && spans.count(t.frame))
            seen.push_back({spans.at(t.frame).start, spans.at(t.frame).swap, !(t.r == 0 && t.g == 0 && t.b == 0)});
    return seen;
}

// The blink: dark in the first half of each second of the clock, lit in the second. The
// program's clock starts at an unknown moment, so `phase` is where its seconds begin on the
// frame log's clock. Whether some moment in [from, to] is dark, or lit.
constexpr double Tolerance = 2;   // ms: the logs' rounding and the float clock of the time-out
bool DarkIn(double from, double to, double phase)
{
    from -= Tolerance, to += Tolerance;
    if (to - from >= 500)
        return true;
    double at = std::fmod(from - phase + 1e6, 1000.0);
    return at <= 500 || at + (to - from) >= 1000;
}
bool LitIn(double from, double to, double phase)
{
    from -= Tolerance, to += Tolerance;
    if (to - from >= 500)
        return true;
    double at = std::fmod(from - phase + 1e6, 1000.0);
    return at > 500 || at + (to - from) > 500;
}

// Frames that no blink of a one-second period at `phase` explains.
int Unexplained(const std::vector<Seen>& seen, double phase)
{
    int wrong = 0;
    for (const Seen& s : seen)
        wrong += s.lit ? !LitIn(s.from, s.to, phase) : !DarkIn(s.from, s.to, phase);
    return wrong;
}
}  // namespace

// Without a simulator the display runs powered with every value zero: both engines shut
// down ("L R ENG SHUTDOWN", an advisory) and the pitot heat off ("L R PITOT HT", a caution),
// both raised at the first frame and never acknowledged. Each frame is judged at the time
// it read the clock, as the frame log tells it: a busy machine gives fewer frames and longer
// ones, never a wrong verdict, while a wrong period drifts away from every phase within a
// few seconds. (How steadily the clock holds its rate is the benchmark's business:
// bench_cockpit_cpu reports each unit's frames a second.)
TEST(Pacing, BlinkAndAdvisoryTimeOutKeepTheirTimingAtEveryRate)
{
    UsePrivateRuntimeDir();
    const double rates[] = {30, 60, 144, 0};
    std::vector<std::string> dirs;
    std::vector<BackgroundProcess> units;
    for (double rate : rates) {
        std::string dir = MakeScratchUnit("pacing-" + std::to_string(static_cast<int>(rate)));
        WriteFile(dir + "/MFD.ini", "[X_SIZE,Y_SIZE]\n433,605\n[X_POSITION,Y_POSISTION]\n0,0\n[FRAMELESS_WINDOW(0-1)]\n0\n"
                                    "[DISPLAY_BEZEL(0-1)]\n0\n[MFD=0,EICAS=1]\n1\n[PLANPATH]\n\"c:\\\"\n"
                                    "[PATH_TO_DU2]\n\"c:\\\"\n[PATH_TO_DU3]\n\"c:\\\"");
        dirs.push_back(dir);
        // Four EICAS units at once: each is a cockpit of its own (its own runtime folder), or
        // the unit-number lock would send all but the first away.
        units.push_back(StartBackground("env ORVEX_RUNTIME_DIR=" + dir + "/runtime " + ProgramPath("orvex") + " --dir " + dir + " --headless --fps " +
                                            std::to_string(static_cast<int>(rate)) + " --text-trace " + dir +
                                            "/t.jsonl --frame-log " + dir + "/f.jsonl",
                                        ""));
    }
    // Seven seconds of each unit's own clock (the five-second advisory and more than a
    // second after it) and 200 frames to judge, however long a busy machine takes to give them.
    for (const std::string& dir : dirs)
        EXPECT_TRUE(WaitUntil([&] { return Logged(dir + "/f.jsonl", 200, 7000); }, 300000)) << dir;
    for (BackgroundProcess& unit : units)
        EXPECT_EQ(StopBackground(unit), 0) << "SIGTERM closes the window like its close button";

    for (size_t i = 0; i < dirs.size(); ++i) {
        double rate = rates[i];
        SCOPED_TRACE(rate ? std::to_string(static_cast<int>(rate)) + " frames/s" : std::string("unpaced"));
        std::map<long, FrameSpan> spans = FrameSpans(dirs[i] + "/f.jsonl");
        ASSERT_GT(spans.size(), 100u);
        if (rate == 30 || rate == 60) {
            // A frame that misses its deadline restarts the clock rather than bursting, so a
            // busy machine only lengthens the mean period after the first frame (which loads
            // the navigation data): shorter by more than a few percent is a clock that runs
            // fast or bursts.
            double mean = (spans.rbegin()->second.start - std::next(spans.begin())->second.start) / (spans.size() - 2);
            EXPECT_GT(mean, 0.97 * 1000 / rate);
        }
        std::vector<TraceText> trace = ReadTextTrace(dirs[i] + "/t.jsonl");

        // The caution blinks once a second: some phase explains every frame, with frames
        // enough in both halves of the second to tell. (A busy machine may give a unit only a
        // few frames a second, so the counts asked for are small; every frame must fit.)
        std::vector<Seen> caution = SeenOf(trace, spans, "L R PITOT HT");
        double phase = 0;
        int best = static_cast<int>(caution.size());
        for (double p = 0; p < 1000 && best > 0; p += 0.5)
            if (int wrong = Unexplained(caution, p); wrong < best)
                best = wrong, phase = p;
        EXPECT_EQ(best, 0) << "no one-second blink explains the caution's frames";
        int dark = 0, lit = 0;
        for (const Seen& s : caution)
            dark += !LitIn(s.from, s.to, phase), lit += !DarkIn(s.from, s.to, phase);
        EXPECT_GT(dark, 10);
        EXPECT_GT(lit, 10);

        // The advisory blinks with it from the frame that first drew it (the first frame,
        // which loads the navigation data before it reads the clock) for five seconds, then
        // stays lit.
        std::vector<Seen> advisory = SeenOf(trace, spans, "L R ENG SHUTDOWN");
        ASSERT_FALSE(advisory.empty());
        const double raisedFrom = advisory.front().from, raisedTo = advisory.front().to;
        int wrong = 0, darkBefore = 0, litAfter = 0;
        for (const Seen& s : advisory) {
            bool blinkingAtAll = s.from - Tolerance <= raisedTo + 5000;   // some moment still blinking
            bool steadyAtAll = s.to + Tolerance > raisedFrom + 5000;      // some moment past the time-out
            if (s.lit)
                wrong += !steadyAtAll && !LitIn(s.from, s.to, phase);
            else
                wrong += !blinkingAtAll || !DarkIn(s.from, std::min(s.to, raisedTo + 5000), phase);
            darkBefore += !s.lit && s.to < raisedFrom + 5000;
            litAfter += s.lit && s.from > raisedTo + 5000 && !LitIn(s.from, s.to, phase);
        }
        EXPECT_EQ(wrong, 0) << "frames that a five-second blink does not explain";
        EXPECT_GT(darkBefore, 2) << "it blinked";
        EXPECT_GT(litAfter, 2) << "it stayed lit in the dark halves after the five seconds";
    }
}
