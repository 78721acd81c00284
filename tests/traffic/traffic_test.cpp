// The traffic picture as the crew sees it, fed by an interface module in the test process:
// the module's table is filled byte by byte, whole MFD frames run, and the test reads what
// was drawn (text trace, pixels) and what the poll asked the module for.
#include "simlink/test_module.h"
#include "cockpit/cockpit.h"
#include "support/display_unit.h"

#include "map/map.h"
#include "menu/menu.h"
#include "navdb/navdb.h"
#include "platform/platform.h"
#include "shell/automation.h"
#include "shell/config.h"
#include "shell/shell.h"
#include "shell/text.h"
#include "shell/window.h"
#include "simlink/aircraft.h"
#include "simlink/simlink.h"
#include "traffic/traffic.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// Just north of the equator, so an empty entry (latitude 0) would lie within range if it
// were not skipped.
constexpr double OwnLat = 0.03, OwnLon = -117.0;
constexpr int OwnAltitude = 10000;
constexpr int Width = 433, Height = 605;
// Two full polling cycles: a slot's change byte comes back on one visit, its data on the next.
constexpr int TwoCycles = 2 * TrafficSlots + 4;

TestModule* Module = nullptr;
std::string UnitDir;

struct Picture {
    std::vector<TraceText> texts;
    int red = 0, yellow = 0, cyan = 0;   // pixels of each symbol colour in the picture area
};

class TrafficDisplay : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!Module) {
            UsePrivateRuntimeDir();
            UnitDir = DisplayUnitOpenWindow("traffic-unit", Width, Height);
            ASSERT_TRUE(Window.Created);
            Module = new TestModule;
            ASSERT_TRUE(Module->Start());
            ASSERT_TRUE(SimLinkOpen(0));
        }
        ShellReset();
        Shell.ShowingMfd = true;
        Shell.FirstFrameDone = true;
        Shell.LinkConnected = true;
        AircraftReset();
        MapReset();
        MenuReset();
        TrafficReset();
        NavDatabaseReset();
        SimOffsetSpace& s = Module->Space;
        std::memset(s.Bytes + 0xF008, 0, 0x10000 - 0xF008);
        SimPut(s, 0x281C, 1, 4);  // battery and avionics on
        SimPut(s, 0x2E80, 1, 4);
        SimPut(s, 0x0560, static_cast<uint64_t>(static_cast<int64_t>(OwnLat / 2.0951091487837895e-15)), 8);
        SimPut(s, 0x0568, static_cast<uint64_t>(static_cast<int64_t>(OwnLon / 1.951563910473908e-17)), 8);
        SimPut(s, 0x3324, OwnAltitude, 4);
        SimPut(s, 0x0580, 0, 4);  // heading north, no variation
        SimPut(s, 0x02A0, 0, 2);
        SimPut(s, TcasRangeOffset, 10, 1);
        SimPut(s, TcasStatusOffset, 0x04, 1);
        SimPut(s, TrafficAutoOffset, 0, 1);
    }

    // A target `nm` from us on a true bearing (clockwise), `above` feet higher.
    static void Place(int slot, uint8_t change, double bearing, double nm, double above, int vs = 0)
    {
        SimOffsetSpace& s = Module->Space;
        const double rad = bearing * M_PI / 180;
        const uint32_t entry = TrafficEntryOffset + TrafficEntrySize * slot;
        SimPutFloat(s, entry + 4, static_cast<float>(OwnLat + nm * std::cos(rad) / 60));
        SimPutFloat(s, entry + 8, static_cast<float>(OwnLon + nm * std::sin(rad) / 60 / std::cos(OwnLat * M_PI / 180)));
        SimPutFloat(s, entry + 12, static_cast<float>(OwnAltitude + above));
        SimPut(s, entry + 20, static_cast<uint16_t>(static_cast<int16_t>(vs)), 2);
        SimPut(s, TrafficChangeOffset + slot, change, 1);
    }

    // Runs whole frames; the last one's texts and symbol pixels.
    static Picture Frames(int frames)
    {
        const std::string trace = UnitDir + "/trace.jsonl";
        Picture p;
        for (int i = 0; i < frames; ++i) {
            if (i == frames - 1)
                TextTraceOpen(trace.c_str());
            RenderFrame();
            ++Automation.FrameNumber;
        }
        TextTraceClose();
        p.texts = ReadTextTrace(trace);
        // The picture's clip box, display width 0.7165 x height.
        const int dw = static_cast<int>(Height * 0.7165);
        const int x0 = static_cast<int>(dw * 0.189), y0 = static_cast<int>(Height * 0.2689);
        const int w = static_cast<int>(dw * 0.619), h = static_cast<int>(Height * 0.29);
        std::vector<unsigned char> px(static_cast<size_t>(w) * h * 3);
        glReadPixels(x0, y0, w, h, GL_RGB, GL_UNSIGNED_BYTE, px.data());
        for (size_t i = 0; i < px.size(); i += 3) {
            const int r = px[i], g = px[i + 1], b = px[i + 2];
            p.red += r > 230 && g < 30 && b < 30;
            p.yellow += r > 230 && g > 220 && b < 30;
            p.cyan += r < 30 && g > 230 && b > 230;
        }
        return p;
    }

    // A text drawn in the traffic picture's part of the window (the map prints numbers too).
    static bool Shows(const Picture& p, const char* text)
    {
        for (const TraceText& t : p.texts)
            if (t.text == text && t.y > Height * 0.43 && t.y < Height * 0.74)
                return true;
        return false;
    }
};

} // namespace

