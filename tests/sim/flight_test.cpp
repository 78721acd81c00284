// The built-in flight: stepped through its phases, read back at the offsets the display
// units read, in the simulator's encodings; plus the timeline format and orvex-sim's
// --at, --freeze and --rate seen from outside.
#include "builtin_flight.h"
#include "sim.h"
#include "menu/aircraft_config.h"
#include "plan/plan.h"
#include "simlink/aircraft.h"

#include "platform/platform.h"
#include "support/support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sys/wait.h>
#include <cstdlib>
#include <memory>

namespace {

class FlightTest : public BuiltinFlightTest {
protected:
    int64_t S(uint32_t offset, int size) const
    {
        uint64_t v = U(offset, size);
        int shift = 64 - 8 * size;
        return static_cast<int64_t>(v << shift) >> shift;
    }
    double N1(uint32_t offset) const { return U(offset, 2) * 0.006103515625; }
    double IttC(uint32_t offset) const { return (D(offset) - 491.67) * 5 / 9; }
    double Lat() const { return S(0x0560, 8) * 2.0951091487837895e-15; }
    double Lon() const { return S(0x0568, 8) * 1.951563910473908e-17; }
};

TEST_F(FlightTest, ColdAndDarkThenBatteryAndEngineStart)
{
    At(0);
    EXPECT_EQ(U(0x281C, 4), 0u);
    EXPECT_EQ(U(0x0896, 2), 0u);
    EXPECT_NE(U(0x3367, 1), 0u);  // door open
    EXPECT_NE(U(0x0BC8, 2), 0u);  // parking brake
    EXPECT_EQ(D(0x2880), 0.0);
    // Switches first set later in the flight are off until then.
    EXPECT_EQ(U(0x092A, 2), 0u);
    EXPECT_EQ(U(0x330C, 2), 0u);
    EXPECT_EQ(D(0x2160), 0.0);
    At(35);
    EXPECT_EQ(U(0x281C, 4), 1u);
    EXPECT_GT(D(0x2870), 20.0);  // emergency bus on the battery
    At(112);
    EXPECT_EQ(U(0x092A, 2), 1u);  // right starter
    double n2 = N1(0x092E), itt = IttC(0x2138);
    EXPECT_GT(n2, 20);
    EXPECT_GT(itt, 200);
    At(118);
    EXPECT_GT(N1(0x092E), n2);
    EXPECT_GT(IttC(0x2138), itt);
    EXPECT_GT(N1(0x0930), 0);  // N1 following
    At(235);
    EXPECT_EQ(U(0x092A, 2) + U(0x0892, 2), 0u);  // both starters released
    EXPECT_GT(D(0x2890), D(0x2870));             // generators on line, above the battery
    EXPECT_GT(S(0x08D8, 4), 0);                  // hydraulics
    EXPECT_GE(D(0x3AF0), 1.0);
    EXPECT_GT(D(0x3B60) / 144, 49);              // oil pressure in lb/ft^2
}

TEST_F(FlightTest, TaxiTakeOffAndClimb)
{
    At(300);
    EXPECT_EQ(U(0x0BC8, 2), 0u);
    EXPECT_GT(S(0x02B4, 4) * 2.9661e-5, 10);  // taxiing
    EXPECT_NE(U(0x029C, 1), 0u);
    At(510);
    EXPECT_GT(N1(0x0898), 85);
    EXPECT_GT(N1(0x0930), 85);
    EXPECT_NE(U(0x0366, 2), 0u);
    EXPECT_NE(U(0x0BE8, 4), 0u);
    At(540);
    EXPECT_EQ(U(0x0366, 2), 0u);
    EXPECT_EQ(U(0x0BE8, 4), 0u);  // gear up after lift-off
    EXPECT_GT(S(0x02C8, 4), 0);   // climbing
    At(1000);
    EXPECT_GT(S(0x3324, 4), 10000);
    EXPECT_NE(D(0x2060), 0.0);
}

TEST_F(FlightTest, CruiseMovesTheMapAndBurnsFuel)
{
    At(1600);
    double lat = Lat(), lon = Lon();
    uint64_t fuel = U(0x0B7C, 4);
    uint16_t wind = static_cast<uint16_t>(U(0x0E92, 2));
    double sat = (D(0x28D0) - 32) * 0.5555555555555556;
    EXPECT_LT(sat, 0);   // cold at altitude
    At(2500);
    EXPECT_GT(Lat(), lat + 0.5);  // up the coast
    EXPECT_LT(Lon(), lon);
    EXPECT_LT(U(0x0B7C, 4), fuel);
    EXPECT_NE(U(0x0E92, 2), wind);
    EXPECT_NE(U(0x330C, 2) & 16, 0u);  // engine sync in cruise
    // GPS: a named next waypoint ahead, its distance in metres and a later arrival.
    char ident[7] = {};
    std::memcpy(ident, space->Bytes + 0x60A4, 6);
    EXPECT_GT(std::strlen(ident), 0u);
    EXPECT_GT(D(0x6048), 1000);
    long now = U(0x0238, 1) * 3600 + U(0x0239, 1) * 60 + U(0x023A, 1);
    EXPECT_EQ(now, (14 * 3600 + 5 * 60 + 2500) % 86400);
    EXPECT_GT(static_cast<long>(U(0x60E8, 4)), now);
    EXPECT_NE(U(0x132C, 4), 0u);  // navigation source on GPS
    At(3500);
    EXPECT_LT(S(0x02C8, 4), 0);   // descending
    EXPECT_LT(N1(0x0898), 60);
}

// Which targets are threats is seen on the display (TrafficDisplay.BuiltInFlight...); here
// only that a moving target's change byte moves, so the display re-reads it.
TEST_F(FlightTest, MovingTrafficMovesItsChangeByte)
{
    At(2300);
    uint64_t change = U(0xF008 + 3, 1);
    EXPECT_NE(change, 0u);
    At(2305);
    EXPECT_NE(U(0xF008 + 3, 1), change);
}

TEST_F(FlightTest, EveryOffsetTheDisplaysReadIsPublished)
{
    std::memset(space->Bytes, 0xA5, SimSpaceSize);
    At(600);
    auto published = [&](uint32_t offset, int size) {
        for (int i = 0; i < size; ++i)
            if (space->Bytes[offset + i] != 0xA5)
                return true;
        return false;
    };
#define ORVEX_CHECK_PUBLISHED(offset, type, name, ...) EXPECT_TRUE(published(offset, sizeof(type))) << #name;
    ORVEX_ACQUISITION_TABLE(ORVEX_CHECK_PUBLISHED)
#undef ORVEX_CHECK_PUBLISHED
    EXPECT_TRUE(published(GpsNextIdentOffset, 6));
    EXPECT_TRUE(published(0x132C, 4));
    EXPECT_TRUE(published(0xF008, 1));
}

TEST_F(FlightTest, SameSecondGivesTheSameBytes)
{
    At(1234.5);
    auto first = std::make_unique<SimOffsetSpace>(*space);
    SetUp();
    At(600);
    At(1234.5);
    EXPECT_EQ(std::memcmp(first->Bytes, space->Bytes, SimSpaceSize), 0);
}

TEST(FlightTimeline, ErrorsNameTheLine)
{
    SimTimeline t;
    std::string error;
    EXPECT_FALSE(SimParseTimeline("at 0\nBattery 1\nWarpDrive 3\n", &t, &error));
    EXPECT_EQ(error, "line 3: unknown word \"WarpDrive\"");
    EXPECT_FALSE(SimParseTimeline("at 1:xx\n", &t, &error));
    EXPECT_FALSE(SimParseTimeline("traffic 17 range 3\n", &t, &error));
    EXPECT_FALSE(SimParseTimeline("N1Left 50 60\n", &t, &error));
    // Positions off the globe would publish as nonsense 64-bit latitudes.
    EXPECT_FALSE(SimParseTimeline("start 31353.7556 -117.1896667\n", &t, &error));
    EXPECT_FALSE(SimParseTimeline("waypoint MZB 32.78 -190\n", &t, &error));
    EXPECT_TRUE(SimParseTimeline("# c\r\nat 1:00\r\nn1left 50 # on\r\nat 0\r\nN1Left 10\r\n", &t, &error)) << error;
    EXPECT_DOUBLE_EQ(SimChannelValue(t, ChanN1Left, 30), 30);  // ramps, keys sorted by time
    EXPECT_DOUBLE_EQ(SimChannelValue(t, ChanN1Left, 99), 50);
}

// orvex-sim from outside: --at and --freeze hold values (poked ones too), --rate moves.
TEST(SimProgram, FreezeHoldsAndRateMoves)
{
    UsePrivateRuntimeDir();
    std::string panel = ProgramPath("orvex-panel");
    BackgroundProcess sim = StartBackground(ProgramPath("orvex-sim") + " --at 1800 --freeze", "ready");
    ASSERT_GT(sim.pid, 0);
    std::string out;
    EXPECT_EQ(RunCommand(panel + " poke 0x3324 4 1234", &out), 0) << out;
    PlatformSleepMs(200);
    RunCommand(panel + " peek 0x3324 4", &out);
    EXPECT_EQ(out, "1234\n");
    StopBackground(sim);
    sim = StartBackground(ProgramPath("orvex-sim") + " --at 520 --rate 20", "ready");
    ASSERT_GT(sim.pid, 0);
    RunCommand(panel + " peek 0x3324 4", &out);
    long first = std::atol(out.c_str());
    PlatformSleepMs(500);
    RunCommand(panel + " peek 0x3324 4", &out);
    EXPECT_GT(std::atol(out.c_str()), first + 100);
    StopBackground(sim);
    sim = StartBackground(ProgramPath("orvex-sim") + " --flight /nonexistent.txt", "");
    PlatformSleepMs(300);
    int status = StopBackground(sim);
    EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    // A device in a file's place is refused at once, not read until memory runs out.
    for (const char* option : {" --flight /dev/zero", " --route /dev/zero"}) {
        EXPECT_NE(RunCommand("timeout 10 " + ProgramPath("orvex-sim") + option + " 2>&1", &out), 0) << option;
        EXPECT_NE(out.find("not a regular file"), std::string::npos) << out;
    }
}

}  // namespace

