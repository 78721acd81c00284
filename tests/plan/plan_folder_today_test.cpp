// The plan folder as pilots fill it today: files hidden by another system, names in UTF-8,
// more plans than the page holds, names the unit cannot open, long names, no plan path, and
// plans that give no waypoint. Runs in an in-process display unit, pressing the soft keys
// as the bezel would.
#include "support/display_unit.h"

#include "menu/aircraft_config.h"
#include "menu/menu.h"
#include "plan/plan.h"
#include "shell/config.h"
#include "shell/shell.h"
#include "simlink/aircraft.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char* const OneLeg = "[flightplan]\nwaypoint.0=KSEA, A, N47* 26.99', W122* 18.56', +000433.00\n";

class PlanFolderToday : public ::testing::Test {
protected:
    std::string folder;
    void SetUp() override
    {
        MapUnitOpen();
        FlightPlanReset();
        folder = MapUnitDir() + "/today " + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(folder);
        fs::create_directories(folder);
        std::snprintf(DisplayConfig.PlanPath, sizeof DisplayConfig.PlanPath, "%s", folder.c_str());
        std::remove("error.log");
        MenuReset();
        PlanList.selected = 0;
    }
    void Touch(const std::string& name, const std::string& content = OneLeg) { WriteFile(folder + "/" + name, content); }
    std::vector<TraceText> Press(int key)
    {
        Shell.PendingSoftKey = key;
        return MapUnitFrames();
    }
    std::vector<TraceText> OpenList()
    {
        MenuReset();       // from the top level, wherever the last load left the menu
        Press(1);          // MFD menu
        return Press(3);   // FPLN: the list is rebuilt and shown
    }
    void LoadSelected(int index)
    {
        PlanList.selected = index;
        Press(3);
    }
    std::vector<std::string> Names() const { return {PlanList.names, PlanList.names + PlanList.count}; }
    std::string Log() const { return FileExists("error.log") ? ReadFile("error.log") : ""; }
};

}  // namespace

TEST_F(PlanFolderToday, HiddenFilesAreNotOffered)
{
    Touch("._route.pln", std::string("\0\x05\x16\x07", 4));   // another system's resource file
    Touch(".draft.pln");
    Touch("route.pln");
    OpenList();
    EXPECT_EQ(Names(), std::vector<std::string>{"ROUTE.PLN"});
    EXPECT_EQ(ReadFile(folder + "/planlist.txt"), "route.pln\n");
}

TEST_F(PlanFolderToday, NamesAreShownInTheFontsCodePageAndStillOpen)
{
    Touch("z\xC3\xBCrich.pln");               // zürich in UTF-8
    Touch("\xC5\x82\xC3\xB3""d\xC5\xBA.pln");  // łódź: ł and ź are not in the code page
    Touch("\xE6\x9D\xB1\xE4\xBA\xAC.pln");    // two CJK characters
    Touch("caf\xE9.pln");                     // café written in the code page itself
    Touch("\xC5\x93uvre.fmc", "t\nt\n");      // œuvre: œ is in the code page
    OpenList();
    // In case-blind byte order of the names on disk.
    EXPECT_EQ(Names(), (std::vector<std::string>{"CAF\xC9.PLN", "Z\xDCRICH.PLN", "L\xD3""DZ.PLN", "\x8CUVRE.FMC", "??.PLN"}));
    LoadSelected(1);   // Z\xDCRICH.PLN, opened by its name on disk
    EXPECT_EQ(FlightPlan.legCount, 1);
    EXPECT_EQ(Log(), "");
}

