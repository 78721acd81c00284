// The client's block copied through its mapped view: what the module's own view sees, and a
// module that cuts the object short under the copy, which must fail the transfer and leave
// the client running, while a fault anywhere else still ends the program as it always did.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {
constexpr uint32_t Size = 3 * 4096;

std::string BlockName(const char* what)
{
    return "OrvexTest:Block:" + std::to_string(getpid()) + ":" + what;
}

// The module's side: cut the object to `size` bytes, through a descriptor of its own (the
// client's, duplicated, as the module receives it over the socket).
void Truncate(int mapping, off_t size)
{
    int fd = dup(mapping);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(PlatformResizeBlock(fd, static_cast<uint32_t>(size)));
    PlatformCloseBlock(fd);
}
} // namespace

TEST(BlockCopy, RequestsReachTheModulesViewAndAnswersComeBack)
{
    std::string name = BlockName("share");
    int mapping = PlatformCreateMapping(name.c_str(), Size);
    ASSERT_GE(mapping, 0);
    int handed = dup(mapping);
    auto* module = static_cast<unsigned char*>(PlatformMapBlock(handed, Size));
    ASSERT_NE(module, nullptr);
    std::vector<unsigned char> request(Size), answer(Size);
    for (uint32_t i = 0; i < Size; ++i)
        request[i] = static_cast<unsigned char>(i * 7);
    ASSERT_TRUE(PlatformPutBlock(mapping, request.data(), Size));
    EXPECT_EQ(std::memcmp(module, request.data(), Size), 0);
    module[5000] = 0xA5;
    ASSERT_TRUE(PlatformGetBlock(mapping, answer.data(), Size));
    EXPECT_EQ(answer[5000], 0xA5);
    EXPECT_EQ(answer[4999], request[4999]);
    PlatformUnmapView(module, Size);
    PlatformCloseBlock(handed);
    PlatformCloseMapping(mapping, name.c_str());
}

TEST(BlockCopy, ObjectCutShortFailsTheCopyAndTheClientCarriesOn)
{
    std::string name = BlockName("shrink");
    int mapping = PlatformCreateMapping(name.c_str(), Size);
    ASSERT_GE(mapping, 0);
    std::vector<unsigned char> block(Size, 0x11);
    // Cut to nothing: every page is past the end.
    Truncate(mapping, 0);
    EXPECT_FALSE(PlatformPutBlock(mapping, block.data(), Size));
    EXPECT_FALSE(PlatformGetBlock(mapping, block.data(), Size));
    EXPECT_EQ(PlatformMappingSize(mapping), 0);
    // Cut to 100 bytes: the first page is still the object's (read as zeros past its end),
    // the second is not.
    Truncate(mapping, 100);
    EXPECT_TRUE(PlatformGetBlock(mapping, block.data(), 200));
    EXPECT_EQ(block[150], 0);
    EXPECT_FALSE(PlatformGetBlock(mapping, block.data(), Size));
    // Grown back, the same view works again: nothing was left blocked or half-done.
    Truncate(mapping, Size);
    std::fill(block.begin(), block.end(), 0x22);
    EXPECT_TRUE(PlatformPutBlock(mapping, block.data(), Size));
    std::vector<unsigned char> back(Size);
    EXPECT_TRUE(PlatformGetBlock(mapping, back.data(), Size));
    EXPECT_EQ(back, block);
    PlatformCloseMapping(mapping, name.c_str());
}

TEST(BlockCopy, AFaultOutsideACopyStillEndsTheProgram)
{
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The copy's handler is in place once a block exists; a mapped page past the end of
        // some other object, touched directly, is a real bug and must not be swallowed.
        std::string name = BlockName("child");
        int mapping = PlatformCreateMapping(name.c_str(), Size);
        std::vector<unsigned char> block(Size);
        Truncate(mapping, 0);
        bool caught = !PlatformGetBlock(mapping, block.data(), Size);
        PlatformCloseMapping(mapping, name.c_str());
        std::string other = BlockName("other");
        int fd = shm_open(("/" + other).c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
        if (!caught || fd < 0 || ftruncate(fd, Size) != 0)
            _exit(2);
        auto* view = static_cast<volatile unsigned char*>(mmap(nullptr, Size, PROT_READ, MAP_SHARED, fd, 0));
        shm_unlink(("/" + other).c_str());
        if (ftruncate(fd, 0) != 0)
            _exit(3);
        unsigned char byte = view[100];
        _exit(byte == 0 ? 4 : 5);   // not reached: the read above faults
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGBUS);
}
