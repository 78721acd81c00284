// Selection of nearby navaids and airports and the nearest-first cut the layers draw
// from. Owns: Map (near lists, drawn copies, frame counter). Reads: Aircraft position and
// magnetic variation, Shell.MapRangeIndex; writes DistanceNm/Angle into the table entries.
#include "map/geodesy.h"
#include "map/map.h"
#include "shell/shell.h"
#include "simlink/aircraft.h"

#include <algorithm>
#include <cmath>

MapState Map;

void MapReset()
{
    Map = MapState{};
}

int MapRangeNm()
{
    return MapRangeNmForIndex(Shell.MapRangeIndex);
}

namespace {

constexpr double DegToRad = 0.01745329252;
constexpr double NmPerRadian = 3437.7467703360626;

MapGeoCache& GeoCacheFor(const std::vector<NavRecord>& table, bool navaids)
{
    MapGeoCache& cache = navaids ? Map.NavaidGeo : Map.AirportGeo;
    if (cache.data == table.data() && cache.size == table.size() && cache.generation == NavDatabase.LoadGeneration)
        return cache;
    cache.entries.resize(table.size());
    for (size_t i = 0; i < table.size(); ++i) {
        const double phi = static_cast<double>(table[i].Lat) * DegToRad;
        const double lambda = static_cast<double>(table[i].Lon) * DegToRad;
        cache.entries[i] = {std::sin(phi), std::cos(phi), std::sin(lambda), std::cos(lambda)};
    }
    cache.data = table.data();
    cache.size = table.size();
    cache.generation = NavDatabase.LoadGeneration;
    return cache;
}

// acos to within 2e-8 radians (a polynomial in x times sqrt(1 - x), after Abramowitz and
// Stegun 4.4.46): 0.0001 NM on the earth, well below what a float distance holds at the
// range it is used for. The library acos is a third of a microsecond-long selection's
// main cost, so only entries near or inside the range use it.
double AcosPolynomial(double x)
{
    const bool negative = x < 0;
    if (negative)
        x = -x;
    const double p = ((((((-0.0012624911 * x + 0.0066700901) * x - 0.0170881256) * x + 0.0308918810) * x -
                        0.0501743046) * x + 0.0889789874) * x - 0.2145988016) * x + 1.5707963050;
    const double r = std::sqrt(1.0 - x) * p;
    return negative ? 3.14159265358979323846 - r : r;
}

// GreatCircleDistanceNm with the cosine of the longitude difference expanded into the
// cached sines and cosines; the same spherical law of cosines, the argument held on -1..+1.
// Entries whose cosine lies below nearLimit are more than a mile beyond the range and get
// the polynomial; the in-range test therefore always sees the library's exact value.
double CachedDistanceNm(double sinLat1, double cosLat1, double sinLon1, double cosLon1, const MapGeoEntry& e,
                        double nearLimit)
{
    const double cosDeltaLon = e.cosLon * cosLon1 + e.sinLon * sinLon1;
    double cosArc = sinLat1 * e.sinLat + cosLat1 * e.cosLat * cosDeltaLon;
    if (cosArc > 1.0)
        cosArc = 1.0;
    else if (cosArc < -1.0)
        cosArc = -1.0;
    return (cosArc >= nearLimit ? std::acos(cosArc) : AcosPolynomial(cosArc)) * NmPerRadian;
}

// InitialBearingDeg over the cached sines and cosines, step by step the same formula:
// counter-clockwise from true north, 0.0001 radians within about a third of a mile, the
// acos argument held on -1..+1, the result held within 0.0001..359.999 degrees.
float CachedBearingDeg(double sinLat1, double cosLat1, double sinLon1, double cosLon1, const MapGeoEntry& e,
                       float distanceNm)
{
    const double d = distanceNm * 0.00029088820870370373;
    double course = 0.0001;
    if (d > 0.0001) {
        double c = (e.sinLat - sinLat1 * std::cos(d)) / (std::sin(d) * cosLat1);
        c = c > 1.0 ? 1.0 : (c < -1.0 ? -1.0 : c);
        const double q = std::acos(c);
        const double sinDeltaLon = e.sinLon * cosLon1 - e.cosLon * sinLon1;
        course = sinDeltaLon < 0 ? q : 6.283185308 - q;
    }
    float degrees = static_cast<float>(course * 57.2957795129);
    if (!(degrees >= 0.0001f))  // also a NaN
        degrees = 0.0001f;
    if (degrees > 359.999f)
        degrees = 359.999f;
    return degrees;
}

} // namespace

