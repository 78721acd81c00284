// The offset-protocol client's handshake against the in-process test module; the queue's
// edges are checked against the real orvex-sim in sim_process_test.
#include "simlink/simlink.h"

#include "test_module.h"

#include <gtest/gtest.h>

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