// The accents over capitals in the page's top row are drawn, not cut off by the list's edge.
// The name shown with them is brighter than the same name without, by the accents' light.
TEST_F(PlanFolderToday, AccentsOfTheTopRowAreDrawn)
{
    auto listLight = [] {   // the list box (433 x 605 window), summed
        long sum = 0;
        for (int y = 300; y < 450; ++y)
            for (int x = 135; x < 305; ++x)
                sum += MapUnitPixel(x, y);
        return sum;
    };
    for (const char* name : {"a.pln", "b.pln", "c.pln", "d.pln", "e.pln"})
        Touch(name);
    Touch("\xC3\x9C\xC3\x9C\xC3\x9C\xC3\x9C.pln");   // ÜÜÜÜ, sorted last: the top row
    OpenList();
    ASSERT_EQ(Names().back(), "\xDC\xDC\xDC\xDC.PLN");
    const long accented = listLight();
    fs::remove(folder + "/\xC3\x9C\xC3\x9C\xC3\x9C\xC3\x9C.pln");
    Touch("UUUU.pln");
    Press(3);
    OpenList();
    ASSERT_EQ(Names().back(), "UUUU.PLN");
    EXPECT_GT(accented, listLight() + 8 * 200);   // eight dots, a few pixels each
}

TEST_F(PlanFolderToday, MoreThanFiftyPlansAreCountedOnThePageAndInTheLog)
{
    for (int i = 1; i <= 61; ++i)
        Touch("p" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".pln");
    Touch("notes.txt");
    auto texts = OpenList();
    EXPECT_EQ(PlanList.count, 50);
    EXPECT_NE(FindText(texts, "50 OF 61"), nullptr);
    const std::string line = "WARNING - 61 flight plans in " + folder + ", only the first 50 are listed\n";
    EXPECT_EQ(Log(), line);
    Press(3);
    OpenList();   // opened again: said once
    EXPECT_EQ(Log(), line);

    fs::remove(folder + "/p61.pln");
    fs::remove(folder + "/p60.pln");
    Press(3);
    texts = OpenList();
    EXPECT_NE(FindText(texts, "50 OF 59"), nullptr);
    for (int i = 1; i <= 9; ++i)
        fs::remove(folder + "/p5" + std::to_string(i) + ".pln");
    Press(3);
    texts = OpenList();   // 50 exactly: nothing to say
    for (const TraceText& t : texts)
        EXPECT_EQ(t.text.find(" OF "), std::string::npos) << t.text;
}

TEST_F(PlanFolderToday, AFileThatCannotBeOpenedIsNamedNotThePath)
{
    Touch("a\\b.pln");   // legal on Linux; the program reads a backslash as a separator
    Touch("c.pln");
    OpenList();
    ASSERT_EQ(PlanList.count, 2);
    LoadSelected(0);
    EXPECT_FALSE(FlightPlan.loaded);
    const std::string log = Log();
    EXPECT_EQ(log.rfind("ERROR - Could not open Flight Plan " + folder + "/a\\b.pln (", 0), 0u) << log;
    EXPECT_EQ(log.find("Check path"), std::string::npos) << log;
    // A plan folder gone since the page was opened is still the path's fault.
    std::remove("error.log");
    OpenList();
    fs::remove_all(folder);
    LoadSelected(1);
    EXPECT_EQ(Log(), "ERROR - Could not open Flight Plan, none found in " + folder + ". Check path in MFD.ini\n");
}

TEST_F(PlanFolderToday, EmptyPlanPathWritesNothingIntoTheUnitFolder)
{
    std::remove("planlist.txt");
    WriteFile("stray.pln", OneLeg);   // a plan in the unit's own folder is not offered either
    DisplayConfig.PlanPath[0] = '\0';
    std::string header;
    auto texts = OpenList();
    EXPECT_EQ(PlanList.count, 0);
    EXPECT_FALSE(FileExists("planlist.txt"));
    EXPECT_NE(FindText(texts, "PAGE 1/0"), nullptr);
    std::remove("stray.pln");
}

TEST_F(PlanFolderToday, LongNamesStayInsideTheirRows)
{
    Touch("Tutorial IFR Bembridge (EGHJ) to Wick (EGPC).pln");
    Touch("KSEA-KPDX scenic.pln");
    Touch("a.pln");
    auto texts = OpenList();
    std::vector<const TraceText*> rows;
    for (const TraceText& t : texts)
        if (t.font == 2 && t.align == 2 && t.text.find(".PLN") != std::string::npos)
            rows.push_back(&t);
    ASSERT_EQ(rows.size(), 3u);
    for (const TraceText* row : rows) {
        SCOPED_TRACE(row->text);
        EXPECT_FALSE(row->clipped);   // its first character stands inside the row
        EXPECT_EQ(row->text.substr(row->text.size() - 4), ".PLN");
    }
    const TraceText* tutorial = nullptr;
    for (const TraceText* row : rows)
        if (row->text.rfind("TUTORIAL", 0) == 0)
            tutorial = row;
    ASSERT_NE(tutorial, nullptr);
    EXPECT_NE(tutorial->text.find('\x85'), std::string::npos);   // shortened in the middle
    EXPECT_NE(FindText(texts, "KSEA-KPDX SCENIC.PLN"), nullptr);   // whole, set narrower
    EXPECT_NE(FindText(texts, "A.PLN"), nullptr);
}

