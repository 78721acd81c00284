// The FlightGear packet line: the protocol tag, then one field per protocol chunk, all
// separated by commas. Whatever arrives on the port is untrusted: the parser reads only
// inside the line it is given, refuses a line whole when anything in it is wrong, and
// never allocates.
// Owns: nothing. Reads: the field table.
#include "sim_flightgear.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {
struct FieldInfo {
    const char* property;
    FgFieldKind kind;
};
const FieldInfo Fields[FgFieldCount] = {
#define ORVEX_FG_INFO(name, path, kind) {path, Fg##kind},
    ORVEX_FG_FIELDS(ORVEX_FG_INFO)
#undef ORVEX_FG_INFO
};
// FlightGear writes at most a few dozen characters for a number; anything longer is
// not one of ours.
constexpr size_t MaxFieldLength = 63;
}  // namespace

const char* FgFieldProperty(int field)
{
    return field >= 0 && field < FgFieldCount ? Fields[field].property : "";
}

FgFieldKind FgFieldKindOf(int field)
{
    return field >= 0 && field < FgFieldCount ? Fields[field].kind : FgNumber;
}

const char* FgLineResultName(FgLineResult result)
{
    switch (result) {
    case FgLineOk: return "good";
    case FgLineNoScenery: return "before the scenery loaded (altitude -9999)";
    case FgLineBadTag: return "not an orvex protocol line";
    case FgLineFieldCount: return "wrong number of fields";
    case FgLineBadField: return "a field that does not read";
    case FgLineTooLong: return "too long";
    default: return "?";
    }
}

// A decimal number as FlightGear's printf formats write it; strtod also takes "nan" and
// "inf", which FlightGear prints for a property that went bad: those read as 0 and are
// counted, so one broken property does not throw every packet away.
static bool ParseNumber(const char* text, size_t length, double* value, int* nonFinite)
{
    if (length == 0 || length > MaxFieldLength)
        return false;
    char buffer[MaxFieldLength + 1];
    std::memcpy(buffer, text, length);
    buffer[length] = 0;
    // strtod skips leading blanks and reads hexadecimal; neither comes from FlightGear.
    char first = buffer[0];
    if (!(first == '-' || first == '+' || first == '.' || (first >= '0' && first <= '9') || first == 'n' ||
          first == 'N' || first == 'i' || first == 'I'))
        return false;
    if (std::memchr(buffer, 'x', length) || std::memchr(buffer, 'X', length))
        return false;
    char* end = nullptr;
    double v = std::strtod(buffer, &end);
    if (end != buffer + length)
        return false;
    if (!std::isfinite(v)) {
        ++*nonFinite;
        v = 0;
    }
    *value = v;
    return true;
}

static bool ParseFlag(const char* text, size_t length, double* value)
{
    auto is = [&](const char* word) { return length == std::strlen(word) && std::memcmp(text, word, length) == 0; };
    if (is("1") || is("true")) {
        *value = 1;
        return true;
    }
    if (is("0") || is("false")) {
        *value = 0;
        return true;
    }
    return false;
}

// The identifier: up to 6 printable characters kept (a longer one is cut, as the GPS
// field holds 6), empty when there is no waypoint.
static bool ParseText(const char* text, size_t length, char* ident)
{
    if (length > MaxFieldLength)
        return false;
    size_t kept = 0;
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c > 0x7E)
            return false;
        if (kept < 6)
            ident[kept++] = static_cast<char>(c);
    }
    std::memset(ident + kept, 0, 7 - kept);
    return true;
}

FgLineResult FgParseLine(const char* line, size_t length, FgPacket* packet)
{
    if (length > 0 && line[length - 1] == '\r')
        --length;
    if (length > FgMaxLine)
        return FgLineTooLong;
    const size_t tagLength = std::strlen(FgProtocolTag);
    static_assert(sizeof "ORVEX1" == sizeof "ORVEX2", "both versions' tags are as long");
    if (length < tagLength + 1 || line[tagLength] != ',')
        return FgLineBadTag;
    int fields = 0;
    if (std::memcmp(line, FgProtocolTag, tagLength) == 0)
        packet->Version = 2, fields = FgFieldCount;
    else if (std::memcmp(line, FgProtocolTagVersion1, tagLength) == 0)
        packet->Version = 1, fields = FgFieldCountVersion1;
    else
        return FgLineBadTag;
    packet->NonFinite = 0;
    std::memset(packet->Ident, 0, sizeof packet->Ident);
    for (int field = fields; field < FgFieldCount; ++field)
        packet->Value[field] = 0;
    size_t at = tagLength + 1;
    for (int field = 0; field < fields; ++field) {
        if (at > length)
            return FgLineFieldCount;  // the line ended after a separator too early
        const char* start = line + at;
        const void* comma = std::memchr(start, ',', length - at);
        size_t fieldLength = comma ? static_cast<const char*>(comma) - start : length - at;
        if (!comma && field != fields - 1)
            return FgLineFieldCount;
        double value = 0;
        bool ok = Fields[field].kind == FgNumber ? ParseNumber(start, fieldLength, &value, &packet->NonFinite)
                  : Fields[field].kind == FgFlag ? ParseFlag(start, fieldLength, &value)
                                                 : ParseText(start, fieldLength, packet->Ident);
        if (!ok)
            return FgLineBadField;
        packet->Value[field] = value;
        at += fieldLength + 1;
    }
    if (at <= length)
        return FgLineFieldCount;  // a separator after the last field: more fields than ours
    // Until the scenery under the aircraft has loaded FlightGear reports -9999 ft.
    if (packet->Value[FgAltitudeFt] <= -9990)
        return FgLineNoScenery;
    return FgLineOk;
}
