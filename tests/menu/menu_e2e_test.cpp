// The menu driven from outside, as a cockpit drives it: orvex-panel presses this unit's soft
// keys and turns its knob through the simulator, scripted clicks land on the bezel's key and
// knob areas, and the running unit's state dump, text trace and files tell what happened.
#include "support/support.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

namespace {

std::string MfdIni(int mode, const std::string& du2, const std::string& du3)
{
    const std::string plans = du3 + "/my plans";
    return "[X_SIZE,Y_SIZE]\n433,605\n[X_POSITION,Y_POSISTION]\n100,100\n[FRAMELESS_WINDOW(0-1)]\n0\n"
           "[DISPLAY_BEZEL(0-1)]\n0\n[MFD=0,EICAS=1]\n" +
           std::to_string(mode) + "\n[PLAN_PATH]\n\"" + plans + "\"\n[PATH_TO_DU2]\n\"" + du2 + "\"\n[PATH_TO_DU3]\n\"" + du3 +
           "\"";
}

class MenuEndToEnd : public ::testing::Test {
protected:
    BackgroundProcess sim, unit;
    std::string du2, du3;

    void SetUp() override
    {
        UsePrivateRuntimeDir();
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        du2 = MakeScratchUnit("menu-du2-" + name);
        du3 = MakeScratchUnit("menu-du3-" + name);
        WriteFile(du2 + "/MFD.ini", MfdIni(1, du2, du3));
        WriteFile(du3 + "/MFD.ini", MfdIni(0, du2, du3));
    }
    void TearDown() override
    {
        StopBackground(unit);
        StopBackground(sim);
    }
    void StartUnit(const std::string& dir)
    {
        unit = StartBackground(ProgramPath("orvex") + " --dir " + dir + " --headless --frames 100000000 --dump-state " +
                                   dir + "/state.jsonl",
                               "");
        ASSERT_GT(unit.pid, 0);
        ASSERT_TRUE(WaitFor(dir, Shows("LinkConnected", "true")));
        // The first exchange reads the knob counter where the simulator holds it, which
        // the unit may take as one step; a few frames on, that is behind it.
        ASSERT_TRUE(WaitFrames(Dump(dir), 3));
    }
    std::string Dump(const std::string& dir) { return dir + "/state.jsonl"; }
    bool WaitFor(const std::string& dir, const StateCheck& ok) { return WaitForState(Dump(dir), ok); }
    bool WaitForMenu(const std::string& dir, int level, int page)
    {
        return WaitFor(dir, MenuAt(level, page));
    }
    static StateCheck MenuAt(int level, int page)
    {
        return Shows("MenuLevel", std::to_string(level), "MenuPage", std::to_string(page));
    }
};

} // namespace

// The cockpit's keys and knob on unit 3: the MFD menu, V-speeds set with the knob, and the
// speeds published in both units' folders when the page is left.
TEST_F(MenuEndToEnd, PanelSetsTheSpeedsAndBothUnitsGetThem)
{
    sim = StartSim("--freeze --at 300");
    ASSERT_GT(sim.pid, 0);
    StartUnit(du3);   // the first run lays down the default accfg.ini (100 kt each)
    const std::string dump = Dump(du3);
    ASSERT_TRUE(PressKey(dump, 3, 1, MenuAt(2, 0)));
    ASSERT_TRUE(PressKey(dump, 3, 1, MenuAt(4, 7)));
    ASSERT_TRUE(PressKey(dump, 3, 3, Shows("PendingSoftKey", "3", "VR", "100")));   // VR
    // Each step moves the selected speed by one knot, and only that speed.
    for (int vr : {101, 102, 103})
        ASSERT_TRUE(TurnKnob(dump, 3, true, Shows("VR", std::to_string(vr), "V1", "100"))) << vr;
    ASSERT_TRUE(TurnKnob(dump, 3, false, Shows("VR", "102", "V2", "100")));
    std::remove((du2 + "/accfg.ini").c_str());
    ASSERT_TRUE(PressKey(dump, 3, 0, MenuAt(0, 0)));   // RTN
    ASSERT_TRUE(WaitUntil([&] { return FileExists(du2 + "/accfg.ini"); }));
    for (const std::string& dir : {du3, du2}) {
        std::string file = ReadFile(dir + "/accfg.ini");
        EXPECT_NE(file.find("[V1]\n100\n[VR]\n102\n[V2]\n100\n"), std::string::npos) << dir << "\n" << file;
        EXPECT_NE(file.find("[ACTIVE_PLAN]\n"), std::string::npos) << dir;
    }
    // The panel is told once that the configuration changed.
    EXPECT_TRUE(WaitFor(du3, [](const std::string& s) { return JsonValue(s, "PanelNotifyPending") == "false"; }));
}

