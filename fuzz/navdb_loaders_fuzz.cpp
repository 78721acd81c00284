// Fuzzes the navigation data parsers. Built three times, once per file kind (NAVDB_KIND
// 0 navaids, 1 waypoints, 2 airports); for airports the first byte also picks the minimum
// runway length, the rest is the file. Checks what the display relies
// on: identifiers and names stay terminated within their slots, the table field is right,
// only stored kinds come out, and a runway never marks an entry it should not.
#include "navdb/navdb.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

static void CheckRecord(const NavRecord& r)
{
    if (std::memchr(r.Ident, 0, sizeof r.Ident) == nullptr || std::memchr(r.Name, 0, sizeof r.Name) == nullptr)
        std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const char* text = reinterpret_cast<const char*>(data + 1);
    const size_t length = size - 1;
    std::vector<NavRecord> out;
    switch (NAVDB_KIND) {
    case 0:
        ParseNavaidLines(text, length, out);
        for (const NavRecord& r : out) {
            CheckRecord(r);
            if (r.Table != 1 || (r.Kind != Ndb && r.Kind != Vor && r.Kind != VorDme))
                std::abort();
        }
        break;
    case 1:
        ParseWaypointLines(text, length, out);
        for (const NavRecord& r : out)
            CheckRecord(r);
        break;
    default: {
        const int minRunway = (data[0] / 3) * 100;
        ParseAirportLines(text, length, minRunway, out);
        for (const NavRecord& r : out) {
            CheckRecord(r);
            if (r.Table != 0 || r.InPlan)
                std::abort();
        }
        break;
    }
    }
    // Appending to a table that already holds entries (the second load appends after a
    // clear; a caller could pass a filled one) must index only what this parse appended.
    std::vector<NavRecord> again(3);
    std::memset(again.data(), 0, again.size() * sizeof(NavRecord));
    ParseAirportLines(text, length, 0, again);
    for (size_t i = 0; i < 3; ++i)
        if (again[i].LongRunway)
            std::abort();
    return 0;
}
