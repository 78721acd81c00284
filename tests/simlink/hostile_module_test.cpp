// A module that fails, goes silent, answers late or scribbles over the block never makes
// the client write outside its destinations, and never loses a later exchange.
#include "simlink/simlink.h"

#include "platform/platform.h"
#include "support/support.h"
#include "test_module.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

namespace {

// Destinations sit inside a guarded arena; every byte outside them must keep its canary.
struct Arena {
    unsigned char bytes[512];
    Arena() { std::memset(bytes, 0xCC, sizeof bytes); }
    bool CanariesIntact(std::initializer_list<std::pair<int, int>> holes) const
    {
        for (int i = 0; i < static_cast<int>(sizeof bytes); ++i) {
            bool inHole = false;
            for (auto [at, size] : holes)
                inHole |= i >= at && i < at + size;
            if (!inHole && bytes[i] != 0xCC)
                return false;
        }
        return true;
    }
};

class HostileModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SimLinkReset();
        UsePrivateRuntimeDir();
        ASSERT_TRUE(module.Start());
        ASSERT_TRUE(SimLinkOpen(0));
        for (int i = 0; i < 256; ++i)
            module.Space.Bytes[0x1000 + i] = static_cast<unsigned char>(i + 1);
    }
    void TearDown() override { SimLinkReset(); }

    // Three reads (4, 8, 2 bytes) and a write between them.
    bool Exchange(Arena& arena)
    {
        static const unsigned char source[3] = {7, 8, 9};
        return SimLinkRead(0x1000, 4, arena.bytes + 16) && SimLinkWrite(0x2000, 3, source) &&
               SimLinkRead(0x1010, 8, arena.bytes + 64) && SimLinkRead(0x1020, 2, arena.bytes + 128) &&
               SimLinkProcess();
    }
    TestModule module;
};

TEST_F(HostileModuleTest, AnswerZeroCopiesNothing)
{
    module.Mode = ModuleMode::AnswerZero;
    Arena arena;
    EXPECT_FALSE(Exchange(arena));
    EXPECT_TRUE(arena.CanariesIntact({}));
}

TEST_F(HostileModuleTest, LateModuleFailsAfterOneTimeOutClosesAndItsAnswersAreNeverTakenLater)
{
    SimLink.SendTimeoutMs = 100;
    module.Mode = ModuleMode::Late;
    module.LateMs = 130;
    Arena arena;
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(Exchange(arena));
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(seconds, 0.095);
    EXPECT_LT(seconds, 0.5);  // one wait, no retries
    EXPECT_FALSE(SimLinkIsOpen());
    EXPECT_TRUE(arena.CanariesIntact({}));
    // The late answer (result 1, block untouched) comes to a closed link; the new link
    // takes only its own answers.
    PlatformSleepMs(100);
    module.Mode = ModuleMode::Normal;
    ASSERT_TRUE(SimLinkOpen(0));
    Arena next;
    ASSERT_TRUE(Exchange(next));
    EXPECT_EQ(next.bytes[16], 1);
    EXPECT_EQ(next.bytes[64], 0x11);
    EXPECT_EQ(next.bytes[128], 0x21);
    EXPECT_TRUE(next.CanariesIntact({{16, 4}, {64, 8}, {128, 2}}));
}

// A module that cuts the block short (or grows it) would fault a client that walked a
// mapped view; here the exchange fails, the link closes, and nothing is copied.
TEST_F(HostileModuleTest, ResizedBlockFailsTheExchangeWithoutFaulting)
{
    for (uint32_t size : {0u, 100u, 4096u, SimBlockSize - 1, SimBlockSize + 4096}) {
        if (!SimLinkIsOpen()) {
            module.Mode = ModuleMode::Normal;
            ASSERT_TRUE(SimLinkOpen(0));
        }
        module.Mode = ModuleMode::Resize;
        module.ResizeTo = size;
        Arena arena;
        EXPECT_FALSE(Exchange(arena)) << size;
        EXPECT_FALSE(SimLinkIsOpen()) << size;
        EXPECT_TRUE(arena.CanariesIntact({})) << size;
        // The link opens again once the module behaves.
        module.Mode = ModuleMode::Normal;
        ASSERT_TRUE(SimLinkOpen(0));
        Arena next;
        ASSERT_TRUE(Exchange(next));
        EXPECT_EQ(next.bytes[16], 1);
    }
}

TEST_F(HostileModuleTest, ScribbledHeadersNeverRedirectACopy)
{
    using Scribble = void (*)(unsigned char*);
    const Scribble scribbles[] = {
        [](unsigned char* b) { b[8] = 0xFF; b[9] = 0x7F; },          // first read's size grows
        [](unsigned char* b) { b[12] = 3; },                          // first read's token moves
        [](unsigned char* b) { b[20] = 2; b[28] = 0x40; },            // the write claims a size
        [](unsigned char* b) { std::memset(b + 20, 1, 16); },         // the write becomes a read
        [](unsigned char* b) { b[0] = 7; },                           // unknown type at the start
        [](unsigned char* b) { std::memset(b, 0xFF, 32768); },        // everything
        [](unsigned char* b) { b[20 + 15 + 24 + 18] = 1; },           // end marker turns into a read
    };
    module.Mode = ModuleMode::Scribble;
    for (Scribble s : scribbles) {
        module.ScribbleWith = s;
        Arena arena;
        Exchange(arena);
        EXPECT_TRUE(arena.CanariesIntact({{16, 4}, {64, 8}, {128, 2}}));
    }
    // The walk stops at the first scribbled header: requests before it were copied.
    module.ScribbleWith = [](unsigned char* b) { b[20] = 9; };
    Arena arena;
    EXPECT_TRUE(Exchange(arena));
    EXPECT_EQ(arena.bytes[16], 1);
    EXPECT_EQ(arena.bytes[64], 0xCC);
}

}  // namespace
