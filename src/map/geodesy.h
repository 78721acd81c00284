// Geodesy of the program and its stand-ins: great-circle distance and initial course on a
// spherical earth (the display's, and the stand-in simulator's own), the earth constants,
// the map range table and the small numeric helpers the map frame uses.
// Pure functions: no state, no GL.
#pragma once

#include <cmath>

// The display's earth is a sphere on which a minute of arc is a nautical mile. Its degree
// factors are the 11-digit ones its ranges and courses have always been worked out with.
constexpr double DegToRad = 0.01745329252;
constexpr double RadToDeg = 57.2957795129;
constexpr double NmPerRadian = 3437.7467703360626;   // 60 * 180 / pi
constexpr double RadianPerNm = 0.00029088820870370373;
constexpr double MetresPerNm = 1852.0;

// Ranges of the map in nautical miles, selected by Shell.MapRangeIndex (0..8).
constexpr int MapRangeTable[9] = {5, 10, 25, 50, 100, 200, 300, 500, 1000};
constexpr int MapRangeCount = 9;

// Full-range radius on the display, map units at depth 30.
constexpr float MapFullRangeUnits = 6.669f;

// The range in nautical miles for a range index; indices outside 0..8 are held at the ends.
int MapRangeNmForIndex(int index);

// Nautical miles along the great circle from point 1 to point 2 (degrees, north/east positive).
double GreatCircleDistanceNm(double lat1, double lon1, double lat2, double lon2);

// Initial true course from point 1 to point 2, measured counter-clockwise from true north
// (due east gives 270, due west 90), always within 0.0001..359.999 degrees. distanceNm is
// the distance between the points as GreatCircleDistanceNm gave it (callers pass their
// stored single-precision copy).
double InitialBearingDeg(double lat1, double lon1, double lat2, double lon2, double distanceNm);

// A position's sines and cosines, so that distances and courses from one place to many
// (the map's selection over a whole world's tables) need no trigonometry per entry. These
// forms and the pieces they share with the ones above are inline: the selection's loop
// runs them for every entry of a table and must not pay a call for each.
struct GeoTrig {
    double sinLat, cosLat, sinLon, cosLon;
};

// The cosine sums below are mathematically within -1..+1, but two identical points or an
// item on the aircraft's own meridian can round them a few ulps outside, and acos of that
// is not a number: the item would be drawn nowhere (or everywhere). Holding the argument
// on the interval turns those cases into the exact answers they approximate (0 NM; due
// north or due south). A NaN argument (a NaN position) stays NaN and is never selected,
// because no comparison with the range holds for it.
inline double GeoAcosLimited(double x)
{
    if (x > 1.0)
        x = 1.0;
    else if (x < -1.0)
        x = -1.0;
    return std::acos(x);
}

// acos to within 2e-8 radians (a polynomial in x times sqrt(1 - x), after Abramowitz and
// Stegun 4.4.46): 0.0001 NM on the earth, well below what a float distance holds at the
// ranges the map selects over. The library acos is a third of a microsecond-long selection's
// main cost, so only entries well beyond the range use this.
inline double GeoAcosPolynomial(double x)
{
    const bool negative = x < 0;
    if (negative)
        x = -x;
    const double p = ((((((-0.0012624911 * x + 0.0066700901) * x - 0.0170881256) * x + 0.0308918810) * x -
                        0.0501743046) * x + 0.0889789874) * x - 0.2145988016) * x + 1.5707963050;
    const double r = std::sqrt(1.0 - x) * p;
    return negative ? 3.14159265358979323846 - r : r;
}

// The initial course, counter-clockwise from true north, from the start's latitude sine and
// cosine, the end's latitude sine, the sine of the longitude difference and the distance.
inline double GeoCourseDeg(double sinLat1, double cosLat1, double sinLat2, double sinDeltaLon, double distanceNm)
{
    const double d = distanceNm * RadianPerNm;
    double course;
    if (d <= 0.0001) {
        // Closer than about a third of a mile the course is meaningless; a fixed tiny
        // angle keeps such items on the map centre's north side.
        course = 0.0001;
    } else {
        // At a pole cos(phi1) vanishes and the quotient grows without bound; limiting
        // it makes everything due south of the north pole and due north of the south pole.
        const double q = GeoAcosLimited((sinLat2 - sinLat1 * std::cos(d)) / (std::sin(d) * cosLat1));
        // East of the aircraft the clockwise course is q, so the counter-clockwise one is 2 pi - q.
        course = sinDeltaLon < 0 ? q : 6.283185308 - q;
    }
    float degrees = static_cast<float>(course * RadToDeg);
    // A NaN course (NaN input) fails this test too and gets a defined direction.
    if (!(degrees >= 0.0001f))
        degrees = 0.0001f;
    if (degrees > 359.999f)
        degrees = 359.999f;
    return degrees;
}

inline GeoTrig GeoTrigOf(double latDeg, double lonDeg)
{
    const double phi = latDeg * DegToRad;
    const double lambda = lonDeg * DegToRad;
    return {std::sin(phi), std::cos(phi), std::sin(lambda), std::cos(lambda)};
}

// GreatCircleDistanceNm between two such positions (the longitude difference's cosine
// expanded). Where the arc's cosine lies below nearLimit, the acos is the polynomial: for
// selections that only need to know such entries are far.
inline double GreatCircleDistanceNm(const GeoTrig& from, const GeoTrig& to, double nearLimit = -1.0)
{
    const double cosDeltaLon = to.cosLon * from.cosLon + to.sinLon * from.sinLon;
    double cosArc = from.sinLat * to.sinLat + from.cosLat * to.cosLat * cosDeltaLon;
    if (cosArc > 1.0)
        cosArc = 1.0;
    else if (cosArc < -1.0)
        cosArc = -1.0;
    return (cosArc >= nearLimit ? std::acos(cosArc) : GeoAcosPolynomial(cosArc)) * NmPerRadian;
}

// InitialBearingDeg between two such positions, step by step the same formula.
inline double InitialBearingDeg(const GeoTrig& from, const GeoTrig& to, double distanceNm)
{
    const double sinDeltaLon = to.sinLon * from.cosLon - to.cosLon * from.sinLon;
    return GeoCourseDeg(from.sinLat, from.cosLat, to.sinLat, sinDeltaLon, distanceNm);
}

// The stand-in simulator's earth: a sphere of the mean earth radius (6371 km), by the
// haversine formula, with exact degree factors; courses clockwise from true north,
// 0..360, as the simulator publishes them. The display never uses these.
constexpr double SimDegToRad = 3.14159265358979323846 / 180.0;
constexpr double EarthMeanRadiusNm = 3440.065;
double HaversineDistanceNm(double lat1, double lon1, double lat2, double lon2);
double TrueCourseDeg(double lat1, double lon1, double lat2, double lon2);

float AbsF(float x);
// Halves go away from zero: 0.5 -> 1, -0.5 -> -1.
int RoundToInt(double x);
// Folds an angle difference into -180..180 (one turn at most, as the heading marker needs).
float FoldTo180(float a);
