// The V-speeds page in an in-process display unit: selection by the last key, the knob's
// steps and limits, and "accfg.ini" written exactly once on leaving after a change, in
// this unit's folder and in the other unit's.
#include "support/display_unit.h"

#include "menu/aircraft_config.h"
#include "menu/menu.h"
#include "shell/config.h"
#include "shell/shell.h"
#include "simlink/aircraft.h"

#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

class SpeedsPage : public ::testing::Test {
protected:
    std::string other;

    void SetUp() override
    {
        MapUnitOpen();
        other = MakeScratchDir("speeds-du2");
        std::snprintf(DisplayConfig.Du2Path, sizeof DisplayConfig.Du2Path, "%s", other.c_str());
        WriteFile("accfg.ini", "[V1]\n110\n[VR]\n115\n[V2]\n122\n[MAX_FLAPS]\n40\n[VMIN]\n90\n[VMAX_FLAP_8]\n250\n"
                               "[VMAX_FLAP_20]\n200\n[VMAX_FLAP_40]\n150\n[VMO]\n335\n[MMO]\n0.81\n"
                               "[MAX_SPOILERS]\n60\n[MIN_RUNWAY_LENGTH]\n5000\n[MAX_FUEL]\n6062\n");
        AircraftConfigReset();
    }
    void TearDown() override { DisplayConfigReset(); }

    std::vector<TraceText> Press(int key)
    {
        Shell.PendingSoftKey = key;
        return MapUnitFrames();
    }
    void Knob(bool up, int steps)
    {
        for (int i = 0; i < steps; ++i) {
            (up ? Shell.KnobIncrement : Shell.KnobDecrement) = true;
            MapUnitFrames();
        }
    }
    void Enter()
    {
        Press(1);   // MFD menu
        Press(1);   // SPDS
        ASSERT_EQ(Menu.MenuPage, PageSpeeds);
        ASSERT_EQ(Menu.MenuLevel, 4);
    }
};

} // namespace

TEST_F(SpeedsPage, EnteringReadsTheFileAndShowsTheSpeeds)
{
    Enter();
    EXPECT_EQ(AircraftConfig.VR, 115);
    auto texts = MapUnitFrames();
    for (const char* legend : {"RTN", "110", "115", "122", "VSPDS", "SET", "V1", "VR", "V2", "FMS"})
        EXPECT_NE(FindText(texts, legend), nullptr) << legend;
    const TraceText* vr = FindText(texts, "115");
    const TraceText* v2 = FindText(texts, "122");
    EXPECT_FLOAT_EQ(vr->g, 1.0f);                 // VR cyan
    EXPECT_FLOAT_EQ(vr->r, 0.0f);
    EXPECT_NEAR(v2->g, 0.803f, 0.01f);            // V2 green
    EXPECT_EQ(FindText(texts, "SYS"), nullptr);   // the page draws its own legends
}

TEST_F(SpeedsPage, KnobSetsTheSelectedSpeedAndLeavingWritesBothFilesOnce)
{
    Enter();
    Press(3);   // VR
    EXPECT_EQ(Shell.PendingSoftKey, 3);   // stays pending as the selection
    const int range = Shell.MapRangeIndex;
    Knob(true, 2);
    EXPECT_EQ(AircraftConfig.VR, 117);
    EXPECT_EQ(AircraftConfig.V1, 110);
    EXPECT_EQ(Shell.MapRangeIndex, range);   // the knob belonged to the speed
    EXPECT_TRUE(Menu.SpeedsChanged);
    // The selection frame hangs under VR's frame origin.
    EXPECT_GT(MapUnitPixel(LayoutToPixelX(-0.38f), LayoutToPixelY(-6.9f)) +
                  MapUnitPixel(LayoutToPixelX(-0.38f) + 1, LayoutToPixelY(-6.9f)),
              100);

    Press(0);   // RTN
    EXPECT_EQ(Menu.MenuLevel, 0);
    EXPECT_EQ(Menu.MenuPage, PageNone);
    EXPECT_TRUE(Cockpit.PanelNotifyPending);
    EXPECT_FALSE(Menu.SpeedsChanged);
    for (const std::string& path : {std::string("accfg.ini"), other + "/accfg.ini"}) {
        std::string file = ReadFile(path);
        EXPECT_NE(file.find("[VR]\n117\n"), std::string::npos) << path;
        EXPECT_NE(file.find("[MM0]"), std::string::npos) << path;   // the writer's headers
        EXPECT_NE(file.rfind("[ACTIVE_PLAN]\n"), std::string::npos) << path;
    }
    // Once: later frames on the map write nothing more.
    std::remove("accfg.ini");
    std::remove((other + "/accfg.ini").c_str());
    MapUnitFrames(5);
    EXPECT_FALSE(FileExists("accfg.ini"));
    EXPECT_FALSE(FileExists(other + "/accfg.ini"));
}

TEST_F(SpeedsPage, LeavingWithoutAChangeWritesNothing)
{
    Enter();
    Press(2);   // V1 selected but never turned
    std::remove("accfg.ini");
    Press(0);
    EXPECT_EQ(Menu.MenuPage, PageNone);
    EXPECT_FALSE(FileExists("accfg.ini"));
    EXPECT_FALSE(FileExists(other + "/accfg.ini"));
    EXPECT_FALSE(Cockpit.PanelNotifyPending);
}

TEST_F(SpeedsPage, SpeedsStayWithinTheirLimits)
{
    WriteFile("accfg.ini", "[V1]\n300\n[VR]\n-5\n[V2]\n999\n");
    Enter();
    MapUnitFrames();
    EXPECT_EQ(AircraftConfig.VR, 0);     // clamped on the first frame shown
    EXPECT_EQ(AircraftConfig.V2, 300);
    Press(2);
    Knob(true, 2);
    EXPECT_EQ(AircraftConfig.V1, 300);
    Press(3);
    Knob(false, 2);
    EXPECT_EQ(AircraftConfig.VR, 0);
    Press(5);   // FMS: consumed, selects nothing
    EXPECT_EQ(Shell.PendingSoftKey, 6);
    Knob(true, 1);
    EXPECT_EQ(AircraftConfig.VR, 0);
}
