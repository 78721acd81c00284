// The fixed drawings of each synoptic page, probed in the frame: every line of the tank
// outlines, bus bars, pipes, scales and frames is lit in its colour at a fifth, half and
// four fifths of its length. A line moved by more than a pixel or two, drawn in another
// colour or left out leaves a probe dark. Texts are checked through the trace elsewhere.
#include "synoptics_unit.h"

#include "synoptics/synoptics.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct Line {
    float x1, y1, x2, y2;
};

// The four sides of a rectangle outline from (x, y), `w` wide and `h` high: bottom, right,
// top, left.
std::vector<Line> Box(float x, float y, float w, float h)
{
    return {{x, y, x + w, y}, {x + w, y, x + w, y + h}, {x + w, y + h, x, y + h}, {x, y + h, x, y}};
}

void ExpectLines(const std::vector<Line>& lines, Rgb colour)
{
    for (const Line& l : lines)
        for (float t : {0.2f, 0.5f, 0.8f}) {
            const float x = l.x1 + t * (l.x2 - l.x1), y = l.y1 + t * (l.y2 - l.y1);
            EXPECT_TRUE(ColourAt(x, y, colour, 1)) << "line (" << l.x1 << ", " << l.y1 << ") to (" << l.x2 << ", "
                                                   << l.y2 << ") at " << t;
        }
}

std::vector<Line> operator+(std::vector<Line> a, const std::vector<Line>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class Schematics : public ::testing::Test {
protected:
    void SetUp() override { SynopticsUnit::Open(); }
};

} // namespace

TEST_F(Schematics, FuelTanksAndFeedLines)
{
    SynopticsUnit::Draw(DrawFuelPage);
    // The quantity bars stand on the outer sides of the wing tanks and the right side of
    // the fuselage tank, so those three sides are not probed.
    std::vector<Line> left = Box(-5.269f, -3.93f, 2.58f, 1.61f), right = Box(2.5f, -3.93f, 2.58f, 1.61f),
                      fuselage = Box(-1.7f, -4.91f, 3.05f, 1.45f);
    left.erase(left.begin() + 3);
    right.erase(right.begin() + 1);
    fuselage.erase(fuselage.begin() + 1);
    ExpectLines(left + right + fuselage +
                    std::vector<Line>{{-3.18f, -4.9f, -3.18f, -3.91f},
                                      {3.12f, -4.9f, 3.12f, -3.91f},
                                      {-2.49f, -3.0f, -1.16f, -3.0f},
                                      {2.28f, -3.0f, 0.95f, -3.0f},
                                      {-1.18f, -2.98f, -1.18f, -3.46f},
                                      {0.96f, -2.98f, 0.96f, -3.46f}},
                CyanPx);
}

TEST_F(Schematics, SummaryUnderlinesAndKeyFrame)
{
    SynopticsUnit::Draw(DrawSummaryPage);
    ExpectLines(std::vector<Line>{{-6.387f, -1.96f, -1.549f, -1.96f},
                                  {-1.087f, -1.96f, 2.81f, -1.96f},
                                  {3.24f, -1.96f, 6.51f, -1.96f}} +
                    Box(-6.317f, -7.518f, 1.974f, 0.689f),
                WhitePx);
}

TEST_F(Schematics, ElectricalBusesAndFrames)
{
    SynopticsUnit::Draw(DrawElecPage);
    ExpectLines(std::vector<Line>{{5.2f, -2.779f, 5.2f, -4.289f},
                                  {-5.22f, -2.779f, -5.22f, -4.289f},
                                  {-5.23f, -3.63f, -3.11f, -3.63f},
                                  {2.97f, -3.63f, 5.18f, -3.63f},
                                  {2.34f, -4.09f, 5.17f, -4.09f},
                                  {-5.23f, -4.09f, -2.4f, -4.09f},
                                  {2.36f, -4.09f, 2.36f, -4.26f},
                                  {-2.44f, -4.09f, -2.44f, -4.36f}} +
                    Box(-5.79f, -2.796f, 1.18f, 0.586f) + Box(-0.72f, -2.796f, 1.18f, 0.586f) +
                    Box(4.609f, -2.796f, 1.18f, 0.586f) + Box(-3.13f, -3.906f, 1.18f, 0.586f) +
                    Box(1.76f, -3.906f, 1.18f, 0.586f),
                CyanPx);
    ExpectLines(Box(-4.277f, -7.518f, 1.974f, 0.689f), WhitePx);
}