TEST_F(TrafficDisplay, TableEndsAtTheFirstZeroChangeByteAndEmptyEntriesAreSkipped)
{
    Place(0, 7, 45, 4, 500, 800);     // 05, climbing
    Place(1, 3, 90, 4, 1200);         // then emptied: latitude exactly 0
    SimPutFloat(Module->Space, TrafficEntryOffset + TrafficEntrySize + 4, 0.0f);
    Place(2, 9, 315, 4, -900, -900);  // -09, descending
    Place(3, 1, 340, 5, -1500);       // -15
    Place(4, 2, 270, 5, 2300);        // 23
    Place(5, 4, 300, 7, 0);           // level: 0
    SimPut(Module->Space, TrafficChangeOffset + 6, 0, 1);  // end of the table
    Place(7, 5, 0, 3, 700);           // beyond the end: never drawn
    Place(95, 6, 0, 3, 800);          // the 96th change byte is never polled

    Picture p = Frames(TwoCycles);
    for (const char* shown : {"05", "-09", "-15", "23", "0", "TCAS", "FL", "10"})
        EXPECT_TRUE(Shows(p, shown)) << shown;
    // ... while the empty entry, 1200 ft above and within range, is not.
    for (const char* hidden : {"12", "07", "08", "ABV", "BLW"})
        EXPECT_FALSE(Shows(p, hidden)) << hidden;
    // One slot a frame, 0..94 and round again.
    EXPECT_EQ(Traffic.SlotCursor, TwoCycles % TrafficSlots);
    EXPECT_EQ(Traffic.SlotChange[95], 0);
    EXPECT_EQ(Traffic.SlotChange[7], 5);   // polled, but after the end

    // New data are fetched only when the change byte moves.
    Place(0, 7, 45, 4, 1200);
    EXPECT_TRUE(Shows(Frames(TwoCycles), "05"));
    Place(0, 8, 45, 4, 1200);
    p = Frames(TwoCycles);
    EXPECT_TRUE(Shows(p, "12"));
    EXPECT_FALSE(Shows(p, "05"));
}

TEST_F(TrafficDisplay, PollAsksForAtMostSixValuesAndTheyTravelWithTheNextExchange)
{
    Place(0, 5, 0, 3, 400, -1234);
    Traffic.SlotChange[0] = 5;   // as a first visit would have brought back
    PollTrafficSlot();
    EXPECT_EQ(SimLink.QueuedCount, 6u);
    EXPECT_EQ(Traffic.Targets[0].latitude, 0.0f);   // nothing arrives before the exchange
    ASSERT_TRUE(SimLinkProcess());
    EXPECT_EQ(Traffic.Targets[0].latitude, SimGetFloat(Module->Space, TrafficEntryOffset + 4));
    EXPECT_EQ(Traffic.Targets[0].altitude, OwnAltitude + 400.0f);
    EXPECT_EQ(Traffic.Targets[0].verticalSpeed, -1234);
    EXPECT_EQ(Aircraft.Altitude, OwnAltitude);
    PollTrafficSlot();           // slot 1: its change byte only
    EXPECT_EQ(SimLink.QueuedCount, 4u);
    ASSERT_TRUE(SimLinkProcess());
}

TEST_F(TrafficDisplay, ThreatClassesByRangeAndSeparation)
{
    Place(0, 1, 0, 1.5, -1000);   // close but 1000 ft below: no threat
    Place(1, 1, 90, 3, 1100);     // TA
    Place(2, 1, 330, 3, 1200);    // 1200 ft: no threat
    Place(3, 1, 270, 1, 500);     // RA
    Picture p = Frames(TwoCycles);
    const int expected[] = {0, 1, 0, 2};
    for (int slot = 0; slot < 4; ++slot)
        EXPECT_EQ(Traffic.Targets[slot].threat, expected[slot]) << slot;
    EXPECT_TRUE(Traffic.AnyThreat);
    EXPECT_GT(p.red, 20);
    EXPECT_GT(p.yellow, 20);
    EXPECT_GT(p.cyan, 20);
}