TEST(FlightTraffic, TargetPlacedByHandFollowsTheFlightsOwnTargets)
{
    SimTimeline t;
    std::string error;
    ASSERT_TRUE(SimParseTimeline(SimBuiltinFlightText(), &t, &error)) << error;
    ASSERT_TRUE(SimPlaceTraffic("0,3,500,-800", &t, &error)) << error;
    SimFlightStart(t);
    SimFlightAdvanceTo(100);
    auto space = std::make_unique<SimOffsetSpace>();
    SimFlightPublish(*space);
    int slot = 0;
    while (slot < 95 && SimGet(*space, 0xF008 + slot, 1) != 0)
        ++slot;
    ASSERT_GE(slot, 1);
    const uint32_t entry = 0xF080 + 40 * (slot - 1);
    const double lat = static_cast<int64_t>(SimGet(*space, 0x0560, 8)) * 2.0951091487837895e-15;
    EXPECT_NEAR(SimGetFloat(*space, entry + 4), lat + 3.0 / 60, 1e-4);
    EXPECT_NEAR(SimGetFloat(*space, entry + 12), static_cast<double>(SimGet(*space, 0x3324, 4)) + 500, 1);
    EXPECT_EQ(static_cast<int16_t>(SimGet(*space, entry + 20, 2)), -800);

    for (const char* bad : {"1,2,3", "1,2,3,x", "1,2,3,4,5", ""})
        EXPECT_FALSE(SimPlaceTraffic(bad, &t, &error)) << bad;
    while (SimPlaceTraffic("0,3,0,0", &t, &error)) {
    }
    EXPECT_NE(error.find("slots are taken"), std::string::npos) << error;
}

