// The PLN readers: XML plans and line-based plans as planning programs write them, the
// kind told by content, what a short, long or odd line leaves in the plan, more than 50
// waypoints, and real plan files (tests/data/plans) with their coordinates worked out by
// hand from the file text.
#include "plan/plan.h"
#include "support/support.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>

namespace {

constexpr double Tolerance = 1e-4;

PlnKind Read(const std::string& text)
{
    return ReadPlnText(text.data(), text.size());
}

std::string DataFile(const char* name)
{
    return std::string(ORVEX_SOURCE_DIR) + "/tests/data/plans/" + name;
}

void ExpectLeg(int i, const char* ident, char type, double latitude, double longitude)
{
    SCOPED_TRACE(testing::Message() << "leg " << i);
    ASSERT_LT(i, FlightPlan.legCount);
    const PlanLeg& leg = FlightPlan.legs[i];
    EXPECT_STREQ(leg.ident, ident);
    EXPECT_EQ(leg.type, type);
    EXPECT_NEAR(leg.latitude, latitude, Tolerance);
    EXPECT_NEAR(leg.longitude, longitude, Tolerance);
}

// The slots after the plan's last leg hold nothing from this or an earlier plan.
void ExpectEmptyAfterPlan()
{
    for (int i = FlightPlan.legCount; i < PlanLegMax; ++i) {
        EXPECT_EQ(FlightPlan.legs[i].ident[0], '\0') << "slot " << i;
        EXPECT_EQ(FlightPlan.legs[i].type, 0) << "slot " << i;
        EXPECT_EQ(FlightPlan.legs[i].latitude, 0.0f) << "slot " << i;
    }
}

const char* XmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<SimBase.Document Type=\"AceXML\" version=\"1,0\">\n"
                      "    <FlightPlan.FlightPlan>\n";
const char* XmlTail = "    </FlightPlan.FlightPlan>\n</SimBase.Document>\n";

std::string XmlWaypoint(const std::string& id, const std::string& type, const std::string& position)
{
    return "        <ATCWaypoint id=\"" + id + "\">\n"
           "            <ATCWaypointType>" + type + "</ATCWaypointType>\n"
           "            <WorldPosition>" + position + "</WorldPosition>\n"
           "        </ATCWaypoint>\n";
}

std::string XmlPlan(const std::string& waypoints)
{
    return XmlHead + waypoints + XmlTail;
}

class PlnReaderTest : public testing::Test {
protected:
    void SetUp() override { FlightPlanReset(); }
};

// --- XML plans ----------------------------------------------------------------------------

TEST_F(PlnReaderTest, XmlHemispheresTypesAndTheNdbThatHasNoLetter)
{
    std::string plan = XmlPlan(
        XmlWaypoint("KSEA", "Airport", "N47\xC2\xB0 26' 59.99\",W122\xC2\xB0 18' 41.40\",+000429.00") +
        XmlWaypoint("SY", "VOR", "S33\xC2\xB0 56' 53.00\",E151\xC2\xB0 10' 52.00\",+000000.00") +
        XmlWaypoint("BK", "NDB", "S33\xC2\xB0 55' 3.00\",E150\xC2\xB0 59' 28.00\",+000000.00") +
        XmlWaypoint("MANDA", "Intersection", "S34\xC2\xB0 56' 20.00\",E150\xC2\xB0 2' 45.00\",+000000.00") +
        XmlWaypoint("LacDAnnecy", "User", "N45\xC2\xB0 52' 10.02\",E6\xC2\xB0 10' 4.31\",+000000.00"));
    EXPECT_EQ(Read(plan), PlnKind::Xml);
    ASSERT_EQ(FlightPlan.legCount, 5);
    ExpectLeg(0, "KSEA", 'A', 47.449997, -122.311500);
    ExpectLeg(1, "SY", 'V', -33.948056, 151.181111);
    ExpectLeg(2, "BK", 0, -33.917500, 150.991111);
    ExpectLeg(3, "MANDA", 'I', -(34 + 56 / 60.0 + 20 / 3600.0), 150 + 2 / 60.0 + 45 / 3600.0);
    ExpectLeg(4, "LacDAnnecy", 0, 45.869450, 6.167864);
    EXPECT_EQ(FlightPlan.droppedLegs, 0);
}

TEST_F(PlnReaderTest, SecondXmlPlanLinesUpWithItsOwnPositions)
{
    Read(XmlPlan(XmlWaypoint("AAA", "Airport", "N10\xC2\xB0 0' 0.00\",E10\xC2\xB0 0' 0.00\",+0") +
                 XmlWaypoint("BBB", "VOR", "N11\xC2\xB0 0' 0.00\",E11\xC2\xB0 0' 0.00\",+0") +
                 XmlWaypoint("CCC", "Intersection", "N12\xC2\xB0 0' 0.00\",E12\xC2\xB0 0' 0.00\",+0")));
    ASSERT_EQ(FlightPlan.legCount, 3);
    Read(XmlPlan(XmlWaypoint("XXX", "NDB", "S20\xC2\xB0 30' 0.00\",W20\xC2\xB0 30' 0.00\",+0") +
                 XmlWaypoint("YYY", "Airport", "S21\xC2\xB0 0' 0.00\",W21\xC2\xB0 0' 0.00\",+0")));
    ASSERT_EQ(FlightPlan.legCount, 2);
    ExpectLeg(0, "XXX", 0, -20.5, -20.5);
    ExpectLeg(1, "YYY", 'A', -21.0, -21.0);
    ExpectEmptyAfterPlan();
}

// An element without a position is left out whole: its name and type do not pass to the
// next waypoint, and the plan does not end on a half-filled slot.
TEST_F(PlnReaderTest, XmlWaypointWithoutPositionLeavesNothingBehind)
{
    std::string plan = XmlPlan(
        "        <ATCWaypoint id=\"KORD\">\n            <ATCWaypointType>Airport</ATCWaypointType>\n"
        "        </ATCWaypoint>\n" +
        XmlWaypoint("BK", "NDB", "S33\xC2\xB0 55' 3.00\",E150\xC2\xB0 59' 28.00\",+0") +
        "        <ATCWaypoint id=\"LAST\">\n            <ATCWaypointType>VOR</ATCWaypointType>\n"
        "            <WorldPosition>N10\xC2\xB0 20'</WorldPosition>\n        </ATCWaypoint>\n");
    Read(plan);
    ASSERT_EQ(FlightPlan.legCount, 1);
    ExpectLeg(0, "BK", 0, -33.9175, 150.991111);
    ExpectEmptyAfterPlan();
}

// Writers differ: attributes in another order, no id at all, the whole plan on one line,
// the single-byte degree sign, or the line plans' asterisk.
TEST_F(PlnReaderTest, XmlWritersHabits)
{
    std::string plan = std::string(XmlHead) +
        "<ATCWaypoint region=\"K1\" id=\"SEA\"><ATCWaypointType>VOR</ATCWaypointType>"
        "<WorldPosition>N47\xB0 26' 7.80\",W122\xB0 18' 34.80\",+000000.00</WorldPosition></ATCWaypoint>"
        "<ATCWaypoint name=\"OLM\"><ATCWaypointType>VOR</ATCWaypointType>"
        "<WorldPosition>N46* 58' 16.80\",W122* 54' 7.80\",+000000.00</WorldPosition></ATCWaypoint>\n" +
        XmlTail;
    EXPECT_EQ(Read(plan), PlnKind::Xml);
    ASSERT_EQ(FlightPlan.legCount, 2);
    ExpectLeg(0, "SEA", 'V', 47 + 26 / 60.0 + 7.8 / 3600.0, -(122 + 18 / 60.0 + 34.8 / 3600.0));
    ExpectLeg(1, "OLM", 'V', 46 + 58 / 60.0 + 16.8 / 3600.0, -(122 + 54 / 60.0 + 7.8 / 3600.0));
}

// Degrees and minutes of the longitude are whole numbers; of the latitude, decimals.
TEST_F(PlnReaderTest, XmlLongitudeMinutesAreWhole)
{
    Read(XmlPlan(XmlWaypoint("P", "User", "N5.5\xC2\xB0 30.5' 0.00\",E5.5\xC2\xB0 30.5' 0.00\",+0")));
    ASSERT_EQ(FlightPlan.legCount, 1);
    ExpectLeg(0, "P", 0, 5.5 + 30.5 / 60.0, 5 + 30 / 60.0);
}

// --- Line-based plans -------------------------------------------------------------------

const char* LineHead = "[flightplan]\ntitle=KSEA to KPDX\ndeparture_id=KSEA, N47* 26.99', W122* 18.69', +000429.00\n";

TEST_F(PlnReaderTest, LinePlanThreeLayouts)
{
    std::string plan = std::string(LineHead) +
        "waypoint.0=KSEA, A, N47* 26.99', W122* 18.69', +000429.00,\n"
        "waypoint.1=, KSEA, , KSEA, A, N47* 26.99', W122* 18.69', +000429.00,\n"
        "waypoint.2=K1, SEA, , SEA, V, N47* 26.13', W122* 18.58', +000000.00,\n"
        "waypoint.3=K1, OLM, , OLM, V, S46* 58.28', E122* 54.13', +000000.00,V27\n";
    EXPECT_EQ(Read(plan), PlnKind::LineBased);
    ASSERT_EQ(FlightPlan.legCount, 4);
    ExpectLeg(0, "KSEA", 'A', 47.449833, -122.311500);
    ExpectLeg(1, "KSEA", 'A', 47.449833, -122.311500);
    ExpectLeg(2, "SEA", 'V', 47.435500, -122.309667);
    ExpectLeg(3, "OLM", 'V', -46.971333, 122.902167);
}

TEST_F(PlnReaderTest, LinePlanEndsAtFirstEmptyLineAndOddHemispheresReadZero)
{
    std::string plan = std::string(LineHead) +
        "waypoint.0=KSEA, A, X47* 26.99', W122* 18.69', +000429.00,\r\n"
        "waypoint.1=KPDX, A, N45* 35.32', Q122* 35.85', +000030.00,\r\n"
        "\r\n"
        "waypoint.2=K1, BTG, , BTG, V, N45* 44.87', W122* 35.44', +000000.00,\r\n";
    Read(plan);
    ASSERT_EQ(FlightPlan.legCount, 2);
    ExpectLeg(0, "KSEA", 'A', 0.0, -122.311500);
    ExpectLeg(1, "KPDX", 'A', 45.588667, 0.0);
}

// A line too short for its layout is skipped; a line over 99 characters arrives in pieces
// of 99, and a piece too short to be a waypoint is skipped the same way.
TEST_F(PlnReaderTest, LinePlanShortAndLongLines)
{
    std::string longLine = "waypoint.1=KPDX, A, N45* 35.32', W122* 35.85', +000030.00," + std::string(60, 'x') + "\n";
    std::string plan = std::string(LineHead) +
        "waypoint.0=KSEA, A, N47* 26.99'\n" + longLine +
        "waypoint.2=BTG, V, N45* 44.87', W122* 35.44', +000000.00,\n";
    Read(plan);
    ASSERT_EQ(FlightPlan.legCount, 2);
    ExpectLeg(0, "KPDX", 'A', 45.588667, -122.597500);
    ExpectLeg(1, "BTG", 'V', 45 + 44.87 / 60.0, -(122 + 35.44 / 60.0));
    for (int i = 0; i < FlightPlan.legCount; ++i)
        EXPECT_EQ(std::string(FlightPlan.legs[i].ident).find_first_of("\r\n"), std::string::npos);
}

// --- Kinds and files ------------------------------------------------------------------------

TEST_F(PlnReaderTest, KindByContent)
{
    EXPECT_EQ(Read(""), PlnKind::LineBased);
    EXPECT_EQ(Read("[flightplan]\ntitle=nothing here\n"), PlnKind::LineBased);
    EXPECT_EQ(FlightPlan.legCount, 0);
    EXPECT_EQ(Read("\xEF\xBB\xBF<?xml?>\r\n<SimBase.Document Type=\"AceXML\">\r\n"), PlnKind::Xml);
    // "ATCWaypoint" is no line-plan marker: the word must be lower case.
    EXPECT_EQ(Read("<ATCWaypoint id=\"X\">\n"), PlnKind::LineBased);
    EXPECT_EQ(FlightPlan.legCount, 0);
}

TEST_F(PlnReaderTest, ReadersLeaveTheLoadersFieldsAlone)
{
    FlightPlan.loaded = true;
    std::snprintf(FlightPlan.path, sizeof FlightPlan.path, "%s", "plans\\KSEA.PLN");
    FlightPlan.droppedLegs = 7;
    Read(XmlPlan(XmlWaypoint("A", "Airport", "N1\xC2\xB0 0' 0\",E1\xC2\xB0 0' 0\",+0")));
    EXPECT_TRUE(FlightPlan.loaded);
    EXPECT_STREQ(FlightPlan.path, "plans\\KSEA.PLN");
    EXPECT_EQ(FlightPlan.droppedLegs, 0);
}

TEST_F(PlnReaderTest, FilesThatCannotBeReadAsPlans)
{
    FlightPlan.legCount = 3;
    EXPECT_EQ(ReadPlnPlan("/nonexistent/plans/KSEA.PLN"), PlnKind::Missing);
    EXPECT_EQ(FlightPlan.legCount, 0);
    std::string dir = MakeScratchDir("pln_reader");
    EXPECT_EQ(ReadPlnPlan(dir.c_str()), PlnKind::Missing);
    // A FIFO in the plan folder must not hang the display waiting for a writer.
    std::string fifo = dir + "/WAIT.PLN";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ReadPlnPlan(fifo.c_str()), PlnKind::Missing);
    ReadPlnXml(fifo.c_str());
    EXPECT_EQ(FlightPlan.legCount, 0);
}

