// The soft-key menu as the crew meets it, in an in-process display unit: key presses
// through PendingSoftKey and the knob flags, read back as the legends drawn (text trace),
// the frames around them (pixels) and the menu state.
#include "support/display_unit.h"

#include "menu/aircraft_config.h"
#include "menu/menu.h"
#include "plan/plan.h"
#include "shell/shell.h"
#include "simlink/aircraft.h"
#include "traffic/traffic.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override { MapUnitOpen(); }

    // The key arrives before the frame that consumes it, as from the bezel or the cockpit.
    std::vector<TraceText> Press(int key)
    {
        Shell.PendingSoftKey = key;
        return MapUnitFrames();
    }
    std::vector<TraceText> Knob(bool up)
    {
        (up ? Shell.KnobIncrement : Shell.KnobDecrement) = true;
        return MapUnitFrames();
    }
    void ShowEicas()
    {
        Shell.ShowingMfd = false;
        Shell.ShowingEicas = true;
        Menu.MenuLevel = 1;
        Menu.MenuPage = 1;
    }
};

std::vector<std::string> TextsAt(const std::vector<TraceText>& texts, float y, float tolerance = 1.0f)
{
    std::vector<std::string> out;
    for (const TraceText& t : texts)
        if (t.y > y - tolerance && t.y < y + tolerance)
            out.push_back(t.text);
    return out;
}

using Row = std::vector<std::string>;

// The legends' baseline: y -7.389 of the layout.
const float KeyRowY = 482.37f;

} // namespace

TEST_F(MenuTest, LegendsFollowTheMenuLevel)
{
    auto top = MapUnitFrames();
    EXPECT_EQ(TextsAt(top, KeyRowY), (Row{"SYS", "MFD", "CKLST", "TCAS", "TERR", "PLAN"}));
    ASSERT_NE(FindText(top, "MENU"), nullptr);
    EXPECT_LT(FindText(top, "MENU")->y, KeyRowY);   // above the first two keys
    ASSERT_NE(FindText(top, "RNG"), nullptr);
    EXPECT_GT(FindText(top, "RNG")->y, FindText(top, "M/P")->y);   // RNG under M/P beside the knob

    auto systems = Press(0);
    EXPECT_EQ(Menu.MenuLevel, 1);
    EXPECT_EQ(Menu.MenuPage, PageSummary);
    EXPECT_EQ(TextsAt(systems, KeyRowY), (Row{"SUMRY", "ELEC", "HYD", "ECS", "FLT", "FUEL"}));

    Press(0);   // SUMRY is the summary page's own key: back to the map
    EXPECT_EQ(Menu.MenuLevel, 0);
    EXPECT_EQ(Menu.MenuPage, PageNone);

    auto mfd = Press(1);
    EXPECT_EQ(Menu.MenuLevel, 2);
    EXPECT_EQ(TextsAt(mfd, KeyRowY), (Row{"RTN", "SPDS", "JSTK", "FPLN", "APT", "DATA"}));
    const TraceText* nav = FindText(mfd, "NAV");
    const TraceText* apt = FindText(mfd, "APT");
    ASSERT_TRUE(nav && apt);
    EXPECT_LT(nav->y, apt->y - 10);   // NAV stacked over APT on the same key
    EXPECT_NE(FindText(mfd, "LOAD"), nullptr);
    EXPECT_EQ(FindText(mfd, "SYS"), nullptr);

    Press(0);   // RTN
    EXPECT_EQ(Menu.MenuLevel, 0);
    EXPECT_EQ(Menu.MenuPage, PageNone);
    EXPECT_EQ(Shell.PendingSoftKey, 6);
}

TEST_F(MenuTest, SystemsKeysSelectTheirPagesAndThePagesOwnKeyReturns)
{
    Press(0);
    for (int key = 1; key <= 5; ++key) {
        Press(key);
        EXPECT_EQ(Menu.MenuPage, PageSummary + key) << key;
        EXPECT_EQ(Menu.MenuLevel, 1);
    }
    Press(5);   // FUEL shown: its own key returns
    EXPECT_EQ(Menu.MenuLevel, 0);
    EXPECT_EQ(Menu.MenuPage, PageNone);
}

TEST_F(MenuTest, EicasHoldsTheSystemsMenuAndKeepsThePageOnItsOwnKey)
{
    ShowEicas();
    auto texts = Press(2);
    EXPECT_EQ(Menu.MenuPage, PageHyd);
    Press(2);   // the shown page's key: the page stays on the EICAS
    EXPECT_EQ(Menu.MenuLevel, 1);
    EXPECT_EQ(Menu.MenuPage, PageHyd);
    texts = MapUnitFrames();
    EXPECT_EQ(TextsAt(texts, KeyRowY), (Row{"SUMRY", "ELEC", "HYD", "ECS", "FLT", "FUEL"}));
    EXPECT_NE(FindText(texts, "CAS"), nullptr);   // the alert list's legend beside the knob
    EXPECT_EQ(FindText(texts, "RNG"), nullptr);
}

TEST_F(MenuTest, TopLevelTogglesTrafficAndRoute)
{
    MapUnitFrames();
    EXPECT_TRUE(Traffic.TrafficShown);
    Press(3);   // TCAS: the traffic picture goes and the map takes its whole clip box back
    EXPECT_FALSE(Traffic.TrafficOn);
    EXPECT_FALSE(Traffic.TrafficShown);
    Press(3);
    EXPECT_TRUE(Traffic.TrafficOn);
    EXPECT_TRUE(Traffic.TrafficShown);
    Press(1);   // any menu over the map hides the picture
    EXPECT_FALSE(Traffic.TrafficShown);
    Press(0);
    Press(5);
    EXPECT_TRUE(Shell.ShowRoute);
    EXPECT_EQ(Shell.PendingSoftKey, 6);   // consumed
    for (int inert : {2, 4}) {            // CKLST and TERR
        Press(inert);
        EXPECT_EQ(Menu.MenuLevel, 0);
        EXPECT_EQ(Menu.MenuPage, PageNone);
    }
}

