// The GPS route from a display unit's "accfg.ini": the MFD publishes a loaded line-based
// plan there under [ACTIVE_PLAN] for the cockpit, one point a line as
// LEGS_LEFT,LATITUDE,LONGITUDE,IDENT. `orvex-sim --route` loads that route into its GPS at
// start, as a cockpit's own FMS would pick the plan up, so the next start flies the plan the
// crew loaded last.
#include "sim.h"

#include "shell/text_fields.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

bool SimLoadRoute(const std::string& text, SimTimeline* timeline, std::string* error)
{
    std::istringstream in(text);
    std::string line;
    bool inSection = false;
    int count = 0, number = 0;
    SimWaypoint points[SimMaxWaypoints] = {};
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!inSection) {
            inSection = line == "[ACTIVE_PLAN]";
            continue;
        }
        if (line.empty())
            continue;
        if (line[0] == '[')
            break;
        // LEGS_LEFT,LAT,LON,IDENT; the ident is the rest of the line.
        const char* p = line.c_str();
        const ParsedInteger legs = ParseInteger(p);
        char* end = line.data() + legs.length;
        double lat = 0, lon = 0;
        bool ok = legs.found && *end == ',';
        if (ok) {
            p = end + 1;
            lat = std::strtod(p, &end);
            ok = end != p && *end == ',' && lat >= -90 && lat <= 90;
        }
        if (ok) {
            p = end + 1;
            lon = std::strtod(p, &end);
            ok = end != p && *end == ',' && lon >= -180 && lon <= 180 && end[1] != '\0';
        }
        if (!ok)
            return *error = "line " + std::to_string(number) + " of [ACTIVE_PLAN] is not LEGS,LAT,LON,IDENT", false;
        if (count == SimMaxWaypoints)
            return *error = "[ACTIVE_PLAN] has more than " + std::to_string(SimMaxWaypoints) + " points", false;
        SimWaypoint& w = points[count++];
        // The GPS's next-waypoint field holds six characters; a longer name is cut there,
        // as the simulator's own GPS cuts it.
        std::snprintf(w.ident, sizeof w.ident, "%.6s", end + 1);
        w.lat = lat;
        w.lon = lon;
    }
    if (!inSection)
        return *error = "no [ACTIVE_PLAN] section", false;
    if (count == 0)
        return *error = "[ACTIVE_PLAN] is empty (no line-based plan loaded)", false;
    std::memcpy(timeline->Waypoints, points, sizeof points);
    timeline->WaypointCount = count;
    return true;
}
