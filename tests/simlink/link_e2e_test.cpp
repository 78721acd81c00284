// Display units against a module that goes away, comes back, or misbehaves on purpose
// (orvex-sim --hostile): the unit keeps running, shows the no-simulator picture while
// alone, connects again by itself, and ends at once on SIGTERM.
#include "support/support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <sys/wait.h>

namespace {

class LinkEndToEnd : public ::testing::Test {
protected:
    void SetUp() override { UsePrivateRuntimeDir(); }
    void TearDown() override
    {
        StopBackground(unitRun);
        StopBackground(sim);
    }
    std::string MakeUnit(int number)
    {
        return MakeScratchDisplayUnit("link-unit" + std::to_string(number) + "-" +
                                          ::testing::UnitTest::GetInstance()->current_test_info()->name(),
                                      number);
    }
    // The newest dumped state of the running unit satisfies `ok` within timeoutMs.
    bool Sees(const std::string& dump, bool connected, const std::string& altitude, int timeoutMs = 60000)
    {
        return WaitUntil(
            [&] {
                std::string line = LastLine(dump);
                return !line.empty() && JsonValue(line, "LinkConnected") == (connected ? "true" : "false") &&
                       (altitude.empty() || JsonValue(line, "Altitude") == altitude);
            },
            timeoutMs);
    }
    BackgroundProcess sim, unitRun;
};

TEST_F(LinkEndToEnd, UnitShowsNoSimulatorWhileAloneAndConnectsAgainToANewModule)
{
    sim = StartSim("--freeze --at 1800");
    ASSERT_GT(sim.pid, 0);
    std::string unit = MakeUnit(3);
    std::string dump = unit + "/state.jsonl";
    unitRun = StartBackground(ProgramPath("orvex") + " --dir " + unit + " --headless --dump-state " + dump, "");
    ASSERT_GT(unitRun.pid, 0);
    ASSERT_TRUE(Sees(dump, true, "35000"));

    // Killed: the unit goes on drawing, with the picture of a unit started without one.
    kill(sim.pid, SIGKILL);
    waitpid(sim.pid, nullptr, 0);
    sim.pid = -1;
    ASSERT_TRUE(Sees(dump, false, "0"));
    std::string alone = LastLine(dump);
    EXPECT_EQ(JsonValue(alone, "BatteryMaster"), "1");
    EXPECT_EQ(JsonValue(alone, "FuelTotal"), "0");
    // A new module at another second of the flight: live values without a restart.
    sim = StartSim("--freeze --at 900");
    ASSERT_GT(sim.pid, 0);
    ASSERT_TRUE(Sees(dump, true, ""));
    EXPECT_NE(JsonValue(LastLine(dump), "Altitude"), "35000");

    // Stopped and continued: alone while stopped, back on its own afterwards.
    kill(sim.pid, SIGSTOP);
    EXPECT_TRUE(Sees(dump, false, "0"));
    kill(sim.pid, SIGCONT);
    EXPECT_TRUE(Sees(dump, true, ""));
    // Terminated cleanly, then the same flight again.
    StopBackground(sim);
    EXPECT_TRUE(Sees(dump, false, "0"));
    sim = StartSim("--freeze --at 1800");
    ASSERT_GT(sim.pid, 0);
    EXPECT_TRUE(Sees(dump, true, "35000"));

    // SIGTERM ends the unit as its close button does, with status 0.
    kill(unitRun.pid, SIGTERM);
    EXPECT_EQ(WaitBackground(unitRun, 60000), 0);   // at once; the limit is only for a hang
    unitRun.pid = -1;
}

// Every hostile mode under a unit of each kind: the units run their frames and end
// normally, the module keeps serving, and nothing reports a fault.
TEST_F(LinkEndToEnd, UnitsSurviveEveryHostileMode)
{
    for (const char* mode : {"scribble", "shrink", "late", "garbage", "sizes"}) {
        sim = StartSim(std::string("--at 1800 --hostile ") + mode);
        ASSERT_GT(sim.pid, 0) << mode;
        for (int number : {2, 3}) {
            std::string unit = MakeUnit(number);
            std::string out;
            int rc = RunCommand(ProgramPath("orvex") + " --dir " + unit + " --headless --fps 60 --frames 120", &out, 60);
            EXPECT_EQ(rc, 0) << mode << " unit " << number << ": " << out;
            EXPECT_EQ(out.find("runtime error"), std::string::npos) << mode << ": " << out;
            EXPECT_EQ(out.find("Sanitizer"), std::string::npos) << mode << ": " << out;
        }
        EXPECT_EQ(kill(sim.pid, 0), 0) << mode << ": the module itself died";
        StopBackground(sim);
    }
}

TEST_F(LinkEndToEnd, HostileModesAreListedAndAnUnknownOneIsRefused)
{
    std::string out;
    EXPECT_EQ(RunCommand(ProgramPath("orvex-sim") + " --help", &out), 0);
    for (const char* mode : {"scribble", "shrink", "late", "garbage", "sizes"})
        EXPECT_NE(out.find(mode), std::string::npos) << mode;
    EXPECT_NE(RunCommand(ProgramPath("orvex-sim") + " --hostile gentle", &out), 0);
}

}  // namespace
