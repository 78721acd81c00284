// The map page as the crew sees it, read back through the text trace: heading readout,
// range labels, invalid-data dashes, the GPS block, the navaid and
// airport layers with their cuts, and where MapPlace puts an item.
#include "support/display_unit.h"

#include "map/geodesy.h"
#include "map/map.h"
#include "shell/shell.h"
#include "simlink/aircraft.h"

#include <GL/gl.h>
#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <set>

namespace {

const float Amber[3] = {0.933f, 0.596f, 0.0f};
const float Green[3] = {0.156f, 0.803f, 0.215f};
const float Cyan[3] = {0.0f, 1.0f, 1.0f};

std::vector<TraceText> Coloured(const std::vector<TraceText>& texts, const float (&c)[3])
{
    return WithColour(texts, c[0], c[1], c[2]);
}

std::set<std::string> Labels(const std::vector<TraceText>& texts, int font, int align)
{
    std::set<std::string> out;
    for (const TraceText& t : texts)
        if (t.font == font && t.align == align)
            out.insert(t.text);
    return out;
}

class MapPage : public ::testing::Test {
protected:
    void SetUp() override { MapUnitOpen(); }
};

} // namespace

TEST_F(MapPage, HeadingReadoutRoundsToThreeDigits)
{
    const std::pair<float, const char*> cases[] = {{359.6f, "000"}, {9.4f, "009"}, {99.5f, "100"}, {245.2f, "245"}};
    for (const auto& [heading, shown] : cases) {
        Aircraft.MagHeading = heading;
        auto texts = MapUnitFrames();
        const TraceText* t = FindText(texts, shown);
        ASSERT_NE(t, nullptr) << heading;
        EXPECT_EQ(t->align, 0);
        EXPECT_FLOAT_EQ(t->r, 1.0f);
    }
}

TEST_F(MapPage, HalfRangeShownAtBothEndsOfTheInnerArc)
{
    Shell.MapRangeIndex = 0;
    auto texts = MapUnitFrames();
    std::vector<TraceText> labels;
    for (const TraceText& t : texts)
        if (t.text == "2.5")
            labels.push_back(t);
    ASSERT_EQ(labels.size(), 2u);
    EXPECT_GT(labels[0].x, labels[1].x);  // right end first
    EXPECT_NEAR(labels[0].y, labels[1].y, 0.01);

    Shell.MapRangeIndex = 8;
    texts = MapUnitFrames();
    EXPECT_NE(FindText(texts, "500.0"), nullptr);
}

TEST_F(MapPage, AvionicsOffShowsAmberDashesAndNoSymbols)
{
    MapUnitLoad(NavaidLine("MZB", 1, 1, 32.78, -117.22), "A|KSAN|SAN DIEGO|32733556|-117189667\nR|09|27|9401\n");
    Shell.ShowVor = Shell.ShowAirports = true;
    Shell.MapRangeIndex = 2;
    Aircraft.MagHeading = 123;
    auto on = MapUnitFrames(4);
    EXPECT_NE(FindText(on, "MZB"), nullptr);
    EXPECT_NE(FindText(on, "KSAN"), nullptr);

    Aircraft.AvionicsMaster = 0;
    auto off = MapUnitFrames(4);
    auto amber = Coloured(off, Amber);
    std::vector<std::string> dashes;
    for (const TraceText& t : amber)
        dashes.push_back(t.text);
    EXPECT_EQ(std::count(dashes.begin(), dashes.end(), "----"), 3);
    EXPECT_EQ(std::count(dashes.begin(), dashes.end(), "---"), 1);
    EXPECT_EQ(std::count(dashes.begin(), dashes.end(), "- - -"), 1);
    for (const char* gone : {"MZB", "KSAN", "NAV", "APT", "123"})
        EXPECT_EQ(FindText(off, gone), nullptr) << gone;
    EXPECT_FLOAT_EQ(Aircraft.MagHeading, 0.0f);  // the rose stops at north
    EXPECT_NE(FindText(off, "12.5"), nullptr);  // range labels are drawn regardless
}

