// Geodesy of the map: distances and counter-clockwise courses on the spherical earth, and
// the limited acos arguments that keep every item at a defined place.
#include "map/geodesy.h"

#include <cmath>
#include <gtest/gtest.h>

TEST(Geodesy, OneDegreeOfArcIsSixtyMilesAndCoursesRunCounterClockwise)
{
    EXPECT_NEAR(GreatCircleDistanceNm(0, 0, 0, 1), 60.0, 1e-6);
    // Due east 270, due west 90, due south 180, due north clamped just below 360.
    EXPECT_NEAR(InitialBearingDeg(0, 0, 0, 1, 60.0f), 270.0, 1e-3);
    EXPECT_NEAR(InitialBearingDeg(0, 0, 0, -1, 60.0f), 90.0, 1e-3);
    EXPECT_NEAR(InitialBearingDeg(0, 0, -1, 0, 60.0f), 180.0, 1e-3);
    EXPECT_FLOAT_EQ(InitialBearingDeg(0, 0, 1, 0, 60.0f), 359.999f);
    // North-east of the aircraft: clockwise 45, so counter-clockwise 315.
    const double d = GreatCircleDistanceNm(0, 0, 0.5, 0.5);
    EXPECT_NEAR(InitialBearingDeg(0, 0, 0.5, 0.5, static_cast<float>(d)), 315.0, 0.01);
}

TEST(Geodesy, PointsWithinAThirdOfAMileGetTheFixedTinyCourse)
{
    for (double lonOffset : {0.002, -0.002}) {
        const double lat = 32.7, lon = -117.2;
        const double d = 0.2;
        EXPECT_NEAR(InitialBearingDeg(lat, lon, lat + 0.001, lon + lonOffset, d), 0.0057296, 1e-6);
    }
}

// The sums handed to acos can round just outside -1..+1; limited, every item still gets
// a finite place on the map.
TEST(Geodesy, IdenticalPointsAndOwnMeridianStayFinite)
{
    const double lats[] = {0.0, 32.7335556, 45.123456789, -33.9, 89.9999, -89.9999, 90.0};
    for (double lat : lats) {
        const double lon = -117.1896667;
        const double same = GreatCircleDistanceNm(lat, lon, lat, lon);
        EXPECT_TRUE(std::isfinite(same)) << lat;
        EXPECT_NEAR(same, 0.0, 0.01) << lat;
        // Along the meridian with the single-precision distance a caller stores.
        for (double dLat : {0.01, 0.5, -0.5, 3.0}) {
            const double lat2 = std::fmax(-90.0, std::fmin(90.0, lat + dLat));
            const float dist = static_cast<float>(GreatCircleDistanceNm(lat, lon, lat2, lon));
            const double course = InitialBearingDeg(lat, lon, lat2, lon, dist);
            EXPECT_TRUE(std::isfinite(course)) << lat << " " << dLat;
            EXPECT_GE(course, 0.0001 - 1e-9);
            EXPECT_LE(course, 359.999 + 1e-4);
        }
    }
    // From a pole every course is finite too.
    EXPECT_TRUE(std::isfinite(InitialBearingDeg(90, 0, 80, 45, GreatCircleDistanceNm(90, 0, 80, 45))));
    EXPECT_TRUE(std::isfinite(InitialBearingDeg(-90, 0, -80, 45, GreatCircleDistanceNm(-90, 0, -80, 45))));
    // Antipodes: half the earth's circumference, finite.
    EXPECT_NEAR(GreatCircleDistanceNm(0, 0, 0, 180), 3437.7467703360626 * M_PI, 1e-3);
}
