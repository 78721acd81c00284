// The FMC flight plan reader: a sectioned text file of "[SECTION]" headers and key=value
// lines. The leg list is read by position (a declared leg count, then a block of eight
// lines per leg, of which the identifier, latitude and longitude lines are used); the
// airport section is skipped by its line count. FMC legs carry no type letter.
// Owns: nothing. Writes: FlightPlan.legs, legCount, droppedLegs, refusedLegs.
#include "plan/plan.h"
#include "plan/plan_text.h"

#include <cstring>
#include <string>

namespace {

// The two title lines at the top go through a 256-byte buffer; a longer first line means
// this is no FMC plan, and nothing of it is read.
constexpr size_t FmcTitleBufferBytes = 256;
constexpr size_t NotFound = static_cast<size_t>(-1);

enum FmcSection { FmcVersion, FmcAirports, FmcLegList, FmcRoute, FmcSid, FmcStar };
const char* const FmcSectionNames[] = {"VERSION", "AIRPORTS", "LEGLIST", "ROUTE", "SID", "STAR"};

// The airport section has a fixed length: departure and arrival data the map does not use.
constexpr int FmcAirportLines = 11;
constexpr int FmcBlockLines = 8;

struct FmcReader {
    PlanText text;
    std::string line;          // the line the section tokens come from
    char* cursor = nullptr;    // the rest of that line
    // The last search for the "LegCount" line, so that a file of many leg-list headers is
    // still read in one pass: from searchFrom on, the first such line starts at foundAt.
    bool searched = false;
    size_t searchFrom = 0;
    size_t foundAt = NotFound;
    long foundCount = 0;
};

int FmcSectionNumber(const char* token)
{
    for (int i = 0; i < static_cast<int>(sizeof FmcSectionNames / sizeof FmcSectionNames[0]); ++i)
        if (std::strcmp(token, FmcSectionNames[i]) == 0)
            return i;
    return FmcVersion;   // an unknown word is handled like VERSION: not at all
}

// The value of a key=value line: everything after the equals sign to the end of the line,
// without the blanks and the line end around it (an identifier written "Ident = KSEA" is
// KSEA). Null when the line has none.
char* FmcValue(char** cursor)
{
    char* p = *cursor;
    if (!p)
        return nullptr;
    while (*p && PlanFmcValueSet.Has(*p))
        ++p;
    while (*p == ' ' || *p == '\t')
        ++p;
    char* end = p + std::strlen(p);
    *cursor = end;
    while (end > p && (end[-1] == '\n' || end[-1] == '\r' || end[-1] == ' ' || end[-1] == '\t'))
        *--end = '\0';
    return *p ? p : nullptr;
}

// Loads line into reader.line and points the token cursor at its start.
bool FmcNextLine(FmcReader& reader)
{
    bool got = PlanReadLine(&reader.text, &reader.line);
    reader.cursor = reader.line.data();
    return got;
}

// The declared leg count: the value of the first line from `from` on whose key contains
// "LegCount"; 0 when there is none before the end.
long FmcDeclaredLegs(FmcReader& reader, size_t from)
{
    if (reader.searched && from >= reader.searchFrom && (reader.foundAt == NotFound || from <= reader.foundAt))
        return reader.foundCount;
    PlanText scan = reader.text;
    scan.pos = from;
    std::string line;
    reader.searched = true;
    reader.searchFrom = from;
    reader.foundAt = NotFound;
    reader.foundCount = 0;
    for (;;) {
        size_t start = scan.pos;
        if (!PlanReadLine(&scan, &line))
            break;
        char* cursor = line.data();
        char* key = PlanNextToken(&cursor, PlanFmcHeaderSet);
        if (key && std::strstr(key, "LegCount")) {
            reader.foundAt = start;
            reader.foundCount = PlanReadInteger(FmcValue(&cursor));
            break;
        }
    }
    return reader.foundCount;
}

// One block of eight lines: 0 the identifier, 3 the latitude, 4 the longitude, all in
// plain signed decimal degrees; the leg is complete with line 7. False when the text ends
// first; a leg cut off there is not part of the plan. A block whose latitude or longitude
// line carries no value at all is read but not stored: its point would be drawn at 0N 0E.
bool FmcReadBlock(FmcReader& reader)
{
    PlanLeg leg;
    bool latitude = false, longitude = false;
    for (int row = 0; row < FmcBlockLines; ++row) {
        if (!FmcNextLine(reader))
            return false;
        PlanNextToken(&reader.cursor, PlanFmcHeaderSet);   // the key
        char* value = FmcValue(&reader.cursor);
        if (row == 0) {
            PlanStoreIdent(&leg, value ? value : "");
        } else if (row == 3 && value) {
            leg.latitude = static_cast<float>(PlanReadDecimal(value));
            latitude = true;
        } else if (row == 4 && value) {
            leg.longitude = static_cast<float>(PlanReadDecimal(value));
            longitude = true;
        }
    }
    if (latitude && longitude) {
        if (PlanLeg* slot = PlanCurrentLeg())
            *slot = leg;
        PlanCompleteLeg();
    }
    return true;
}

// [LEGLIST]: find the declared count anywhere below the header, then read that many blocks
// from the line right after the header (a "LegCount" line placed there is read as part of
// the first block). A count above the plan's 50 legs reads the further blocks too, so the
// reading goes on after the list, but only counts them in droppedLegs; a count larger than
// the file holds ends with the file; zero or a negative count reads no block, and the
// section's lines are then read as ordinary lines.
void FmcReadLegList(FmcReader& reader)
{
    size_t mark = reader.text.pos;
    long declared = FmcDeclaredLegs(reader, mark);
    reader.text.pos = mark;
    reader.line.clear();
    reader.cursor = reader.line.data();
    for (long i = 0; i < declared; ++i)
        if (!FmcReadBlock(reader))
            break;
    // The last block line's value ran to its end: no section tokens are left on it.
    reader.line.clear();
    reader.cursor = reader.line.data();
}

// Skips the airport section; the section tokens then come from the last line it skipped.
void FmcSkipAirports(FmcReader& reader)
{
    for (int i = 0; i < FmcAirportLines; ++i)
        if (!FmcNextLine(reader))
            break;
}

void FmcHandleToken(FmcReader& reader, const char* token)
{
    switch (FmcSectionNumber(token)) {
    case FmcAirports: FmcSkipAirports(reader); break;
    case FmcLegList: FmcReadLegList(reader); break;
    default: break;   // VERSION, ROUTE, SID, STAR and unknown words need nothing
    }
}

} // namespace

void ReadFmcText(const char* data, unsigned long size)
{
    PlanReaderStart();
    FmcReader reader;
    PlanTextBegin(&reader.text, data, size);
    char title[FmcTitleBufferBytes];
    for (int i = 0; i < 2; ++i) {
        size_t n = PlanReadLine(&reader.text, title, sizeof title);
        if (n == 0)
            return;
        if (n == sizeof title - 1 && title[n - 1] != '\n')
            return;   // a line of 255 characters or more
    }
    while (FmcNextLine(reader)) {
        char* first = PlanNextToken(&reader.cursor, PlanFmcHeaderSet);
        if (first)
            FmcHandleToken(reader, first);
        // The handler may have read lines of its own; the rest of the last one follows.
        while (char* token = PlanNextToken(&reader.cursor, PlanXmlLineSet))
            FmcHandleToken(reader, token);
    }
}

void ReadFmcPlan(const char* path)
{
    std::string content;
    if (!ReadPlanFile(path, &content)) {
        PlanReaderStart();   // not there: a plan without legs, and no message
        return;
    }
    ReadFmcText(content.data(), content.size());
}
