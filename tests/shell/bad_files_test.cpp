// Hostile files in place of each file a display unit reads at start-up: a FIFO, a folder,
// garbage and an empty file. None may hang the unit; each is named on standard error, and
// a configuration file that cannot be used is kept (left as it is, or copied aside) rather
// than overwritten by the values that replaced it.
#include "support/support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>
#include <sys/stat.h>

namespace {

enum class Plant { Fifo, Folder, Garbage, Empty };
const char* const PlantNames[] = {"FIFO", "folder", "garbage", "empty file"};
const std::string Garbage = "\x01\x02garbage\t\"\n[X]\n386,abc\n\x7f\xff\"\t\n";

void PlantAt(const std::string& path, Plant plant)
{
    std::remove(path.c_str());
    switch (plant) {
    case Plant::Fifo: ASSERT_EQ(mkfifo(path.c_str(), 0644), 0) << path; break;
    case Plant::Folder: ASSERT_EQ(mkdir(path.c_str(), 0755), 0) << path; break;
    case Plant::Garbage: WriteFile(path, Garbage); break;
    case Plant::Empty: WriteFile(path, ""); break;
    }
}

// Runs a unit for a few frames; a hang shows as the time-out's exit code (124 or 137).
int RunUnit(const std::string& unit, std::string* out)
{
    return RunCommand(ProgramPath("orvex") + " --dir " + unit + " --headless --frames 3", out, 60);
}

bool StillThere(const std::string& path, Plant plant)
{
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0)
        return false;
    switch (plant) {
    case Plant::Fifo: return S_ISFIFO(st.st_mode);
    case Plant::Folder: return S_ISDIR(st.st_mode);
    default: return S_ISREG(st.st_mode);
    }
}

} // namespace

TEST(BadFiles, ConfigurationFilesAreNamedKeptAndReplacedByDefaults)
{
    for (const char* name : {"MFD.ini", "accfg.ini"}) {
        for (Plant plant : {Plant::Fifo, Plant::Folder, Plant::Garbage, Plant::Empty}) {
            std::string what = std::string(name) + " as " + PlantNames[static_cast<int>(plant)];
            std::string unit = MakeScratchUnit("bad-config");
            PlantAt(unit + "/" + name, plant);
            std::string out;
            EXPECT_EQ(RunUnit(unit, &out), 0) << what << "\n" << out;
            // One line naming the file, on standard error and in error.log.
            std::string line = std::string("orvex: ") + name + ": ";
            size_t at = out.find(line);
            ASSERT_NE(at, std::string::npos) << what << "\n" << out;
            EXPECT_EQ(out.find(line, at + 1), std::string::npos) << what << ": said twice\n" << out;
            EXPECT_NE(ReadFile(unit + "/error.log").find(std::string(name) + ": "), std::string::npos) << what;
            if (plant == Plant::Fifo || plant == Plant::Folder) {
                EXPECT_TRUE(StillThere(unit + "/" + name, plant)) << what << ": replaced";
                EXPECT_NE(out.find("cannot be read (not a regular file)"), std::string::npos) << what << "\n" << out;
            } else {
                EXPECT_EQ(ReadFile(unit + "/" + name + ".bad"), plant == Plant::Garbage ? Garbage : "") << what;
            }
        }
    }
    // A garbage MFD.ini names its fields and the values used, and what is saved at exit is
    // the built-in window, not the garbage's.
    std::string unit = MakeScratchUnit("bad-mfd");
    WriteFile(unit + "/MFD.ini", "[X_SIZE,Y_SIZE]\n386,2\n[P]\n1,2\n[F]\n7\n[B]\n1\n[M]\n0\n[PLAN_PATH]\n\"a\tb\"\n"
                                 "[PATH_TO_DU2]\n\"\"\n[PATH_TO_DU3]\n\"\"");
    std::string out;
    ASSERT_EQ(RunUnit(unit, &out), 0) << out;
    EXPECT_NE(out.find("height 2 out of range 16..16384, 16 used"), std::string::npos) << out;
    EXPECT_NE(out.find("[FRAMELESS_WINDOW(0-1)] 7 is not 0 or 1"), std::string::npos) << out;
    EXPECT_NE(out.find("[PLAN_PATH] holds control characters, left empty"), std::string::npos) << out;
    std::string saved = ReadFile(unit + "/MFD.ini");
    EXPECT_NE(saved.find("[PLAN_PATH]\n\"\""), std::string::npos) << saved;
    // An accfg.ini value out of range is held at its limit and named.
    unit = MakeScratchUnit("bad-accfg");
    WriteFile(unit + "/accfg.ini", "[V1]\n100\n[VR]\n100\n[V2]\n100\n[MAX_FLAPS]\n0\n[VMIN]\n90\n[A]\n250\n[B]\n200\n"
                                   "[C]\n150\n[VMO]\n335\n[MMO]\n7\n[MAX_SPOILERS]\n60\n[R]\n5000\n[F]\nlots\n");
    ASSERT_EQ(RunUnit(unit, &out), 0) << out;
    EXPECT_NE(out.find("[MAX_FLAPS] 0 out of range 1..90, 1 used"), std::string::npos) << out;
    EXPECT_NE(out.find("[MMO] 7 out of range 0.1..1, 1 used"), std::string::npos) << out;
    EXPECT_NE(out.find("[MAX_FUEL] not a number, 6062 used"), std::string::npos) << out;
}

TEST(BadFiles, FontsAndBezelPicturesEndTheUnitNamingTheFile)
{
    struct Case {
        std::vector<std::string> files;   // planted alike
        std::string named;                // what the messages must name
        int exitCode;
    };
    // Without its fonts the unit ends after its first frame (1); without a bezel picture at
    // start-up (4).
    const Case cases[] = {{{"data/fonts/Orvex.ttf", "data/fonts/Orvex-Bold.ttf"}, "data/fonts/Orvex.ttf", 1},
                          {{"textures/MFD_Overlay.tga"}, "MFD_Overlay.tga", 4}};
    for (const Case& c : cases) {
        for (Plant plant : {Plant::Fifo, Plant::Folder, Plant::Garbage, Plant::Empty}) {
            std::string what = c.named + " as " + PlantNames[static_cast<int>(plant)];
            std::string unit = MakeScratchUnit("bad-run-time");
            for (const std::string& file : c.files)
                PlantAt(unit + "/" + file, plant);
            std::string out;
            EXPECT_EQ(RunUnit(unit, &out), c.exitCode) << what << "\n" << out;
            EXPECT_NE(out.find(c.named), std::string::npos) << what << "\n" << out;
            for (const std::string& file : c.files)
                EXPECT_TRUE(StillThere(unit + "/" + file, plant)) << what;
        }
    }
}

TEST(BadFiles, NavigationDataThatIsNoFileCountsAsMissing)
{
    for (Plant plant : {Plant::Fifo, Plant::Folder}) {
        std::string unit = MakeScratchUnit("bad-navdata");
        PlantAt(unit + "/data/navaids.txt", plant);
        std::string out;
        EXPECT_EQ(RunUnit(unit, &out), 0) << out;
        EXPECT_NE(out.find("navaids.txt"), std::string::npos) << out;
    }
}
