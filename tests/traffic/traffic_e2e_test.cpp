// The traffic picture of display unit 3 driven from outside: orvex-sim holds targets placed
// with --traffic, orvex-panel sets the TCAS range, band and auto mode, and orvex's text
// trace says what the crew would read.
#include "support/support.h"

#include <gtest/gtest.h>
#include <string>

namespace {

class TrafficEndToEnd : public ::testing::Test {
protected:
    void SetUp() override
    {
        UsePrivateRuntimeDir();
        unit = MakeScratchUnit("traffic-e2e");
    }
    void TearDown() override { StopBackground(sim); }
    // Enough frames for two passes over the 95 table slots: change bytes first, then data.
    std::vector<TraceText> LastFrame()
    {
        std::string out;
        EXPECT_EQ(RunCommand(ProgramPath("orvex") + " --dir " + unit + " --headless --frames 200 --text-trace " + unit +
                                 "/trace.jsonl",
                             &out),
                  0)
            << out;
        return TraceFrame(ReadTextTrace(unit + "/trace.jsonl"));
    }
    BackgroundProcess sim;
    std::string unit;
};

bool Has(const std::vector<TraceText>& texts, const char* text)
{
    return FindText(texts, text) != nullptr;
}

} // namespace

TEST_F(TrafficEndToEnd, PlacedTargetsAndTheCockpitsTcasSettings)
{
    // On the apron at 300 s the built-in flight's own targets are empty entries; the two
    // placed ones follow them: a TA 500 ft above at 3 NM and an RA 400 ft below at 1.2 NM.
    sim = StartSim("--at 300 --freeze --traffic 20,3,500,-800 --traffic 340,1.2,-400,0");
    ASSERT_GT(sim.pid, 0);
    auto texts = LastFrame();
    EXPECT_TRUE(Has(texts, "TCAS"));
    EXPECT_TRUE(Has(texts, "05"));
    EXPECT_TRUE(Has(texts, "-04"));
    EXPECT_FALSE(Has(texts, "ABV"));

    Panel("tcas range 50");
    Panel("tcas band above");
    texts = LastFrame();
    EXPECT_TRUE(Has(texts, "40"));
    EXPECT_TRUE(Has(texts, "ABV"));

    // Auto mode with threats present keeps the picture up.
    Panel("tcas auto on");
    EXPECT_TRUE(Has(LastFrame(), "TCAS"));
}