TEST_F(MapPage, GpsBlockClampsMinutesToGo)
{
    Map.NavGpsSwitch = 1;
    std::memcpy(Aircraft.Raw.GpsNextIdent, "PGY   ", 6);
    Aircraft.GpsDistNext = 18520.0;  // 10 NM
    Aircraft.LocalHour = 12;
    Aircraft.GpsNextEta = 12 * 3600 - 60;  // passed a minute ago
    auto texts = MapUnitFrames();
    EXPECT_NE(FindText(texts, "PGY   "), nullptr);
    EXPECT_NE(FindText(texts, "10.0 NM"), nullptr);
    EXPECT_NE(FindText(texts, "0 MIN"), nullptr);

    Aircraft.LocalHour = 0;
    Aircraft.GpsNextEta = 23 * 3600;
    EXPECT_NE(FindText(MapUnitFrames(), "1000 MIN"), nullptr);
    Aircraft.GpsNextEta = 25 * 60 + 59;
    EXPECT_NE(FindText(MapUnitFrames(), "25 MIN"), nullptr);
}

TEST_F(MapPage, FourVorTypeAndFourNdbNearestFirst)
{
    // Six VOR-type stations and six NDBs around the aircraft, interleaved in distance.
    std::string navaids;
    const double lat = Aircraft.Latitude, lon = Aircraft.Longitude;
    for (int i = 0; i < 6; ++i) {
        navaids += NavaidLine("V" + std::to_string(i), 1, i % 2, lat + 0.05 * (2 * i + 1), lon);
        navaids += NavaidLine("N" + std::to_string(i), 0, 0, lat - 0.05 * (2 * i + 2), lon);
    }
    MapUnitLoad(navaids, "");
    Shell.ShowNdb = true;  // either filter shows all navaid kinds
    Shell.MapRangeIndex = 3;
    auto labels = Labels(Coloured(MapUnitFrames(), Green), 3, 0);
    EXPECT_EQ(labels, (std::set<std::string>{"V0", "V1", "V2", "V3", "N0", "N1", "N2", "N3"}));
}

TEST_F(MapPage, TwentyNearestAllNdbLeaveNoRoomForVors)
{
    std::string navaids;
    const double lat = Aircraft.Latitude, lon = Aircraft.Longitude;
    for (int i = 0; i < 5; ++i)
        navaids += NavaidLine("V" + std::to_string(i), 1, 1, lat + 0.5 + 0.01 * i, lon);
    for (int i = 0; i < 20; ++i)
        navaids += NavaidLine("N" + std::to_string(i), 0, 0, lat - 0.01 * (i + 1), lon + 0.01);
    MapUnitLoad(navaids, "");
    Shell.ShowVor = true;
    Shell.MapRangeIndex = 3;
    auto texts = MapUnitFrames();
    EXPECT_EQ(Labels(Coloured(texts, Green), 3, 0), (std::set<std::string>{"N0", "N1", "N2", "N3"}));
    EXPECT_NE(FindText(texts, "NAV"), nullptr);
}

TEST_F(MapPage, ShortRunwayAirportsNeverDrawn)
{
    const std::string airports = "A|KLNG|LONG|32800000|-117100000\nR|09|27|4500\nR|18|36|6000\n"
                                 "A|KSHT|SHORT|32700000|-117100000\nR|09|27|4500\nR|18|36|4999\n";
    MapUnitLoad("", airports);
    Shell.ShowAirports = true;
    Shell.MapRangeIndex = 2;
    auto texts = MapUnitFrames(4);  // airports are selected on the fourth map frame
    EXPECT_EQ(Labels(Coloured(texts, Cyan), 3, 2), (std::set<std::string>{"KLNG", "APT"}));
}

// Heading 90 puts an item due east straight ahead; heading 0 puts it to the right.
TEST_F(MapPage, MapPlacePutsItemsWhereTheHeadingUpMapShowsThem)
{
    Shell.MapRangeIndex = 4;  // 100 NM
    const float east = 270.0f;
    for (const auto& [heading, x, y] : {std::tuple{90.0f, 0.0f, 2.32f + 3.3345f}, std::tuple{0.0f, 3.3345f, 2.32f}}) {
        Aircraft.MagHeading = heading;
        MapPlace(50.0f, east);
        GLfloat m[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        EXPECT_NEAR(m[12], x, 1e-3) << heading;
        EXPECT_NEAR(m[13], y, 1e-3) << heading;
        EXPECT_NEAR(m[14], -30.0f, 1e-4);
    }
}
