// "accfg.ini": positional reading with either header spelling, the first-run default
// file, the copy into the other unit's folder, and writes that a crash cannot truncate.
#include "menu/aircraft_config.h"
#include "shell/config.h"
#include "shell/shell.h"
#include "support/support.h"

#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

AircraftConfigState Parse(const std::string& text, AircraftConfigState start = {})
{
    ParseAircraftConfig(text.data(), text.size(), &start);
    return start;
}

void ExpectSame(const AircraftConfigState& a, const AircraftConfigState& b)
{
    EXPECT_EQ(0, std::memcmp(&a, &b, sizeof a)) << FormatAircraftConfig(a) << "\nversus\n"
                                                  << FormatAircraftConfig(b);
}

const AircraftConfigState Defaults = {100, 100, 100, 40, 90, 250, 200, 150, 335.0f, 0.81f, 60, 5000, 6062};

TEST(AircraftConfigFile, BothHeaderSpellingsReadTheSame)
{
    AircraftConfigState fromDefault = Parse(AircraftConfigDefaultFile);
    ExpectSame(fromDefault, Defaults);
    // The writer's own file: "[VMAX_FLAPS_8]", "[MM0]" with a digit zero, six decimals,
    // and the [ACTIVE_PLAN] section after the values.
    std::string written = FormatAircraftConfig(Defaults);
    EXPECT_NE(written.find("[MM0]\n0.810000\n"), std::string::npos);
    EXPECT_NE(written.find("[VMO]\n335.000000\n"), std::string::npos);
    EXPECT_NE(written.find("[VMAX_FLAPS_8]\n250\n"), std::string::npos);
    EXPECT_EQ(written.substr(written.size() - 14), "[ACTIVE_PLAN]\n");
    ExpectSame(Parse(written), fromDefault);

    // Files copied over from a Windows installation carry CR LF line ends.
    std::string crlf;
    for (char c : std::string(AircraftConfigDefaultFile))
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    ExpectSame(Parse(crlf), fromDefault);
}

TEST(AircraftConfigFile, ShortDamagedAndOutOfRangeValuesAreReplacedAndNamed)
{
    AircraftConfigState start = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13};
    // Cut off after three values: the rest take the default file's values, never 0 or
    // whatever was there, and each is named.
    std::string problems;
    AircraftConfigState cut = start;
    std::string text = "[V1]\n120\n[VR]\n125\n[V2]\n130\n[MAX_FLA";
    ParseAircraftConfig(text.data(), text.size(), &cut, &problems);
    EXPECT_EQ(cut.V1, 120);
    EXPECT_EQ(cut.V2, 130);
    EXPECT_EQ(cut.MAX_FLAPS, 40);
    EXPECT_EQ(cut.MAX_FUEL, 6062);
    EXPECT_NE(problems.find("[MAX_FLAPS] not a number, 40 used"), std::string::npos) << problems;
    EXPECT_EQ(problems.find("[V2]"), std::string::npos) << problems;
    problems.clear();
    AircraftConfigState empty = start;
    ParseAircraftConfig("", 0, &empty, &problems);
    ExpectSame(empty, Defaults);
    EXPECT_EQ(problems, "no value could be read, the default file's values used");

    // A value that is not a number is skipped as the next header would be, so later values
    // shift by one position, as they always have; nothing runs away.
    AircraftConfigState shifted = Parse("[V1]\nabc\n[VR]\n125\n", start);
    EXPECT_EQ(shifted.V1, 100);
    EXPECT_EQ(shifted.VR, 100);
    EXPECT_EQ(shifted.V2, 125);

    // Out-of-range numbers are held at the field's limits (a flap scale of 0 would divide
    // by zero); the default file and the writer's own output are all in range.
    problems.clear();
    AircraftConfigState huge = start;
    text = "h 99999999999999999999999 h -99999999999999999999 h 100 h 0 h 90 h 250 h 200 h 150 h nan h 0.81";
    ParseAircraftConfig(text.data(), text.size(), &huge, &problems);
    EXPECT_EQ(huge.V1, 300);
    EXPECT_EQ(huge.VR, 0);
    EXPECT_EQ(huge.MAX_FLAPS, 1);
    EXPECT_EQ(huge.VMO, 50.0f);   // NaN is in no range
    EXPECT_NE(problems.find("[MAX_FLAPS] 0 out of range 1..90, 1 used"), std::string::npos) << problems;
    problems.clear();
    text = FormatAircraftConfig(Defaults);
    AircraftConfigState again = start;
    ParseAircraftConfig(text.data(), text.size(), &again, &problems);
    EXPECT_EQ(problems, "");
    // Arbitrary bytes are left to fuzz/aircraft_config_fuzz.cpp.
}

