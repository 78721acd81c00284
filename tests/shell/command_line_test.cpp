// The four programs' command lines as a user meets them: --version, exit code 2 with one
// line for every usage error, file names relative to the caller's folder, outputs that
// cannot be written, and an installed unit started outside any unit folder.
#include "support/support.h"

#include "cockpit/cockpit.h"
#include "shell/program_info.h"
#include "shell/window.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <string>

namespace {
int LineCount(const std::string& text)
{
    int lines = 0;
    for (char c : text)
        lines += c == '\n';
    return lines;
}
} // namespace

TEST(CommandLine, EveryProgramPrintsTheVersionItsWindowTitleShows)
{
    std::string title = TitleDu3Mfd;
    ASSERT_EQ(title.substr(title.size() - std::string(OrvexVersionText).size()), OrvexVersionText);
    for (const char* program : {"orvex", "orvex-sim", "orvex-panel", "orvex-navdata"}) {
        std::string out;
        EXPECT_EQ(RunCommand(ProgramPath(program) + " --version 2>/dev/null", &out), 0) << program;
        EXPECT_EQ(out, std::string(program) + " " + OrvexVersionText + "\n");
    }
}

TEST(CommandLine, UsageErrorsExitWithTwoAndOneLineNamingTheFault)
{
    struct Case {
        const char* program;
        const char* args;
        const char* reason;   // a piece of the one line on standard error
    };
    const Case cases[] = {
        {"orvex", "--frames 0", "--frames"},
        {"orvex", "--frames 12x", "--frames"},
        {"orvex", "--dir /no/such/folder", "/no/such/folder"},
        {"orvex", "--no-such-option", "--no-such-option"},
        {"orvex", "--unit 4", "--unit"},
        {"orvex", "--input /no/such/keys.txt", "--input"},
        {"orvex-panel", "", "subcommand"},
        {"orvex-panel", "key 4 1", "UNIT"},
        {"orvex-panel", "poke 0xZZ 1 3", "bad offset"},
        {"orvex-panel", "poke 0x73D5 1 256", "does not fit"},
        {"orvex-sim", "--at -3", "0 or more seconds"},
        {"orvex-sim", "--class NOPE", "--class"},
        {"orvex-navdata", "", "nothing to convert"},
        {"orvex-navdata", "--nav x --radius -1", "above 0"},
    };
    for (const Case& c : cases) {
        std::string out;
        int rc = RunCommand(ProgramPath(c.program) + " " + c.args + " </dev/null", &out, 20);
        SCOPED_TRACE(std::string(c.program) + " " + c.args + ": " + out);
        EXPECT_EQ(rc, 2);
        EXPECT_EQ(LineCount(out), 1);
        EXPECT_EQ(out.rfind(std::string(c.program) + ": ", 0), 0u);
        EXPECT_NE(out.find(c.reason), std::string::npos);
    }
}

TEST(CommandLine, FileNamesAreTheCallersNotTheUnitFolders)
{
    std::string unit = MakeScratchUnit("relative-unit");
    std::string caller = MakeScratchDir("relative-caller");
    WriteFile(caller + "/keys.txt", "2 key F press\n");
    std::string out;
    ASSERT_EQ(RunCommand("cd " + caller + " && " + ProgramPath("orvex") + " --dir " + unit +
                             " --headless --frames 4 --input keys.txt --screenshot shot.png"
                             " --text-trace trace.jsonl --frame-log frames.jsonl --dump-state state.jsonl",
                         &out),
              0)
        << out;
    for (const char* file : {"shot.png", "trace.jsonl", "frames.jsonl", "state.jsonl"}) {
        EXPECT_TRUE(FileExists(caller + "/" + file)) << file;
        EXPECT_FALSE(FileExists(unit + "/" + file)) << file;
    }
    // The scripted F press reached the unit: the frame style saved at exit is frameless.
    EXPECT_NE(ReadFile(unit + "/MFD.ini").find("[FRAMELESS_WINDOW(0-1)]\n1"), std::string::npos);
}

