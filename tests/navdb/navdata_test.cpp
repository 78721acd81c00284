// orvex-navdata run from outside on small published-format files: station folding, ILS
// names, runway lengths, both format generations, gzip input, the region filter, and that
// a damaged input never replaces a good output file. The display's own parsers read the
// results back.
#include "navdb/navdb.h"
#include "support/support.h"

#include <gtest/gtest.h>
#include <string>

namespace {

const char* Nav810 =
    "I\n810 Version - data cycle 2013.10, test\n\n"
    "2  32.70000000 -117.20000000      0   300  50    0.0 NZY  NORTH ISLAND NDB\n"
    "3  32.78219444 -117.22541667     12 11780 130   15.0 MZB  MISSION BAY VORTAC\n"
    "3  33.00000000 -117.00000000     12 11500 130   15.0 VVV  PLAIN VOR\n"
    "4  32.72978900 -117.17411400     17 11155  18     106.076 ISAN KSAN 09  ILS-cat-I\n"
    "6  32.73617200 -117.19722800    -20 11155  10  322106.076 ISAN KSAN 09  GS\n"
    "12  32.72924400 -117.17502800     29 11155  18       0.000 ISAN KSAN 09  DME-ILS\n"
    "12  32.78220278 -117.22541389     12 11780 130    0.0 MZB  MISSION BAY VORTAC\n"
    "13  40.00000000  010.00000000     12 11780 130    0.0 FAR  FAR AWAY DME\n"
    "2  bad line\n"
    "99\n";

const char* Nav1100 =
    "I\n1100 Version - data cycle 1801, test\n\n"
    "3  32.78219444 -117.22541667     12 11780 130   15.0 MZB  ENRT K2 MISSION BAY VORTAC\n"
    "12  32.78220278 -117.22541389     12 11780 130    0.0 MZB  ENRT K2 MISSION BAY VORTAC DME\n"
    "4  32.72978900 -117.17411400     17 11155  18     106.076 ISAN KSAN K2 09 ILS-cat-I\n"
    "99\n";

const char* Fix1200 = "I\n1200 Version - test\n\n 32.500000 -117.500000 ABCD ENRT K2 4530240\n 32.600000 -117.600000 LUCKI ENRT K2 0\n99\n";

const char* Apt1000 =
    "I\n1000 Version - data cycle 2013.10, test\n\n"
    "1       17 1 0 KSAN San Diego Intl\n"
    "100   60.96   1   1 0.00 1 3 0 09   32.73711700 -117.20435000  213.06   81.99 3  8 1 1 27   32.72999400 "
    "-117.17496700  551.99    0.00 3 10 1 1\n"
    "102 H1   32.72684944 -117.18043351  23.92   25.91   24.08   2 0   0 0.00 1\n"
    "17      10 0 0 HELI Some Heliport\n"
    "102 H1   32.80000000 -117.10000000  0 10 10 1 0 0 0 0\n"
    "1       20 0 0 KTNY Tiny Field | with bar\n"
    "1302 datum_lat 32.900000\n1302 datum_lon -117.000000\n"
    "100   20 1 0 0.25 0 0 0 18   32.89000000 -117.00000000 0 0 1 0 0 0 36   32.90000000 -117.00000000 0 0 1 0 0 0\n"
    "99\n";

std::string Convert(const std::string& args, std::string* output = nullptr)
{
    std::string out;
    int rc = RunCommand(ProgramPath("orvex-navdata") + " -q " + args, &out);
    if (output)
        *output = out;
    return std::to_string(rc);
}

std::vector<NavRecord> ReadNavaids(const std::string& path)
{
    std::string text = ReadFile(path);
    std::vector<NavRecord> out;
    ParseNavaidLines(text.data(), text.size(), out);
    return out;
}

} // namespace

