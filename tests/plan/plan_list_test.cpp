// The plan folder as a pilot fills it: which files the FPLN page offers, how it pages them,
// and what loading one does to the route, the airport layer, "accfg.ini" and "error.log".
// Runs in an in-process display unit, pressing the soft keys as the bezel would.
#include "support/display_unit.h"

#include "menu/aircraft_config.h"
#include "menu/menu.h"
#include "navdb/navdb.h"
#include "plan/plan.h"
#include "shell/config.h"
#include "shell/shell.h"
#include "simlink/aircraft.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char* const LinePlan3 =
    "[flightplan]\n"
    "title=KSEA to KPDX\n"
    "waypoint.0=KSEA, A, N47* 26.99', W122* 18.56', +000433.00\n"
    "waypoint.1=SEA, V, N47* 26.13', W122* 18.57', +000000.00\n"
    "waypoint.2=KPDX, A, N45* 35.30', W122* 35.80', +000030.00\n";

class PlanFolder : public ::testing::Test {
protected:
    std::string folder;
    void SetUp() override
    {
        MapUnitOpen();
        FlightPlanReset();
        folder = MapUnitDir() + "/plans " + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(folder);
        fs::create_directories(folder);
        std::snprintf(DisplayConfig.PlanPath, sizeof DisplayConfig.PlanPath, "%s", folder.c_str());
        std::remove("error.log");
    }
    void Touch(const std::string& name, const std::string& content = "") { WriteFile(folder + "/" + name, content); }
    std::vector<TraceText> Press(int key)
    {
        Shell.PendingSoftKey = key;
        return MapUnitFrames();
    }
    std::vector<TraceText> OpenList()
    {
        Press(1);          // MFD menu
        return Press(3);   // FPLN: the list is rebuilt and shown
    }
    // Names on the page, top row first, and the header.
    std::vector<std::string> Rows(const std::vector<TraceText>& texts, std::string* header = nullptr)
    {
        std::vector<const TraceText*> rows;
        for (const TraceText& t : texts) {
            if (t.text.rfind("PAGE ", 0) == 0 && header)
                *header = t.text;
            else if (t.font == 2 && t.align == 2 && t.y > 300 && t.y < 470 && t.x > 150)
                rows.push_back(&t);
        }
        std::sort(rows.begin(), rows.end(), [](auto* a, auto* b) { return a->y > b->y; });
        std::vector<std::string> out;
        for (const TraceText* t : rows)
            if (!t->text.empty())
                out.push_back(t->text);
        return out;
    }
    void LoadSelected(int index)
    {
        PlanList.selected = index;
        Press(3);   // FPLN again: load the highlighted plan
    }
};

}  // namespace

TEST_F(PlanFolder, ListsPlanNamesUpperCasedAndNothingElse)
{
    for (const char* name : {"route.pln", "route.pLn", "b.FMC", "a plan.Pln", "old.PLN.BAK", "notes.txt", "c.fmc"})
        Touch(name);
    fs::create_directories(folder + "/sub.pln");   // a folder is not a plan
    OpenList();
    std::vector<std::string> names(PlanList.names, PlanList.names + PlanList.count);
    // Case-blind name order; the listing itself and the odd-cased .pLn never appear.
    EXPECT_EQ(names, (std::vector<std::string>{"A PLAN.PLN", "B.FMC", "C.FMC", "OLD.PLN.BAK", "ROUTE.PLN"}));
    const std::string listing = ReadFile(folder + "/planlist.txt");
    EXPECT_NE(listing.find("route.pLn\n"), std::string::npos);   // the listing names every file
    EXPECT_EQ(listing.find("sub.pln"), std::string::npos);
    OpenList();   // a rebuild lists planlist.txt itself, and still does not offer it
    EXPECT_EQ(PlanList.count, 5);

    // A plan path written the Windows way (backslashes, as copied from a Windows cockpit).
    std::string windows = folder;
    std::replace(windows.begin(), windows.end(), '/', '\\');
    std::snprintf(DisplayConfig.PlanPath, sizeof DisplayConfig.PlanPath, "%s", windows.c_str());
    MenuReset();
    PlanList.count = 0;
    OpenList();
    EXPECT_EQ(Menu.MenuPage, PagePlanList);
    EXPECT_EQ(PlanList.count, 5);
}

