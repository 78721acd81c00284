// Plans as today's planners write them: XML plans known by their document element alone,
// waypoints named in an ICAO block after their position, names with spaces, positions with
// a decimal comma or in signed decimal degrees, and positions off the earth refused. Real
// plan files (tests/data/plans, see SOURCES.md) are compared leg by leg with the legs an
// independent reader worked out (NAME.legs, written by expected_legs.py).
#include "plan/plan.h"
#include "support/support.h"

#include <algorithm>
#include <fstream>
#include <initializer_list>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Expected {
    std::string ident;
    char type;
    double latitude, longitude;
};

std::string PlanData(const std::string& name)
{
    return std::string(ORVEX_SOURCE_DIR) + "/tests/data/plans/" + name;
}

std::vector<Expected> ExpectedLegs(const std::string& plan)
{
    std::ifstream in(PlanData(plan.substr(0, plan.rfind('.')) + ".legs"));
    std::vector<Expected> legs;
    std::string line;
    while (std::getline(in, line)) {
        std::stringstream fields(line);
        std::string ident, type, lat, lon;
        std::getline(fields, ident, '|');
        std::getline(fields, type, '|');
        std::getline(fields, lat, '|');
        std::getline(fields, lon, '|');
        legs.push_back({ident, type.empty() ? '\0' : type[0], std::stod(lat), std::stod(lon)});
    }
    return legs;
}

PlnKind Read(const std::string& text)
{
    return ReadPlnText(text.data(), text.size());
}

class PlnToday : public testing::Test {
protected:
    void SetUp() override { FlightPlanReset(); }
};

// Every plan of every form is read leg for leg as the independent reader reads it: the
// first 50 legs kept, the rest counted as dropped.
TEST_F(PlnToday, RealPlansOfEveryFormMatchAnIndependentReading)
{
    struct Case {
        const char* name;
        PlnKind kind;
    };
    for (const Case& plan : std::initializer_list<Case>{
             // as published
             {"lnm-ifr-eghj-egpc.pln", PlnKind::Xml},
             {"lnm-vfr-lflp-lfle.pln", PlnKind::Xml},
             {"lnm-keyw-khwo-newest.pln", PlnKind::Xml},
             {"sb-keyw-kmia.pln", PlnKind::Xml},
             {"amg-enhd-local.pln", PlnKind::Xml},
             {"fri-lfpo-fmee.pln", PlnKind::Xml},
             {"fri-sbkp-sbpp.pln", PlnKind::Xml},
             {"fri-egaa-egkk.pln", PlnKind::Xml},
             {"fri-eddb-omdb-fs9.pln", PlnKind::LineBased},
             // derived or hand-written where no published file of the form was found
             {"lnm-ifr-eghj-egpc-decimal-comma.pln", PlnKind::Xml},
             {"lnm-ifr-eghj-egpc-decimal-degrees.pln", PlnKind::Xml},
             {"lnm-vfr-lflp-lfle-cp1252.pln", PlnKind::Xml},
             {"lnm-vfr-lflp-lfle-efb.pln", PlnKind::Xml},
             {"yssy-yscb-bom-crlf.pln", PlnKind::Xml},
             {"yssy-yscb-decimal-comma.pln", PlnKind::Xml},
             {"yssy-yscb-decimal-degrees.pln", PlnKind::Xml},
             {"ksea-kpdx-fs9.pln", PlnKind::LineBased},
         }) {
        SCOPED_TRACE(plan.name);
        const std::vector<Expected> expected = ExpectedLegs(plan.name);
        ASSERT_FALSE(expected.empty());
        const int kept = std::min(static_cast<int>(expected.size()), PlanLegMax);
        EXPECT_EQ(ReadPlnPlan(PlanData(plan.name).c_str()), plan.kind);
        ASSERT_EQ(FlightPlan.legCount, kept);
        EXPECT_EQ(FlightPlan.droppedLegs, static_cast<int>(expected.size()) - kept);
        EXPECT_EQ(FlightPlan.refusedLegs, 0);
        EXPECT_EQ(FlightPlan.unplacedLegs, 0);
        for (int i = 0; i < FlightPlan.legCount; ++i) {
            SCOPED_TRACE(testing::Message() << "leg " << i);
            EXPECT_EQ(FlightPlan.legs[i].ident, expected[i].ident);
            EXPECT_EQ(FlightPlan.legs[i].type, expected[i].type);
            EXPECT_NEAR(FlightPlan.legs[i].latitude, expected[i].latitude, 1e-4);
            EXPECT_NEAR(FlightPlan.legs[i].longitude, expected[i].longitude, 1e-4);
        }
    }
}