TEST(NavdataConverter, FoldsVorDmeKeepsIlsMarkAndReports)
{
    const std::string dir = MakeScratchDir("navdata-nav");
    WriteFile(dir + "/nav.dat", Nav810);
    std::string out;
    ASSERT_EQ(Convert("--nav " + dir + "/nav.dat -o " + dir + "/data", &out), "0") << out;
    EXPECT_NE(out.find("1 lines skipped"), std::string::npos) << out;
    EXPECT_NE(out.find("(1 DME rows folded in)"), std::string::npos) << out;

    const std::string text = ReadFile(dir + "/data/navaids.txt");
    EXPECT_NE(text.find("MZB|MISSION BAY VORTAC|11780|1|1|130|32782194|-117225417|12|3\n"), std::string::npos) << text;
    EXPECT_NE(text.find("ISAN|ILS/KSAN 09 ILS-cat-I|"), std::string::npos) << text;
    // What the display keeps: the NDB, the VOR, the VOR-DME; ILS and lone DMEs recognised and dropped.
    auto table = ReadNavaids(dir + "/data/navaids.txt");
    ASSERT_EQ(table.size(), 3u);
    EXPECT_STREQ(table[0].Ident, "NZY");
    EXPECT_EQ(table[0].Kind, Ndb);
    EXPECT_EQ(table[0].Table, 1u);
    EXPECT_EQ(table[1].Kind, VorDme);
    EXPECT_EQ(table[2].Kind, Vor);
    EXPECT_NEAR(table[1].Lat, 32.782194, 1e-5);

    // The 1100 layout (terminal area and region columns) gives the same station.
    WriteFile(dir + "/nav1100.dat", Nav1100);
    ASSERT_EQ(Convert("--nav " + dir + "/nav1100.dat -o " + dir + "/d1100"), "0");
    table = ReadNavaids(dir + "/d1100/navaids.txt");
    ASSERT_EQ(table.size(), 1u);
    EXPECT_STREQ(table[0].Name, "MISSION BAY VORTAC");
    EXPECT_EQ(table[0].Kind, VorDme);
    EXPECT_NE(ReadFile(dir + "/d1100/navaids.txt").find("ILS/KSAN 09 ILS-cat-I"), std::string::npos);
}

TEST(NavdataConverter, AirportsWithRunwayLengthsFixesAndRegion)
{
    const std::string dir = MakeScratchDir("navdata-apt");
    WriteFile(dir + "/apt.dat", Apt1000);
    WriteFile(dir + "/fix.dat", Fix1200);
    ASSERT_EQ(RunCommand("gzip -f " + dir + "/apt.dat"), 0);
    std::string out;
    ASSERT_EQ(Convert("--apt " + dir + "/apt.dat.gz --fix " + dir + "/fix.dat -o " + dir + "/data", &out), "0") << out;
    const std::string airports = ReadFile(dir + "/data/Airports.txt");
    // Position from the runway ends (mean) or the published datum; length from the ends.
    EXPECT_EQ(airports, "A|KSAN|San Diego Intl|32733555|-117189659\nR|09|27|9378\n"
                        "A|KTNY|Tiny Field / with bar|32900000|-117000000\nR|18|36|3646\n");
    std::vector<NavRecord> table;
    ParseAirportLines(airports.data(), airports.size(), 5000, table);
    ASSERT_EQ(table.size(), 2u);
    EXPECT_TRUE(table[0].LongRunway);
    EXPECT_FALSE(table[1].LongRunway);
    EXPECT_EQ(ReadFile(dir + "/data/waypoints.txt"), "ABCD|32500000|-117500000|K2\nLUCKI|32600000|-117600000|K2\n");

    // Only what lies within 10 NM of San Diego.
    ASSERT_EQ(Convert("--apt " + dir + "/apt.dat.gz -o " + dir + "/near --centre 32.73,-117.19 --radius 10", &out), "0");
    EXPECT_EQ(ReadFile(dir + "/near/Airports.txt"), "A|KSAN|San Diego Intl|32733555|-117189659\nR|09|27|9378\n");
    EXPECT_NE(out.find("1 outside the region"), std::string::npos) << out;
}