TEST(CommandLine, OutputsThatCannotBeWrittenAreErrors)
{
    std::string unit = MakeScratchUnit("unwritable");
    std::string out;
    // A folder that does not exist is found before the window opens.
    EXPECT_EQ(RunCommand(ProgramPath("orvex") + " --dir " + unit + " --headless --frames 2 --screenshot " + unit +
                             "/missing/shot.png",
                         &out),
              ExitUsage);
    EXPECT_NE(out.find("cannot write the screenshot"), std::string::npos) << out;
    EXPECT_EQ(RunCommand(ProgramPath("orvex") + " --dir " + unit + " --headless --frames 2 --text-trace /no/such/t.jsonl",
                         &out),
              ExitUsage);
    EXPECT_NE(out.find("cannot write the text trace"), std::string::npos) << out;
    // A full disk shows only when the trace is flushed: the run ends with its own code.
    EXPECT_EQ(RunCommand(ProgramPath("orvex") + " --dir " + unit + " --headless --frames 3 --text-trace /dev/full", &out),
              ExitOutputFailed);
    EXPECT_NE(out.find("writing the text trace failed"), std::string::npos) << out;
    // ... and the device is written into, never replaced by a file of ours.
    struct stat st {};
    ASSERT_EQ(stat("/dev/full", &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}

// An installed tree (bin/orvex beside share/orvex) started in a read-only folder runs in the
// per-user unit folder, seeds it once, says where it is, and keeps the user's files after.
TEST(CommandLine, InstalledUnitOutsideAUnitFolderUsesThePerUserFolder)
{
    std::string prefix = MakeScratchDir("installed");
    std::string nowhere = MakeScratchDir("read-only-place");
    std::string xdg = prefix + "/xdg";
    ASSERT_EQ(RunCommand("mkdir -p " + prefix + "/bin " + prefix + "/share/orvex && cp " + ProgramPath("orvex") + " " +
                         prefix + "/bin/ && cp -r " + ORVEX_UNIT_DIR + "/data " + ORVEX_UNIT_DIR + "/textures " +
                         prefix + "/share/orvex/ && chmod a-w " + nowhere),
              0);
    std::string run = "cd " + nowhere + " && XDG_DATA_HOME=" + xdg + " " + prefix + "/bin/orvex --headless --frames 3";
    std::string out;
    ASSERT_EQ(RunCommand(run + " 2>/dev/null", &out), 0) << out;
    EXPECT_EQ(out, "orvex: unit folder " + xdg + "/orvex/du3\n");
    std::string config = ReadFile(xdg + "/orvex/du3/MFD.ini");
    EXPECT_NE(config.find("[MFD=0,EICAS=1]\n0"), std::string::npos) << config;
    EXPECT_NE(config.find("[PATH_TO_DU2]\n\"" + xdg + "/orvex/du2\""), std::string::npos) << config;
    EXPECT_TRUE(FileExists(xdg + "/orvex/du3/data/fonts/Orvex.ttf"));

    // Unit 2 gets its own folder, set up as the EICAS; the EICAS draws its N1 legend.
    ASSERT_EQ(RunCommand(run + " --unit 2 --text-trace " + prefix + "/du2.jsonl 2>/dev/null", &out), 0) << out;
    EXPECT_NE(ReadFile(xdg + "/orvex/du2/MFD.ini").find("[MFD=0,EICAS=1]\n1"), std::string::npos);
    EXPECT_NE(FindText(ReadTextTrace(prefix + "/du2.jsonl"), "N1"), nullptr);

    // A second run keeps what the user changed.
    WriteFile(xdg + "/orvex/du3/data/mark.txt", "mine");
    ASSERT_EQ(RunCommand(run + " 2>/dev/null", &out), 0) << out;
    EXPECT_EQ(ReadFile(xdg + "/orvex/du3/data/mark.txt"), "mine");
    RunCommand("chmod u+w " + nowhere);

    // A writable folder that merely has a data/ subfolder (a home, a source checkout) is no
    // unit folder: nothing is written there. One holding an MFD.ini is, and says so.
    std::string checkout = MakeScratchDir("checkout-like");
    ASSERT_EQ(RunCommand("mkdir -p " + checkout + "/data"), 0);
    WriteFile(checkout + "/data/notes.txt", "mine");
    std::string here = "cd " + checkout + " && XDG_DATA_HOME=" + xdg + " " + prefix + "/bin/orvex --headless --frames 3";
    ASSERT_EQ(RunCommand(here + " 2>/dev/null", &out), 0) << out;
    EXPECT_EQ(out, "orvex: unit folder " + xdg + "/orvex/du3\n");
    EXPECT_FALSE(FileExists(checkout + "/MFD.ini"));
    EXPECT_FALSE(FileExists(checkout + "/accfg.ini"));
    EXPECT_FALSE(FileExists(checkout + "/orvex.lock"));
    ASSERT_EQ(RunCommand("cp -r " + xdg + "/orvex/du3/. " + checkout + "/"), 0);
    ASSERT_EQ(RunCommand(here + " 2>/dev/null", &out), 0) << out;
    EXPECT_EQ(out, "orvex: unit folder " + checkout + "\n");
}

// A second unit in the same folder, or with the same unit number on one simulator, says so
// and exits 2; the first is not disturbed.
TEST(CommandLine, SecondUnitOnOneFolderOrOneNumberExitsTwo)
{
    std::string unit = MakeScratchUnit("locked");
    std::string other = MakeScratchUnit("same-number");
    // The first unit runs until its input script's last line; the lock is held meanwhile.
    BackgroundProcess first = StartBackground(ProgramPath("orvex") + " --dir " + unit + " --headless --frames 100000 " +
                                                  "--frame-log " + unit + "/frames.jsonl",
                                              "");
    ASSERT_GT(first.pid, 0);
    ASSERT_TRUE(WaitUntil([&] { return !ReadFile(unit + "/frames.jsonl").empty(); }));
    std::string out;
    EXPECT_EQ(RunCommand(ProgramPath("orvex") + " --dir " + unit + " --headless --frames 3 2>&1", &out), ExitUsage);
    EXPECT_NE(out.find("another display unit runs in the unit folder " + unit), std::string::npos) << out;
    EXPECT_EQ(RunCommand(ProgramPath("orvex") + " --dir " + other + " --headless --frames 3 2>&1", &out), ExitUsage);
    EXPECT_NE(out.find("another display unit 3 runs on this simulator"), std::string::npos) << out;
    StopBackground(first);
    // Once it has ended, both run.
    EXPECT_EQ(RunCommand(ProgramPath("orvex") + " --dir " + unit + " --headless --frames 3 2>&1", &out), 0) << out;
    EXPECT_EQ(RunCommand(ProgramPath("orvex") + " --dir " + other + " --headless --frames 3 2>&1", &out), 0) << out;
}

// Help says what a value is in words, never in the parser's type tags.
TEST(CommandLine, HelpCarriesNoParserTypeTags)
{
    for (const char* program : {"orvex", "orvex-sim", "orvex-panel", "orvex-navdata"}) {
        std::string out;
        ASSERT_EQ(RunCommand(ProgramPath(program) + " --help", &out), 0) << program;
        for (const char* tag : {"TEXT", "INT", "UINT", "FLOAT", ":DIR", ":FILE"})
            EXPECT_EQ(out.find(tag), std::string::npos) << program << " shows " << tag << "\n" << out;
    }
}
