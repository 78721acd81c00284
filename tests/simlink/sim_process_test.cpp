// The client against the real orvex-sim process: the protocol's edge cases, a module that
// dies under a running client, and two processes sharing the panel flag byte.
#include "simlink/simlink.h"

#include "support/support.h"
#include "test_module.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <sys/wait.h>

namespace {

class SimProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SimLinkReset();
        UsePrivateRuntimeDir();
    }
    void TearDown() override
    {
        SimLinkReset();
        StopBackground(sim);
    }
    void Start(const std::string& options = "--freeze")
    {
        sim = StartSim(options);
        ASSERT_GT(sim.pid, 0) << "orvex-sim did not become ready";
    }
    BackgroundProcess sim;
};

TEST_F(SimProcessTest, ProtocolEdgeCasesHoldAgainstTheStandIn)
{
    Start();
    ASSERT_TRUE(SimLinkOpen(0));
    EXPECT_EQ(SimLink.SimVersion, 8u);  // the stand-in's default is not 7
    EXPECT_FALSE(SimLinkProcess());     // empty queue
    static unsigned char big[32497];
    EXPECT_FALSE(SimLinkRead(0x1000, 32493, big));
    ASSERT_TRUE(SimLinkRead(0x1000, 32492, big));
    EXPECT_FALSE(SimLinkRead(0, 0, big));  // full: even an empty read no longer fits
    EXPECT_TRUE(SimLinkProcess());
    // Writes have a 12-byte header, so 32496 bytes is the most an empty queue takes.
    EXPECT_FALSE(SimLinkWrite(0x1000, 32497, big));
    EXPECT_TRUE(SimLinkWrite(0x1000, 32496, big) && SimLinkProcess());
    // A second open fails and the first link keeps working.
    EXPECT_FALSE(SimLinkOpen(0));
    uint32_t battery = 7;
    ASSERT_TRUE(SimLinkRead(0x281C, 4, &battery));
    ASSERT_TRUE(SimLinkProcess());
    EXPECT_EQ(battery, 0u);  // cold and dark at second 0
    // Counters 1 and 2 in the block names of two opens with a close between.
    char expected[64];
    std::snprintf(expected, sizeof expected, "FsasmLib:IPC:%X:1", static_cast<unsigned>(getpid()));
    EXPECT_STREQ(SimLink.BlockName, expected);
    SimLinkClose();
    EXPECT_FALSE(FileExists(std::string("/dev/shm/") + expected));  // the closed link's block is gone
    ASSERT_TRUE(SimLinkOpen(0));
    std::snprintf(expected, sizeof expected, "FsasmLib:IPC:%X:2", static_cast<unsigned>(getpid()));
    EXPECT_STREQ(SimLink.BlockName, expected);
}

TEST_F(SimProcessTest, StandInAnsweringAsFs98MainAloneIsAccepted)
{
    Start("--freeze --class FS98MAIN --sim-version 7");
    ASSERT_TRUE(SimLinkOpen(7));
    EXPECT_EQ(SimLink.SimVersion, 7u);
}

TEST_F(SimProcessTest, KilledModuleFailsAfterRetriesAndDestinationsKeepTheirValues)
{
    Start("--freeze --at 1800");
    ASSERT_TRUE(SimLinkOpen(0));
    int32_t altitude = 0;
    ASSERT_TRUE(SimLinkRead(0x3324, 4, &altitude) && SimLinkProcess());
    EXPECT_EQ(altitude, 35000);
    kill(sim.pid, SIGKILL);
    waitpid(sim.pid, nullptr, 0);
    sim.pid = -1;
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(SimLinkRead(0x3324, 4, &altitude));
    EXPECT_FALSE(SimLinkProcess());
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(seconds, 0.75);  // nine sends, 100 ms apart
    EXPECT_EQ(altitude, 35000);
    EXPECT_FALSE(SimLinkProcess());  // nothing queued any more
}

TEST_F(SimProcessTest, TwoProcessesShareThePanelFlagByte)
{
    Start();
    ASSERT_TRUE(SimLinkOpen(0));
    uint8_t flags = 0x08;  // master caution, as the EICAS unit would set it
    ASSERT_TRUE(SimLinkWrite(0x73D5, 1, &flags) && SimLinkProcess());
    Panel("ack");
    Panel("man on");
    ASSERT_TRUE(SimLinkRead(0x73D5, 1, &flags) && SimLinkProcess());
    EXPECT_EQ(flags, 0x08 | 0x20 | 0x04);  // the panel kept our bit
    EXPECT_EQ(Panel("peek 0x73D5 1"), "44\n");
}

// The panel's commands change only their own bits; the end-to-end tests use most of them.
TEST_F(SimProcessTest, PanelCommandsSetTheirBytesAndKeepTheOthers)
{
    Start();
    Panel("poke 0x7842 1 0xF3");
    Panel("tcas band above");
    EXPECT_EQ(Panel("peek 0x7842 1"), std::to_string(0xF3 | 0x0C) + "\n");
    Panel("tcas band below");
    EXPECT_EQ(Panel("peek 0x7842 1"), std::to_string(0xFB) + "\n");
    Panel("knob 2 down 2");
    EXPECT_EQ(Panel("peek 0x73FC 1"), "254\n");  // wraps below 0
    Panel("key 3 4");
    EXPECT_EQ(Panel("peek 0x73F9 1"), "0\n");  // released again
    Panel("poke 0x6048 8 1234.5 --float");
    EXPECT_EQ(Panel("peek 0x6048 8"), "4653144203864309760\n");
    int status = 0;
    EXPECT_NE(Panel("poke 0x73D5 1 256", &status).find("does not fit"), std::string::npos);
    EXPECT_NE(status, 0);
    EXPECT_NE(Panel("peek 0xFFFF 2", &status).find("cannot read"), std::string::npos);  // past the 64 KiB
    EXPECT_NE(status, 0);
}

TEST_F(SimProcessTest, PanelWithoutModuleSaysSo)
{
    int status = 0;
    std::string out = Panel("peek 0x3324 4", &status);
    EXPECT_NE(status, 0);
    EXPECT_NE(out.find("no simulator module"), std::string::npos);
}

TEST_F(SimProcessTest, StandInRemovesItsSocketOnTermination)
{
    Start();
    std::string socket = std::string(getenv("ORVEX_RUNTIME_DIR")) + "/UIPCMAIN";
    EXPECT_TRUE(FileExists(socket));
    int status = StopBackground(sim);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(FileExists(socket));
}

}  // namespace
