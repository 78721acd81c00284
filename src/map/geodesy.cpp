// Great-circle distance and initial course on a spherical earth (the display's, from
// degrees or from kept sines and cosines, and the stand-in simulator's), the range table
// and the rounding helpers of the map frame. Owns no state; reads none.
#include "map/geodesy.h"
#include "shell/saturate.h"

#include <algorithm>
#include <cmath>

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
    return GeoAcosLimited(cosArc) * NmPerRadian;
}

double InitialBearingDeg(double lat1, double lon1, double lat2, double lon2, double distanceNm)
{
    const double phi1 = lat1 * DegToRad, lambda1 = lon1 * DegToRad;
    const double phi2 = lat2 * DegToRad, lambda2 = lon2 * DegToRad;
    return GeoCourseDeg(std::sin(phi1), std::cos(phi1), std::sin(phi2), std::sin(lambda2 - lambda1), distanceNm);
}

double HaversineDistanceNm(double lat1, double lon1, double lat2, double lon2)
{
    const double p1 = lat1 * SimDegToRad, p2 = lat2 * SimDegToRad, dl = (lon2 - lon1) * SimDegToRad;
    const double h = std::sin((p2 - p1) / 2) * std::sin((p2 - p1) / 2) +
                     std::cos(p1) * std::cos(p2) * std::sin(dl / 2) * std::sin(dl / 2);
    return 2 * std::asin(std::sqrt(std::min(1.0, h))) * EarthMeanRadiusNm;
}

double TrueCourseDeg(double lat1, double lon1, double lat2, double lon2)
{
    const double p1 = lat1 * SimDegToRad, p2 = lat2 * SimDegToRad, dl = (lon2 - lon1) * SimDegToRad;
    const double y = std::sin(dl) * std::cos(p2);
    const double x = std::cos(p1) * std::sin(p2) - std::sin(p1) * std::cos(p2) * std::cos(dl);
    return std::fmod(std::atan2(y, x) / SimDegToRad + 360.0, 360.0);
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
