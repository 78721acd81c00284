// What the map page really draws, read back from the frame: the rose's ticks and labels at
// two headings, the selected-heading marker, the wind arrow, the dimming quad, the black
// frame with the battery off, the clip box round the map, and the air-data labels kept
// clear of their values. Geometry is checked at points computed from the layout, with a
// pixel or so of tolerance each way.
#include "support/display_unit.h"

#include "map/geodesy.h"
#include "map/map.h"
#include "plan/plan.h"
#include "shell/shell.h"
#include "shell/text.h"
#include "simlink/aircraft.h"
#include "traffic/traffic.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace {

constexpr float RoseCentreY = 2.28f;
constexpr float Pi = 3.14159265f;

struct Rgb {
    int r = 0, g = 0, b = 0;
};

Rgb PixelRgb(int x, int y)
{
    unsigned char rgb[3] = {};
    glReadPixels(x, 605 - 1 - y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    return {rgb[0], rgb[1], rgb[2]};
}

// Brightest pixel within a pixel of a layout point.
int BrightestNear(float x, float y)
{
    int best = 0;
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy)
            best = std::max(best, MapUnitPixel(LayoutToPixelX(x) + dx, LayoutToPixelY(y) + dy));
    return best;
}

// The point `radius` layout units from the rose's centre, `clockwise` degrees from straight up.
float RoseX(float clockwise, float radius) { return radius * std::sin(clockwise * Pi / 180); }
float RoseY(float clockwise, float radius) { return RoseCentreY + radius * std::cos(clockwise * Pi / 180); }

// Brightest pixel over a layout rectangle, every pixel of it.
int BrightestIn(float x0, float y0, float x1, float y1)
{
    int best = 0;
    for (int py = LayoutToPixelY(y1); py <= LayoutToPixelY(y0); ++py)
        for (int px = LayoutToPixelX(x0); px <= LayoutToPixelX(x1); ++px)
            best = std::max(best, MapUnitPixel(px, py));
    return best;
}

class MapDrawn : public ::testing::Test {
protected:
    void SetUp() override
    {
        MapUnitOpen();
        Shell.BezelShown = false;
        Aircraft.AvionicsMaster = 1;
        Aircraft.BatteryMaster = 1;
        Shell.PrevBatteryMaster = 1;
    }
};

} // namespace

// Only the ten-degree ticks reach in to 7.29 x 0.8 of the rose; at 5.92 units a point on a
// tick is lit and a point four degrees beside it is dark. The tick of bearing B stands at
// B - heading clockwise from the lubber line, so a rotation the wrong way round lights
// the dark points instead.
TEST_F(MapDrawn, RoseTicksStandAtBearingMinusHeading)
{
    const float radius = 5.92f;
    for (float heading : {0.0f, 23.0f}) {
        Aircraft.MagHeading = heading;
        MapUnitFrames();
        for (float bearing : {-20.0f, -10.0f, 0.0f, 10.0f, 20.0f, 30.0f, 40.0f}) {
            float at = bearing - heading;
            if (std::fabs(at) > 50)
                continue;
            SCOPED_TRACE("heading " + std::to_string(heading) + " bearing " + std::to_string(bearing));
            EXPECT_GT(BrightestNear(RoseX(at, radius), RoseY(at, radius)), 150);
            EXPECT_LT(BrightestNear(RoseX(at + 4, radius), RoseY(at + 4, radius)), 60);
            EXPECT_LT(BrightestNear(RoseX(at - 4, radius), RoseY(at - 4, radius)), 60);
        }
    }
}

// The rose leaves out the ticks its masks hide whole, so every tick on the open arc must
// still be lit right up to the masks' edges (63.7 degrees either side of the lubber line),
// at any heading.
TEST_F(MapDrawn, RoseTicksReachTheMasksEdgesAtAnyHeading)
{
    const float radius = 0.8f * 8.0f, arcHalf = 63.7f;   // on every tick's outer part
    for (float heading : {0.0f, 58.0f, 177.5f, 303.0f}) {
        Aircraft.MagHeading = heading;
        MapUnitFrames();
        for (int bearing = 0; bearing < 360; bearing += 5) {
            const float at = std::fmod(bearing - heading + 540.0f, 360.0f) - 180.0f;   // -180..180
            SCOPED_TRACE("heading " + std::to_string(heading) + " bearing " + std::to_string(bearing));
            if (std::fabs(at) <= arcHalf - 1.5f) {
                EXPECT_GT(BrightestNear(RoseX(at, radius), RoseY(at, radius)), 120);
            }
        }
    }
}