// Four presses of NAV/APT cycle NAV, NAV+APT, APT, none; the white frame follows. A column
// inside the frame just left of the two legends crosses its top and bottom lines and nothing else.
TEST_F(MenuTest, NavAptCycleWithItsFrame)
{
    Press(1);
    const int column = LayoutToPixelX(1.85f);
    auto litNear = [&](float y) {
        const int row = LayoutToPixelY(y);
        for (int r = row - 2; r <= row + 2; ++r)
            if (MapUnitPixel(column, r) > 100)
                return true;
        return false;
    };
    auto litRows = [&] {
        int n = 0;
        for (int r = LayoutToPixelY(-6.0f); r <= LayoutToPixelY(-7.8f); ++r)
            n += MapUnitPixel(column, r) > 100;
        return n;
    };
    const float navTop = -6.2589f, navBottom = -6.948f, aptTop = -6.8169f, aptBottom = -7.506f;
    Press(4);
    EXPECT_TRUE(Shell.ShowVor && !Shell.ShowAirports);
    EXPECT_TRUE(litNear(navTop) && litNear(navBottom));
    EXPECT_FALSE(litNear(aptBottom));
    Press(4);
    EXPECT_TRUE(Shell.ShowVor && Shell.ShowAirports);
    EXPECT_TRUE(litNear(navTop) && litNear(aptBottom));   // one tall frame around both
    EXPECT_FALSE(litNear((navBottom + aptTop) / 2));
    Press(4);
    EXPECT_TRUE(!Shell.ShowVor && Shell.ShowAirports);
    EXPECT_TRUE(litNear(aptTop) && litNear(aptBottom));
    EXPECT_FALSE(litNear(navTop));
    Press(4);
    EXPECT_TRUE(!Shell.ShowVor && !Shell.ShowAirports);
    EXPECT_EQ(litRows(), 0);
    EXPECT_EQ(Menu.MenuLevel, 2);
}

TEST_F(MenuTest, KnobWrapsTheRangeBothWays)
{
    Shell.MapRangeIndex = 0;
    Knob(false);
    EXPECT_EQ(Shell.MapRangeIndex, 8);   // 5 NM -> 1000 NM
    Knob(true);
    EXPECT_EQ(Shell.MapRangeIndex, 0);   // 1000 NM -> 5 NM
    Knob(true);
    EXPECT_EQ(Shell.MapRangeIndex, 1);
    EXPECT_FALSE(Shell.KnobIncrement);   // consumed
    auto texts = MapUnitFrames();
    EXPECT_NE(FindText(texts, "5.0"), nullptr);   // half of 10 NM on the inner arc
}

TEST_F(MenuTest, PlanPageTakesTheKnobAndWrapsTheSelection)
{
    Press(1);
    Press(3);   // FPLN: a fresh list
    EXPECT_EQ(Menu.MenuPage, PagePlanList);
    EXPECT_TRUE(Menu.PlanListOpen);
    PlanList.count = 3;   // as if the folder held three plans
    PlanList.selected = 0;
    Shell.MapRangeIndex = 2;
    Knob(false);
    EXPECT_EQ(PlanList.selected, 2);   // first -> last
    Knob(true);
    EXPECT_EQ(PlanList.selected, 0);   // last -> first
    Knob(true);
    EXPECT_EQ(PlanList.selected, 1);
    EXPECT_EQ(Shell.MapRangeIndex, 2);   // the range stays while the list is open

    Press(3);   // FPLN again: load the highlighted plan, the MFD menu stays over the map
    EXPECT_FALSE(Menu.PlanListOpen);
    EXPECT_EQ(Menu.MenuPage, PageNone);
    EXPECT_EQ(Menu.MenuLevel, 2);
    Knob(true);
    EXPECT_EQ(Shell.MapRangeIndex, 3);
}

TEST_F(MenuTest, AvionicsOffShowsMenuInopButKeysStillAct)
{
    Aircraft.AvionicsMaster = 0;
    auto texts = MapUnitFrames();
    const TraceText* inop = FindText(texts, "MENU INOP");
    ASSERT_NE(inop, nullptr);
    EXPECT_NEAR(inop->r, 0.933f, 0.01f);
    EXPECT_NEAR(inop->g, 0.596f, 0.01f);
    ASSERT_NE(FindText(texts, "HDG"), nullptr);
    ASSERT_NE(FindText(texts, "FAIL"), nullptr);
    EXPECT_FLOAT_EQ(FindText(texts, "FAIL")->r, 1.0f);
    EXPECT_FLOAT_EQ(FindText(texts, "FAIL")->g, 0.0f);
    EXPECT_EQ(FindText(texts, "SYS"), nullptr);

    Press(0);   // SYS
    Press(1);   // ELEC
    EXPECT_EQ(Menu.MenuPage, PageElec);
    Aircraft.AvionicsMaster = 1;
    texts = MapUnitFrames();
    EXPECT_EQ(FindText(texts, "MENU INOP"), nullptr);
    EXPECT_NE(FindText(texts, "ELEC"), nullptr);
    EXPECT_EQ(Menu.MenuPage, PageElec);

    ShowEicas();
    Aircraft.AvionicsMaster = 0;
    texts = MapUnitFrames();
    EXPECT_NE(FindText(texts, "MENU INOP"), nullptr);
    EXPECT_EQ(FindText(texts, "HDG"), nullptr);   // the heading flag is the map's
}
