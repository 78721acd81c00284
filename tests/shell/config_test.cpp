// "MFD.ini": the default file, the reader by position and its hostile-file behaviour. The
// writer's output is checked byte for byte by program_test's first run.
#include "shell/config.h"
#include "shell/shell.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {
const std::string DefaultFile =
    "[X_SIZE,Y_SIZE]\n484,605\n[X_POSITION,Y_POSISTION]\n100,100\n[FRAMELESS_WINDOW(0-1)]\n0\n"
    "[DISPLAY_BEZEL(0-1)]\n1\n[MFD=0,EICAS=1]\n0\n[PLANPATH]\n\"c:\\\"\n[PATH_TO_DU2]\n\"c:\\\"\n"
    "[PATH_TO_DU3]\n\"c:\\\"";

std::string WithValues(const std::string& header6, const std::string& plan, const std::string& du2,
                       const std::string& du3, const std::string& mode = "1")
{
    return "[X_SIZE,Y_SIZE]\n433,605\n[X_POSITION,Y_POSISTION]\n12,-34\n[FRAMELESS_WINDOW(0-1)]\n1\n"
           "[DISPLAY_BEZEL(0-1)]\n0\n[MFD=0,EICAS=1]\n" + mode + "\n" + header6 + "\n\"" + plan +
           "\"\n[PATH_TO_DU2]\n\"" + du2 + "\"\n[PATH_TO_DU3]\n\"" + du3 + "\"";
}

class ConfigTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ShellReset();
        DisplayConfigReset();
    }
};
} // namespace

TEST_F(ConfigTest, DefaultFileIsExactAndReadsAsFirstRun)
{
    EXPECT_EQ(FormatConfigText(true), DefaultFile);
    ParseConfigText(DefaultFile);
    EXPECT_EQ(DisplayConfig.Width, 484);
    EXPECT_TRUE(Shell.BezelShown);
    EXPECT_EQ(Shell.ConfiguredMode, 0);
    EXPECT_STREQ(DisplayConfig.Du3Path, "c:\\");
}

// Header six was written both ways over the years and any header text is skipped by
// position; paths keep their spaces; files from Windows carry CR LF line ends.
TEST_F(ConfigTest, HeadersAreSkippedByPositionAndPathsKeepSpaces)
{
    std::vector<std::string> files;
    for (const char* header : {"[PLANPATH]", "[PLAN_PATH]", "anything"})
        files.push_back(WithValues(header, "/home/pilot/My Plans", "C:\\Program Files\\Du 2", "/opt/du3"));
    std::string crlf;
    for (char c : files[0])
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    files.push_back(crlf);
    for (const std::string& file : files) {
        DisplayConfigReset();
        ParseConfigText(file);
        SCOPED_TRACE(file.substr(file.find("[MFD=0"), 30));
        EXPECT_EQ(DisplayConfig.Width, 433);
        EXPECT_EQ(DisplayConfig.Y, -34);
        EXPECT_TRUE(Shell.Frameless);
        EXPECT_FALSE(Shell.BezelShown);
        EXPECT_EQ(Shell.ConfiguredMode, 1);
        EXPECT_STREQ(DisplayConfig.PlanPath, "/home/pilot/My Plans");
        EXPECT_STREQ(DisplayConfig.Du2Path, "C:\\Program Files\\Du 2");
        EXPECT_STREQ(DisplayConfig.Du3Path, "/opt/du3");
    }
}

TEST_F(ConfigTest, HeaderWithASpaceShiftsTheValuesButNeverBreaksTheReader)
{
    std::string text = DefaultFile;
    text.replace(0, std::string("[X_SIZE,Y_SIZE]").size(), "[X_SIZE, Y_SIZE]");
    ParseConfigText(text);
    // The size keeps its built-in value and the position takes the size's numbers.
    EXPECT_EQ(DisplayConfig.Width, 445);
    EXPECT_EQ(DisplayConfig.X, 484);
    EXPECT_EQ(DisplayConfig.Y, 605);
}

TEST_F(ConfigTest, UnterminatedQuoteEndsThePathAtTheEndOfTheFileAndIsNamed)
{
    std::string problems =
        ParseConfigText("[X_SIZE,Y_SIZE]\n433,605\n[P]\n1,2\n[F]\n0\n[B]\n1\n[M]\n0\n[PLAN_PATH]\n\"/data/plans\n");
    // A path the file never closes (here with its line break) is no path: left empty.
    EXPECT_STREQ(DisplayConfig.PlanPath, "");
    EXPECT_NE(problems.find("[PLAN_PATH] has no closing quote, left empty"), std::string::npos) << problems;
    EXPECT_STREQ(DisplayConfig.Du2Path, "");
    EXPECT_STREQ(DisplayConfig.Du3Path, "");
}

TEST_F(ConfigTest, OverlongPathKeeps499CharactersAndTheNextPathsStillLineUp)
{
    std::string longPath(2000, 'x');
    ParseConfigText(WithValues("[PLAN_PATH]", longPath, "du2", "du3"));
    EXPECT_EQ(std::string(DisplayConfig.PlanPath), std::string(499, 'x'));
    EXPECT_STREQ(DisplayConfig.Du2Path, "du2");
    EXPECT_STREQ(DisplayConfig.Du3Path, "du3");
}

TEST_F(ConfigTest, EmptyAndGarbageFilesLeaveBuiltInValues)
{
    for (const std::string& text : {std::string(), std::string("\"\"\"\""), std::string(10000, ','),
                                   std::string("[a]\nxyz\n[b]\n-\n"), std::string(1, '\0')}) {
        DisplayConfigReset();
        ShellReset();
        ParseConfigText(text);
        EXPECT_EQ(DisplayConfig.Width, 445);
        EXPECT_EQ(DisplayConfig.Height, 540);
        EXPECT_TRUE(Shell.BezelShown);
    }
}