// The rose's labels reach the trace where the rose draws them: the label of bearing B is
// centred on B - heading clockwise from the lubber line at 6.4 x 0.8 units from the centre,
// turned with the rose, and only those the masks leave open (63.7 degrees either side) are
// there. At heading 90 "E" stands upright at the top; a rose turning the wrong way would
// put "W" there. Each traced label also has lit pixels where the trace says it is.
TEST_F(MapDrawn, RoseLabelsAreTracedWhereTheRoseDrawsThem)
{
    const float radius = 6.4f * 0.8f;
    const float pixelsPerUnit = 605 / 24.852f;
    struct Case {
        float heading;
        std::map<std::string, float> shown;   // label -> clockwise from the lubber line
    };
    const Case cases[] = {{0, {{"30", -60}, {"33", -30}, {"N", 0}, {"3", 30}, {"6", 60}}},
                          {90, {{"3", -60}, {"6", -30}, {"E", 0}, {"12", 30}, {"15", 60}}}};
    Traffic.TrafficOn = false;   // its picture has range figures of its own
    for (const Case& c : cases) {
        Aircraft.MagHeading = c.heading;
        static const std::set<std::string> rose = {"N", "3", "6", "E", "12", "15", "S", "21", "24", "W", "30", "33"};
        std::vector<TraceText> labels;
        for (const TraceText& t : MapUnitFrames(2))
            if (rose.count(t.text))
                labels.push_back(t);
        ASSERT_EQ(labels.size(), c.shown.size()) << "heading " << c.heading;
        for (const TraceText& t : labels) {
            SCOPED_TRACE("heading " + std::to_string(c.heading) + " label " + t.text);
            ASSERT_EQ(c.shown.count(t.text), 1u);
            const float at = c.shown.at(t.text) * Pi / 180;
            const float half = TextWidth(t.text.c_str(), nullptr) * 0.8f / 2;
            // The start of the baseline: back half the text along the label's own baseline.
            const float x = radius * std::sin(at) - half * std::cos(at);
            const float y = RoseCentreY + radius * std::cos(at) + half * std::sin(at);
            EXPECT_NEAR(t.x, LayoutToPixelX(x) + 0.5f, 1.5f);
            EXPECT_NEAR(t.y, LayoutToPixelY(y) + 0.5f, 1.5f);
            EXPECT_NEAR(t.em, 0.8f * pixelsPerUnit, 0.5f);
            EXPECT_FLOAT_EQ(t.r + t.g + t.b, 3.0f);
            EXPECT_FALSE(t.clipped);
            // Somewhere in the glyphs' box, from the baseline up to about the cap height.
            int lit = 0;
            for (float u = 0.1f; u < 2 * half; u += 0.04f)
                for (float v = 0.1f; v < 0.55f; v += 0.04f)
                    lit = std::max(lit, MapUnitPixel(LayoutToPixelX(x + u * std::cos(at) + v * std::sin(at)),
                                                     LayoutToPixelY(y - u * std::sin(at) + v * std::cos(at))));
            EXPECT_GT(lit, 150);
        }
    }
}

// The selected heading's magenta marker sits just outside the rose at selected - heading.
TEST_F(MapDrawn, HeadingMarkerStandsAtSelectedMinusHeading)
{
    Aircraft.MagHeading = 10.0f;
    Aircraft.ApHeading = 40 * 65536 / 360;   // 40 degrees: 30 right of the nose
    MapUnitFrames();
    auto magentaAlong = [](float clockwise) {
        int found = 0;
        for (float r = 6.6f; r <= 7.3f; r += 0.02f)
            for (int dx = -2; dx <= 2; ++dx) {
                Rgb p = PixelRgb(LayoutToPixelX(RoseX(clockwise, r)) + dx, LayoutToPixelY(RoseY(clockwise, r)));
                found += p.r > 150 && p.g < 60 && p.b > 60;
            }
        return found;
    };
    EXPECT_GT(magentaAlong(30.0f), 3);
    EXPECT_EQ(magentaAlong(-30.0f), 0);
    EXPECT_EQ(magentaAlong(50.0f), 0);
}

// Wind from the north with the aircraft heading east blows to the right of the display:
// the arrow's barbs (at 0.2 from the centre, 0.144 either side of the shaft) are on the right.
TEST_F(MapDrawn, WindArrowPointsWhereTheWindBlows)
{
    Aircraft.MagHeading = 90.0f;
    Aircraft.WindDirection = 0.0f;
    MapUnitFrames();
    const float cx = -5.42f, cy = 3.32f;
    for (float side : {0.144f, -0.144f}) {
        EXPECT_GT(BrightestNear(cx + 0.2f, cy + side), 120) << side;
        EXPECT_LT(BrightestNear(cx - 0.2f, cy + side), 60) << side;
    }
}

