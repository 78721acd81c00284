// Navigation database: field rules, the airport marker scan, the runway-length marking,
// the error log and reloading without duplicates. Classification (VOR, VOR-DME, NDB kept;
// ILS and lone DME dropped) is read back from orvex-navdata's output in navdata_test.
#include "menu/aircraft_config.h"
#include "navdb/navdb.h"
#include "support/support.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace {

std::vector<NavRecord> Navaids(const std::string& text, long* refused = nullptr)
{
    std::vector<NavRecord> out;
    long r = ParseNavaidLines(text.data(), text.size(), out);
    if (refused)
        *refused = r;
    return out;
}

std::vector<NavRecord> Airports(const std::string& text, int minRunway = 5000)
{
    std::vector<NavRecord> out;
    ParseAirportLines(text.data(), text.size(), minRunway, out);
    return out;
}

// Runs a test inside a scratch installation folder and returns to where it was.
class NavDbFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        previous_ = std::filesystem::current_path();
        dir_ = MakeScratchDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_ + "/data");
        std::filesystem::current_path(dir_);
        NavDatabaseReset();
        AircraftConfigReset();
        AircraftConfig.MIN_RUNWAY_LENGTH = 5000;
    }
    void TearDown() override { std::filesystem::current_path(previous_); }
    std::filesystem::path previous_;
    std::string dir_;
};

} // namespace

TEST(NavaidParser, FieldRulesForLongShortDoubledAndWindowsLines)
{
    long refused = 0;
    // Two records on one line; a Windows line end; a decimal position; text as a number.
    auto t = Navaids("AB|N1|x|1|0|x|45500000.5|abc|x|x|CD|N2|x|0|0|x|1e6|-2000000|x|x\r\n", &refused);
    ASSERT_EQ(t.size(), 2u);
    EXPECT_FLOAT_EQ(t[0].Lat, 45.5f);
    EXPECT_FLOAT_EQ(t[0].Lon, 0.0f);
    EXPECT_FLOAT_EQ(t[1].Lat, 1.0f);
    EXPECT_FLOAT_EQ(t[1].Lon, -2.0f);
    EXPECT_EQ(refused, 0);

    // A five-letter identifier is refused, a long name is cut to 22 characters but its
    // ILS mark is still seen, a short line is refused rather than put at 0/0.
    t = Navaids("ABCDE|LONG IDENT|x|1|0|x|1|1|x|x\n"
                "IXYZ|RUNWAY 27 LOCALIZER ILS/DME|x|0|0|x|1|1|x|x\n"
                "NDB|A VERY LONG NAME OF A BEACON FAR AWAY|x|0|0|x|1|1|x|x\n"
                "SHRT|HALF|x|1|0\n"
                "\n",
                &refused);
    ASSERT_EQ(t.size(), 1u);
    EXPECT_STREQ(t[0].Name, "A VERY LONG NAME OF A ");
    EXPECT_EQ(std::strlen(t[0].Name), 22u);
    EXPECT_EQ(refused, 2);
}

TEST(WaypointParser, StoresEveryCompleteEntry)
{
    std::vector<NavRecord> out;
    const std::string text = "ABCD|32000000|-117000000|x\nEFG|1000000|2000000|x|HIJ|3000000|4000000|x|\nKL|5\n";
    const long refused = ParseWaypointLines(text.data(), text.size(), out);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_STREQ(out[2].Ident, "HIJ");
    EXPECT_FLOAT_EQ(out[2].Lon, 4.0f);
    EXPECT_EQ(out[0].Table, 0u);
    EXPECT_EQ(out[0].Kind, 0u);
    EXPECT_EQ(refused, 1);
}

TEST(AirportParser, ScanRulesAndOrphanRunways)
{
    // A runway before any airport marks nothing; fields between records without a marker
    // are passed over; "A" wins over "R" in one field; a refused airport's runways do not
    // mark the airport before it; a minimum of 0 (first run) marks any runway line.
    auto t = Airports("R|x|x|9000\n"
                      "junk|A|KDDD|name|1000000|2000000|more|RA|KEEE|n|3000000|4000000\n"
                      "A|KFFF|name|5000000|6000000\n"
                      "A|TOOLONG|name|7000000|8000000\nR|x|x|9000\n");
    ASSERT_EQ(t.size(), 3u);
    EXPECT_STREQ(t[0].Ident, "KDDD");
    EXPECT_STREQ(t[1].Ident, "KEEE");
    EXPECT_FLOAT_EQ(t[1].Lon, 4.0f);
    EXPECT_FALSE(t[0].LongRunway);
    EXPECT_FALSE(t[2].LongRunway);

    t = Airports("A|KGGG|n|1|1\nR|x|x|0\n", 0);
    ASSERT_EQ(t.size(), 1u);
    EXPECT_TRUE(t[0].LongRunway);
    // Exactly the minimum counts (shorter ones are checked on the drawn map).
    EXPECT_TRUE(Airports("A|KCCC|THIRD|34000000|-119000000\nR|09|27|5000\n").at(0).LongRunway);
}

TEST_F(NavDbFiles, DoubleLoadKeepsOneEntryPerLine)
{
    WriteFile("data/navaids.txt", "MZB|MISSION BAY|x|1|1|x|32782083|-117225417|x|x\nNZY|NORTH ISLAND|x|0|0|x|32700000|-117200000|x|x\n");
    WriteFile("data/waypoints.txt", "ABC|1|2|x\n");
    WriteFile("data/Airports.txt", "A|KSAN|SAN DIEGO|32733556|-117189667\nR|09|27|9401\n");
    for (int load = 0; load < 2; ++load) {
        LoadNavaids();
        LoadWaypoints();
        LoadAirports();
    }
    EXPECT_EQ(NavDatabase.NavaidTable.size(), 2u);
    EXPECT_EQ(NavDatabase.WaypointTable.size(), 1u);
    ASSERT_EQ(NavDatabase.AirportTable.size(), 1u);
    EXPECT_TRUE(NavDatabase.AirportTable[0].LongRunway);
    EXPECT_FALSE(FileExists("error.log"));
}

TEST_F(NavDbFiles, MissingFilesAreLoggedOncePerLoadAndKeepOrEmptyTables)
{
    WriteFile("data/navaids.txt", "MZB|MISSION BAY|x|1|1|x|32782083|-117225417|x|x\n");
    WriteFile("data/waypoints.txt", "ABC|1|2|x\n");
    WriteFile("data/Airports.txt", "A|KSAN|SAN DIEGO|32733556|-117189667\n");
    LoadNavaids();
    LoadWaypoints();
    LoadAirports();
    std::filesystem::remove_all("data");
    LoadNavaids();
    LoadWaypoints();
    LoadAirports();
    LoadAirports();
    // Navaids and airports keep what they held; waypoints are emptied before the open.
    EXPECT_EQ(NavDatabase.NavaidTable.size(), 1u);
    EXPECT_EQ(NavDatabase.WaypointTable.size(), 0u);
    EXPECT_EQ(NavDatabase.AirportTable.size(), 1u);
    EXPECT_EQ(ReadFile("error.log"), "ERROR - Could not open waypoint database, none found?\n"
                                     "ERROR - Could not open waypoint database, none found?\n"
                                     "ERROR - Could not open airport database, none found?\n"
                                     "ERROR - Could not open airport database, none found?\n");
}
