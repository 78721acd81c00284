// The offset-protocol client against the in-process test module (edge cases, hostile
// modules) and against the real orvex-sim and orvex-panel processes.
#include "simlink/simlink.h"

#include "platform/platform.h"
#include "support/support.h"
#include "test_module.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>

namespace {

class SimLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SimLinkReset();
        UsePrivateRuntimeDir();
    }
    void TearDown() override { SimLinkReset(); }
};

uint32_t Peek32(const SimOffsetSpace& space, uint32_t offset)
{
    return static_cast<uint32_t>(SimGet(space, offset, 4));
}

TEST_F(SimLinkTest, HandshakeAnnouncesLibraryAndKeepsTheVersionWordForTheNextOpen)
{
    TestModule module;
    ASSERT_TRUE(module.Start());
    ASSERT_TRUE(SimLinkOpen(0));
    EXPECT_EQ(SimLink.ModuleVersion, 0x20260105u);
    EXPECT_EQ(SimLink.SimVersion, 8u);
    EXPECT_EQ(module.Space.LibraryAnnouncement, SimLinkLibraryVersion);
    EXPECT_EQ(Peek32(module.Space, 0x3308) >> 16, 0xFADEu);
    // A second open after the announcement still sees 0xFADE; a required version must match.
    SimLinkClose();
    EXPECT_TRUE(SimLinkOpen(8));
    SimLinkClose();
    EXPECT_FALSE(SimLinkOpen(7));
    EXPECT_FALSE(SimLinkIsOpen());
}

TEST_F(SimLinkTest, EmptyProcessFailsWithoutSending)
{
    TestModule module;
    ASSERT_TRUE(module.Start());
    EXPECT_FALSE(SimLinkProcess());  // not open
    ASSERT_TRUE(SimLinkOpen(0));
    int before = module.Requests;
    EXPECT_FALSE(SimLinkProcess());
    PlatformSleepMs(50);
    EXPECT_EQ(module.Requests, before);
}

TEST_F(SimLinkTest, QueueLimitLeavesRoomForTheEndMarker)
{
    TestModule module;
    ASSERT_TRUE(module.Start());
    ASSERT_TRUE(SimLinkOpen(0));
    static unsigned char big[32500];
    EXPECT_FALSE(SimLinkRead(0, 32493, big));
    EXPECT_TRUE(SimLinkRead(0, 32492, big));
    EXPECT_FALSE(SimLinkRead(0, 0, big));  // full: even an empty read no longer fits
    std::memset(module.Space.Bytes, 0x5A, 100);
    EXPECT_TRUE(SimLinkProcess());
    EXPECT_EQ(big[0], 0x5A);
    EXPECT_EQ(big[99], 0x5A);
    // Writes: 12-byte header, so 32496 bytes is the most an empty queue takes.
    EXPECT_FALSE(SimLinkWrite(0, 32497, big));
    EXPECT_TRUE(SimLinkWrite(0, 32496, big));
    EXPECT_TRUE(SimLinkProcess());
}

TEST_F(SimLinkTest, TwoOpensUseCountersOneAndTwo)
{
    TestModule module;
    ASSERT_TRUE(module.Start());
    ASSERT_TRUE(SimLinkOpen(0));
    SimLinkClose();
    ASSERT_TRUE(SimLinkOpen(0));
    char first[64], second[64];
    std::snprintf(first, sizeof first, "FsasmLib:IPC:%X:1", static_cast<unsigned>(getpid()));
    std::snprintf(second, sizeof second, "FsasmLib:IPC:%X:2", static_cast<unsigned>(getpid()));
    std::lock_guard<std::mutex> hold(module.NamesLock);
    ASSERT_FALSE(module.BlockNames.empty());
    EXPECT_EQ(module.BlockNames.front(), first);
    EXPECT_EQ(module.BlockNames.back(), second);
    // The closed link's block is gone; the open one exists, private to the user.
    EXPECT_FALSE(FileExists(std::string("/dev/shm/") + first));
    EXPECT_TRUE(FileExists(std::string("/dev/shm/") + second));
}

TEST_F(SimLinkTest, NoModuleOrOldModuleFailsAndReleasesEverything)
{
    EXPECT_FALSE(SimLinkOpen(0));
    TestModule module;
    ASSERT_TRUE(module.Start());
    SimPut(module.Space, 0x3304, 0x19980004, 4);
    EXPECT_FALSE(SimLinkOpen(0));
    EXPECT_EQ(SimLink.View, nullptr);
    EXPECT_EQ(SimLink.ModuleWindow, -1);
    SimPut(module.Space, 0x3304, 0x19980005, 4);
    EXPECT_TRUE(SimLinkOpen(0));
}

}  // namespace