TEST_F(PlanFolder, PagesHoldSixNamesAndFollowTheSelection)
{
    struct Case {
        int files;
        const char* lastPage;
        size_t rowsOnLastPage;
    };
    for (const Case& c : {Case{6, "PAGE 1/1", 6}, Case{7, "PAGE 2/2", 1}, Case{12, "PAGE 2/2", 6}}) {
        fs::remove_all(folder);
        fs::create_directories(folder);
        for (int i = 1; i <= c.files; ++i)
            Touch("p" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".pln");
        MenuReset();
        PlanList.selected = 0;
        std::string header;
        auto texts = OpenList();
        auto rows = Rows(texts, &header);
        ASSERT_FALSE(rows.empty()) << c.files;
        EXPECT_EQ(rows.front(), "P01.PLN");
        EXPECT_EQ(header, c.files > 6 ? "PAGE 1/2" : "PAGE 1/1");

        PlanList.selected = c.files - 1;
        texts = MapUnitFrames();
        rows = Rows(texts, &header);
        EXPECT_EQ(header, c.lastPage) << c.files;
        EXPECT_EQ(rows.size(), c.rowsOnLastPage) << c.files;
        // The highlighted row is printed in black on the white bar.
        const TraceText* last = FindText(texts, rows.empty() ? "" : rows.back());
        ASSERT_NE(last, nullptr);
        EXPECT_FLOAT_EQ(last->r + last->g + last->b, 0.0f) << c.files;
    }
}

TEST_F(PlanFolder, MissingFolderGivesAnEmptyListAndLoadsNothing)
{
    std::snprintf(DisplayConfig.PlanPath, sizeof DisplayConfig.PlanPath, "%s", "c:\\");
    std::string header;
    auto texts = OpenList();
    Rows(texts, &header);
    EXPECT_EQ(header, "PAGE 1/0");
    LoadSelected(0);
    EXPECT_FALSE(FlightPlan.loaded);
    EXPECT_FALSE(FileExists("error.log"));
}

TEST_F(PlanFolder, LinePlanIsPublishedAndMarksItsAirports)
{
    MapUnitLoad("", "A|KSEA|Seattle|47449888|-122311777\nR|16L|34R|11901\n"
                    "A|KPDX|Portland|45588722|-122597500\nR|10R|28L|11000\n");
    Touch("ksea-kpdx.pln", LinePlan3);
    Touch("back.pln", "[flightplan]\nwaypoint.0=KPDX, A, N45* 35.30', W122* 35.80', +000030.00\n");
    OpenList();
    LoadSelected(1);   // KSEA-KPDX.PLN
    ASSERT_TRUE(FlightPlan.loaded);
    ASSERT_EQ(FlightPlan.legCount, 3);
    EXPECT_TRUE(Shell.ShowRoute);
    EXPECT_TRUE(Cockpit.PanelNotifyPending);
    EXPECT_TRUE(NavDatabase.AirportTable[0].InPlan);
    EXPECT_TRUE(NavDatabase.AirportTable[1].InPlan);
    const std::string config = ReadFile("accfg.ini");
    const std::string section = config.substr(config.find("[ACTIVE_PLAN]\n"));
    EXPECT_EQ(section, "[ACTIVE_PLAN]\n"
                       "3,47.449833,-122.309334,KSEA\n"
                       "2,47.435501,-122.309502,SEA\n"
                       "1,45.588333,-122.596664,KPDX\n");

    // The next plan replaces the first: KSEA is an airport on the map again.
    Press(3);
    LoadSelected(0);
    ASSERT_EQ(FlightPlan.legCount, 1);
    EXPECT_FALSE(NavDatabase.AirportTable[0].InPlan);
    EXPECT_TRUE(NavDatabase.AirportTable[1].InPlan);
    EXPECT_NE(ReadFile("accfg.ini").find("[ACTIVE_PLAN]\n1,45.588333,-122.596664,KPDX\n"), std::string::npos);
}