// Runs every fourth map frame per layer, on different frames for the two layers, because
// it is the only place the map touches every entry of a whole world's tables.
void SelectNearby(std::vector<NavRecord>& table)
{
    // The entries say which table they come from; an empty table (its file missing) says
    // nothing, and then the list that belongs to it by identity is emptied.
    const bool navaids = table.empty() ? &table == &NavDatabase.NavaidTable : table.front().Table == 1;
    std::vector<int>& nearList = navaids ? Map.NearNavaids : Map.NearAirports;
    nearList.clear();

    const double lat = Aircraft.Latitude, lon = Aircraft.Longitude;
    const double sinLat = std::sin(lat * DegToRad), cosLat = std::cos(lat * DegToRad);
    const double sinLon = std::sin(lon * DegToRad), cosLon = std::cos(lon * DegToRad);
    const MapGeoCache& geo = GeoCacheFor(table, navaids);
    const float range = static_cast<float>(MapRangeNm());
    const double nearLimit = std::cos((range + 1.0) / NmPerRadian);
    const int count = static_cast<int>(table.size());
    for (int i = 0; i < count; ++i) {
        NavRecord& entry = table[static_cast<size_t>(i)];
        const MapGeoEntry& e = geo.entries[static_cast<size_t>(i)];
        entry.DistanceNm = static_cast<float>(CachedDistanceNm(sinLat, cosLat, sinLon, cosLon, e, nearLimit));
        if (!(entry.DistanceNm <= range))
            continue;  // beyond range (or no position at all): keeps its old angle
        nearList.push_back(i);
        entry.Angle = entry.DistanceNm >= 0.00001f ? CachedBearingDeg(sinLat, cosLat, sinLon, cosLon, e, entry.DistanceNm)
                                                   : 0.0f;
        entry.Angle += Aircraft.MagVar;
    }
}

void MapBuildDrawnList(const std::vector<int>& nearList, const std::vector<NavRecord>& table, size_t limit,
                       std::vector<NavRecord>& drawn)
{
    // Only the nearest `limit` are ever drawn, so a partial sort of indices replaces
    // copying and sorting the whole near list (thousands of entries at 1000 NM).
    std::vector<int>& order = Map.SortScratch;
    order.clear();
    for (int index : nearList)
        if (index >= 0 && static_cast<size_t>(index) < table.size())
            order.push_back(index);
    const size_t n = std::min(limit, order.size());
    std::partial_sort(order.begin(), order.begin() + static_cast<long>(n), order.end(), [&](int a, int b) {
        return table[static_cast<size_t>(a)].DistanceNm < table[static_cast<size_t>(b)].DistanceNm;
    });
    drawn.clear();
    for (size_t i = 0; i < n; ++i)
        drawn.push_back(table[static_cast<size_t>(order[i])]);
}

void MapPickNavaidSymbols(const std::vector<NavRecord>& drawn, unsigned symbols[MapMaxDrawnNavaids])
{
    int vorType = 0, ndb = 0;
    const size_t n = std::min(drawn.size(), MapMaxDrawnNavaids);
    for (size_t i = 0; i < n; ++i) {
        const NavRecord& entry = drawn[i];
        unsigned symbol = Ils;
        if (entry.InPlan)
            symbol = Ils;
        else if (entry.Kind == VorDme && vorType < 4)
            symbol = VorDme, ++vorType;
        else if (entry.Kind == Ndb && ndb < 4)
            symbol = Ndb, ++ndb;
        else if (entry.Kind == Vor && vorType < 4)
            symbol = Vor, ++vorType;
        symbols[i] = symbol;
    }
}
