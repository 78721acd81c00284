// The EICAS unit from outside: orvex as display unit 2 against a frozen orvex-sim, with
// orvex-panel as the cockpit; and the chime as the running program plays it.
#include "support/support.h"
#include "trace_colours.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <set>
#include <sstream>

namespace {
// An installation folder configured as display unit 2 (EICAS first), without bezel.
std::string MakeUnit2(const std::string& name)
{
    std::string unit = MakeScratchUnit(name);
    WriteFile(unit + "/MFD.ini", "[X_SIZE,Y_SIZE]\n433,605\n[X_POSITION,Y_POSISTION]\n0,0\n[FRAMELESS_WINDOW(0-1)]\n0\n"
                                 "[DISPLAY_BEZEL(0-1)]\n0\n[MFD=0,EICAS=1]\n1\n[PLANPATH]\n\"c:\\\"\n"
                                 "[PATH_TO_DU2]\n\"c:\\\"\n[PATH_TO_DU3]\n\"c:\\\"");
    return unit;
}

constexpr int PanelFlagAcknowledgeBit = 0x20;   // set by the panel, cleared by the unit that takes it

int PanelFlags()
{
    int status = 0;
    std::string out = Panel("peek 0x73D5 1", &status);
    return status == 0 ? std::atoi(out.c_str()) : -1;
}

long LastFrame(const std::string& path)
{
    return std::atol(JsonValue(LastLine(path), "frame").c_str());
}

// Presses acknowledge until the bits in `cleared` are clear, judged three frames of the unit
// (its text trace) after it took the press: the master bits fall at the evaluation after
// the one that acknowledged. No lock guards the byte: a press landing between the unit's
// read and write-back is lost (the write-back clears the acknowledge bit unseen), and the
// crew presses again. With nothing to acknowledge the request stays pending, to be dropped
// by the next message raised.
bool AcknowledgeUntilClear(int cleared, const std::string& trace)
{
    for (int press = 0; press < 5; ++press) {
        // A request still pending needs no second press (and would stay pending).
        if ((PanelFlags() & PanelFlagAcknowledgeBit) == 0)
            Panel("ack");
        if (!WaitUntil([&] {
                int flags = PanelFlags();
                return (flags & PanelFlagAcknowledgeBit) == 0 || (flags & cleared) == 0;
            }))
            return false;
        long frame = LastFrame(trace);
        if (!WaitUntil([&] { return LastFrame(trace) >= frame + 3; }))
            return false;
        if ((PanelFlags() & cleared) == 0)
            return true;
    }
    return false;
}

// Colours of the text `text` in the trace's complete lines of frame `from` on.
std::set<std::string> ColoursFrom(const std::string& path, long from, const std::string& text)
{
    std::set<std::string> colours;
    std::string all = ReadFile(path);
    std::istringstream lines(all.substr(0, all.rfind('\n') + 1));   // the unit is still writing the last line
    std::string line;
    while (std::getline(lines, line))
        if (std::atol(JsonValue(line, "frame").c_str()) >= from && JsonValue(line, "text") == text) {
            TraceText t;
            std::sscanf(JsonValue(line, "rgb").c_str(), "[%f,%f,%f]", &t.r, &t.g, &t.b);
            colours.insert(ColourName(&t));
        }
    return colours;
}

// Start (ms, the unit's clock) of frame `frame` in the frame log; -1 until it is logged.
double FrameStart(const std::string& log, long frame)
{
    for (const std::string& line : ReadLines(log))
        if (std::atol(JsonValue(line, "frame").c_str()) == frame && line.back() == '}')
            return std::atof(JsonValue(line, "start_ms").c_str());
    return -1;
}

// Waits until the unit's clock has run `ms` past the start of frame `frame`: the frames
// since then span that much of its time, however few a busy machine let it draw.
bool WaitClock(const std::string& log, long frame, double ms)
{
    return WaitUntil([&] {
        double from = FrameStart(log, frame);
        std::string last = LastLine(log);
        return from >= 0 && !last.empty() && std::atof(JsonValue(last, "start_ms").c_str()) >= from + ms;
    });
}

class EicasEndToEnd : public ::testing::Test {
protected:
    BackgroundProcess sim, unit;
    void SetUp() override { UsePrivateRuntimeDir(); }
    void TearDown() override
    {
        StopBackground(unit);
        StopBackground(sim);
    }
};
} // namespace