// An online planner's export for the newest simulator names every point only by its ICAO
// block and gives no position at all: nothing to draw, and each point is counted.
TEST_F(PlnToday, PublishedPlanWithoutPositionsGivesNoLegs)
{
    EXPECT_EQ(ReadPlnPlan(PlanData("sb-ekrk-eglc-newest.pln").c_str()), PlnKind::Xml);
    EXPECT_EQ(FlightPlan.legCount, 0);
    EXPECT_EQ(FlightPlan.unplacedLegs, 7);
    EXPECT_EQ(FlightPlan.refusedLegs, 0);
}

// A few legs worked out by hand from the file text, so that the expected files themselves
// are checked too.
TEST_F(PlnToday, HandWorkedLegsOfTheNewForms)
{
    // SAM: N50° 57' 18,90",W1° 20' 42,20"
    ReadPlnPlan(PlanData("lnm-ifr-eghj-egpc-decimal-comma.pln").c_str());
    ASSERT_GT(FlightPlan.legCount, 1);
    EXPECT_STREQ(FlightPlan.legs[1].ident, "SAM");
    EXPECT_NEAR(FlightPlan.legs[1].latitude, 50 + 57 / 60.0 + 18.90 / 3600, 1e-4);
    EXPECT_NEAR(FlightPlan.legs[1].longitude, -(1 + 20 / 60.0 + 42.20 / 3600), 1e-4);
    // The same point in signed decimal degrees: 50.955250,-1.345056
    ReadPlnPlan(PlanData("lnm-ifr-eghj-egpc-decimal-degrees.pln").c_str());
    ASSERT_GT(FlightPlan.legCount, 1);
    EXPECT_NEAR(FlightPlan.legs[1].latitude, 50.955250, 1e-4);
    EXPECT_NEAR(FlightPlan.legs[1].longitude, -1.345056, 1e-4);
    // LFLE named only in its ICAO block after the position and the type:
    // N45° 33' 41.00",E5° 58' 37.00"
    ReadPlnPlan(PlanData("lnm-vfr-lflp-lfle-efb.pln").c_str());
    ASSERT_EQ(FlightPlan.legCount, 7);
    EXPECT_STREQ(FlightPlan.legs[6].ident, "LFLE");
    EXPECT_EQ(FlightPlan.legs[6].type, 'A');
    EXPECT_NEAR(FlightPlan.legs[6].latitude, 45 + 33 / 60.0 + 41.0 / 3600, 1e-4);
    EXPECT_NEAR(FlightPlan.legs[6].longitude, 5 + 58 / 60.0 + 37.0 / 3600, 1e-4);
    EXPECT_STREQ(FlightPlan.legs[1].ident, "Lac d Annecy");
    // Published newest layout: EYW named only in its ICAO block,
    // N24° 35' 9.16",W81° 48' 1.71"
    ReadPlnPlan(PlanData("lnm-keyw-khwo-newest.pln").c_str());
    ASSERT_GT(FlightPlan.legCount, 2);
    EXPECT_STREQ(FlightPlan.legs[2].ident, "EYW");
    EXPECT_EQ(FlightPlan.legs[2].type, 'V');
    EXPECT_NEAR(FlightPlan.legs[2].latitude, 24 + 35 / 60.0 + 9.16 / 3600, 1e-4);
    EXPECT_NEAR(FlightPlan.legs[2].longitude, -(81 + 48 / 60.0 + 1.71 / 3600), 1e-4);
    // The 50th of 74 legs: ETONI, N10° 00' 44.00",E037° 17' 39.00"
    ReadPlnPlan(PlanData("fri-lfpo-fmee.pln").c_str());
    ASSERT_EQ(FlightPlan.legCount, 50);
    EXPECT_STREQ(FlightPlan.legs[49].ident, "ETONI");
    EXPECT_NEAR(FlightPlan.legs[49].latitude, 10 + 44.0 / 3600, 1e-4);
    EXPECT_NEAR(FlightPlan.legs[49].longitude, 37 + 17 / 60.0 + 39.0 / 3600, 1e-4);
    // Line-based, regional layout: ARSAP, N52* 13.68', E014* 42.75'
    ReadPlnPlan(PlanData("fri-eddb-omdb-fs9.pln").c_str());
    ASSERT_GT(FlightPlan.legCount, 1);
    EXPECT_STREQ(FlightPlan.legs[1].ident, "ARSAP");
    EXPECT_EQ(FlightPlan.legs[1].type, 'I');
    EXPECT_NEAR(FlightPlan.legs[1].latitude, 52 + 13.68 / 60, 1e-4);
    EXPECT_NEAR(FlightPlan.legs[1].longitude, 14 + 42.75 / 60, 1e-4);
}

