// Great-circle distance and initial course on a spherical earth, the range table and
// the rounding helpers of the map frame. Owns no state; reads none.
#include "map/geodesy.h"
#include "shell/saturate.h"

#include <cmath>

namespace {

constexpr double DegToRad = 0.01745329252;
constexpr double RadToDeg = 57.2957795129;
constexpr double NmPerRadian = 3437.7467703360626;
constexpr double RadianPerNm = 0.00029088820870370373;

// The cosine sums below are mathematically within -1..+1, but two identical points or an
// item on the aircraft's own meridian can round them a few ulps outside, and acos of that
// is not a number: the item would be drawn nowhere (or everywhere). Holding the argument
// on the interval turns those cases into the exact answers they approximate (0 NM; due
// north or due south). A NaN argument (a NaN position) stays NaN and is never selected,
// because no comparison with the range holds for it.
double AcosLimited(double x)
{
    if (x > 1.0)
        x = 1.0;
    else if (x < -1.0)
        x = -1.0;
    return std::acos(x);
}

} // namespace

int MapRangeNmForIndex(int index)
{
    if (index < 0)
        index = 0;
    if (index >= MapRangeCount)
        index = MapRangeCount - 1;
    return MapRangeTable[index];
}

double GreatCircleDistanceNm(double lat1, double lon1, double lat2, double lon2)
{
    const double phi1 = lat1 * DegToRad, lambda1 = lon1 * DegToRad;
    const double phi2 = lat2 * DegToRad, lambda2 = lon2 * DegToRad;
    const double cosArc = std::sin(phi1) * std::sin(phi2) + std::cos(phi1) * std::cos(phi2) * std::cos(lambda2 - lambda1);
    return AcosLimited(cosArc) * NmPerRadian;
}

double InitialBearingDeg(double lat1, double lon1, double lat2, double lon2, double distanceNm)
{
    const double phi1 = lat1 * DegToRad, lambda1 = lon1 * DegToRad;
    const double phi2 = lat2 * DegToRad, lambda2 = lon2 * DegToRad;
    const double d = distanceNm * RadianPerNm;

    double course;
    if (d <= 0.0001) {
        // Closer than about a third of a mile the course is meaningless; a fixed tiny
        // angle keeps such items on the map centre's north side.
        course = 0.0001;
    } else {
        // At a pole cos(phi1) vanishes and the quotient grows without bound; limiting
        // it makes everything due south of the north pole and due north of the south pole.
        const double q = AcosLimited((std::sin(phi2) - std::sin(phi1) * std::cos(d)) / (std::sin(d) * std::cos(phi1)));
        // East of the aircraft the clockwise course is q, so the counter-clockwise one is 2 pi - q.
        course = std::sin(lambda2 - lambda1) < 0 ? q : 6.283185308 - q;
    }
    float degrees = static_cast<float>(course * RadToDeg);
    if (degrees < 0.0001f)
        degrees = 0.0001f;
    if (degrees > 359.999f)
        degrees = 359.999f;
    // A NaN course (NaN input) would pass both tests; give it a defined direction.
    if (std::isnan(degrees))
        degrees = 0.0001f;
    return degrees;
}

float AbsF(float x)
{
    return x < 0 ? -x : x;
}

int RoundToInt(double x)
{
    return SaturateRoundToInt(x);
}

float FoldTo180(float a)
{
    if (a > 180.0f)
        return a - 360.0f;
    if (a < -180.0f)
        return a + 360.0f;
    return a;
}
