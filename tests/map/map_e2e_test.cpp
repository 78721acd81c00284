// The map page of display unit 3 against orvex-sim, driven from outside: the heading as the
// simulator encodes it (readout and rose labels), the GPS switch read at 0x132C, and "CHECK
// EICAS" following the alert bits that the other unit (here orvex-panel) sets in the shared
// flag byte.
#include "support/support.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>

namespace {

class MapEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        UsePrivateRuntimeDir();
        sim = StartSim();
        ASSERT_GT(sim.pid, 0);
        unit = MakeScratchUnit("map-e2e");
    }
    void TearDown() override { StopBackground(sim); }
    void Poke(const std::string& args) { Panel("poke " + args); }
    std::vector<TraceText> LastFrame()
    {
        std::string out;
        EXPECT_EQ(RunCommand(ProgramPath("orvex") + " --dir " + unit + " --headless --frames 4 --text-trace " + unit +
                                 "/trace.jsonl",
                             &out),
                  0)
            << out;
        return TraceFrame(ReadTextTrace(unit + "/trace.jsonl"));
    }
    BackgroundProcess sim;
    std::string unit;
};

} // namespace

TEST_F(MapEndToEnd, HeadingGpsAndCheckEicasFromTheSimulator)
{
    Poke("0x281C 4 1");  // battery
    Poke("0x2E80 4 1");  // avionics
    Poke("0x02A0 2 0");  // no magnetic variation: magnetic heading is the true heading
    // 359.6 degrees true, as the simulator encodes it (2^32 = 360 degrees).
    Poke("0x0580 4 " + std::to_string(std::llround(359.6 / 360.0 * 4294967296.0)));
    Poke("0x132C 4 1");  // NAV/GPS switch on GPS
    Poke("0x73D5 1 8");  // master caution raised by the EICAS unit
    auto texts = LastFrame();
    EXPECT_NE(FindText(texts, "000"), nullptr);
    // The rose's arc shows 60 degrees either side of north, not east or west.
    for (const char* label : {"30", "33", "N", "3", "6"})
        EXPECT_NE(FindText(texts, label), nullptr) << label;
    EXPECT_EQ(FindText(texts, "E"), nullptr);
    EXPECT_EQ(FindText(texts, "W"), nullptr);
    EXPECT_NE(FindText(texts, "FMS"), nullptr);
    EXPECT_NE(FindText(texts, "CHECK EICAS"), nullptr);

    Poke("0x73D5 1 16");  // warning instead
    EXPECT_NE(FindText(LastFrame(), "CHECK EICAS"), nullptr);

    Poke("0x73D5 1 0");  // both cleared
    Poke("0x132C 4 0");  // back to NAV
    Poke("0x0580 4 " + std::to_string(1u << 30));  // heading 090
    texts = LastFrame();
    EXPECT_EQ(FindText(texts, "CHECK EICAS"), nullptr);
    EXPECT_EQ(FindText(texts, "FMS"), nullptr);
    // East at the top of the rose, between 6 and 12 and above both; north and west hidden.
    const TraceText *e = FindText(texts, "E"), *six = FindText(texts, "6"), *twelve = FindText(texts, "12");
    ASSERT_TRUE(e && six && twelve);
    EXPECT_LT(six->x, e->x);
    EXPECT_LT(e->x, twelve->x);
    EXPECT_LT(e->y, six->y);
    EXPECT_LT(e->y, twelve->y);
    EXPECT_EQ(FindText(texts, "N"), nullptr);
    EXPECT_EQ(FindText(texts, "W"), nullptr);
}
