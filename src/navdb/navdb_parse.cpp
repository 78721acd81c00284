// Line parsers of the three navigation data files: '|'-separated fields, read by position,
// several records per line allowed. Pure functions over a buffer; no state, no files.
// Every read is bounded by the buffer's end, and every loop advances, so a truncated or
// hostile file can neither overrun nor hang the loader.
#include "navdb/navdb.h"

#include "shell/text_fields.h"

#include <cstring>
#include <string_view>

namespace {

using Field = std::string_view;

// The usual decimal conversion: leading blanks, a sign, leading digits; no digits gives 0.
// Values beyond the int range are held at its ends instead of overflowing.
int FieldToInt(Field f)
{
    return static_cast<int>(ParseInteger(f).value);
}

// A decimal field: blanks, sign, digits, optional fraction and exponent; anything else
// ends the number, and no digits at all give 0. Positions are written as whole millionths
// of a degree, so the common case is a plain integer and exact.
double FieldToDouble(Field f)
{
    return ParseDecimal(f).value;
}

// Positions are millionths of a degree.
float FieldToDegrees(Field f)
{
    return static_cast<float>(FieldToDouble(f) / 1000000.0);
}

// Copies text into a fixed slot. Identifiers that do not fit are refused rather than cut:
// a cut identifier would label the map with another station's name, and flight plans find
// airports by identifier. Names are only descriptive and are cut.
bool CopyIdent(char (&slot)[5], Field f)
{
    if (f.size() > 4)
        return false;
    std::memcpy(slot, f.data(), f.size());
    slot[f.size()] = '\0';
    return true;
}

void CopyName(char (&slot)[23], Field f)
{
    const size_t n = f.size() < 22 ? f.size() : 22;
    std::memcpy(slot, f.data(), n);
    slot[n] = '\0';
}

NavRecord BlankRecord()
{
    NavRecord r;
    std::memset(&r, 0, sizeof r);
    return r;
}

// Walks the lines of a buffer and hands each line's fields, in order, to `take`, which
// gets (field, isLastOnLine) and returns nothing. A line ends at '\n'; a '\r' before it is
// a Windows line end, not part of the last value. As with reading fields up to each '|',
// an empty piece after the line's final '|' is no field.
template <typename Take, typename EndLine>
void ForEachField(const char* data, size_t size, Take take, EndLine endLine)
{
    const char* p = data;
    const char* end = data + size;
    while (p < end) {
        const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        const char* lineEnd = nl ? nl : end;
        const char* valueEnd = lineEnd;
        while (valueEnd > p && valueEnd[-1] == '\r')
            --valueEnd;
        const char* f = p;
        while (f < valueEnd) {
            const char* bar = static_cast<const char*>(std::memchr(f, '|', static_cast<size_t>(valueEnd - f)));
            const char* fieldEnd = bar ? bar : valueEnd;
            take(Field(f, static_cast<size_t>(fieldEnd - f)));
            if (!bar)
                break;
            f = bar + 1;
            if (f == valueEnd)
                break;  // trailing '|': no empty last field
        }
        endLine();
        p = nl ? nl + 1 : end;
    }
}

} // namespace

// navaids.txt: identifier | name | - | VOR indicator | DME indicator | - | lat | lon | - | -
long ParseNavaidLines(const char* data, size_t size, std::vector<NavRecord>& out)
{
    Field fields[10];
    int count = 0;
    long refused = 0;
    auto take = [&](Field f) {
        fields[count++] = f;
        if (count < 10)
            return;
        count = 0;
        NavRecord r = BlankRecord();
        if (!CopyIdent(r.Ident, fields[0])) {
            ++refused;
            return;
        }
        CopyName(r.Name, fields[1]);
        const bool vor = FieldToInt(fields[3]) != 0;
        const bool dme = FieldToInt(fields[4]) != 0;
        r.Lat = FieldToDegrees(fields[6]);
        r.Lon = FieldToDegrees(fields[7]);
        r.Table = 1;
        // The "ILS/" test looks at the whole name field, before it is cut to fit.
        if (vor)
            r.Kind = dme ? VorDme : Vor;
        else if (dme)
            r.Kind = DmeOnly;
        else
            r.Kind = fields[1].find("ILS/") != Field::npos ? Ils : Ndb;
        if (r.Kind == Ndb || r.Kind == Vor || r.Kind == VorDme)
            out.push_back(r);
    };
    // A record cut short by the line's end is refused: its missing position would put a
    // station at latitude 0, longitude 0.
    auto endLine = [&] {
        if (count != 0)
            ++refused;
        count = 0;
    };
    ForEachField(data, size, take, endLine);
    return refused;
}

// waypoints.txt: identifier | lat | lon | -
long ParseWaypointLines(const char* data, size_t size, std::vector<NavRecord>& out)
{
    Field fields[4];
    int count = 0;
    long refused = 0;
    auto take = [&](Field f) {
        fields[count++] = f;
        if (count < 4)
            return;
        count = 0;
        NavRecord r = BlankRecord();
        if (!CopyIdent(r.Ident, fields[0])) {
            ++refused;
            return;
        }
        r.Lat = FieldToDegrees(fields[1]);
        r.Lon = FieldToDegrees(fields[2]);
        out.push_back(r);
    };
    auto endLine = [&] {
        if (count != 0)
            ++refused;
        count = 0;
    };
    ForEachField(data, size, take, endLine);
    return refused;
}

// Airports.txt: a field holding "A" starts an airport (A | identifier | name | lat | lon),
// a field holding "R" a runway of the airport above (R | - | - | length in feet); any
// other field between records is passed over.
long ParseAirportLines(const char* data, size_t size, int minRunwayLength, std::vector<NavRecord>& out)
{
    enum { Scan, Airport, Runway } state = Scan;
    Field fields[5];
    int count = 0, needed = 0;
    long refused = 0;
    // The airport the following runway lines belong to: none before the first airport
    // line of a load (such runways are ignored), and none after a refused airport, so its
    // runways cannot mark the airport listed before it.
    long current = -1;
    auto take = [&](Field f) {
        if (state == Scan) {
            if (f.find('A') != Field::npos)
                state = Airport, needed = 5;
            else if (f.find('R') != Field::npos)
                state = Runway, needed = 4;
            else
                return;
            count = 0;
        }
        fields[count++] = f;
        if (count < needed)
            return;
        if (state == Airport) {
            NavRecord r = BlankRecord();
            if (CopyIdent(r.Ident, fields[1])) {
                r.Lat = FieldToDegrees(fields[3]);
                r.Lon = FieldToDegrees(fields[4]);
                out.push_back(r);
                current = static_cast<long>(out.size()) - 1;
            } else {
                ++refused;
                current = -1;
            }
        } else if (current >= 0 && FieldToInt(fields[3]) >= minRunwayLength) {
            out[static_cast<size_t>(current)].LongRunway = true;
        }
        state = Scan;
    };
    auto endLine = [&] {
        if (state == Airport) {
            ++refused;
            current = -1;
        }
        state = Scan;
    };
    ForEachField(data, size, take, endLine);
    return refused;
}

const char* ContainsText(const char* text, const char* pattern)
{
    if (!text || !pattern)
        return nullptr;
    return std::strstr(text, pattern);
}