// The dimming quad covers the display: level 0 leaves the rose's north tick white, 255
// makes it black; with the battery off nothing at all is drawn.
TEST_F(MapDrawn, DimmingAndBatteryOffDarkenTheDisplay)
{
    Aircraft.MagHeading = 0.0f;
    const float x = RoseX(0, 6.3f), y = RoseY(0, 6.3f);
    Aircraft.DimLevel = 0;
    MapUnitFrames();
    EXPECT_GT(BrightestNear(x, y), 200);
    Aircraft.DimLevel = 128;
    MapUnitFrames();
    EXPECT_NEAR(BrightestNear(x, y), 127, 30);
    Aircraft.DimLevel = 255;
    MapUnitFrames();
    EXPECT_LT(BrightestNear(x, y), 10);

    Aircraft.DimLevel = 0;
    Aircraft.BatteryMaster = 0;
    MapUnitFrames();
    int brightest = 0;
    for (int py = 0; py < 605; py += 3)
        for (int px = 0; px < 433; px += 3)
            brightest = std::max(brightest, MapUnitPixel(px, py));
    EXPECT_EQ(brightest, 0);
}

// The map is clipped to its box above the soft-key legends: a route across the whole
// range circle (west to east through the aircraft, then east to south) is drawn up to the
// box's edges and leaves everything beyond them black. The box spans 0.1529..0.8488 of the
// width (+-6.19 units) and reaches down to 0.456 of the height from the bottom (-1.13).
TEST_F(MapDrawn, MapClipBoxKeepsTheRouteInsideIt)
{
    Traffic.TrafficOn = false;   // the full-height box; the traffic picture moves its edge up
    Aircraft.MagHeading = 0;
    Shell.MapRangeIndex = 2;     // 25 NM: the points below lie far beyond the range
    Shell.ShowRoute = true;
    FlightPlanReset();
    FlightPlan.loaded = true;
    const double lat = Aircraft.Latitude, lon = Aircraft.Longitude;
    const double eastWest = 1.0 / std::cos(lat * Pi / 180);
    const double points[3][2] = {{lat, lon - eastWest}, {lat, lon + eastWest}, {lat - 1, lon}};
    for (const auto& p : points) {
        PlanLeg& leg = FlightPlan.legs[FlightPlan.legCount++];
        std::snprintf(leg.ident, sizeof leg.ident, "P%d", FlightPlan.legCount);
        leg.latitude = static_cast<float>(p[0]);
        leg.longitude = static_cast<float>(p[1]);
    }
    MapUnitFrames(2);   // the first frame settles whether the traffic picture shows
    const float y = 2.32f, r = MapFullRangeUnits;
    for (float x : {-5.95f, -5.6f, 5.6f, 5.95f})
        EXPECT_GT(BrightestNear(x, y), 150) << x;   // the diameter, inside the box
    for (float t : {0.2f, 0.4f})
        EXPECT_GT(BrightestNear(r * (1 - t), y - r * t), 150) << t;   // the chord, inside
    EXPECT_EQ(BrightestIn(6.3f, -1.0f, 8.9f, 7.5f), 0);     // right of the box
    EXPECT_EQ(BrightestIn(-8.9f, -1.0f, -6.3f, 2.9f), 0);   // left of it, under the wind
    EXPECT_EQ(BrightestIn(-8.9f, -5.0f, 8.9f, -1.25f), 0);  // below it, above the legends
}

// Each air-data value ends left of its label's first character whatever its width, and no
// text of the page touches another, the crew-alert prompt under the heading readout too.
TEST_F(MapDrawn, AirDataValuesNeverTouchTheirLabels)
{
    Map.AlertFlags = PanelFlagMasterCaution;   // kept: no link to read the flag byte from
    for (float speed : {275.0f, 9999.0f, -99999.0f}) {
        Aircraft.GroundSpeed = speed;
        Aircraft.TrueAirspeed = static_cast<int>(speed);
        Aircraft.StaticAirTemp = -speed;
        auto texts = MapUnitFrames();
        for (const char* label : {"TAS", "SAT", "GSPD"}) {
            const TraceText* l = FindText(texts, label);
            ASSERT_NE(l, nullptr) << label;
            const TraceText* value = nullptr;
            for (const TraceText& t : texts)
                if (&t != l && std::fabs(t.y - l->y) < 0.5f && t.x < l->x && t.font == l->font)
                    value = &t;
            ASSERT_NE(value, nullptr) << label;
            float advance = 0;
            float end = value->x + TextWidth(value->text.c_str(), &advance) * value->em;
            EXPECT_LT(end + 0.15f * l->em, l->x) << label << " " << value->text;
        }
        ASSERT_NE(FindText(texts, "CHECK EICAS"), nullptr);
        EXPECT_EQ(TextsTouching(texts, 0.15f), "") << speed;
    }
}