TEST_F(PlnToday, DocumentElementMakesAnXmlPlan)
{
    const std::string waypoint = "<ATCWaypoint id=\"ALPHA\"><ATCWaypointType>VOR</ATCWaypointType>"
                                 "<WorldPosition>N10\xC2\xB0 30' 0.00\",E20\xC2\xB0 15' 0.00\",+000000.00</WorldPosition>"
                                 "</ATCWaypoint>\n";
    // No "AceXML" anywhere; a description that says "waypoint" comes first.
    EXPECT_EQ(Read("\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- exported -->\n<SimBase.Document>\n"
                   "<FlightPlan.FlightPlan><Descr>one waypoint</Descr>\n" + waypoint +
                   "</FlightPlan.FlightPlan></SimBase.Document>\n"),
              PlnKind::Xml);
    ASSERT_EQ(FlightPlan.legCount, 1);
    EXPECT_STREQ(FlightPlan.legs[0].ident, "ALPHA");
    EXPECT_NEAR(FlightPlan.legs[0].latitude, 10.5, 1e-4);
    EXPECT_NEAR(FlightPlan.legs[0].longitude, 20.25, 1e-4);
    // Line-based plans and other XML stay what they were.
    EXPECT_EQ(Read("[flightplan]\nwaypoint.0=KSEA, A, N47* 26.99', W122* 18.69', +000429.00\n"), PlnKind::LineBased);
    EXPECT_EQ(FlightPlan.legCount, 1);
    EXPECT_EQ(Read("<?xml version=\"1.0\"?>\n<gpx>\n" + waypoint + "</gpx>\n"), PlnKind::LineBased);
    EXPECT_EQ(FlightPlan.legCount, 0);
}

