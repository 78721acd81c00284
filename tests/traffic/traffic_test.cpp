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

    // Runs whole frames; the last one's texts (its pixels stay in the window).
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

    // Heading `magHeading` and variation `variation` (east positive) through the module, as
    // the simulator sends them: true heading and the variation as fractions of a circle.
    static void Steer(double magHeading, double variation)
    {
        const int var = static_cast<int>(std::lround(variation * 65536 / 360)) & 0xFFFF;
        const double trueHeading = magHeading + var * 360.0 / 65536;
        SimPut(Module->Space, 0x02A0, static_cast<uint64_t>(var), 2);
        SimPut(Module->Space, 0x0580, static_cast<uint64_t>(std::llround(trueHeading / 8.381e-8)), 4);
    }
};

// The whole window after the last frame, rows from the top.
struct Shot {
    std::vector<unsigned char> px = std::vector<unsigned char>(static_cast<size_t>(Width) * Height * 3);
    Shot()
    {
        glPixelStorei(GL_PACK_ALIGNMENT, 1);   // rows of 433 pixels are not a multiple of 4 bytes
        glReadPixels(0, 0, Width, Height, GL_RGB, GL_UNSIGNED_BYTE, px.data());
    }
    const unsigned char* at(int x, int y) const { return &px[(static_cast<size_t>(Height - 1 - y) * Width + x) * 3]; }
};

enum class Symbol { Diamond, Disk, Square };
bool IsSymbolColour(const unsigned char* p, Symbol s)
{
    switch (s) {
    case Symbol::Diamond: return p[0] < 30 && p[1] > 230 && p[2] > 230;
    case Symbol::Disk: return p[0] > 230 && p[1] > 220 && p[2] < 30;
    case Symbol::Square: return p[0] > 230 && p[1] < 30 && p[2] < 30;
    }
    return false;
}

// Pixels of a symbol's colour within 8 px of a layout point: about 43 for the diamond
// (corners 0.2 units out), 64 for the disk (radius 0.186), 77 for the square (0.36 wide).
int SymbolPixels(const Shot& shot, float x, float y, Symbol s)
{
    int n = 0;
    for (int py = LayoutToPixelY(y) - 8; py <= LayoutToPixelY(y) + 8; ++py)
        for (int px = LayoutToPixelX(x) - 8; px <= LayoutToPixelX(x) + 8; ++px)
            n += IsSymbolColour(shot.at(px, py), s);
    return n;
}

// The picture's centre (own aircraft) and the radius of the selected range, layout units.
constexpr float CentreY = -4.027f, RangeRadius = 4.769f;
constexpr float Deg = static_cast<float>(M_PI / 180);

// Where a point `nm` away at `clockwise` degrees off the nose stands at range `range`.
float PictureX(float nm, float clockwise, int range) { return nm / range * RangeRadius * std::sin(clockwise * Deg); }
float PictureY(float nm, float clockwise, int range)
{
    return CentreY + nm / range * RangeRadius * std::cos(clockwise * Deg);
}

// Window pixels that differ between two frames.
std::vector<std::pair<int, int>> Changed(const Shot& a, const Shot& b)
{
    std::vector<std::pair<int, int>> out;
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            if (std::memcmp(a.at(x, y), b.at(x, y), 3) != 0)
                out.emplace_back(x, y);
    return out;
}

} // namespace

// Heading-up and turned by the magnetic heading alone: at heading 285.7 with 30 degrees of
// variation, a target due north stands 74.3 degrees right of the nose, east 164.3, south
// 254.3, west 344.3, each with the area of its own shape there. A mirrored picture, a
// rotation the wrong way round or the variation added to the bearing moves every symbol
// off its place by more than its own size.
TEST_F(TrafficDisplay, TargetsStandAtTheirTrueBearingOffTheMagneticHeading)
{
    Steer(285.7, 30.0);
    SimPut(Module->Space, TcasRangeOffset, 10, 1);
    struct Target {
        float bearing, nm, above;
        Symbol symbol;
        int area;
    };
    const Target targets[] = {{0, 3, 500, Symbol::Disk, 64},          // TA
                              {90, 3, 1500, Symbol::Diamond, 43},     // no threat
                              {180, 1.9f, 300, Symbol::Square, 77},   // RA
                              {270, 3, -2000, Symbol::Diamond, 43}};  // no threat
    for (int i = 0; i < 4; ++i)
        Place(i, 1, targets[i].bearing, targets[i].nm, targets[i].above);
    Frames(TwoCycles);
    ASSERT_NEAR(Aircraft.MagHeading, 285.7f, 0.01f);
    ASSERT_NEAR(Aircraft.MagVar, 30.0f, 0.01f);
    const Shot shot;
    for (const Target& t : targets) {
        SCOPED_TRACE("target at bearing " + std::to_string(t.bearing));
        const float off = t.bearing - 285.7f, x = PictureX(t.nm, off, 10), y = PictureY(t.nm, off, 10);
        EXPECT_NEAR(SymbolPixels(shot, x, y, t.symbol), t.area, 6);
        // Mirrored left/right, and turned the other way: nothing of its colour there.
        EXPECT_LT(SymbolPixels(shot, -x, y, t.symbol), 10);
        EXPECT_LT(SymbolPixels(shot, PictureX(t.nm, t.bearing + 285.7f, 10), PictureY(t.nm, t.bearing + 285.7f, 10), t.symbol), 10);
    }
}

