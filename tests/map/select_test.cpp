// Selection of nearby entries and the nearest-first cuts, without drawing.
#include "map/geodesy.h"
#include "map/map.h"
#include "shell/shell.h"
#include "simlink/aircraft.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

namespace {
NavRecord Entry(const char* ident, float lat, float lon, uint32_t table = 1, uint32_t kind = Ndb)
{
    NavRecord r;
    std::memset(&r, 0, sizeof r);
    std::memcpy(r.Ident, ident, std::min<size_t>(std::strlen(ident), 4));
    r.Lat = lat, r.Lon = lon, r.Table = table, r.Kind = kind;
    return r;
}

class Selection : public ::testing::Test {
protected:
    void SetUp() override
    {
        ShellReset();
        AircraftReset();
        MapReset();
        NavDatabaseReset();
        Aircraft.Latitude = 0;
        Aircraft.Longitude = 0;
        Shell.MapRangeIndex = 0;  // 5 NM
    }
};
} // namespace

TEST_F(Selection, EntryExactlyAtRangeIsInAndJustBeyondIsOut)
{
    auto& table = NavDatabase.NavaidTable;
    table = {Entry("AT", 0, 5.0f / 60), Entry("OUT", 0, 5.01f / 60), Entry("IN", 0, -1.0f / 60)};
    table[1].Angle = 42;
    Aircraft.MagVar = 350;  // 10 degrees west
    SelectNearby(table);
    EXPECT_EQ(Map.NearNavaids, (std::vector<int>{0, 2}));
    EXPECT_FLOAT_EQ(table[0].DistanceNm, 5.0f);
    EXPECT_NEAR(table[0].Angle, 270 + 350, 1e-3);  // stored unwrapped, as a sum
    EXPECT_NEAR(table[2].Angle, 90 + 350, 1e-3);
    EXPECT_FLOAT_EQ(table[1].Angle, 42);  // beyond range: the old angle stays
    EXPECT_GT(table[1].DistanceNm, 5.0f);
}

TEST_F(Selection, ListFollowsTheTableAndEmptyTablesEmptyTheirOwnList)
{
    NavDatabase.AirportTable = {Entry("KAAA", 0, 0.01f, 0), Entry("KBBB", 0, 0, 0)};
    SelectNearby(NavDatabase.AirportTable);
    EXPECT_EQ(Map.NearAirports, (std::vector<int>{0, 1}));
    EXPECT_TRUE(Map.NearNavaids.empty());
    // On the aircraft's own position the angle is just the variation.
    EXPECT_FLOAT_EQ(NavDatabase.AirportTable[1].Angle, 0.0f);

    Map.NearNavaids = {7};
    SelectNearby(NavDatabase.NavaidTable);
    EXPECT_TRUE(Map.NearNavaids.empty());
    EXPECT_EQ(Map.NearAirports.size(), 2u);
}

// The 20-entry cut and the 4 + 4 symbol split are checked on the drawn page; here what the
// page cannot show: a plan's point is left to the route, stale indices are passed over.
TEST_F(Selection, PlanPointsGetTheRouteSymbolAndStaleIndicesAreSkipped)
{
    std::vector<NavRecord> table = {Entry("A", 0, 0, 1, Vor), Entry("B", 0, 0, 1, Ndb)};
    std::vector<NavRecord> drawn;
    MapBuildDrawnList({0, 1}, table, MapMaxDrawnNavaids, drawn);
    ASSERT_EQ(drawn.size(), 2u);
    drawn[0].InPlan = true;
    unsigned symbols[MapMaxDrawnNavaids];
    MapPickNavaidSymbols(drawn, symbols);
    EXPECT_EQ(symbols[0], unsigned(Ils));
    EXPECT_EQ(symbols[1], unsigned(Ndb));
    // A table reloaded shorter.
    MapBuildDrawnList({1, 99, -1}, table, 8, drawn);
    EXPECT_EQ(drawn.size(), 1u);
}

// The selection works from sines and cosines prepared per load; it must agree with the
// geodesic functions the rest of the map uses.
TEST_F(Selection, PreparedTrigonometryMatchesTheGeodesicFunctions)
{
    Aircraft.Latitude = 32.7335556;
    Aircraft.Longitude = -117.1896667;
    Aircraft.MagVar = 347;
    Shell.MapRangeIndex = 8;
    auto& table = NavDatabase.AirportTable;
    for (int i = 0; i < 400; ++i)
        table.push_back(Entry("K", static_cast<float>(32.7335556 + (i % 20 - 10) * 0.9),
                              static_cast<float>(-117.1896667 + (i / 20 - 10) * 1.1), 0));
    SelectNearby(table);
    ASSERT_GT(Map.NearAirports.size(), 100u);
    for (const NavRecord& r : table) {
        const double d = GreatCircleDistanceNm(Aircraft.Latitude, Aircraft.Longitude, r.Lat, r.Lon);
        EXPECT_NEAR(r.DistanceNm, d, 1e-3 + d * 1e-6);
    }
    for (int index : Map.NearAirports) {
        const NavRecord& r = table[static_cast<size_t>(index)];
        const double course = InitialBearingDeg(Aircraft.Latitude, Aircraft.Longitude, r.Lat, r.Lon, r.DistanceNm);
        // On the own meridian the two may pick either side of north: 0.0001 or 359.999.
        const double diff = std::fmod(std::fabs(r.Angle - 347 - course), 360.0);
        EXPECT_LT(std::min(diff, 360 - diff), 1e-3) << r.Lat << " " << r.Lon;
    }
    // A reload invalidates what was prepared: moved entries are measured where they are now.
    table[0].Lat = static_cast<float>(Aircraft.Latitude);
    table[0].Lon = static_cast<float>(Aircraft.Longitude);
    ++NavDatabase.LoadGeneration;
    SelectNearby(table);
    EXPECT_LT(table[0].DistanceNm, 0.01f);
}

TEST(HeadingMarker, ArrowsBeyondSixtyFiveDegreesAcrossNorth)
{
    auto raw = [](double degrees) { return static_cast<int>(degrees * 65536.0 / 360.0 + 0.5); };
    int selected = 0;
    EXPECT_EQ(HeadingMarkerSide(raw(10), 350.0f, &selected), 0);  // 20 right, across north
    EXPECT_EQ(selected, 10);
    EXPECT_EQ(HeadingMarkerSide(raw(130), 30.0f, &selected), 1);  // 100 right: right arrow only
    EXPECT_EQ(HeadingMarkerSide(raw(95), 30.0f, &selected), 0);   // exactly 65 right: on the arc
    EXPECT_EQ(HeadingMarkerSide(raw(300), 10.0f, &selected), -1); // 70 left, across north
    EXPECT_EQ(HeadingMarkerSide(raw(0), 0.0f, &selected), 0);
}