// The route a unit publishes in accfg.ini is the route --route flies: the unit's own writer
// feeds the stand-in's reader.
TEST(FlightRoute, ActivePlanOfTheUnitsConfigBecomesTheGpsRoute)
{
    FlightPlanReset();
    const struct { const char* ident; float lat, lon; } legs[] = {
        {"KSEA", 47.449833f, -122.309334f}, {"SEA", 47.4355f, -122.3095f}, {"PDXWAYPT", -45.5883f, 122.5967f}};
    for (const auto& l : legs) {
        PlanLeg& leg = FlightPlan.legs[FlightPlan.legCount++];
        std::snprintf(leg.ident, sizeof leg.ident, "%s", l.ident);
        leg.latitude = l.lat;
        leg.longitude = l.lon;
    }
    SimTimeline t;
    std::string error;
    ASSERT_TRUE(SimParseTimeline(SimBuiltinFlightText(), &t, &error)) << error;
    std::string config;
    for (char c : FormatAircraftConfig(AircraftConfig))
        config += c == '\n' ? std::string("\r\n") : std::string(1, c);   // as copied from a Windows cockpit
    ASSERT_TRUE(SimLoadRoute(config, &t, &error)) << error;
    ASSERT_EQ(t.WaypointCount, 3);
    EXPECT_STREQ(t.Waypoints[0].ident, "KSEA");
    EXPECT_STREQ(t.Waypoints[2].ident, "PDXWAY");   // the GPS field holds six characters
    EXPECT_NEAR(t.Waypoints[2].lat, -45.5883, 1e-5);
    EXPECT_NEAR(t.Waypoints[2].lon, 122.5967, 1e-5);

    FlightPlanReset();
    EXPECT_FALSE(SimLoadRoute(FormatAircraftConfig(AircraftConfig), &t, &error));   // no plan loaded
    EXPECT_EQ(t.WaypointCount, 3);   // a refused route changes nothing
    EXPECT_FALSE(SimLoadRoute("[ACTIVE_PLAN]\n2,95.0,10.0,BAD\n", &t, &error));
    EXPECT_EQ(error, "line 2 of [ACTIVE_PLAN] is not LEGS,LAT,LON,IDENT");
    EXPECT_FALSE(SimLoadRoute("[V1]\n100\n", &t, &error));
}