TEST_F(TrafficDisplay, RangeFromTheCockpitIsHeldBetween6And40)
{
    Place(0, 1, 0, 3, 500);
    for (auto [set, shown] : {std::pair{3, "6"}, {50, "40"}, {25, "25"}}) {
        SimPut(Module->Space, TcasRangeOffset, set, 1);
        Picture p = Frames(3);
        EXPECT_TRUE(Shows(p, shown)) << set;
    }
}

TEST_F(TrafficDisplay, AltitudeBandFollowsTheStatusByte)
{
    Place(0, 1, 0, 4, 6000);    // 6000 ft above
    Place(1, 1, 90, 4, -6000);  // 6000 ft below
    Picture p = Frames(TwoCycles);
    EXPECT_FALSE(Shows(p, "60"));
    EXPECT_FALSE(Shows(p, "-60"));
    SimPut(Module->Space, TcasStatusOffset, 0x0C, 1);
    p = Frames(3);
    EXPECT_TRUE(Shows(p, "ABV"));
    EXPECT_TRUE(Shows(p, "60"));
    EXPECT_FALSE(Shows(p, "-60"));
    SimPut(Module->Space, TcasStatusOffset, 0x08, 1);
    p = Frames(3);
    EXPECT_TRUE(Shows(p, "BLW"));
    EXPECT_TRUE(Shows(p, "-60"));
    EXPECT_FALSE(Shows(p, "60"));
    SimPut(Module->Space, TcasStatusOffset, 0x00, 1);  // neither bit: the band stays
    EXPECT_TRUE(Shows(Frames(3), "BLW"));
}

TEST_F(TrafficDisplay, AutoModeShowsThePictureOnlyWhileAThreatExists)
{
    SimPut(Module->Space, TrafficAutoOffset, 0x01, 1);
    Place(0, 1, 0, 8, 300);
    Picture p = Frames(TwoCycles);
    EXPECT_FALSE(Traffic.TrafficShown);
    EXPECT_FALSE(Shows(p, "TCAS"));
    Place(0, 2, 0, 3, 300);   // closes to a TA
    p = Frames(TwoCycles);
    EXPECT_TRUE(Traffic.TrafficShown);
    EXPECT_TRUE(Shows(p, "TCAS"));
    EXPECT_GT(p.yellow, 20);
    SimPut(Module->Space, TrafficAutoOffset, 0x00, 1);
    Traffic.TrafficOn = false;   // TCAS key off, auto off: no picture
    p = Frames(3);
    EXPECT_FALSE(Traffic.TrafficShown);
    EXPECT_FALSE(Shows(p, "TCAS"));
}

TEST_F(TrafficDisplay, OnlyTheTopMenuLevelShowsThePicture)
{
    Place(0, 1, 0, 4, 500);
    Menu.MenuLevel = 2;
    Picture p = Frames(3);
    EXPECT_FALSE(Traffic.TrafficShown);
    EXPECT_FALSE(Shows(p, "TCAS"));
    Menu.MenuLevel = 0;
    p = Frames(2);
    EXPECT_TRUE(Traffic.TrafficShown);
    EXPECT_TRUE(Shows(p, "TCAS"));
}

// The stand-in's built-in flight meets a TA in the climb and an RA in the cruise.
TEST_F(TrafficDisplay, BuiltInFlightBringsATrafficAdvisoryAndAResolutionAdvisory)
{
    static SimTimeline builtin;
    std::string error;
    ASSERT_TRUE(SimParseTimeline(SimBuiltinFlightText(), &builtin, &error)) << error;
    for (auto [second, threat] : {std::pair{1300.0, 1}, {2300.0, 2}}) {
        SimFlightStart(builtin);
        SimFlightAdvanceTo(second);
        SimFlightPublish(Module->Space);
        SimPublishCockpitDefaults(Module->Space);
        TrafficReset();
        Picture p = Frames(TwoCycles);
        int worst = 0;
        for (const TrafficTarget& t : Traffic.Targets)
            worst = std::max(worst, t.threat);
        EXPECT_EQ(worst, threat) << second;
        EXPECT_GT(threat == 1 ? p.yellow : p.red, 20) << second;
    }
}

TEST(TrafficLabel, HundredsOfFeetTruncatedTowardLevelWithTwoDigits)
{
    // The picture test covers 05, -09, -15, 23 and 0; these are the edges between the formats.
    const std::pair<int, const char*> cases[] = {
        {-999, "-09"}, {-1000, "-10"}, {-99, "0"}, {99, "0"}, {999, "09"}, {1000, "10"}};
    for (const auto& [above, shown] : cases) {
        char label[16];
        TrafficFormatLabel(static_cast<float>(OwnAltitude + above), OwnAltitude, label, sizeof label);
        EXPECT_STREQ(label, shown) << above;
    }
}
