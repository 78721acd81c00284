// The three conversions: nav.dat rows to navaids.txt (VOR and DME rows of one station
// folded into one entry), fix.dat rows to waypoints.txt, apt.dat airports and land
// runways to Airports.txt. Pure text in, text out; the program around them does the files.
#include "navdata.h"

#include "map/geodesy.h"

#include <cmath>
#include <cstdlib>
#include <string_view>
#include <unordered_map>

namespace {

using Token = std::string_view;

// Splits a line at blanks into at most `max` tokens; returns how many. `rest` gets the
// text from token `restFrom` to the line end (names contain blanks).
int Tokenize(const std::string& line, Token* tokens, int max, int restFrom = -1, Token* rest = nullptr)
{
    int n = 0;
    size_t i = 0;
    const size_t size = line.size();
    while (n < max) {
        while (i < size && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r'))
            ++i;
        if (i >= size)
            break;
        if (n == restFrom && rest) {
            size_t end = size;
            while (end > i && (line[end - 1] == ' ' || line[end - 1] == '\t' || line[end - 1] == '\r'))
                --end;
            *rest = Token(line.data() + i, end - i);
        }
        const size_t start = i;
        while (i < size && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
            ++i;
        tokens[n++] = Token(line.data() + start, i - start);
    }
    return n;
}

bool ToDouble(Token t, double* value)
{
    if (t.empty() || t.size() > 40)
        return false;
    char buffer[48];
    t.copy(buffer, t.size());
    buffer[t.size()] = '\0';
    char* end = nullptr;
    *value = std::strtod(buffer, &end);
    return end == buffer + t.size() && std::isfinite(*value);
}

bool ToInt(Token t, long* value)
{
    double d;
    if (!ToDouble(t, &d) || d < -2e9 || d > 2e9)
        return false;
    *value = static_cast<long>(d);
    return true;
}

bool ValidPosition(double lat, double lon)
{
    return lat >= -90 && lat <= 90 && lon >= -180 && lon <= 180;
}

// Millionths of a degree, the display files' position unit.
void AppendMicroDegrees(std::string& out, double degrees)
{
    out += std::to_string(std::llround(degrees * 1e6));
}

// Text fields may hold anything but the separator and line ends; runs of blanks (the
// column padding of the published files) become one.
void AppendText(std::string& out, Token t)
{
    char previous = 0;
    for (char c : t) {
        if (c == '\t')
            c = ' ';
        if (c == ' ' && previous == ' ')
            continue;
        out += (c == '|' || c == '\n' || c == '\r') ? '/' : c;
        previous = c;
    }
}

// The version number on the second line ("810 Version - ...", "1100 Version - ...").
// The first line is the byte-order letter "I" or "A".
bool ReadVersion(LineSource& in, ConvertCounts& counts, long* version)
{
    std::string line;
    for (int i = 0; i < 2; ++i) {
        if (!in.Next(line))
            return false;
        ++counts.Lines;
    }
    Token t[2];
    return Tokenize(line, t, 2) == 2 && t[1] == "Version" && ToInt(t[0], version);
}

// A row that could not be understood: counted, and the first one kept for the message.
void NoteSkipped(ConvertCounts& counts, const std::string& line)
{
    if (counts.Skipped++ == 0) {
        counts.FirstSkippedLine = counts.Lines;
        counts.FirstSkippedText = line.substr(0, 60);
    }
}

bool IsEndLine(const std::string& line)
{
    Token t[2];
    return Tokenize(line, t, 2) == 1 && t[0] == "99";
}

} // namespace

bool RegionFilter::Contains(double lat, double lon) const
{
    return !Active || GreatCircleDistanceNm(Lat, Lon, lat, lon) <= RadiusNm;
}

// ---------------------------------------------------------------------------------------
// nav.dat
// ---------------------------------------------------------------------------------------

namespace {

struct NavRow {
    long type = 0;
    double lat = 0, lon = 0;
    long elevation = 0, frequency = 0, range = 0;
    std::string ident, name;
    bool vor = false, dme = false;
};

// Row types: 2 NDB, 3 VOR (also VOR-DME and VORTAC, whose DME comes as its own row),
// 4 and 5 localizers, 6 glide slopes, 7-9 marker beacons, 12 DME of a VOR or ILS,
// 13 stand-alone DME or TACAN, 14-16 approach path points of newer versions.
bool ParseNavRow(const std::string& line, long version, NavRow* row)
{
    Token t[12], rest;
    const int nameAt = version >= 1100 ? 10 : 8;
    const int n = Tokenize(line, t, 12, nameAt, &rest);
    if (n < nameAt || !ToInt(t[0], &row->type) || !ToDouble(t[1], &row->lat) || !ToDouble(t[2], &row->lon) ||
        !ToInt(t[3], &row->elevation) || !ToInt(t[4], &row->frequency) || !ToInt(t[5], &row->range) ||
        !ValidPosition(row->lat, row->lon))
        return false;
    row->ident.assign(t[7]);
    row->name.assign(n > nameAt ? rest : Token());
    // 810 localizer names start with the airport and runway; later versions give the
    // airport a column of its own.
    if (version >= 1100 && (row->type == 4 || row->type == 5))
        row->name = std::string(t[8]) + " " + row->name;
    return true;
}

void AppendNavaid(std::string& out, const NavRow& r, const std::string& name)
{
    out += r.ident;
    out += '|';
    AppendText(out, name);
    out += '|' + std::to_string(r.frequency) + '|' + (r.vor ? "1" : "0") + '|' + (r.dme ? "1" : "0") + '|' +
           std::to_string(r.range) + '|';
    AppendMicroDegrees(out, r.lat);
    out += '|';
    AppendMicroDegrees(out, r.lon);
    out += '|' + std::to_string(r.elevation) + '|' + std::to_string(r.type) + '\n';
}

} // namespace

namespace {

// The rows the display can use, in file order, with the VORs indexed by identifier.
void ReadNavRows(LineSource& in, long version, const RegionFilter& region, ConvertCounts& counts,
                 std::vector<NavRow>& rows, std::unordered_multimap<std::string, size_t>& vorByIdent)
{
    std::string line;
    NavRow row;
    while (in.Next(line)) {
        ++counts.Lines;
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        if (IsEndLine(line)) {
            counts.SawEnd = true;
            break;
        }
        if (!ParseNavRow(line, version, &row)) {
            NoteSkipped(counts, line);
            continue;
        }
        if (row.type != 2 && row.type != 3 && row.type != 4 && row.type != 5 && row.type != 12 && row.type != 13) {
            ++counts.Unused;
            continue;
        }
        if (!region.Contains(row.lat, row.lon)) {
            ++counts.OutsideRegion;
            continue;
        }
        if (row.ident.size() > 4) {
            ++counts.LongIdents;
            continue;
        }
        row.vor = row.type == 3;
        row.dme = row.type == 12 || row.type == 13;
        if (row.vor)
            vorByIdent.emplace(row.ident, rows.size());
        rows.push_back(row);
    }
}

// A VOR-DME or VORTAC is published as a VOR row and a DME row with the same identifier and
// frequency at (nearly) the same place; the display wants one station with both
// indicators. Rows are sorted by type in the published files, but the fold does not rely
// on it. Returns which rows were folded into their VOR.
std::vector<bool> FoldDmeIntoVor(std::vector<NavRow>& rows, const std::unordered_multimap<std::string, size_t>& vorByIdent,
                                 ConvertCounts& counts)
{
    std::vector<bool> folded(rows.size(), false);
    for (size_t i = 0; i < rows.size(); ++i) {
        const NavRow& dme = rows[i];
        if (!dme.dme)
            continue;
        auto [first, last] = vorByIdent.equal_range(dme.ident);
        for (auto it = first; it != last; ++it) {
            NavRow& vor = rows[it->second];
            if (vor.frequency == dme.frequency && !vor.dme &&
                GreatCircleDistanceNm(vor.lat, vor.lon, dme.lat, dme.lon) < 1.0) {
                vor.dme = true;
                folded[i] = true;
                ++counts.Merged;
                break;
            }
        }
    }
    return folded;
}

} // namespace

bool ConvertNavDat(LineSource& in, const RegionFilter& region, std::string& out, ConvertCounts& counts)
{
    long version = 0;
    if (!ReadVersion(in, counts, &version))
        return false;
    std::vector<NavRow> rows;
    std::unordered_multimap<std::string, size_t> vorByIdent;
    ReadNavRows(in, version, region, counts, rows, vorByIdent);
    const std::vector<bool> folded = FoldDmeIntoVor(rows, vorByIdent, counts);
    for (size_t i = 0; i < rows.size(); ++i) {
        const NavRow& r = rows[i];
        if (folded[i])
            continue;
        if (r.type == 4 || r.type == 5) {
            // Localizers keep "ILS/" in their names: the display recognises and drops them.
            AppendNavaid(out, r, "ILS/" + r.name);
            ++counts.Ils;
        } else {
            AppendNavaid(out, r, r.name);
            r.vor ? (r.dme ? ++counts.VorDme : ++counts.Vor) : r.dme ? ++counts.Dme : ++counts.Ndb;
        }
        ++counts.Written;
    }
    return true;
}

// ---------------------------------------------------------------------------------------
// fix.dat
// ---------------------------------------------------------------------------------------

// 600: "lat lon ident"; 1100 and 1200 add the terminal area and ICAO region (and a type).
bool ConvertFixDat(LineSource& in, const RegionFilter& region, std::string& out, ConvertCounts& counts)
{
    long version = 0;
    if (!ReadVersion(in, counts, &version))
        return false;
    std::string line;
    while (in.Next(line)) {
        ++counts.Lines;
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        if (IsEndLine(line)) {
            counts.SawEnd = true;
            break;
        }
        Token t[5];
        const int n = Tokenize(line, t, 5);
        double lat, lon;
        if (n < 3 || !ToDouble(t[0], &lat) || !ToDouble(t[1], &lon) || !ValidPosition(lat, lon)) {
            NoteSkipped(counts, line);
            continue;
        }
        if (!region.Contains(lat, lon)) {
            ++counts.OutsideRegion;
            continue;
        }
        // Fixes keep their full names (five letters is the rule); the display keeps those of
        // up to four, the rest stays in the file for tools that read it.
        if (t[2].size() > 4)
            ++counts.LongIdents;
        AppendText(out, t[2]);
        out += '|';
        AppendMicroDegrees(out, lat);
        out += '|';
        AppendMicroDegrees(out, lon);
        out += '|';
        if (n >= 5)
            AppendText(out, t[4]);
        else
            out += '-';
        out += '\n';
        ++counts.Written;
    }
    return true;
}

// ---------------------------------------------------------------------------------------
// apt.dat
// ---------------------------------------------------------------------------------------

namespace {

constexpr double FeetPerNm = 6076.11549;
constexpr long DefaultMinRunwayFt = 5000;

struct Runway {
    std::string ends[2];
    long lengthFt = 0;
};

// One airport while its rows are read.
struct AirportRows {
    bool open = false;       // a land airport header was read
    std::string ident, name;
    double sumLat = 0, sumLon = 0;
    int positions = 0;       // runway end points summed
    bool datumLat = false, datumLon = false;
    double datumLatValue = 0, datumLonValue = 0;
    bool fallback = false;   // first coordinate of any other row (tower, ramp, helipad)
    double fallbackLat = 0, fallbackLon = 0;
    std::vector<Runway> runways;
};

void NoteFallback(AirportRows& a, Token lat, Token lon)
{
    double la, lo;
    if (!a.fallback && ToDouble(lat, &la) && ToDouble(lon, &lo) && ValidPosition(la, lo)) {
        a.fallback = true;
        a.fallbackLat = la;
        a.fallbackLon = lo;
    }
}

// The airport's reference point: the published datum where the file has one (1100 and
// later), else the mean of its runway ends, else any point the airport lists.
bool AirportPosition(const AirportRows& a, double* lat, double* lon)
{
    if (a.datumLat && a.datumLon) {
        *lat = a.datumLatValue, *lon = a.datumLonValue;
    } else if (a.positions > 0) {
        *lat = a.sumLat / a.positions, *lon = a.sumLon / a.positions;
    } else if (a.fallback) {
        *lat = a.fallbackLat, *lon = a.fallbackLon;
    } else {
        return false;
    }
    return ValidPosition(*lat, *lon);
}

void FinishAirport(AirportRows& a, const RegionFilter& region, std::string& out, ConvertCounts& counts)
{
    if (!a.open)
        return;
    a.open = false;
    double lat, lon;
    if (!AirportPosition(a, &lat, &lon)) {
        ++counts.Skipped;
        return;
    }
    if (!region.Contains(lat, lon)) {
        ++counts.OutsideRegion;
        return;
    }
    if (a.ident.size() > 4) {
        ++counts.LongIdents;
        return;
    }
    out += "A|";
    AppendText(out, a.ident);
    out += '|';
    AppendText(out, a.name);
    out += '|';
    AppendMicroDegrees(out, lat);
    out += '|';
    AppendMicroDegrees(out, lon);
    out += '\n';
    bool longRunway = false;
    for (const Runway& r : a.runways) {
        out += "R|";
        AppendText(out, r.ends[0]);
        out += '|';
        AppendText(out, r.ends[1]);
        out += '|' + std::to_string(r.lengthFt) + '\n';
        longRunway = longRunway || r.lengthFt >= DefaultMinRunwayFt;
        ++counts.Runways;
    }
    counts.LongRunway += longRunway ? 1 : 0;
    ++counts.Written;
}

// Row 100, a land runway: both ends' identifiers and positions; the length is the
// distance between the two ends (thresholds displaced or not).
bool AddLandRunway(AirportRows& a, const Token* t, int n)
{
    double lat1, lon1, lat2, lon2;
    if (n < 20 || !ToDouble(t[9], &lat1) || !ToDouble(t[10], &lon1) || !ToDouble(t[18], &lat2) ||
        !ToDouble(t[19], &lon2) || !ValidPosition(lat1, lon1) || !ValidPosition(lat2, lon2))
        return false;
    Runway r;
    r.ends[0].assign(t[8]);
    r.ends[1].assign(t[17]);
    r.lengthFt = std::lround(GreatCircleDistanceNm(lat1, lon1, lat2, lon2) * FeetPerNm);
    a.runways.push_back(r);
    a.sumLat += lat1 + lat2;
    a.sumLon += lon1 + lon2;
    a.positions += 2;
    return true;
}

// Row 10 of the 810 layout: a runway ("xxx" is a taxiway) by its centre and length in feet.
bool AddOldRunway(AirportRows& a, const Token* t, int n)
{
    double lat, lon;
    long length;
    if (n < 6 || !ToDouble(t[1], &lat) || !ToDouble(t[2], &lon) || !ToInt(t[5], &length) || !ValidPosition(lat, lon))
        return false;
    if (t[3] == "xxx")
        return true;
    Runway r;
    r.ends[0].assign(t[3]);
    r.ends[1] = "-";
    r.lengthFt = length;
    a.runways.push_back(r);
    a.sumLat += lat;
    a.sumLon += lon;
    a.positions += 1;
    return true;
}

} // namespace

bool ConvertAptDat(LineSource& in, const RegionFilter& region, std::string& out, ConvertCounts& counts)
{
    long version = 0;
    if (!ReadVersion(in, counts, &version))
        return false;
    AirportRows a;
    std::string line;
    Token t[24], rest;
    while (in.Next(line)) {
        ++counts.Lines;
        const int n = Tokenize(line, t, 24, 5, &rest);
        if (n == 0)
            continue;
        long code;
        if (!ToInt(t[0], &code)) {
            NoteSkipped(counts, line);
            continue;
        }
        if (code == 99) {
            counts.SawEnd = true;
            break;
        }
        if (code == 1 || code == 16 || code == 17) {
            FinishAirport(a, region, out, counts);
            a = AirportRows{};
            if (code != 1) {
                ++counts.Unused;  // seaplane bases and heliports have no land runway
                continue;
            }
            if (n < 5) {
                NoteSkipped(counts, line);
                continue;
            }
            a.open = true;
            a.ident.assign(t[4]);
            a.name.assign(n > 5 ? rest : Token());
            continue;
        }
        if (!a.open)
            continue;
        bool ok = true;
        if (code == 100)
            ok = AddLandRunway(a, t, n);
        else if (code == 10)
            ok = AddOldRunway(a, t, n);
        else if (code == 1302 && n >= 3 && t[1] == "datum_lat")
            a.datumLat = ToDouble(t[2], &a.datumLatValue);
        else if (code == 1302 && n >= 3 && t[1] == "datum_lon")
            a.datumLon = ToDouble(t[2], &a.datumLonValue);
        else if (code == 102 && n >= 4)
            NoteFallback(a, t[2], t[3]);
        else if ((code == 14 || code == 15 || code == 18 || code == 19 || code == 20 || code == 21) && n >= 3)
            NoteFallback(a, t[1], t[2]);
        if (!ok)
            NoteSkipped(counts, line);
    }
    FinishAirport(a, region, out, counts);
    return true;
}

bool ConversionWhole(const ConvertCounts& counts, const char* format, std::string* why)
{
    const long rows = counts.Lines > 2 ? counts.Lines - 2 : 0;
    if (!counts.SawEnd) {
        *why = "ends at line " + std::to_string(counts.Lines) + " without the closing \"99\" line of a " +
               format + " file: cut short";
        return false;
    }
    const bool tooMany = counts.Skipped > 10 && counts.Skipped * 100 > rows;
    const bool nothing = counts.Written == 0 && counts.Skipped > 0;
    if (tooMany || nothing) {
        *why = "line " + std::to_string(counts.FirstSkippedLine) + " is not a " + format + " row (\"" +
               counts.FirstSkippedText + "\"); " + std::to_string(counts.Skipped) + " of " + std::to_string(rows) +
               " rows not understood";
        return false;
    }
    return true;
}
