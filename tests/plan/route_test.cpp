// The route on the heading-up map, read back from the frame: the names through the text
// trace, the lines and stars from the pixels, with the route switched on and off so that
// only the route's own drawing is compared.
#include "support/display_unit.h"

#include "map/geodesy.h"
#include "map/map.h"
#include "plan/plan.h"
#include "shell/shell.h"
#include "shell/text.h"
#include "simlink/aircraft.h"
#include "traffic/traffic.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

namespace {

class Route : public ::testing::Test {
protected:
    void SetUp() override
    {
        MapUnitOpen();
        FlightPlanReset();
        Aircraft.Latitude = 10.0;
        Aircraft.Longitude = 20.0;
        Aircraft.MagHeading = 0.0f;
        Aircraft.MagVar = 0.0f;
        Shell.MapRangeIndex = 2;   // 25 NM
        Shell.ShowRoute = true;
        FlightPlan.loaded = true;
        Traffic.TrafficOn = false;   // the whole map, without the traffic picture under it
    }
    // A point `nm` from the aircraft on true course `course` (clockwise from north).
    void Add(const char* ident, double nm, double course)
    {
        PlanLeg& leg = FlightPlan.legs[FlightPlan.legCount++];
        std::snprintf(leg.ident, sizeof leg.ident, "%s", ident);
        const double c = course * M_PI / 180;
        leg.latitude = static_cast<float>(Aircraft.Latitude + nm * std::cos(c) / 60);
        leg.longitude = static_cast<float>(Aircraft.Longitude + nm * std::sin(c) / 60 / std::cos(Aircraft.Latitude * M_PI / 180));
    }
    // Brightest pixel around a point of the map given as radius (map units) and screen
    // angle (counter-clockwise from straight up).
    static int Near(float r, float screenDeg, int Spread = 1)
    {
        const float a = screenDeg * 0.0174533f;
        const int x = LayoutToPixelX(-r * std::sin(a)), y = LayoutToPixelY(2.32f + r * std::cos(a));
        int best = 0;
        for (int dx = -Spread; dx <= Spread; ++dx)
            for (int dy = -Spread; dy <= Spread; ++dy)
                best = std::max(best, MapUnitPixel(x + dx, y + dy));
        return best;
    }
};

const float Unit = MapFullRangeUnits / 25.0f;   // map units per NM at 25 NM

}  // namespace

TEST_F(Route, OnePointIsAStarWithItsNameAndNoLine)
{
    Add("ALPHA", 12, 0);
    auto texts = MapUnitFrames();
    const TraceText* name = FindText(texts, "ALPHA");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->font, 3);
    EXPECT_FLOAT_EQ(name->r + name->g + name->b, 3.0f);   // white: the GPS names another point
    EXPECT_GT(name->x, LayoutToPixelX(0));                 // upper right of the star
    EXPECT_LT(name->y, LayoutToPixelY(2.32f + 12 * Unit));
    EXPECT_GT(Near(12 * Unit, 0, 4), 200);   // the star's outline
    EXPECT_LT(Near(6 * Unit, 0), 40);     // no line from the aircraft to it
}

// Today's planners write names in UTF-8; the map writes them in the font's code page, as
// the plan page writes file names, keeping their case.
TEST_F(Route, Utf8NamesAreWrittenInTheFontsCodePage)
{
    Add("Z\xC3\xBCrich Nord", 12, 0);          // Zürich Nord
    Add("\xC5\x81\xC3\xB3""d\xC5\xBA", 8, 90);  // Łódź: Ł and ź are not in the code page
    Add("caf\xE9", 8, 270);                    // already in the code page: kept whole
    auto texts = MapUnitFrames();
    EXPECT_NE(FindText(texts, "Z\xFCrich Nord"), nullptr);
    EXPECT_NE(FindText(texts, "L\xF3""dz"), nullptr);
    EXPECT_NE(FindText(texts, "caf\xE9"), nullptr);
    for (const TraceText& t : texts)
        EXPECT_EQ(t.text.find('\xC3'), std::string::npos) << t.text;   // no UTF-8 lead byte drawn
}

TEST_F(Route, GpsNextWaypointIsMagentaByExactName)
{
    Add("ALPHA", 12, 0);
    Add("ALPH", 8, 300);
    Add("alpha", 8, 60);
    std::memcpy(Aircraft.Raw.GpsNextIdent, "ALPHA\0", 6);
    auto texts = MapUnitFrames();
    auto magenta = WithColour(texts, 0.882f, 0, 0.482f);
    ASSERT_EQ(magenta.size(), 1u);
    EXPECT_EQ(magenta[0].text, "ALPHA");
    // A name that merely starts the same, or differs only in case, stays white.
    for (const char* other : {"ALPH", "alpha"}) {
        const TraceText* t = FindText(texts, other);
        ASSERT_NE(t, nullptr) << other;
        EXPECT_FLOAT_EQ(t->g, 1.0f) << other;
    }
}

TEST_F(Route, LegsTurnWithTheHeadingUpMap)
{
    Add("NORTH", 16, 0);
    Add("EAST", 16, 90);
    // Midway along the leg between the two points, 45 degrees right of north.
    const float mid = 16 * Unit * std::sqrt(0.5f);
    for (float heading : {0.0f, 90.0f, 250.0f}) {
        Aircraft.MagHeading = heading;
        MapUnitFrames();
        const float screen = -(45.0f - heading);   // right of the nose is negative here
        EXPECT_GT(Near(mid, screen), 150) << heading;
        EXPECT_LT(Near(mid, screen + 180.0f), 40) << heading;   // nothing on the far side
        Shell.ShowRoute = false;
        MapUnitFrames();
        EXPECT_LT(Near(mid, screen), 40) << heading;
        Shell.ShowRoute = true;
    }
}

TEST_F(Route, PointsBeyondTheRangeArePulledOntoTheFullRangeCircle)
{
    // Both 50 NM away on opposite sides: no stars, and a line through the map centre.
    Add("FARN", 50, 0);
    Add("FARS", 50, 180);
    auto texts = MapUnitFrames();
    EXPECT_EQ(FindText(texts, "FARN"), nullptr);
    EXPECT_EQ(FindText(texts, "FARS"), nullptr);
    EXPECT_GT(Near(5.0f, 0), 150);     // the diameter, above the aircraft
    EXPECT_GT(Near(2.5f, 180), 150);   // and below it

}

// A star needs a distance strictly below the range: one at exactly 25 NM is left out, one
// a float step inside is drawn, with its name.
TEST_F(Route, StarsOnlyStrictlyInsideTheRange)
{
    Add("EDGE", 0, 0);
    Add("INSIDE", 0, 0);
    FlightPlan.legs[0].distanceNm = 25.0f;
    FlightPlan.legs[1].distanceNm = std::nextafter(25.0f, 0.0f);
    FlightPlan.legs[0].bearingDeg = 30.0f;
    FlightPlan.legs[1].bearingDeg = 300.0f;
    const std::string trace = MapUnitDir() + "/route-trace.jsonl";
    TextTraceOpen(trace.c_str());
    DrawRouteWaypoints();
    TextTraceClose();
    auto texts = ReadTextTrace(trace);
    EXPECT_EQ(FindText(texts, "EDGE"), nullptr);
    EXPECT_NE(FindText(texts, "INSIDE"), nullptr);
}
