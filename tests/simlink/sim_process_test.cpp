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
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
    EXPECT_FALSE(FileExists(std::string("/dev/shm/") + expected));  // no machine-wide name, ever
    SimLinkClose();
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

// The stand-in serves only the block the asking client handed over, and only while it is
// named in the clients' scheme after that client; any other name is answered with 0.
TEST_F(SimProcessTest, StandInServesOnlyTheBlockTheClientHandedOver)
{
    Start();
    ASSERT_TRUE(SimLinkOpen(0));
    char other[64];
    std::snprintf(other, sizeof other, "FsasmLib:IPC:%X:1", static_cast<unsigned>(getppid()));
    const char* names[] = {"orvex-test-victim", other, "FsasmLib:IPC:0:1", "FsasmLib:IPC:00:1"};
    for (const char* name : names) {
        // With memory of our own under the name (handed over with the request) and without.
        for (bool withMemory : {true, false}) {
            int memory = withMemory ? PlatformCreateMapping(name, SimLinkBlockSize) : -1;
            uint16_t atom = PlatformAddAtom(name);
            uint32_t sequence = 0, result = 7;
            ASSERT_TRUE(PlatformPostMessage(SimLink.ModuleWindow, SimLink.Message, atom, 0, &sequence));
            EXPECT_EQ(PlatformAwaitAnswer(SimLink.ModuleWindow, sequence, 2000, &result), 1);
            EXPECT_EQ(result, 0u) << name << (withMemory ? " handed over" : " named only");
            PlatformDeleteAtom(atom);
            PlatformCloseMapping(memory, name);
        }
    }
    // Our own block, named again after the others, is still served.
    int32_t altitude = -1;
    ASSERT_TRUE(SimLinkRead(0x3324, 4, &altitude));
    EXPECT_TRUE(SimLinkProcess());
}

// Another user of the machine cannot cut a client off its module: with every block name
// the client will use taken first by that user (they are public: the process id is in
// /proc), the client connects, and connects again after the module restarts.
TEST_F(SimProcessTest, AnotherUserTakingTheBlockNamesFirstCannotStopTheLink)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "acting as a second user needs root (setuid to nobody); squatting not tested";
    constexpr int Squatted = 64;
    pid_t client = getpid();
    pid_t squatter = fork();
    ASSERT_GE(squatter, 0);
    if (squatter == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(2);
        for (int n = 1; n <= Squatted; ++n) {
            char name[64];
            std::snprintf(name, sizeof name, "/FsasmLib:IPC:%X:%X", static_cast<unsigned>(client), n);
            int fd = shm_open(name, O_RDWR | O_CREAT | O_EXCL, 0600);
            if (fd < 0 || ftruncate(fd, SimLinkBlockSize) != 0)
                _exit(3);
            close(fd);
        }
        _exit(0);
    }
    int status = -1;
    ASSERT_EQ(waitpid(squatter, &status, 0), squatter);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the second user could not take the names";

    Start("--freeze --at 1800");
    ASSERT_TRUE(SimLinkOpen(0)) << SimLink.Failure;
    int32_t altitude = 0;
    ASSERT_TRUE(SimLinkRead(0x3324, 4, &altitude) && SimLinkProcess());
    EXPECT_EQ(altitude, 35000);
    StopBackground(sim);
    Start("--freeze --at 1800");
    EXPECT_FALSE(SimLinkRead(0x3324, 4, &altitude) && SimLinkProcess());  // the old module has gone
    double longest = 0;
    EXPECT_TRUE(ConnectByFrames(5000, &longest)) << SimLink.Failure;
    altitude = 0;
    EXPECT_TRUE(SimLinkRead(0x3324, 4, &altitude) && SimLinkProcess());
    EXPECT_EQ(altitude, 35000);
    for (int n = 1; n <= Squatted; ++n) {
        char name[64];
        std::snprintf(name, sizeof name, "/FsasmLib:IPC:%X:%X", static_cast<unsigned>(client), n);
        shm_unlink(name);
    }
}

// A runtime folder another user made first is refused, and the client says so and why,
// instead of looking like "no module".
TEST_F(SimProcessTest, RuntimeFolderOfAnotherUserIsNamedAsTheReason)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "giving a folder to a second user needs root; not tested";
    std::string dir = MakeScratchDir("foreign-runtime") + "/run";
    ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
    ASSERT_EQ(chown(dir.c_str(), 65534, 65534), 0);
    setenv("ORVEX_RUNTIME_DIR", dir.c_str(), 1);
    EXPECT_FALSE(SimLinkOpen(0));
    EXPECT_NE(SimLink.Failure.find(dir), std::string::npos) << SimLink.Failure;
    EXPECT_NE(SimLink.Failure.find("another user"), std::string::npos) << SimLink.Failure;
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
    EXPECT_EQ(status, 2) << out;   // as documented: 2 when no module answers at all
    EXPECT_NE(out.find("no simulator module answers in the runtime folder /"), std::string::npos) << out;
    // A runtime folder that cannot be used is named, with the reason, and is not "no module".
    std::string foreign = MakeScratchDir("panel-runtime") + "/file";
    WriteFile(foreign, "");
    setenv("ORVEX_RUNTIME_DIR", foreign.c_str(), 1);
    out = Panel("peek 0x3324 4", &status);
    EXPECT_EQ(status, 1) << out;
    EXPECT_NE(out.find("the runtime folder " + foreign + " is not a folder"), std::string::npos) << out;
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
