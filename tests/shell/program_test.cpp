// The display unit run from outside: configuration file at exit, screenshot size, scripted
// input errors, the missing font and the software rasteriser's threads. The frame switch and Escape are in xwindow_test.
#include "support/support.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>

namespace {
std::string Orvex(const std::string& unit, const std::string& args)
{
    return ProgramPath("orvex") + " --dir " + unit + " --headless " + args;
}

// PNG width and height from the IHDR chunk.
std::pair<int, int> PngSize(const std::string& path)
{
    std::string png = ReadFile(path);
    if (png.size() < 24)
        return {0, 0};
    auto be32 = [&](size_t at) {
        return (static_cast<unsigned char>(png[at]) << 24) | (static_cast<unsigned char>(png[at + 1]) << 16) |
               (static_cast<unsigned char>(png[at + 2]) << 8) | static_cast<unsigned char>(png[at + 3]);
    };
    return {be32(16), be32(20)};
}
} // namespace

TEST(Program, FirstRunWritesDefaultConfigAndSavesItAtExit)
{
    std::string unit = MakeScratchUnit("first-run");
    std::string out;
    ASSERT_EQ(RunCommand(Orvex(unit, "--frames 300 --screenshot " + unit + "/a.png"), &out), 0) << out;
    EXPECT_EQ(ReadFile(unit + "/MFD.ini"),
              "[X_SIZE,Y_SIZE]\n433,605\n[X_POSITION,Y_POSISTION]\n100,100\n[FRAMELESS_WINDOW(0-1)]\n0\n"
              "[DISPLAY_BEZEL(0-1)]\n1\n[MFD=0,EICAS=1]\n0\n[PLAN_PATH]\n\"c:\\\"\n[PATH_TO_DU2]\n\"c:\\\"\n"
              "[PATH_TO_DU3]\n\"c:\\\"");
    EXPECT_EQ(PngSize(unit + "/a.png"), std::make_pair(484, 605));
}

TEST(Program, ConfigDeletedDuringTheRunIsNotRecreatedAtExit)
{
    std::string unit = MakeScratchUnit("deleted-config");
    BackgroundProcess run = StartBackground(Orvex(unit, "--frames 100000000 --dump-state " + unit + "/state.jsonl"), "");
    ASSERT_GT(run.pid, 0);
    ASSERT_TRUE(WaitUntil([&] { return FileExists(unit + "/MFD.ini"); }));
    std::remove((unit + "/MFD.ini").c_str());
    // A few frames without the file, then closed as its close button closes it (SIGTERM).
    ASSERT_TRUE(WaitFrames(unit + "/state.jsonl", 3));
    EXPECT_EQ(StopBackground(run), 0);
    EXPECT_FALSE(FileExists(unit + "/MFD.ini"));
}

TEST(Program, BadScriptsAreExplained)
{
    std::string unit = MakeScratchUnit("bad-input");
    WriteFile(unit + "/keys.txt", "5 key Banana press\n");
    std::string out;
    EXPECT_EQ(RunCommand(Orvex(unit, "--input " + unit + "/keys.txt"), &out), 2);
    EXPECT_NE(out.find("line 1: unknown key name 'Banana'"), std::string::npos) << out;
}

TEST(Program, ZeroHeightInConfigRunsWithoutCrashing)
{
    std::string unit = MakeScratchUnit("zero-height");
    WriteFile(unit + "/MFD.ini", "[X_SIZE,Y_SIZE]\n0,0\n[X_POSITION,Y_POSISTION]\n5,5\n[F]\n0\n[B]\n1\n[M]\n0\n"
                                 "[PLAN_PATH]\n\"\"\n[PATH_TO_DU2]\n\"\"\n[PATH_TO_DU3]\n\"\"");
    std::string out;
    EXPECT_EQ(RunCommand(Orvex(unit, "--frames 5"), &out), 0) << out;
    // Held at the smallest window, said, and the file kept aside before the save.
    EXPECT_NE(out.find("[X_SIZE,Y_SIZE] height 0 out of range 16..16384, 16 used"), std::string::npos) << out;
    EXPECT_NE(ReadFile(unit + "/MFD.ini").find("[X_SIZE,Y_SIZE]\n11,16\n"), std::string::npos) << ReadFile(unit + "/MFD.ini");
    EXPECT_NE(ReadFile(unit + "/MFD.ini.bad").find("[X_SIZE,Y_SIZE]\n0,0\n"), std::string::npos);
}

