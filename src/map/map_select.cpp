// Selection of nearby navaids and airports and the nearest-first cut the layers draw
// from. Owns: Map (near lists, drawn copies, frame counter). Reads: Aircraft position and
// magnetic variation, Shell.MapRangeIndex; writes DistanceNm/Angle into the table entries.
#include "map/geodesy.h"
#include "map/map.h"
#include "shell/shell.h"
#include "simlink/aircraft.h"

#include <algorithm>

MapState Map;

void MapReset()
{
    Map = MapState{};
}

int MapRangeNm()
{
    return MapRangeNmForIndex(Shell.MapRangeIndex);
}

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
    const float range = static_cast<float>(MapRangeNm());
    const int count = static_cast<int>(table.size());
    for (int i = 0; i < count; ++i) {
        NavRecord& entry = table[static_cast<size_t>(i)];
        entry.DistanceNm = static_cast<float>(GreatCircleDistanceNm(lat, lon, entry.Lat, entry.Lon));
        if (!(entry.DistanceNm <= range))
            continue;  // beyond range (or no position at all): keeps its old angle
        nearList.push_back(i);
        entry.Angle = entry.DistanceNm >= 0.00001f
                          ? static_cast<float>(InitialBearingDeg(lat, lon, entry.Lat, entry.Lon, entry.DistanceNm))
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