TEST_F(Schematics, HydraulicPumpsReservoirAndAccumulator)
{
    SynopticsUnit::Draw(DrawHydPage);
    const float reservoir[][2] = {{-1.88f, -4.86f}, {-1.88f, -2.198f}, {0.782f, -2.198f}, {0.782f, -4.092f},
                                  {2.523f, -4.092f}, {2.523f, -4.86f},  {1.09f, -4.86f},   {1.09f, -4.297f},
                                  {0.782f, -4.297f}, {0.782f, -4.86f},  {-1.88f, -4.86f}};
    std::vector<Line> strip;
    for (size_t i = 0; i + 1 < sizeof reservoir / sizeof reservoir[0]; ++i)
        strip.push_back({reservoir[i][0], reservoir[i][1], reservoir[i + 1][0], reservoir[i + 1][1]});
    ExpectLines(std::vector<Line>{{-5.419f, -5.13f, -0.7f, -5.13f},
                                  {-5.39f, -4.86f, -5.39f, -5.13f},
                                  {-2.37f, -4.86f, -2.37f, -5.13f},
                                  {-0.73f, -4.86f, -0.73f, -5.13f},
                                  {-5.08f, -4.44f, -4.53f, -4.44f},
                                  {-3.22f, -4.44f, -2.67f, -4.44f},
                                  {-3.89f, -1.53f, -3.89f, -4.19f},
                                  {1.93f, -5.13f, 2.98f, -5.13f},
                                  {1.96f, -4.86f, 1.96f, -5.13f},
                                  {3.42f, -1.53f, 3.42f, -4.82f},
                                  {3.43f, -3.21f, 4.01f, -3.21f}} +
                    Box(-4.55f, -4.67f, 1.33f, 0.5f) + Box(3.97f, -3.44f, 1.33f, 0.5f) + strip,
                CyanPx);
}

TEST_F(Schematics, FlightControlScalesAndDivider)
{
    SynopticsUnit::Draw(DrawFlightControlsPage);
    std::vector<Line> scales = {{-4.99f, -5.4f, -4.99f, -2.989f},
                                {0.969f, -5.35f, -2.0f, -5.35f},
                                {2.96f, -2.65f, 2.96f, -5.39f},
                                {5.34f, -2.65f, 5.34f, -5.39f},
                                {-0.52f, -2.7f, -0.52f, -2.96f}};
    for (float y : {-2.65f, -3.335f, -4.02f, -4.705f, -5.39f})
        scales.push_back({2.68f, y, 3.24f, y});
    for (float y : {-2.65f, -3.195f, -4.005f, -5.375f})
        scales.push_back({5.06f, y, 5.62f, y});
    for (float x : {-0.52f, 0.94f, -1.97f})
        scales.push_back({x, -5.09f, x, -5.35f});
    ExpectLines(scales, CyanPx);
    ExpectLines({{1.51f, -5.82f, 1.51f, -1.32f}}, WhitePx);
}

TEST_F(Schematics, EnvironmentalTemperatureScaleAndSeparator)
{
    SynopticsUnit::Draw(DrawEcsPage);
    std::vector<Line> lines = {{1.05f, -3.84f, 6.72f, -3.84f}, {-5.27f, -5.45f, -5.27f, -3.07f}};
    for (float y : {-3.07f, -3.66f, -4.25f, -4.84f, -5.44f})
        lines.push_back({-5.51f, y, -5.03f, y});
    ExpectLines(lines, WhitePx);
}