// A plan saved in UTF-16 (either byte order) reads as the same plan in UTF-8.
TEST_F(PlnToday, Utf16PlansReadAsTheirUtf8Text)
{
    const std::string utf8 = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<SimBase.Document>\r\n"
                             "<ATCWaypoint id=\"Z\xC3\xBCrich \xF0\x9F\x9B\xA9\"><WorldPosition>N47\xC2\xB0 27' 0.00\",E8\xC2\xB0 33' "
                             "0.00\",+001416.00</WorldPosition></ATCWaypoint>\r\n</SimBase.Document>\r\n";
    // Encoded by hand: every character below U+10000 one unit, the plane (U+1F6E9) a pair.
    auto encode = [&](bool little) {
        std::string out = little ? "\xFF\xFE" : "\xFE\xFF";
        auto put = [&](unsigned u) {
            const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
            out += little ? std::string{lo, hi} : std::string{hi, lo};
        };
        for (size_t i = 0; i < utf8.size();) {
            const unsigned char c = static_cast<unsigned char>(utf8[i]);
            if (c < 0x80) {
                put(c), i += 1;
            } else if (c < 0xE0) {
                put(((c & 0x1F) << 6) | (utf8[i + 1] & 0x3F)), i += 2;
            } else {   // the only four-byte character here
                put(0xD83D), put(0xDEE9), i += 4;
            }
        }
        return out;
    };
    for (bool little : {true, false}) {
        SCOPED_TRACE(little ? "little-endian" : "big-endian");
        EXPECT_EQ(Read(encode(little)), PlnKind::Xml);
        ASSERT_EQ(FlightPlan.legCount, 1);
        EXPECT_STREQ(FlightPlan.legs[0].ident, "Z\xC3\xBCrich \xF0\x9F\x9B\xA9");
        EXPECT_NEAR(FlightPlan.legs[0].latitude, 47.45, 1e-4);
        EXPECT_NEAR(FlightPlan.legs[0].longitude, 8.55, 1e-4);
    }
}

TEST_F(PlnToday, NamesFromTheIdAttributeWholeOrTheIcaoBlock)
{
    Read("<SimBase.Document><FlightPlan.FlightPlan>\n"
         "<ATCWaypoint id=\"C0 W1\">\n<WorldPosition>1.5,2.5,+0.0</WorldPosition>\n</ATCWaypoint>\n"
         "<ATCWaypoint>\n<WorldPosition>3.5,4.5,+0.0</WorldPosition>\n<ATCWaypointType>Intersection</ATCWaypointType>\n"
         "<ICAO><ICAORegion>OM</ICAORegion><ICAOIdent>RIDAP</ICAOIdent></ICAO>\n</ATCWaypoint>\n"
         "<ATCWaypoint id=\"R&amp;D, 2+2\"><WorldPosition>5.5,6.5,+0.0</WorldPosition></ATCWaypoint>\n"
         // Named by id: the ICAO block does not rename it.
         "<ATCWaypoint id=\"USER1\"><ATCWaypointType>User</ATCWaypointType><WorldPosition>7,8,0</WorldPosition>"
         "<ICAO><ICAOIdent>OTHER</ICAOIdent></ICAO></ATCWaypoint>\n"
         // No position: nothing, and its name does not reach the next waypoint.
         "<ATCWaypoint><ATCWaypointType>VOR</ATCWaypointType><ICAO><ICAOIdent>NOPOS</ICAOIdent></ICAO></ATCWaypoint>\n"
         "<ATCWaypoint id=\"EMPTY\" />\n"
         "<ATCWaypoint><WorldPosition>9,10,0</WorldPosition></ATCWaypoint>\n"
         "</FlightPlan.FlightPlan></SimBase.Document>\n");
    ASSERT_EQ(FlightPlan.legCount, 5);
    EXPECT_EQ(FlightPlan.unplacedLegs, 2);   // NOPOS and EMPTY
    EXPECT_STREQ(FlightPlan.legs[0].ident, "C0 W1");
    EXPECT_STREQ(FlightPlan.legs[1].ident, "RIDAP");
    EXPECT_EQ(FlightPlan.legs[1].type, 'I');
    EXPECT_NEAR(FlightPlan.legs[1].longitude, 4.5, 1e-6);
    EXPECT_STREQ(FlightPlan.legs[2].ident, "R&D, 2+2");
    EXPECT_STREQ(FlightPlan.legs[3].ident, "USER1");
    EXPECT_STREQ(FlightPlan.legs[4].ident, "");
    EXPECT_EQ(FlightPlan.legs[4].type, 0);
    EXPECT_NEAR(FlightPlan.legs[4].latitude, 9.0, 1e-6);
}

