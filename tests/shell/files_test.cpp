// The one file writer: nothing planted in a unit folder (links under the file's name or
// its temporaries' names) makes a program write anywhere but the file itself, and
// temporaries left by dead processes are cleared.
#include "platform/platform.h"
#include "support/support.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool IsLink(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

pid_t DeadPid()
{
    pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

class SafeFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = MakeScratchDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
        victim = dir + "/victim.txt";
        WriteFile(victim, "precious\n");
    }
    std::string dir, victim;
};

TEST_F(SafeFiles, LinksUnderTheNameAreReplacedAndTemporaryNamesAreNeverFollowed)
{
    // A link under the file's own name: replaced by the new file, its target untouched.
    std::string file = dir + "/MFD.ini";
    ASSERT_EQ(symlink(victim.c_str(), file.c_str()), 0);
    ASSERT_TRUE(PlatformWriteFileAtomic(file.c_str(), "new\n"));
    EXPECT_FALSE(IsLink(file));
    EXPECT_EQ(ReadFile(file), "new\n");
    EXPECT_EQ(ReadFile(victim), "precious\n");

    // Links under every temporary name this process could pick next: none is followed;
    // the writer gives up rather than write through one.
    std::string other = dir + "/accfg.ini";
    for (int n = 1; n <= 200; ++n) {
        std::string temp = other + ".tmp." + std::to_string(getpid()) + "." + std::to_string(n);
        ASSERT_EQ(symlink(victim.c_str(), temp.c_str()), 0);
    }
    EXPECT_FALSE(PlatformWriteFileAtomic(other.c_str(), "x\n"));
    EXPECT_EQ(ReadFile(victim), "precious\n");
    EXPECT_FALSE(FileExists(other));
}

TEST_F(SafeFiles, StaleTemporariesOfDeadProcessesAreRemovedOthersKept)
{
    std::string file = dir + "/MFD.ini";
    std::string stale = file + ".tmp." + std::to_string(DeadPid()) + ".1";
    std::string staleLink = file + ".tmp." + std::to_string(DeadPid()) + ".3";
    std::string live = file + ".tmp." + std::to_string(getppid()) + ".1";
    std::string unrelated = dir + "/notes.tmp.1.1";
    WriteFile(stale, "half");
    ASSERT_EQ(symlink(victim.c_str(), staleLink.c_str()), 0);
    WriteFile(live, "being written");
    WriteFile(unrelated, "keep");
    ASSERT_TRUE(PlatformWriteFileAtomic(file.c_str(), "new\n"));
    EXPECT_FALSE(FileExists(stale));
    EXPECT_FALSE(IsLink(staleLink));
    EXPECT_EQ(ReadFile(victim), "precious\n");  // the link went, not its target
    EXPECT_TRUE(FileExists(live));
    EXPECT_TRUE(FileExists(unrelated));
    EXPECT_EQ(PlatformListDirectory(dir.c_str()).size(), 4u);  // victim, file, live, unrelated
}

TEST_F(SafeFiles, AppendsNeverGoThroughALink)
{
    std::string log = dir + "/error.log";
    ASSERT_TRUE(PlatformAppendFile(log.c_str(), "one\n"));
    ASSERT_TRUE(PlatformAppendFile(log.c_str(), "two\n"));
    EXPECT_EQ(ReadFile(log), "one\ntwo\n");
    std::string linked = dir + "/linked.log";
    ASSERT_EQ(symlink(victim.c_str(), linked.c_str()), 0);
    EXPECT_FALSE(PlatformAppendFile(linked.c_str(), "evil\n"));
    EXPECT_EQ(ReadFile(victim), "precious\n");
}

TEST_F(SafeFiles, StreamsTakeTheirNameAtOnceOrOnlyWhenComplete)
{
    // Followed while it grows: there at once, as a new file in place of a planted link.
    std::string dump = dir + "/state.jsonl";
    ASSERT_EQ(symlink(victim.c_str(), dump.c_str()), 0);
    FILE* f = PlatformOpenOutput(dump.c_str(), true);
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(IsLink(dump));
    std::fputs("{}\n", f);
    std::fflush(f);
    EXPECT_EQ(ReadFile(dump), "{}\n");
    EXPECT_TRUE(PlatformCloseOutput(f));
    // A picture: under its name only once complete, and not at all when abandoned.
    std::string shot = dir + "/shot.png";
    f = PlatformOpenOutput(shot.c_str(), false);
    ASSERT_NE(f, nullptr);
    std::fputs("partial", f);
    EXPECT_FALSE(FileExists(shot));
    EXPECT_FALSE(PlatformCloseOutput(f, false));
    EXPECT_FALSE(FileExists(shot));
    f = PlatformOpenOutput(shot.c_str(), false);
    std::fputs("whole", f);
    EXPECT_TRUE(PlatformCloseOutput(f));
    EXPECT_EQ(ReadFile(shot), "whole");
    EXPECT_EQ(ReadFile(victim), "precious\n");
    EXPECT_EQ(PlatformListDirectory(dir.c_str()).size(), 3u);  // no temporary left
}

// A unit in a folder where every file it writes has been replaced by a link to a file
// outside: it runs, writes its files, and the outside file is as it was.
TEST_F(SafeFiles, UnitWritesNothingThroughPlantedLinks)
{
    std::string unit = MakeScratchUnit("planted-links");
    std::string outside = MakeScratchDir("planted-links-outside") + "/target";
    WriteFile(outside, "outside\n");
    for (const char* name : {"MFD.ini", "accfg.ini", "error.log", "trace.jsonl", "shot.png", "state.jsonl"}) {
        std::string path = unit + "/" + name;
        unlink(path.c_str());
        ASSERT_EQ(symlink(outside.c_str(), path.c_str()), 0) << name;
    }
    std::string out;
    ASSERT_EQ(RunCommand(ProgramPath("orvex") + " --dir " + unit + " --headless --frames 3 --text-trace " + unit +
                             "/trace.jsonl --screenshot " + unit + "/shot.png --dump-state " + unit + "/state.jsonl",
                         &out),
              0)
        << out;
    EXPECT_EQ(ReadFile(outside), "outside\n");
    for (const char* name : {"trace.jsonl", "shot.png", "state.jsonl"})
        EXPECT_FALSE(IsLink(unit + "/" + name)) << name;
    EXPECT_FALSE(ReadFile(unit + "/trace.jsonl").empty());
}

}  // namespace
