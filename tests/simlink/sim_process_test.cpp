// The client against the real orvex-sim process: the protocol's edge cases, a module that
// dies under a running client, and two processes sharing the panel flag byte.
#include "simlink/simlink.h"

#include "platform/platform.h"

#include "support/support.h"
#include "test_module.h"

#include <gtest/gtest.h>

#include <algorithm>
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

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Steps the opening as a unit's frames do, every 5 ms, until it is open; the longest single
// step in *longestMs. False after timeoutMs.
bool ConnectByFrames(int timeoutMs, double* longestMs)
{
    *longestMs = 0;
    auto start = std::chrono::steady_clock::now();
    while (SecondsSince(start) * 1000 < timeoutMs) {
        auto before = std::chrono::steady_clock::now();
        SimLinkPhase phase = SimLinkConnectStep(0, PlatformMillis());
        *longestMs = std::max(*longestMs, SecondsSince(before) * 1000);
        if (phase == SimLinkPhase::Open)
            return true;
        PlatformSleepMs(5);
    }
    return false;
}

// The waits told apart here are made long (SendTimeoutMs), so that a step that does not
// wait and one that does stay apart by seconds, whatever a busy machine adds to either.
TEST_F(SimProcessTest, KilledModuleFailsAtOnceAndANewModuleIsFoundByTheNextSteps)
{
    Start("--freeze --at 1800");
    SimLink.SendTimeoutMs = 20000;
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
    EXPECT_LT(SecondsSince(start), 10.0);  // a closed connection is known at once, not after the 20 s wait
    EXPECT_EQ(altitude, 35000);
    EXPECT_FALSE(SimLinkIsOpen());
    EXPECT_FALSE(SimLinkRead(0x3324, 4, &altitude));  // nothing can be queued any more

    // Alone: every step is a failed connect, never a wait.
    double longest = 0;
    EXPECT_FALSE(ConnectByFrames(300, &longest));
    EXPECT_LT(longest, 10000.0);
    // However long the steps kept failing, the next attempt is due within the longest
    // back-off, so a module that comes is found that soon (counted on the link's own clock).
    EXPECT_LE(SimLink.RetryAtMs - PlatformMillis(), SimLinkRetryMaxMs);
    Start("--freeze --at 900");
    ASSERT_TRUE(ConnectByFrames(60000, &longest));
    EXPECT_LT(longest, 10000.0);
    ASSERT_TRUE(SimLinkRead(0x3324, 4, &altitude) && SimLinkProcess());
    EXPECT_NE(altitude, 35000);
}

TEST_F(SimProcessTest, StoppedModuleTimesOutOnceThenStepsNeverWaitAndItIsFoundOnContinue)
{
    Start("--freeze --at 1800");
    SimLink.SendTimeoutMs = 3000;
    ASSERT_TRUE(SimLinkOpen(0));
    kill(sim.pid, SIGSTOP);
    int32_t altitude = 0;
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(SimLinkRead(0x3324, 4, &altitude));
    EXPECT_FALSE(SimLinkProcess());
    EXPECT_GE(SecondsSince(start), 2.99);
    EXPECT_LT(SecondsSince(start), 6.0);   // one wait, not two
    EXPECT_FALSE(SimLinkIsOpen());
    // The stopped module's socket still takes connections: the handshake goes out and the
    // steps only look for its answer.
    double longest = 0;
    EXPECT_FALSE(ConnectByFrames(800, &longest));
    EXPECT_LT(longest, 1500.0);  // the handshake's 3 s wait is never taken in a step
    kill(sim.pid, SIGCONT);
    ASSERT_TRUE(ConnectByFrames(60000, &longest));
    ASSERT_TRUE(SimLinkRead(0x3324, 4, &altitude) && SimLinkProcess());
    EXPECT_EQ(altitude, 35000);
}

// The stand-in opens only blocks named in the clients' scheme after the asking client, and
// leaves every other object alone, also when that client goes away.
TEST_F(SimProcessTest, StandInOpensAndRemovesOnlyTheAskingClientsBlocks)
{
    Start();
    ASSERT_TRUE(SimLinkOpen(0));
    char other[64];
    // Another live process's block (our parent's): a dead one's would be fair game for the
    // stale-block sweep of any client that connects meanwhile, such as a parallel test's.
    std::snprintf(other, sizeof other, "FsasmLib:IPC:%X:1", static_cast<unsigned>(getppid()));
    const char* names[] = {"orvex-test-victim", other, "FsasmLib:IPC:0:1", "FsasmLib:IPC:00:1"};
    int victims[4];
    for (int i = 0; i < 4; ++i) {
        const char* name = names[i];
        victims[i] = PlatformCreateMapping(name, SimLinkBlockSize);
        ASSERT_GE(victims[i], 0) << name;
        uint16_t atom = PlatformAddAtom(name);
        uint32_t sequence = 0, result = 7;
        ASSERT_TRUE(PlatformPostMessage(SimLink.ModuleWindow, SimLink.Message, atom, 0, &sequence));
        EXPECT_EQ(PlatformAwaitAnswer(SimLink.ModuleWindow, sequence, 2000, &result), 1);
        EXPECT_EQ(result, 0u) << name;
        PlatformDeleteAtom(atom);
    }
    SimLinkClose();  // the module sees this client leave
    PlatformSleepMs(100);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(FileExists(std::string("/dev/shm/") + names[i])) << names[i];
        PlatformCloseMapping(victims[i], names[i]);
    }
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