TEST(Program, MissingFontIsReportedAndEndsAfterOneFrame)
{
    std::string unit = MakeScratchUnit("no-font");
    RunCommand("rm -rf " + unit + "/data/fonts");
    std::string out;
    int rc = RunCommand(Orvex(unit, "--frames 300 --text-trace " + unit + "/t.jsonl"), &out);
    EXPECT_EQ(rc, 1);
    EXPECT_NE(out.find("Orvex Error!: Orvex.ttf Font is not installed"), std::string::npos) << out;
    // MFD.ini is still saved by the normal teardown.
    EXPECT_TRUE(FileExists(unit + "/MFD.ini"));
}

// Every file the unit reads whole, replaced by a FIFO nobody writes or a link to /dev/zero:
// start-up neither waits for a writer nor reads without end, and the unit draws and exits.
TEST(Program, FifosAndEndlessFilesDoNotHangStartUp)
{
    std::string unit = MakeScratchUnit("endless-files");
    ASSERT_EQ(RunCommand("cd " + unit + " && mkfifo MFD.ini accfg.ini && rm data/navaids.txt data/Airports.txt && "
                         "mkfifo data/navaids.txt && ln -s /dev/zero data/Airports.txt"),
              0);
    std::string out;
    EXPECT_EQ(RunCommand(Orvex(unit, "--frames 5 --screenshot " + unit + "/shot.png"), &out, 60), 0) << out;
    EXPECT_TRUE(FileExists(unit + "/shot.png"));
    EXPECT_NE(out.find("data/navaids.txt: not a regular file"), std::string::npos) << out;
    EXPECT_NE(out.find("data/Airports.txt: not a regular file"), std::string::npos) << out;
    // A bezel picture that is no picture ends the unit at once, as a missing one does.
    RunCommand("ln -sf /dev/zero " + unit + "/textures/MFD_Overlay.tga");
    EXPECT_EQ(RunCommand(Orvex(unit, "--frames 5"), &out, 60), 4) << out;
    EXPECT_NE(out.find("MFD_Overlay.tga: not a regular file"), std::string::npos) << out;
}

// Mesa's software rasteriser draws a unit's frames with one thread of its own, which costs
// far less processor time than one a processor; a user's own LP_NUM_THREADS is kept.
TEST(Program, OneSoftwareDrawingThreadUnlessTheUserAsksForMore)
{
    UsePrivateRuntimeDir();
    for (const auto& [setting, expected] : {std::pair{"-u LP_NUM_THREADS", 1}, std::pair{"LP_NUM_THREADS=2", 2}}) {
        SCOPED_TRACE(setting);
        std::string unit = MakeScratchDisplayUnit("drawing-threads", 3);
        std::string dump = unit + "/dump.jsonl";
        BackgroundProcess running = StartBackground(std::string("env ") + setting + " SDL_VIDEODRIVER=offscreen " +
                                                        Orvex(unit, "--fps 30 --dump-state " + dump), "");
        ASSERT_GT(running.pid, 0);
        ASSERT_TRUE(WaitFrames(dump, 3));
        int drawing = 0;
        for (const auto& task : std::filesystem::directory_iterator("/proc/" + std::to_string(running.pid) + "/task"))
            drawing += ReadFile(task.path().string() + "/comm").rfind("llvmpipe-", 0) == 0;
        EXPECT_EQ(drawing, expected);
        StopBackground(running);
    }
}