TEST_F(EicasEndToEnd, CautionLightsMasterCautionUntilThePanelAcknowledges)
{
    // Taxiing out with both engines running and the pitot heat on.
    sim = StartSim("--freeze --at 300");
    ASSERT_GT(sim.pid, 0);
    std::string dir = MakeUnit2("eicas-e2e"), trace = dir + "/trace.jsonl", log = dir + "/frames.jsonl";
    unit = StartBackground(ProgramPath("orvex") + " --dir " + dir + " --headless --frames 1000000 --fps 60 --text-trace " +
                               trace + " --frame-log " + log,
                           "");
    ASSERT_TRUE(WaitUntil([&] { return ReadFile(trace).find("\"58.00\"") != std::string::npos; }))
        << "the unit draws the simulator's N2";
    ASSERT_TRUE(AcknowledgeUntilClear(0x18, trace)) << "whatever power-up raised";

    Panel("poke 0x029C 1 0");   // pitot heat off: "L R PITOT HT"
    ASSERT_TRUE(WaitUntil([] { return (PanelFlags() & 0x18) == 0x08; })) << PanelFlags();
    // Raised and not acknowledged: it blinks.
    long raised = LastFrame(trace) + 1;
    EXPECT_TRUE(WaitUntil([&] {
        return ColoursFrom(trace, raised, "L R PITOT HT") == std::set<std::string>{"amber", "black"};
    })) << "the caution blinks";

    ASSERT_TRUE(AcknowledgeUntilClear(0x28, trace)) << PanelFlags();
    // The unit cleared the bits in the frame that took the acknowledgement; two frames on,
    // every frame drawn is an acknowledged one. Over more than a second of its clock (both
    // halves of a blink) the row stays lit.
    long acknowledged = LastFrame(trace) + 2;
    ASSERT_TRUE(WaitClock(log, acknowledged, 1100));
    EXPECT_EQ(ColoursFrom(trace, acknowledged, "L R PITOT HT"), std::set<std::string>{"amber"});
    EXPECT_EQ(ColoursFrom(trace, acknowledged, "END"), std::set<std::string>{"cyan"});
}

// Raw simulator values at the band edges, poked into the frozen flight.
TEST_F(EicasEndToEnd, BandEdgesFromRawSimulatorValues)
{
    double oilLbPerSqFt = 49.5 * 144;
    uint64_t oil;
    std::memcpy(&oil, &oilLbPerSqFt, sizeof oil);
    for (int simVersion : {11, 7}) {
        StopBackground(sim);
        sim = StartSim("--freeze --at 300 --sim-version " + std::to_string(simVersion));
        ASSERT_GT(sim.pid, 0);
        for (std::string poke : {"0x0898 2 16384", "0x0930 2 16401",   // N1 100.0 % and 100.1 %
                                 "0x088C 2 65044", "0x0924 2 64552",   // levers -3 % and -6 %
                                 "0x0892 2 1", "0x092A 2 1",           // starters on
                                 "0x0896 2 8356", "0x092E 2 8355",     // N2 51.0 % and 50.99 %
                                 "0x02BC 4 32000"})                    // 250 kt, gear down
            Panel("poke " + poke);
        Panel("poke 0x3B60 8 " + std::to_string(oil));
        Panel("poke 0x3AA0 8 " + std::to_string(oil));

        std::string dir = MakeUnit2("eicas-bands");
        ASSERT_EQ(RunCommand(ProgramPath("orvex") + " --dir " + dir + " --headless --frames 40 --text-trace " + dir +
                             "/t.jsonl"), 0);
        auto frame = TraceFrame(ReadTextTrace(dir + "/t.jsonl"));
        SCOPED_TRACE("simulator version " + std::to_string(simVersion));
        std::vector<std::string> colours;   // left and right of S (START) and the oil readout 49
        for (const char* text : {"S", "49"}) {
            std::vector<const TraceText*> found;
            for (const TraceText& t : frame)
                if (t.text == text)
                    found.push_back(&t);
            std::sort(found.begin(), found.end(), [](auto* a, auto* b) { return a->x < b->x; });
            for (const TraceText* t : found)
                colours.push_back(ColourName(t));
        }
        EXPECT_EQ(colours, (std::vector<std::string>{"amber", "green", "white", simVersion == 7 ? "white" : "red"}));
        EXPECT_EQ(ColourName(FindText(frame, "100.0")), "white");
        EXPECT_EQ(ColourName(FindText(frame, "100.1")), "red");
        EXPECT_EQ(ColourName(FindText(frame, "REV")), "white");
        EXPECT_EQ(ColourName(FindText(frame, "DEP")), "green");
        EXPECT_NE(FindText(frame, "    GEAR"), nullptr);
        // The list: bold lines 0.6076 units apart (605 px show 24.85 units), END last and cyan.
        std::vector<const TraceText*> lines;
        for (const TraceText& t : frame)
            if (t.font == 3)
                lines.push_back(&t);
        ASSERT_GE(lines.size(), 2u);
        for (size_t i = 1; i < lines.size(); ++i)
            EXPECT_NEAR(lines[i]->y - lines[i - 1]->y, 0.6076f * 605 / 24.8528f, 1.0f) << lines[i]->text;
        EXPECT_EQ(lines.back()->text, "END");
        EXPECT_EQ(ColourName(lines.back()), "cyan");
    }
}

TEST(EicasChime, NoSoundDriverLeavesTheUnitRunningSilently)
{
    // Without a simulator the unit powers up with two rows raised, so two chimes start.
    std::string dir = MakeUnit2("eicas-chime");
    ASSERT_EQ(RunCommand("SDL_AUDIODRIVER=nosuchdriver " + ProgramPath("orvex") + " --dir " + dir +
                         " --headless --frames 150 --screenshot " + dir + "/quiet.png"), 0);
    EXPECT_TRUE(FileExists(dir + "/quiet.png"));
}