TEST_F(TrafficDisplay, TrendArrowPointsTheWayTheTargetGoes)
{
    SimPut(Module->Space, TcasRangeOffset, 10, 1);
    auto draw = [](int vs) {
        Place(0, static_cast<uint8_t>(Traffic.SlotChange[0] + 1), 0, 3, 1500, vs);
        Frames(TwoCycles);
        return Shot();
    };
    const Shot level = draw(0);
    // Mean row of the arrow's pixels against the middle of its height: negative is higher.
    auto headHeight = [&](int vs) {
        const auto arrow = Changed(level, draw(vs));
        EXPECT_GT(arrow.size(), 20u) << vs;
        if (arrow.empty())
            return 0.0f;
        int top = Height, bottom = 0;
        float sum = 0;
        for (auto [x, y] : arrow) {
            top = std::min(top, y), bottom = std::max(bottom, y);
            sum += y;
            EXPECT_GT(x, LayoutToPixelX(0)) << vs;   // right of the symbol's centre, beside the label
        }
        return sum / arrow.size() - (top + bottom) / 2.0f;
    };
    // The arrow stands where the label left the pen, so its smoothed lines fall on other
    // pixel phases with another face: a quarter pixel either way tells the head's end (the
    // arrow turned the other way gives the opposite sign, about as large).
    EXPECT_LT(headHeight(800), -0.25f);
    EXPECT_LT(headHeight(500), -0.25f);
    EXPECT_GT(headHeight(-800), 0.25f);
    EXPECT_GT(headHeight(-500), 0.25f);
    EXPECT_TRUE(Changed(level, draw(499)).empty());
    EXPECT_TRUE(Changed(level, draw(-499)).empty());
}

// Twelve marks at 2 NM below 20 NM range; from 20 NM on, none.
TEST_F(TrafficDisplay, TwoMileRingMarksBelowTwentyMilesOnly)
{
    // Near 20 NM a mark is under a pixel across; beyond it, it would lie on the own symbol.
    for (int range : {6, 10, 20}) {
        SimPut(Module->Space, TcasRangeOffset, static_cast<uint64_t>(range), 1);
        Frames(3);
        for (int k = 0; k < 12; ++k) {
            const int x = LayoutToPixelX(PictureX(2, 30.0f * k, range)), y = LayoutToPixelY(PictureY(2, 30.0f * k, range));
            int brightest = 0;
            for (int dy = -2; dy <= 2; ++dy)
                for (int dx = -2; dx <= 2; ++dx)
                    brightest = std::max(brightest, MapUnitPixel(x + dx, y + dy));
            if (range < 20)
                EXPECT_GT(brightest, 150) << range << " mark " << k;
            else
                EXPECT_LT(brightest, 40) << range << " mark " << k;
        }
    }
}

// Targets are cut at the picture's box (window rows 268..442 and columns 81..348 at this
// size): one just astern at 4 NM shows its upper part down to the box's last row, one at
// 5 NM shows nothing.
TEST_F(TrafficDisplay, TargetsAreCutAtThePictureBox)
{
    SimPut(Module->Space, TcasRangeOffset, 10, 1);
    Frames(TwoCycles);
    const Shot empty;
    for (auto [nm, change] : {std::pair{4.0, 1}, {5.0, 2}}) {
        Place(0, static_cast<uint8_t>(change), 180, nm, 1500);
        Frames(TwoCycles);
        const auto drawn = Changed(empty, Shot());
        int bottom = 0;
        for (auto [x, y] : drawn) {
            EXPECT_TRUE(x >= 81 && x <= 348 && y >= 268 && y <= 442) << nm << " NM: " << x << "," << y;
            bottom = std::max(bottom, y);
        }
        if (nm == 4.0)
            EXPECT_EQ(bottom, 442);
        else
            EXPECT_TRUE(drawn.empty());
        SimPut(Module->Space, TrafficChangeOffset, 0, 1);
    }
}

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
    Frames(TwoCycles);   // how each class looks: TargetsStandAtTheirTrueBearing...
    const int expected[] = {0, 1, 0, 2};
    for (int slot = 0; slot < 4; ++slot)
        EXPECT_EQ(Traffic.Targets[slot].threat, expected[slot]) << slot;
    EXPECT_TRUE(Traffic.AnyThreat);
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
    SimPut(Module->Space, TrafficAutoOffset, 0x00, 1);
    Traffic.TrafficOn = false;   // TCAS key off, auto off: no picture
    p = Frames(3);
    EXPECT_FALSE(Traffic.TrafficShown);
    EXPECT_FALSE(Shows(p, "TCAS"));
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
        Frames(TwoCycles);
        int worst = 0;
        for (const TrafficTarget& t : Traffic.Targets)
            worst = std::max(worst, t.threat);
        EXPECT_EQ(worst, threat) << second;
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