// A plan loaded from the cockpit: FPLN opens the plan folder's list, FPLN again loads the
// highlighted line-based plan, both folders' accfg.ini carry it under [ACTIVE_PLAN], and a
// stand-in started with --route on that file flies it: its GPS names the plan's first point.
TEST_F(MenuEndToEnd, PanelLoadsAPlanThatTheNextSimulatorStartFlies)
{
    ASSERT_EQ(system(("mkdir -p '" + du3 + "/my plans'").c_str()), 0);
    WriteFile(du3 + "/my plans/coast.pln", "[flightplan]\r\ntitle=coast\r\n"
                                           "waypoint.0=OCN, V, N33* 14.42', W117* 25.05', +000000.00\r\n"
                                           "waypoint.1=SLI, V, N33* 47.00', W118* 3.22', +000000.00\r\n");
    sim = StartSim("--freeze --at 300");
    ASSERT_GT(sim.pid, 0);
    StartUnit(du3);
    const std::string dump = Dump(du3);
    ASSERT_TRUE(PressKey(dump, 3, 1, MenuAt(2, 0)));
    ASSERT_TRUE(PressKey(dump, 3, 3, Shows("MenuPage", "9", "PlanCount", "1")));
    ASSERT_TRUE(PressKey(dump, 3, 3, Shows("PlanLegCount", "2", "ShowRoute", "true")));
    const std::string section = "[ACTIVE_PLAN]\n2,33.240334,-117.417503,OCN\n1,33.783333,-118.053665,SLI\n";
    for (const std::string& dir : {du3, du2}) {
        ASSERT_TRUE(WaitUntil([&] { return ReadFile(dir + "/accfg.ini").find("[ACTIVE_PLAN]\n2,") != std::string::npos; }));
        const std::string file = ReadFile(dir + "/accfg.ini");
        EXPECT_EQ(file.substr(file.find("[ACTIVE_PLAN]")), section) << dir;
    }
    // Written at start-up and again on opening the page, which lists the listing too.
    EXPECT_EQ(ReadFile(du3 + "/my plans/planlist.txt"), "coast.pln\nplanlist.txt\n");

    StopBackground(unit);
    StopBackground(sim);
    sim = StartSim("--freeze --at 0 --route " + du3 + "/accfg.ini");
    ASSERT_GT(sim.pid, 0);
    EXPECT_EQ(Panel("peek 0x60A4 4"), std::to_string(0x004E434F) + "\n");   // "OCN"
}

// On the EICAS the systems menu stays up; keys change the page and the page's own key keeps it.
TEST_F(MenuEndToEnd, EicasKeysSelectSystemsPages)
{
    sim = StartSim("--freeze --at 300");
    ASSERT_GT(sim.pid, 0);
    StartUnit(du2);
    const std::string dump = Dump(du2);
    ASSERT_TRUE(WaitForMenu(du2, 1, 1));
    ASSERT_TRUE(PressKey(dump, 2, 5, MenuAt(1, 6)));
    ASSERT_TRUE(PressKey(dump, 2, 5, MenuAt(1, 6)));   // seen down and up, and the page stays
    Panel("key 3 2");                                // unit 3's key: not this unit's
    ASSERT_TRUE(WaitFrames(dump, 3));
    EXPECT_TRUE(MenuAt(1, 6)(LastLine(dump)));
    ASSERT_TRUE(PressKey(dump, 2, 1, MenuAt(1, 2)));
}

// Clicks on the bezel's key and knob areas, in percent of the 433 x 605 display area.
TEST_F(MenuEndToEnd, BezelClicksPressKeysAndTurnTheKnob)
{
    const std::string script =
        "3 click 108 538\n"   // 25 %, 89 %: between SYS and MFD, nothing
        "6 click 377 544\n"   // 87.1 %, 89.9 %: knob up, range 5 -> 10 NM
        "9 click 376 544\n"   // 86.8 %: knob down, back to 5 NM
        "12 click 376 544\n"  // and once more: wraps to 1000 NM
        "15 click 87 538\n"   // 20 %, 89 %: SYS
        "18 click 500 538\n"; // right of the display area: nothing
    WriteFile(du3 + "/clicks.txt", script);
    std::string out;
    ASSERT_EQ(RunCommand(ProgramPath("orvex") + " --dir " + du3 + " --headless --frames 20 --input " + du3 +
                             "/clicks.txt --dump-state " + du3 + "/state.jsonl",
                         &out),
              0)
        << out;
    std::vector<std::string> lines = ReadLines(du3 + "/state.jsonl");
    ASSERT_EQ(lines.size(), 20u);
    auto at = [&](int frame, const char* key) { return JsonValue(lines[frame - 1], key); };
    EXPECT_EQ(at(3, "MenuLevel"), "0");
    EXPECT_EQ(at(3, "PendingSoftKey"), "6");
    EXPECT_EQ(at(5, "MapRangeIndex"), "0");
    EXPECT_EQ(at(6, "MapRangeIndex"), "1");
    EXPECT_EQ(at(9, "MapRangeIndex"), "0");
    EXPECT_EQ(at(12, "MapRangeIndex"), "8");
    EXPECT_EQ(at(15, "PendingSoftKey"), "0");
    EXPECT_EQ(at(15, "MenuLevel"), "1");
    EXPECT_EQ(at(15, "MenuPage"), "1");
    EXPECT_EQ(at(20, "MenuLevel"), "1");
    EXPECT_EQ(at(20, "PendingSoftKey"), "6");
}
