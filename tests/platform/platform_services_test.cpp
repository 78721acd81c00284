// The platform's file and time services as the programs rely on them, written once for both
// backends (Linux ctest runs it natively, test-windows under Wine): whole-file reads only of
// a regular file within its cap, writes that replace a file whole and leave no temporary,
// streams that take their name when asked, listings of plain files, stale temporaries swept.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {
class PlatformServices : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() / ("orvex-platform-" + std::to_string(PlatformProcessId()) + "-" + info->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    std::string Path(const std::string& name) const { return (dir / name).string(); }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    fs::path dir;
};
} // namespace

TEST_F(PlatformServices, WholeFileReadsTakeOnlyARegularFileWithinItsCap)
{
    ASSERT_TRUE(PlatformWriteFileAtomic(Path("ten.txt").c_str(), "0123456789"));
    std::string content, error;
    EXPECT_TRUE(PlatformReadWholeFile(Path("ten.txt").c_str(), 10, &content, &error));
    EXPECT_EQ(content, "0123456789");

    EXPECT_FALSE(PlatformReadWholeFile(Path("ten.txt").c_str(), 9, &content, &error));
    EXPECT_EQ(error, "larger than 9 bytes");
    EXPECT_TRUE(content.empty());
    // A file whose tail is of no use gives its first bytes instead.
    EXPECT_TRUE(PlatformReadFileStart(Path("ten.txt").c_str(), 4, &content, &error));
    EXPECT_EQ(content, "0123");

    fs::create_directory(dir / "folder");
    EXPECT_FALSE(PlatformReadWholeFile(Path("folder").c_str(), 1000, &content, &error));
    EXPECT_EQ(error, "not a regular file");
    EXPECT_FALSE(PlatformReadWholeFile(Path("missing.txt").c_str(), 1000, &content, &error));
    EXPECT_FALSE(error.empty());
}

TEST_F(PlatformServices, WindowsStyleNamesReachTheFile)
{
    fs::create_directory(dir / "data");
    ASSERT_TRUE(PlatformWriteFileAtomic(Path("data/navaids.txt").c_str(), "VOR"));
    std::string content;
    EXPECT_TRUE(PlatformReadWholeFile((dir.string() + "\\data\\navaids.txt").c_str(), 100, &content));
    EXPECT_EQ(content, "VOR");
    EXPECT_TRUE(PlatformReadWholeFile((dir.string() + "/data//navaids.txt").c_str(), 100, &content));
    EXPECT_TRUE(PlatformPathExists((dir.string() + "\\data").c_str()));
    // The installation checks take the system's own names.
    EXPECT_TRUE(PlatformIsFolder((dir / "data").string().c_str()));
    EXPECT_FALSE(PlatformIsFile((dir / "data").string().c_str()));
    EXPECT_TRUE(PlatformIsFile((dir / "data" / "navaids.txt").string().c_str()));
}

TEST_F(PlatformServices, WritesReplaceWholeAndLeaveNoTemporary)
{
    ASSERT_TRUE(PlatformWriteFileAtomic(Path("MFD.ini").c_str(), "a long first version of the file"));
    ASSERT_TRUE(PlatformWriteFileAtomic(Path("MFD.ini").c_str(), "short"));
    std::string content;
    ASSERT_TRUE(PlatformReadWholeFile(Path("MFD.ini").c_str(), 100, &content));
    EXPECT_EQ(content, "short");
    ASSERT_TRUE(PlatformAppendFile(Path("error.log").c_str(), "one\n"));
    ASSERT_TRUE(PlatformAppendFile(Path("error.log").c_str(), "two\n"));
    ASSERT_TRUE(PlatformReadWholeFile(Path("error.log").c_str(), 100, &content));
    EXPECT_EQ(content, "one\ntwo\n");
    EXPECT_EQ(Names(), (std::vector<std::string>{"MFD.ini", "error.log"}));
    EXPECT_TRUE(PlatformRemoveFile(Path("error.log").c_str()));
    EXPECT_FALSE(PlatformPathExists(Path("error.log").c_str()));
}

TEST_F(PlatformServices, StreamsTakeTheirNameWhenAsked)
{
    // A trace followed while it grows has its name from the start.
    FILE* dump = PlatformOpenOutput(Path("state.jsonl").c_str(), true);
    ASSERT_NE(dump, nullptr);
    EXPECT_TRUE(PlatformPathExists(Path("state.jsonl").c_str()));
    std::fputs("{}\n", dump);
    EXPECT_TRUE(PlatformCloseOutput(dump));

    // A screenshot appears whole at the end, or not at all when dropped.
    FILE* shot = PlatformOpenOutput(Path("shot.png").c_str(), false);
    ASSERT_NE(shot, nullptr);
    std::fputs("picture", shot);
    EXPECT_FALSE(PlatformPathExists(Path("shot.png").c_str()));
    EXPECT_TRUE(PlatformCloseOutput(shot));
    std::string content;
    ASSERT_TRUE(PlatformReadWholeFile(Path("shot.png").c_str(), 100, &content));
    EXPECT_EQ(content, "picture");

    FILE* dropped = PlatformOpenOutput(Path("dropped.png").c_str(), false);
    ASSERT_NE(dropped, nullptr);
    EXPECT_FALSE(PlatformCloseOutput(dropped, false));
    EXPECT_EQ(Names(), (std::vector<std::string>{"shot.png", "state.jsonl"}));

    // A folder in the name's place is never written.
    fs::create_directory(dir / "folder.png");
    EXPECT_EQ(PlatformOpenOutput(Path("folder.png").c_str(), false), nullptr);
}

TEST_F(PlatformServices, ListingsHoldPlainFilesSortedAndStaleTemporariesGo)
{
    for (const char* name : {"b.pln", "a.pln", "c.fms"})
        ASSERT_TRUE(PlatformWriteFileAtomic(Path(name).c_str(), "x"));
    fs::create_directory(dir / "sub.pln");
    EXPECT_EQ(PlatformListDirectory(dir.string().c_str()), (std::vector<std::string>{"a.pln", "b.pln", "c.fms"}));
    EXPECT_TRUE(PlatformListDirectory(Path("missing").c_str()).empty());

    // A temporary of a process that has ended goes with the next write beside it; one of
    // a live process (this one) stays.
    const std::string dead = "a.pln.tmp.2147483646.1";
    const std::string live = "a.pln.tmp." + std::to_string(PlatformProcessId()) + ".999";
    ASSERT_TRUE(PlatformAppendFile(Path(dead).c_str(), "left over"));
    ASSERT_TRUE(PlatformAppendFile(Path(live).c_str(), "being written"));
    ASSERT_TRUE(PlatformWriteFileAtomic(Path("a.pln").c_str(), "y"));
    EXPECT_FALSE(PlatformPathExists(Path(dead).c_str()));
    EXPECT_TRUE(PlatformPathExists(Path(live).c_str()));
}

TEST(PlatformTime, SleepsReachTheirDeadlineOnTheSharedClock)
{
    int64_t start = PlatformMonotonicNs();
    int64_t deadline = start + 3000000;
    PlatformSleepUntilNs(deadline);
    EXPECT_GE(PlatformMonotonicNs(), deadline);
    double before = PlatformMillis();
    PlatformSleepMs(2);
    EXPECT_GE(PlatformMillis() - before, 1.9);
    EXPECT_GT(PlatformMonotonicNs(), start);
}
