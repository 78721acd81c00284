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

// The entries' sines and cosines, made again only when the table changes.
MapGeoCache& GeoCacheFor(const std::vector<NavRecord>& table, bool navaids)
{
    MapGeoCache& cache = navaids ? Map.NavaidGeo : Map.AirportGeo;
    if (cache.data == table.data() && cache.size == table.size() && cache.generation == NavDatabase.LoadGeneration)
        return cache;
    cache.entries.resize(table.size());
    for (size_t i = 0; i < table.size(); ++i)
        cache.entries[i] = GeoTrigOf(static_cast<double>(table[i].Lat), static_cast<double>(table[i].Lon));
    cache.data = table.data();
    cache.size = table.size();
    cache.generation = NavDatabase.LoadGeneration;
    return cache;
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

    const GeoTrig here = GeoTrigOf(Aircraft.Latitude, Aircraft.Longitude);
    const MapGeoCache& geo = GeoCacheFor(table, navaids);
    const float range = static_cast<float>(MapRangeNm());
    const double nearLimit = std::cos((range + 1.0) / NmPerRadian);
    const int count = static_cast<int>(table.size());
    for (int i = 0; i < count; ++i) {
        NavRecord& entry = table[static_cast<size_t>(i)];
        const GeoTrig& e = geo.entries[static_cast<size_t>(i)];
        // Entries whose arc cosine lies below nearLimit are more than a mile beyond the
        // range and get the polynomial acos; the in-range test always sees the exact one.
        entry.DistanceNm = static_cast<float>(GreatCircleDistanceNm(here, e, nearLimit));
        if (!(entry.DistanceNm <= range))
            continue;  // beyond range (or no position at all): keeps its old angle
        nearList.push_back(i);
        entry.Angle = entry.DistanceNm >= 0.00001f ? static_cast<float>(InitialBearingDeg(here, e, entry.DistanceNm))
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