// Runs the configuration file code inside a scratch folder and comes back afterwards.
class AircraftConfigFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        AircraftConfigReset();
        ShellReset();
        DisplayConfigReset();
        char cwd[4096];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        previous = cwd;
        dir = MakeScratchDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
        ASSERT_EQ(chdir(dir.c_str()), 0);
    }
    void TearDown() override { ASSERT_EQ(chdir(previous.c_str()), 0); }
    std::string previous, dir;
};

TEST_F(AircraftConfigFolder, FirstRunWritesTheDefaultFileAndKeepsZeros)
{
    ReadAircraftConfig();
    EXPECT_EQ(ReadFile(dir + "/accfg.ini"), AircraftConfigDefaultFile);
    // Until the file is read again the flaps, spoilers, fuel and runway length stay 0.
    ExpectSame(AircraftConfig, AircraftConfigState{});
    ReadAircraftConfig();
    ExpectSame(AircraftConfig, Defaults);
}

TEST_F(AircraftConfigFolder, CopyGoesToTheOtherUnitsFolder)
{
    std::string du2 = MakeScratchDir("du2"), du3 = MakeScratchDir("du3");
    std::snprintf(DisplayConfig.Du2Path, sizeof DisplayConfig.Du2Path, "%s", du2.c_str());
    std::snprintf(DisplayConfig.Du3Path, sizeof DisplayConfig.Du3Path, "%s", du3.c_str());
    AircraftConfig = Defaults;
    AircraftConfig.V1 = 111;

    // The unit showing the MFD writes into unit 2's folder.
    Shell.ShowingMfd = true;
    WriteAircraftConfig();
    std::string here = ReadFile(dir + "/accfg.ini");
    EXPECT_EQ(here, FormatAircraftConfig(AircraftConfig));
    EXPECT_EQ(ReadFile(du2 + "/accfg.ini"), here);
    EXPECT_FALSE(FileExists(du3 + "/accfg.ini"));

    // The one showing the EICAS into unit 3's.
    Shell.ShowingMfd = false;
    Shell.ShowingEicas = true;
    AircraftConfig.V1 = 112;
    WriteAircraftConfig();
    EXPECT_EQ(ReadFile(du3 + "/accfg.ini"), FormatAircraftConfig(AircraftConfig));
    EXPECT_EQ(Parse(ReadFile(du2 + "/accfg.ini")).V1, 111);

    // A missing folder is skipped silently; the working copy is still written.
    std::snprintf(DisplayConfig.Du3Path, sizeof DisplayConfig.Du3Path, "%s/absent", du3.c_str());
    AircraftConfig.V1 = 113;
    WriteAircraftConfig();
    EXPECT_EQ(Parse(ReadFile(dir + "/accfg.ini")).V1, 113);
    EXPECT_FALSE(FileExists(du3 + "/absent/accfg.ini"));
}

// A unit killed in the middle of writing (power cut, crash, kill -9) must leave either
// the old file or the new one, never a truncated one the other unit would misread.
TEST_F(AircraftConfigFolder, KillingAWriterNeverLeavesAHalfFile)
{
    AircraftConfig = Defaults;
    WriteAircraftConfig();
    for (int round = 0; round < 20; ++round) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (int i = 0;; ++i) {
                AircraftConfig.V1 = 100 + i % 50;
                AircraftConfig.MAX_FUEL = 6000 + i;
                WriteAircraftConfig();
            }
        }
        usleep(2000 + round * 1500);
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);

        std::string text = ReadFile(dir + "/accfg.ini");
        ASSERT_GE(text.size(), 14u);
        ASSERT_EQ(text.substr(text.size() - 14), "[ACTIVE_PLAN]\n") << "round " << round;
        AircraftConfigState read = Parse(text);
        EXPECT_GE(read.V1, 100);
        EXPECT_GE(read.MAX_FUEL, 6000);
        EXPECT_EQ(FormatAircraftConfig(read), text);
    }
}

}  // namespace