TEST_F(PlnToday, DecimalCommaAndDecimalDegreePositions)
{
    auto plan = [](const std::string& position) {
        return "<SimBase.Document Type=\"AceXML\">\n<ATCWaypoint id=\"P\">\n<WorldPosition>" + position +
               "</WorldPosition>\n</ATCWaypoint>\n</SimBase.Document>\n";
    };
    Read(plan("S54\xC2\xB0 55' 52,00000\",W67\xC2\xB0 37' 12,50000\",+000000.00"));
    ASSERT_EQ(FlightPlan.legCount, 1);
    EXPECT_NEAR(FlightPlan.legs[0].latitude, -(54 + 55 / 60.0 + 52.0 / 3600), 1e-4);
    EXPECT_NEAR(FlightPlan.legs[0].longitude, -(67 + 37 / 60.0 + 12.5 / 3600), 1e-4);
    // Commas alone between the numbers are separators, as they always were.
    Read(plan("N47,26,59.99,W122,18,41.40,+000429.00"));
    ASSERT_EQ(FlightPlan.legCount, 1);
    EXPECT_NEAR(FlightPlan.legs[0].latitude, 47.45, 1e-4);
    EXPECT_NEAR(FlightPlan.legs[0].longitude, -122.3115, 1e-4);
    Read(plan("54.285833,-130.444678,+116.0"));
    ASSERT_EQ(FlightPlan.legCount, 1);
    EXPECT_NEAR(FlightPlan.legs[0].latitude, 54.285833, 1e-5);
    EXPECT_NEAR(FlightPlan.legs[0].longitude, -130.444678, 1e-5);
    Read(plan(" -33.9461 , 151.1772 "));
    ASSERT_EQ(FlightPlan.legCount, 1);
    EXPECT_NEAR(FlightPlan.legs[0].longitude, 151.1772, 1e-5);
    // Half a position is no position.
    for (const char* broken : {"54.28", "54.28;-130.44", "-,-", "+"}) {
        Read(plan(broken));
        EXPECT_EQ(FlightPlan.legCount, 0) << broken;
    }
}

// Positions off the earth are left out and counted, in every reader.
TEST_F(PlnToday, PositionsOffTheEarthAreLeftOutAndCounted)
{
    Read("<SimBase.Document>\n"
         "<ATCWaypoint id=\"A\"><WorldPosition>10,20,0</WorldPosition></ATCWaypoint>\n"
         "<ATCWaypoint id=\"B\"><WorldPosition>90.5,20,0</WorldPosition></ATCWaypoint>\n"
         "<ATCWaypoint id=\"C\"><WorldPosition>N10\xC2\xB0 0' 0\",W999\xC2\xB0 0' 0\",+0</WorldPosition>"
         "<ATCWaypointType>VOR</ATCWaypointType></ATCWaypoint>\n"
         "<ATCWaypoint id=\"D\"><WorldPosition>-90,-180,0</WorldPosition></ATCWaypoint>\n"
         "</SimBase.Document>\n");
    ASSERT_EQ(FlightPlan.legCount, 2);
    EXPECT_EQ(FlightPlan.refusedLegs, 2);
    EXPECT_STREQ(FlightPlan.legs[1].ident, "D");
    EXPECT_EQ(FlightPlan.legs[1].type, 0);   // C's late type went nowhere
    EXPECT_EQ(FlightPlan.legs[2].ident[0], '\0');

    Read("[flightplan]\nwaypoint.0=X, I, N95* 00.00', E010* 00.00', +0\nwaypoint.1=Y, I, N45* 00.00', E010* 00.00', +0\n");
    ASSERT_EQ(FlightPlan.legCount, 1);
    EXPECT_EQ(FlightPlan.refusedLegs, 1);
    EXPECT_STREQ(FlightPlan.legs[0].ident, "Y");

    const std::string fmc = "t\nt\n[LEGLIST]\nI=FAR\nx=0\nx=0\nA=12\nO=181\nx=0\nx=0\nx=0\nLegCount=1\n";
    ReadFmcText(fmc.data(), fmc.size());
    EXPECT_EQ(FlightPlan.legCount, 0);
    EXPECT_EQ(FlightPlan.refusedLegs, 1);
}

}  // namespace
