// The navigation database loaders: read "data\navaids.txt", "data\waypoints.txt" and
// "data\Airports.txt" whole and parse them into the tables.
// Owns: NavDatabase. Reads: AircraftConfig.MIN_RUNWAY_LENGTH (airport marking).
#include "navdb/navdb.h"

#include "menu/aircraft_config.h"
#include "platform/platform.h"

#include <cstdio>
#include <string>

NavDatabaseState NavDatabase;

void NavDatabaseReset()
{
    NavDatabase = NavDatabaseState{};
}

namespace {

// One line per failure, the log opened and closed around it so that it survives a crash.
void AppendErrorLog(const char* line)
{
    PlatformAppendFile("error.log", line);
}

// The whole file in one read: the files hold hundreds of thousands of short lines and are
// read twice at start-up, so they are parsed from memory rather than line by line. The
// whole world's data converts to some 60 MB; a file beyond the cap, a FIFO or a device is
// refused with a note on standard error and counts as missing, so start-up never hangs.
constexpr size_t NavFileCap = 256u << 20;

bool ReadWholeFile(const char* path, std::string* content)
{
    std::string why;
    if (PlatformReadWholeFile(path, NavFileCap, content, &why))
        return true;
    if (PlatformPathExists(path))
        std::fprintf(stderr, "orvex: %s: %s\n", PlatformPath(path).c_str(), why.c_str());
    return false;
}

constexpr const char* NoWaypointDatabase = "ERROR - Could not open waypoint database, none found?\n";
constexpr const char* NoAirportDatabase = "ERROR - Could not open airport database, none found?\n";

} // namespace

// A missing navaid file is reported with the waypoint file's text: to the user the two
// files are one database of radio aids and fixes.
void LoadNavaids()
{
    std::string content;
    if (!ReadWholeFile("data\\navaids.txt", &content)) {
        AppendErrorLog(NoWaypointDatabase);
        return;
    }
    NavDatabase.NavaidTable.clear();
    ++NavDatabase.LoadGeneration;
    NavDatabase.RefusedNavaids = ParseNavaidLines(content.data(), content.size(), NavDatabase.NavaidTable);
}

// Unlike the other two, the waypoint table is emptied before the file is opened, so a
// missing file leaves it empty.
void LoadWaypoints()
{
    NavDatabase.WaypointTable.clear();
    ++NavDatabase.LoadGeneration;
    std::string content;
    if (!ReadWholeFile("data\\waypoints.txt", &content)) {
        AppendErrorLog(NoWaypointDatabase);
        return;
    }
    NavDatabase.RefusedWaypoints = ParseWaypointLines(content.data(), content.size(), NavDatabase.WaypointTable);
}

// The minimum runway length is applied here, once: changing it later takes effect at the
// next start.
void LoadAirports()
{
    std::string content;
    if (!ReadWholeFile("data\\Airports.txt", &content)) {
        AppendErrorLog(NoAirportDatabase);
        return;
    }
    NavDatabase.AirportTable.clear();
    ++NavDatabase.LoadGeneration;
    NavDatabase.RefusedAirports =
        ParseAirportLines(content.data(), content.size(), AircraftConfig.MIN_RUNWAY_LENGTH, NavDatabase.AirportTable);
}
