// MFD moving map: the page frame (compass arc, ranges, data fields), the navaid and
// airport layers and the display lists built once at start-up.
#pragma once

#include "map/display_lists.h"
#include "map/geodesy.h"
#include "navdb/navdb.h"

#include <cstdint>
#include <vector>

// Sines and cosines of a table's positions, worked out once per load: with them a
// selection over a whole world's table needs one acos per entry and no other trigonometry.
struct MapGeoCache {
    const void* data = nullptr;   // the table it was made from (its storage, size and load)
    size_t size = 0;
    long generation = -1;
    std::vector<GeoTrig> entries;
};

// Map page state. Lives for the whole run; MapReset() restores the start values for tests.
struct MapState {
    int MapFrameCounter = 0;      // 0..3, one step per drawn map page; navaids re-selected at 0, airports at 3
    bool FmsMode = false;         // NAV/GPS switch on GPS: the GPS block is shown
    char GpsNextId[8] = {};       // the GPS's next waypoint, NUL-terminated
    // The two immediate reads of the page. When the link is down (or an exchange fails)
    // they keep the last value read, so the GPS block and the alert prompt hold steady
    // instead of flickering with a flaky link; at start both read as 0 (no GPS, no alert).
    uint32_t NavGpsSwitch = 0;    // 0x132C: nonzero on GPS
    uint8_t AlertFlags = 0;       // 0x73D5: the shared flag byte (master caution/warning bits)

    // Selection (every fourth frame) and drawing (every frame) of the two layers.
    std::vector<int> NearNavaids;       // indices into NavaidTable within range, table order
    std::vector<int> NearAirports;      // indices into AirportTable within range
    std::vector<NavRecord> DrawnNavaids;   // nearest 20 of NearNavaids, nearest first
    std::vector<NavRecord> DrawnAirports;  // nearest 8 of NearAirports
    std::vector<int> SortScratch;       // reused by the nearest-first cut, so frames do not allocate
    MapGeoCache NavaidGeo, AirportGeo;  // sines and cosines of the entries' positions
};
extern MapState Map;
void MapReset();

// The selected range in nautical miles (Shell.MapRangeIndex into the range table).
int MapRangeNm();

// Measures every entry of `table` (NavaidTable or AirportTable) against the own position
// and fills the matching near list with those within the selected range.
void SelectNearby(std::vector<NavRecord>& table);

// Copies of the nearest `limit` entries of `near` (indices into `table`), nearest first.
void MapBuildDrawnList(const std::vector<int>& nearList, const std::vector<NavRecord>& table, size_t limit,
                       std::vector<NavRecord>& drawn);

constexpr size_t MapMaxDrawnNavaids = 20;
constexpr size_t MapMaxDrawnAirports = 8;

// Which symbol each drawn navaid gets (drawn holds at most MapMaxDrawnNavaids): at most 4
// VOR-type (Vor and VorDme share the count) and 4 NDB, nearest first, entries of the
// flight plan skipped; the NavKind of the symbol, or Ils (0) for none.
void MapPickNavaidSymbols(const std::vector<NavRecord>& drawn, unsigned symbols[MapMaxDrawnNavaids]);

// GL drawing (map_page.cpp, map_symbols.cpp).
void DrawMapPage();
void DrawHeadingMarker();
// Where the selected heading (raw, 65536 = 360 degrees) shows: +1 the right-hand arrow, -1
// the left-hand arrow (more than 65 degrees off the nose), 0 the marker on the arc;
// *selected gets the selected heading in whole degrees.
int HeadingMarkerSide(int apHeadingRaw, float magHeading, int* selected);
void DrawOwnAircraft();
void DrawNavaids();
void DrawAirports();
// The active flight plan's route (map_route.cpp); drawn while ShowRoute is on and a plan
// has been loaded.
void DrawRoute();
void DrawRouteWaypoints();
void MapPlace(float distanceNm, float angle);
