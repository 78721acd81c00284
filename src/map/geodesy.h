// Geodesy of the moving map: great-circle distance and initial course on a spherical
// earth, the map range table and the small numeric helpers the map frame uses.
// Pure functions: no state, no GL.
#pragma once

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

float AbsF(float x);
// Halves go away from zero: 0.5 -> 1, -0.5 -> -1.
int RoundToInt(double x);
// Folds an angle difference into -180..180 (one turn at most, as the heading marker needs).
float FoldTo180(float a);
