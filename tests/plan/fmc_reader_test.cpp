// The FMC reader: the leg list read by position after its declared count, the airport
// section skipped by length, the count's odd values, a title line too long for the
// format, and an exported route file (tests/data/plans/ksea-kpdx.fmc).
#include "plan/plan.h"

#include <gtest/gtest.h>
#include <string>

namespace {

constexpr double Tolerance = 1e-4;

void Read(const std::string& text)
{
    ReadFmcText(text.data(), text.size());
}

// One eight-line block: ident, type, altitude, latitude, longitude, airway, speed, end.
std::string Block(int i, const std::string& ident, const std::string& latitude, const std::string& longitude)
{
    std::string n = "Leg" + std::to_string(i);
    return n + "Ident=" + ident + "\n" + n + "Type=A\n" + n + "Altitude=0\n" + n + "Latitude=" + latitude + "\n" +
           n + "Longitude=" + longitude + "\n" + n + "Airway=\n" + n + "Speed=250\n" + n + "End=1\n";
}

std::string Airports()
{
    std::string s = "[AIRPORTS]\n";
    for (int i = 0; i < 11; ++i)
        s += "Line" + std::to_string(i) + "=x\n";
    return s;
}

const char* Titles = "Exported route\nsecond title line\n";

void ExpectLeg(int i, const char* ident, double latitude, double longitude)
{
    SCOPED_TRACE(testing::Message() << "leg " << i);
    ASSERT_LT(i, FlightPlan.legCount);
    EXPECT_STREQ(FlightPlan.legs[i].ident, ident);
    EXPECT_EQ(FlightPlan.legs[i].type, 0);   // FMC legs never carry a type letter
    EXPECT_NEAR(FlightPlan.legs[i].latitude, latitude, Tolerance);
    EXPECT_NEAR(FlightPlan.legs[i].longitude, longitude, Tolerance);
}

class FmcReaderTest : public testing::Test {
protected:
    void SetUp() override { FlightPlanReset(); }
};

TEST_F(FmcReaderTest, ThreeDeclaredLegsAndTheSameAgain)
{
    std::string plan = std::string(Titles) + "[VERSION]\nVersion=1\n" + Airports() + "[LEGLIST]\n" +
                       Block(0, "KSEA", "47.449889", "-122.311778") + Block(1, "SEA", "47.4355", "-122.309667") +
                       Block(2, "KPDX", "45.588667", "-122.5975") + "LegCount=3\n[ROUTE]\nRoute=KSEA SEA KPDX\n";
    for (int load = 0; load < 2; ++load) {
        SCOPED_TRACE(load);
        Read(plan);
        ASSERT_EQ(FlightPlan.legCount, 3);
        ExpectLeg(0, "KSEA", 47.449889, -122.311778);
        ExpectLeg(1, "SEA", 47.4355, -122.309667);
        ExpectLeg(2, "KPDX", 45.588667, -122.5975);
        EXPECT_EQ(FlightPlan.legs[3].ident[0], '\0');
    }
}

// The blocks start right after the header: a count written there is read as the first
// block's identifier line and shifts the block by one line.
TEST_F(FmcReaderTest, CountRightAfterHeaderIsPartOfTheFirstBlock)
{
    Read(std::string(Titles) + "[LEGLIST]\nLegCount=1\nLeg0Ident=KSEA\nx=0\nx=47.5\nx=-122.5\nx=1\nx=2\nx=3\n");
    ASSERT_EQ(FlightPlan.legCount, 1);
    ExpectLeg(0, "1", 47.5, -122.5);
}

TEST_F(FmcReaderTest, DeclaredCountsOutsideThePlan)
{
    std::string blocks;
    for (int i = 0; i < 53; ++i)
        blocks += Block(i, "P" + std::to_string(i), std::to_string(i), "1.5");
    Read(std::string(Titles) + "[LEGLIST]\n" + blocks + "LegCount=53\n");
    EXPECT_EQ(FlightPlan.legCount, 50);
    EXPECT_EQ(FlightPlan.droppedLegs, 3);
    ExpectLeg(49, "P49", 49.0, 1.5);

    // Counted from what the file holds, not from what it claims.
    Read(std::string(Titles) + "[LEGLIST]\n" + Block(0, "A", "1", "2") + Block(1, "B", "3", "4") + "x=1\nLegCount=99999999999\n");
    EXPECT_EQ(FlightPlan.legCount, 2);
    EXPECT_EQ(FlightPlan.droppedLegs, 0);
    ExpectLeg(1, "B", 3.0, 4.0);

    for (const char* count : {"0", "-3", "many"}) {
        SCOPED_TRACE(count);
        Read(std::string(Titles) + "[LEGLIST]\n" + Block(0, "A", "1", "2") + "LegCount=" + count + "\n");
        EXPECT_EQ(FlightPlan.legCount, 0);
    }
}

// A block cut off by the end of the file, a block without a latitude, an identifier written
// with blanks and Windows line ends.
TEST_F(FmcReaderTest, IncompleteBlocksAndWindowsHabits)
{
    std::string plan = "\xEF\xBB\xBFtitle\r\ntitle\r\n[LEGLIST]\r\n"
                       "Leg0Ident = KSEA \r\nx\r\nx\r\nLeg0Latitude=47.25\r\nLeg0Longitude=-122.25\r\nx\r\nx\r\nx\r\n"
                       "Leg1Ident=NOLAT\r\nx\r\nx\r\nLeg1Latitude=\r\nLeg1Longitude=-122\r\nx\r\nx\r\nx\r\n"
                       "Leg2Ident=CUT\r\nx\r\nx\r\nLeg2Latitude=1\r\nLeg2Longitude=2\r\nLegCount=3\r\n";
    Read(plan);
    ASSERT_EQ(FlightPlan.legCount, 1);
    ExpectLeg(0, "KSEA", 47.25, -122.25);
}

TEST_F(FmcReaderTest, FilesWithoutLegs)
{
    std::string legs = "[LEGLIST]\n" + Block(0, "A", "1", "2") + "LegCount=1\n";
    Read("");
    EXPECT_EQ(FlightPlan.legCount, 0);
    Read(std::string(Titles) + "[ROUTE]\nRoute=KSEA KPDX\n");
    EXPECT_EQ(FlightPlan.legCount, 0);
    // A title line of 255 characters or more: nothing of the file is read.
    Read(std::string(255, 'T') + "\nsecond\n" + legs);
    EXPECT_EQ(FlightPlan.legCount, 0);
    Read(std::string(254, 'T') + "\nsecond\n" + legs);
    EXPECT_EQ(FlightPlan.legCount, 1);
    // The airport section always has eleven lines: a shorter one swallows the header, and a
    // header on its eleventh line is airport data, not a section.
    Read(std::string(Titles) + "[AIRPORTS]\nDeparture=KSEA\n" + legs);
    EXPECT_EQ(FlightPlan.legCount, 0);
    std::string ten = Airports();
    ten.erase(ten.rfind("Line10"));
    Read(std::string(Titles) + ten + legs);
    EXPECT_EQ(FlightPlan.legCount, 0);
    ReadFmcPlan("/nonexistent/KSEAFMC.PLN");
    EXPECT_EQ(FlightPlan.legCount, 0);
}

TEST_F(FmcReaderTest, ExportedRouteFile)
{
    ReadFmcPlan((std::string(ORVEX_SOURCE_DIR) + "/tests/data/plans/ksea-kpdx.fmc").c_str());
    ASSERT_EQ(FlightPlan.legCount, 5);
    ExpectLeg(0, "KSEA", 47.449889, -122.311778);
    ExpectLeg(2, "OLM", 46.971333, -122.902167);
    ExpectLeg(4, "KPDX", 45.588667, -122.597500);
}

} // namespace
