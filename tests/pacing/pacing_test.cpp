// Frame pacing: the frame clock's deadlines, how the rate is chosen, and the timed parts
// of the EICAS (blink, advisory time-out) from outside at 30, 60 and 144 frames a second
// and unpaced.
#include "shell/pacing.h"
#include "support/support.h"

#include <gtest/gtest.h>
#include <map>
#include <signal.h>
#include <thread>

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

std::map<long, double> FrameTimes(const std::string& path, const char* key)
{
    std::map<long, double> times;
    for (const std::string& line : ReadLines(path))
        times[std::atol(JsonValue(line, "frame").c_str())] = std::atof(JsonValue(line, key).c_str());
    return times;
}

// Times (frame starts, ms) at which `text` went from black to lit, and the last time it
// was black; `first` is when it was first drawn, taken at that frame's swap: the first
// frame loads the navigation data before it reads the clock.
struct Blinking {
    std::vector<double> lit;
    double first = -1, lastBlack = -1;
};
Blinking BlinkOf(const std::vector<TraceText>& trace, const std::map<long, double>& starts,
                 const std::map<long, double>& swaps, const std::string& text)
{
    Blinking b;
    bool wasBlack = false;
    for (const TraceText& t : trace) {
        if (t.text != text || !starts.count(t.frame))
            continue;
        double at = starts.at(t.frame);
        bool black = t.r == 0 && t.g == 0 && t.b == 0;
        if (b.first < 0)
            b.first = swaps.at(t.frame);
        if (black)
            b.lastBlack = at;
        else if (wasBlack)
            b.lit.push_back(at);
        wasBlack = black;
    }
    return b;
}
}  // namespace

// Without a simulator the display runs powered with every value zero: both engines shut
// down ("L R ENG SHUTDOWN", an advisory) and the pitot heat off ("L R PITOT HT", a caution),
// both raised at the first frame and never acknowledged.
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
        units.push_back(StartBackground(ProgramPath("orvex") + " --dir " + dir + " --headless --fps " +
                                            std::to_string(static_cast<int>(rate)) + " --text-trace " + dir +
                                            "/t.jsonl --frame-log " + dir + "/f.jsonl",
                                        ""));
    }
    // Long enough for the five-second advisory and a second after it, with a start-up that
    // takes a second or two on a busy machine.
    std::this_thread::sleep_for(std::chrono::milliseconds(9000));
    for (BackgroundProcess& unit : units)
        EXPECT_EQ(StopBackground(unit), 0) << "SIGTERM closes the window like its close button";

    for (size_t i = 0; i < dirs.size(); ++i) {
        double rate = rates[i];
        SCOPED_TRACE(rate ? std::to_string(static_cast<int>(rate)) + " frames/s" : std::string("unpaced"));
        std::map<long, double> starts = FrameTimes(dirs[i] + "/f.jsonl", "start_ms");
        std::map<long, double> swaps = FrameTimes(dirs[i] + "/f.jsonl", "swap_ms");
        ASSERT_GT(starts.size(), 100u);
        if (rate == 30 || rate == 60) {
            // Mean frame period after the first frame (which loads the navigation data). A
            // frame that misses its deadline restarts the clock rather than bursting, so a
            // loaded machine only ever lengthens the mean: it may not be shorter than the
            // period by more than a few percent (a clock that runs fast or bursts), and a
            // clock that sleeps a period too many would be twice as long. How close it stays
            // on a quiet machine is the benchmark's business, not this test's.
            double mean = (starts.rbegin()->second - std::next(starts.begin())->second) / (starts.size() - 2);
            EXPECT_GT(mean, 0.97 * 1000 / rate);
            EXPECT_LT(mean, 1.6 * 1000 / rate);
        }
        double slack = (rate ? 1000 / rate : 5) + 30;   // one frame, plus a scheduling hiccup
        std::vector<TraceText> trace = ReadTextTrace(dirs[i] + "/t.jsonl");

        Blinking caution = BlinkOf(trace, starts, swaps, "L R PITOT HT");
        ASSERT_GE(caution.lit.size(), 5u);
        // Over several blinks, so one late frame on a busy machine (which delays one blink
        // and shortens the next) cannot hide or fake a wrong period.
        double blinks = static_cast<double>(caution.lit.size() - 1);
        EXPECT_NEAR((caution.lit.back() - caution.lit.front()) / blinks, 1000, slack / 2) << "one blink a second";

        Blinking advisory = BlinkOf(trace, starts, swaps, "L R ENG SHUTDOWN");
        ASSERT_GE(advisory.first, 0);
        // It blinks for five seconds, then stays lit: the last dark half-second falls in
        // the fifth second, and nothing is dark after it.
        EXPECT_GT(advisory.lastBlack - advisory.first, 4000);
        EXPECT_LE(advisory.lastBlack - advisory.first, 5000 + slack);
        EXPECT_GT(starts.rbegin()->second - advisory.first, 5000 + 1000) << "ran long enough to see it stop";
    }
}
