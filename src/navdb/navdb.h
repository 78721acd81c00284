// Navigation database: the navaid, waypoint and airport tables the map draws from,
// filled from three '|'-separated text files in the installation's data folder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Station types of navaids.txt. Only Ndb, Vor and VorDme are kept; an ILS or a lone DME
// is recognised and dropped.
enum NavKind : uint32_t { Ils = 0, Ndb = 1, Vor = 2, VorDme = 3, DmeOnly = 4 };

// One entry of any table.
struct NavRecord {
    char Ident[5];       // at most 4 characters, NUL-terminated; the map label
    char Name[23];       // navaids only; at most 22 characters
    float Lat;           // degrees, north positive
    float Lon;           // degrees, east positive
    float DistanceNm;    // from the own aircraft, written by the map's selection
    float Angle;         // map angle (counter-clockwise magnetic course), written by the selection
    bool LongRunway;     // airports: a runway at least the minimum runway length
    bool InPlan;         // airports: a point of the active flight plan (hidden from the airport layer)
    uint32_t Table;      // 1 navaids, 0 airports and waypoints
    uint32_t Kind;       // navaids: NavKind
};

// The three tables; they keep their place for the whole run, reloading replaces their
// contents. Counters of refused entries are for diagnostics and tests only.
struct NavDatabaseState {
    std::vector<NavRecord> NavaidTable;
    std::vector<NavRecord> WaypointTable;
    std::vector<NavRecord> AirportTable;
    long RefusedNavaids = 0, RefusedWaypoints = 0, RefusedAirports = 0;  // last load of each
    long LoadGeneration = 0;   // counts loads, so that positions derived from a table know when to renew
};
extern NavDatabaseState NavDatabase;
void NavDatabaseReset();

// (Re)fill one table from "data\navaids.txt", "data\waypoints.txt", "data\Airports.txt"
// in the working folder. A missing file appends one line to "error.log".
void LoadNavaids();
void LoadWaypoints();
void LoadAirports();

// First occurrence of pattern in text, or null (the standard substring search).
const char* ContainsText(const char* text, const char* pattern);

// The parsers behind the loaders, over a file's bytes in memory; they append to `out`
// and return how many entries they refused (identifier too long, record cut short).
// Exposed for tests, fuzzing and the converter's self-check.
long ParseNavaidLines(const char* data, size_t size, std::vector<NavRecord>& out);
long ParseWaypointLines(const char* data, size_t size, std::vector<NavRecord>& out);
long ParseAirportLines(const char* data, size_t size, int minRunwayLength, std::vector<NavRecord>& out);