// Only a line-based plan is published to the cockpit: an FMC or XML plan is drawn but
// leaves "accfg.ini" (and the route the cockpit flies) as it was.
TEST_F(PlanFolder, FmcAndXmlPlansLeaveTheConfigAlone)
{
    // A .PLN whose name holds FMC is read as an FMC file.
    Touch("kfmc01.pln", "[VERSION]\nVersion=1\n[LEGLIST]\n"
                        "Leg1_Ident=ALPHA\nx=0\nx=0\nLeg1_Lat=-33.5\nLeg1_Lon=151.25\nx=0\nx=0\nx=0\nLegCount=1\n");
    Touch("line.pln", LinePlan3);
    Touch("xml.pln", ReadFile(std::string(ORVEX_SOURCE_DIR) + "/tests/data/plans/lnm-ifr-eghj-egpc.pln"));
    OpenList();
    auto indexOf = [](const char* name) {
        for (int i = 0; i < PlanList.count; ++i)
            if (std::strcmp(PlanList.names[i], name) == 0)
                return i;
        ADD_FAILURE() << name << " not listed";
        return 0;
    };
    LoadSelected(indexOf("LINE.PLN"));   // the cockpit gets its route
    const std::string before = ReadFile("accfg.ini");
    ASSERT_NE(before.find("[ACTIVE_PLAN]\n3,"), std::string::npos);
    for (auto [name, legs] : {std::pair{"KFMC01.PLN", 1}, {"XML.PLN", 24}}) {
        SCOPED_TRACE(name);
        Cockpit.PanelNotifyPending = false;
        Shell.ShowRoute = false;
        Press(3);   // FPLN: the list again
        LoadSelected(indexOf(name));
        ASSERT_TRUE(FlightPlan.loaded);
        EXPECT_EQ(FlightPlan.legCount, legs);
        EXPECT_TRUE(Shell.ShowRoute);
        EXPECT_FALSE(Cockpit.PanelNotifyPending);
        EXPECT_EQ(ReadFile("accfg.ini"), before);
    }
    EXPECT_STREQ(FlightPlan.legs[0].ident, "EGHJ");
}

TEST_F(PlanFolder, VanishedPlanIsLoggedAndTheRouteSwitchStays)
{
    Touch("gone.pln", LinePlan3);
    OpenList();
    fs::remove(folder + "/gone.pln");
    Shell.ShowRoute = false;
    LoadSelected(0);
    EXPECT_FALSE(FlightPlan.loaded);
    EXPECT_EQ(FlightPlan.legCount, 0);
    EXPECT_FALSE(Shell.ShowRoute);
    // The folder is there: the file is named, not the path.
    EXPECT_EQ(ReadFile("error.log"),
              "ERROR - Could not open Flight Plan " + folder + "/gone.pln (No such file or directory)\n");
}

TEST_F(PlanFolder, LongPlanShowsItsFirstFiftyPointsAndSaysSo)
{
    std::string plan = "[flightplan]\n";
    for (int i = 0; i < 55; ++i)
        plan += "waypoint." + std::to_string(i) + "=WP" + std::to_string(i) + ", I, N10* " + std::to_string(i) +
                ".00', E020* 00.00', +000000.00\n";
    Touch("long.pln", plan);
    OpenList();
    LoadSelected(0);
    ASSERT_EQ(FlightPlan.legCount, 50);
    EXPECT_STREQ(FlightPlan.legs[49].ident, "WP49");
    EXPECT_EQ(ReadFile("error.log"), "WARNING - Flight Plan " + folder + "/long.pln has 5 waypoints more than the 50 shown\n");
    // The published route is the one drawn.
    const std::string config = ReadFile("accfg.ini");
    EXPECT_NE(config.find("[ACTIVE_PLAN]\n50,10.000000,20.000000,WP0\n"), std::string::npos);
    EXPECT_NE(config.find("\n1,10.816667,20.000000,WP49\n"), std::string::npos);
}