TEST_F(PlanFolderToday, PlansThatGiveNoWaypointSaySoAndKeepTheirRouteState)
{
    Touch("efb.pln", "<?xml version=\"1.0\"?>\n<SimBase.Document>\n<FlightPlan.FlightPlan>\n"
                     "<ATCWaypoint><ATCWaypointType>Intersection</ATCWaypointType>"
                     "<ICAO><ICAOIdent>RIDAP</ICAOIdent></ICAO></ATCWaypoint>\n"
                     "</FlightPlan.FlightPlan>\n</SimBase.Document>\n");
    Touch("empty.pln", "[flightplan]\ntitle=nothing yet\n");
    Touch("far.pln", "[flightplan]\nwaypoint.0=X, I, N95* 00.00', E010* 00.00', +0\n"
                     "waypoint.1=Y, I, N45* 00.00', E190* 00.00', +0\nwaypoint.2=KSEA, A, N47* 26.99', W122* 18.56', +0\n");
    OpenList();
    // The route a line-based plan published is in accfg.ini...
    LoadSelected(2);   // FAR.PLN
    ASSERT_EQ(FlightPlan.legCount, 1);
    EXPECT_EQ(Log(), "WARNING - Flight Plan " + folder + "/far.pln has 2 waypoints outside latitude 90 or longitude 180, left out\n");
    const std::string published = ReadFile("accfg.ini");
    ASSERT_NE(published.find("[ACTIVE_PLAN]\n1,47.449833,-122.309334,KSEA\n"), std::string::npos);

    // ...an XML plan without a position leaves it there, as any XML plan does, and says why
    // nothing is drawn.
    std::remove("error.log");
    Shell.ShowRoute = false;
    Press(3);
    LoadSelected(0);   // EFB.PLN
    EXPECT_EQ(FlightPlan.legCount, 0);
    EXPECT_TRUE(FlightPlan.loaded);
    EXPECT_TRUE(Shell.ShowRoute);
    EXPECT_EQ(ReadFile("accfg.ini"), published);
    EXPECT_EQ(Log(), "WARNING - Flight Plan " + folder + "/efb.pln has 1 waypoints without a position, left out\n"
                     "WARNING - no waypoints read from " + folder + "/efb.pln\n");

    // An empty line-based plan publishes its emptiness, and says so.
    std::remove("error.log");
    Press(3);
    LoadSelected(1);   // EMPTY.PLN
    EXPECT_EQ(FlightPlan.legCount, 0);
    const std::string config = ReadFile("accfg.ini");
    EXPECT_EQ(config.substr(config.find("[ACTIVE_PLAN]")), "[ACTIVE_PLAN]\n");
    EXPECT_EQ(Log(), "WARNING - no waypoints read from " + folder + "/empty.pln\n");
}

TEST_F(PlanFolderToday, AnXmlPlanNamedLikeAnFmcFileIsReadAsXml)
{
    Touch("route fmc.pln", "<SimBase.Document Type=\"AceXML\">\n<ATCWaypoint id=\"ALPHA\">\n"
                           "<WorldPosition>N10\xC2\xB0 30' 0.00\",E20\xC2\xB0 15' 0.00\",+0</WorldPosition>\n"
                           "</ATCWaypoint>\n</SimBase.Document>\n");
    OpenList();
    LoadSelected(0);
    ASSERT_EQ(FlightPlan.legCount, 1);
    EXPECT_STREQ(FlightPlan.legs[0].ident, "ALPHA");
    EXPECT_EQ(Log(), "");
}