// --- More than the plan holds -------------------------------------------------------------

TEST_F(PlnReaderTest, FirstFiftyWaypointsKeptTheRestCounted)
{
    std::string xml;
    for (int i = 0; i < 53; ++i)
        xml += XmlWaypoint("W" + std::to_string(i), "Intersection",
                           "N" + std::to_string(i) + "\xC2\xB0 0' 0.00\",E1\xC2\xB0 0' 0.00\",+0");
    Read(XmlPlan(xml));
    EXPECT_EQ(FlightPlan.legCount, 50);
    EXPECT_EQ(FlightPlan.droppedLegs, 3);
    ExpectLeg(49, "W49", 'I', 49.0, 1.0);

    std::string lines = LineHead;
    for (int i = 0; i < 55; ++i)
        lines += "waypoint." + std::to_string(i) + "=P" + std::to_string(i) + ", I, N1* 0.00', E" + std::to_string(i) + "* 0.00', +0,\n";
    Read(lines);
    EXPECT_EQ(FlightPlan.legCount, 50);
    EXPECT_EQ(FlightPlan.droppedLegs, 5);
    ExpectLeg(49, "P49", 'I', 1.0, 49.0);
}

// --- Real plans ------------------------------------------------------------------------------

TEST_F(PlnReaderTest, RealXmlPlans)
{
    EXPECT_EQ(ReadPlnPlan(DataFile("lnm-ifr-eghj-egpc.pln").c_str()), PlnKind::Xml);
    ASSERT_EQ(FlightPlan.legCount, 24);
    ExpectLeg(0, "EGHJ", 'A', 50.678058, -1.109450);
    ExpectLeg(1, "SAM", 'V', 50.955250, -1.345056);
    ExpectLeg(12, "RIBEL", 'I', 54.016108, -2.289722);
    ExpectLeg(23, "EGPC", 'A', 58.458611, -3.092772);

    // The same VFR plan in UTF-8 with CRLF, and re-saved in the single-byte code page.
    for (const char* name : {"lnm-vfr-lflp-lfle.pln", "lnm-vfr-lflp-lfle-cp1252.pln"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(ReadPlnPlan(DataFile(name).c_str()), PlnKind::Xml);
        ASSERT_EQ(FlightPlan.legCount, 7);
        ExpectLeg(0, "LFLP", 'A', 45.930831, 6.106389);
        ExpectLeg(4, "Frontenex", 0, 45.635764, 6.313347);
        ExpectLeg(6, "LFLE", 'A', 45.561389, 5.976944);
    }

    // Byte order mark, CRLF, tabs, attributes reordered, southern and eastern hemispheres.
    EXPECT_EQ(ReadPlnPlan(DataFile("yssy-yscb-bom-crlf.pln").c_str()), PlnKind::Xml);
    ASSERT_EQ(FlightPlan.legCount, 6);
    ExpectLeg(0, "YSSY", 'A', -33.946111, 151.177222);
    ExpectLeg(1, "SY", 'V', -33.948056, 151.181111);
    ExpectLeg(2, "BK", 0, -33.917500, 150.991111);
    ExpectLeg(5, "YSCB", 'A', -35.306944, 149.195000);
}

TEST_F(PlnReaderTest, RealLinePlan)
{
    EXPECT_EQ(ReadPlnPlan(DataFile("ksea-kpdx-fs9.pln").c_str()), PlnKind::LineBased);
    ASSERT_EQ(FlightPlan.legCount, 5);
    ExpectLeg(0, "KSEA", 'A', 47.449833, -122.311500);
    ExpectLeg(1, "SEA", 'V', 47.435500, -122.309667);
    ExpectLeg(2, "OLM", 'V', 46.971333, -122.902167);
    ExpectLeg(4, "KPDX", 'A', 45.588667, -122.597500);
}

} // namespace