TEST(NavdataConverter, DamagedInputLeavesTheOldFile)
{
    const std::string dir = MakeScratchDir("navdata-damaged");
    std::string big = "I\n810 Version - test\n";
    for (int i = 0; i < 20000; ++i)
        big += "2  32.70000000 -117.20000000      0   300  50    0.0 N" + std::to_string(i % 1000) + "  SOME NDB\n";
    WriteFile(dir + "/nav.dat", big);
    ASSERT_EQ(RunCommand("gzip -f " + dir + "/nav.dat && head -c 20000 " + dir + "/nav.dat.gz > " + dir + "/cut.dat.gz"), 0);
    ASSERT_EQ(RunCommand("mkdir -p " + dir + "/data"), 0);
    WriteFile(dir + "/data/navaids.txt", "OLD|KEEP ME|0|1|0|0|1|1|0|3\n");
    std::string out;
    EXPECT_EQ(Convert("--nav " + dir + "/cut.dat.gz -o " + dir + "/data", &out), "1") << out;
    EXPECT_EQ(ReadFile(dir + "/data/navaids.txt"), "OLD|KEEP ME|0|1|0|0|1|1|0|3\n");
    EXPECT_NE(out.find("damaged or cut short"), std::string::npos) << out;
    // Not a navigation data file at all, and a missing file.
    WriteFile(dir + "/junk.dat", "hello\nworld\n");
    EXPECT_EQ(Convert("--nav " + dir + "/junk.dat -o " + dir + "/data"), "1");
    EXPECT_EQ(Convert("--nav " + dir + "/missing.dat -o " + dir + "/data"), "1");
    EXPECT_EQ(ReadFile(dir + "/data/navaids.txt"), "OLD|KEEP ME|0|1|0|0|1|1|0|3\n");
}

namespace {

// A plain nav.dat of `rows` NDB rows and its closing line.
std::string PlainNav(int rows)
{
    std::string text = "I\n810 Version - test\n";
    for (int i = 0; i < rows; ++i)
        text += "2  32.70000000 -117.20000000      0   300  50    0.0 N" + std::to_string(i % 1000) + "  SOME NDB\n";
    return text + "99\n";
}

}  // namespace

TEST(NavdataConverter, CutOrGarbledPlainInputIsRefusedUnlessAskedFor)
{
    const std::string dir = MakeScratchDir("navdata-refused");
    ASSERT_EQ(RunCommand("mkdir -p " + dir + "/data"), 0);
    const std::string old = "OLD|KEEP ME|0|1|0|0|1|1|0|3\n";
    WriteFile(dir + "/data/navaids.txt", old);
    std::string whole = PlainNav(3000);
    // Half the file: it ends in the middle of a row, without its "99" line.
    WriteFile(dir + "/half.dat", whole.substr(0, whole.size() / 2));
    std::string out;
    EXPECT_EQ(Convert("--nav " + dir + "/half.dat -o " + dir + "/data", &out), "1") << out;
    EXPECT_NE(out.find("ends at line 1503 without the closing \"99\" line"), std::string::npos) << out;
    EXPECT_EQ(ReadFile(dir + "/data/navaids.txt"), old);
    // Garbage after a valid header names the first line that is not a row.
    std::string garbage = "I\n810 Version - test\n";
    for (int i = 0; i < 100; ++i)
        garbage += "\x7f\x45LF garbage " + std::to_string(i) + "\n";
    WriteFile(dir + "/garbage.dat", garbage + "99\n");
    EXPECT_EQ(Convert("--nav " + dir + "/garbage.dat -o " + dir + "/data", &out), "1") << out;
    EXPECT_NE(out.find("line 3 is not a nav.dat row"), std::string::npos) << out;
    EXPECT_EQ(ReadFile(dir + "/data/navaids.txt"), old);
    // A whole file whose rows give no entry at all does not empty a good output either.
    WriteFile(dir + "/empty.dat", PlainNav(0));
    EXPECT_EQ(Convert("--nav " + dir + "/empty.dat -o " + dir + "/data", &out), "1") << out;
    EXPECT_EQ(ReadFile(dir + "/data/navaids.txt"), old);
    // Asked for, the cut file is converted as far as it goes.
    EXPECT_EQ(Convert("--allow-partial --nav " + dir + "/half.dat -o " + dir + "/data", &out), "0") << out;
    EXPECT_EQ(ReadLines(dir + "/data/navaids.txt").size(), 1500u);
    // And the whole file converts with every row.
    WriteFile(dir + "/whole.dat", whole);
    EXPECT_EQ(Convert("--nav " + dir + "/whole.dat -o " + dir + "/data", &out), "0") << out;
    EXPECT_EQ(ReadLines(dir + "/data/navaids.txt").size(), 3000u);
}
