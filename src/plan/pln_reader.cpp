// The PLN flight plan readers: the kind of file is told by its content (the word "AceXML"
// of the XML plans the planning programs write today, or the "waypoint" lines of the older
// line-based plans), then one hand-written tokeniser per kind takes from each waypoint its
// identifier, type letter and position. Everything else in the files is passed over.
// Owns: nothing. Writes: FlightPlan.legs, legCount, droppedLegs.
#include "plan/plan.h"
#include "plan/plan_text.h"

#include <cstring>
#include <string>

namespace {

// Line-based plans are read through a 100-byte line buffer: a line of more than 99
// characters arrives in pieces, and each piece is read as a line of its own.
constexpr size_t PlnLineBufferBytes = 100;

// ---------------------------------------------------------------------------------------
// Line-based plans
// ---------------------------------------------------------------------------------------
//
// A waypoint line, such as
//     waypoint.0=KSEA, A, N47* 26.99', W122* 18.69', +000429.00,
// has each coordinate as a hemisphere letter with whole degrees and a token of decimal
// minutes. Writers put the identifier once or twice, with or without a region in front, so
// the layout is found by comparing the first tokens after the key.

// Whole degrees from a hemisphere token: the letter dropped, the up to three characters
// after it read as an integer.
long HemisphereDegrees(const char* token)
{
    char digits[4] = {};
    for (int i = 0; i < 3 && token[1 + i]; ++i)
        digits[i] = token[1 + i];
    return PlanReadInteger(digits);
}

// A coordinate from its hemisphere and minutes tokens; a letter other than the two of its
// axis leaves the coordinate at 0.
float LineCoordinate(const char* hemisphere, const char* minutes, char positive, char negative)
{
    if (hemisphere[0] != positive && hemisphere[0] != negative)
        return 0.0f;
    float value = static_cast<float>(HemisphereDegrees(hemisphere)) + static_cast<float>(PlanReadDecimal(minutes)) / 60.0f;
    return hemisphere[0] == negative ? -value : value;
}

bool SameToken(char* const* tokens, int count, int a, int b)
{
    return a < count && b < count && std::strcmp(tokens[a], tokens[b]) == 0;
}

void ReadLineWaypoint(char* line)
{
    constexpr int MaxTokens = 10;   // the longest layout uses t0..t8
    char* tokens[MaxTokens];
    int count = 0;
    char* cursor = line;
    while (count < MaxTokens && (tokens[count] = PlanNextToken(&cursor, PlanLineSet)) != nullptr)
        ++count;

    int ident = 1, type = 2, latitude = 3;    // waypoint.0=KSEA, A, N47* ...
    if (SameToken(tokens, count, 1, 2)) {     // waypoint.1=, KSEA, , KSEA, A, N47* ...
        ident = 2, type = 3, latitude = 4;
    } else if (SameToken(tokens, count, 2, 3)) {   // waypoint.2=K1, SEA, , SEA, V, N47* ...
        ident = 2, type = 4, latitude = 5;
    }
    // A line too short for its layout (a line cut by the buffer, a half-written plan) is
    // left out rather than stored: a leg without a position would draw the route to 0N 0E.
    // A line with every token present but a letter that is no hemisphere keeps its leg,
    // with 0 for that coordinate, as the format has always been read.
    if (count < latitude + 4)
        return;
    if (PlanLeg* leg = PlanCurrentLeg()) {
        PlanStoreIdent(leg, tokens[ident]);
        leg->type = tokens[type][0];
        leg->latitude = LineCoordinate(tokens[latitude], tokens[latitude + 1], 'N', 'S');
        leg->longitude = LineCoordinate(tokens[latitude + 2], tokens[latitude + 3], 'E', 'W');
    }
    PlanCompleteLeg();
}

// From the first waypoint line to the end of the file or the first empty line.
void ReadLinePlan(PlanText* text)
{
    char line[PlnLineBufferBytes];
    while (PlanReadLine(text, line, sizeof line) > 0) {
        if (line[0] == '\n' || line[0] == '\0')
            break;
        ReadLineWaypoint(line);
    }
}

// ---------------------------------------------------------------------------------------
// XML plans
// ---------------------------------------------------------------------------------------
//
// One waypoint as the planning programs write it:
//     <ATCWaypoint id="SAM">
//         <ATCWaypointType>VOR</ATCWaypointType>
//         <WorldPosition>N50° 57' 18.90",W1° 20' 42.20",+000000.00</WorldPosition>
// The ident and type are kept for the leg being filled; its position completes it.

// Whether the start tag the cursor is in has more attributes after the last value.
bool XmlTagGoesOn(const char* p)
{
    while (*p == ' ')
        ++p;
    return *p && *p != '>' && *p != '/' && *p != '<' && *p != '\n';
}

// <ATCWaypoint id="...">: a new waypoint begins. Its slot is cleared first, so that an
// element which never gave a position (some planners leave it out for airports) leaves
// neither its name nor its type to the next one. The identifier is the value of the id
// attribute; a writer that puts other attributes first is allowed for, and a tag without
// an id gives the value of its first attribute, as the format has always been read.
void ReadXmlWaypointStart(char** cursor)
{
    PlanLeg* leg = PlanCurrentLeg();
    if (leg)
        *leg = PlanLeg{};
    const char* first = nullptr;
    const char* id = nullptr;
    for (int pair = 0; pair < 8 && !id; ++pair) {
        char* name = PlanNextToken(cursor, PlanXmlFieldSet);
        char* value = name ? PlanNextToken(cursor, PlanXmlFieldSet) : nullptr;
        if (!value)
            break;
        if (pair == 0)
            first = value;
        if (std::strcmp(name, "id") == 0)
            id = value;
        else if (!XmlTagGoesOn(*cursor))
            break;
    }
    PlanStoreIdent(leg, id ? id : first ? first : "");
}

// <ATCWaypointType>Airport</ATCWaypointType>: the three kinds the map tells apart. An NDB
// or a user waypoint gets no letter but keeps its name and position.
void ReadXmlWaypointType(char** cursor)
{
    char* word = PlanNextToken(cursor, PlanXmlFieldSet);
    PlanLeg* leg = PlanCurrentLeg();
    if (!word || !leg)
        return;
    if (std::strstr(word, "Airport"))
        leg->type = 'A';
    else if (std::strstr(word, "VOR"))
        leg->type = 'V';
    else if (std::strstr(word, "Intersection"))
        leg->type = 'I';
}

// Up to three characters after the hemisphere letter: the degrees.
void XmlDegreesText(const char* token, char out[4])
{
    std::memset(out, 0, 4);
    for (int i = 0; i < 3 && token[0] && token[1 + i]; ++i)
        out[i] = token[1 + i];
}

// Latitude: degrees, minutes and seconds all decimal numbers.
float XmlLatitude(char* const* t)
{
    char degrees[4];
    XmlDegreesText(t[0], degrees);
    double value = PlanReadDecimal(t[1]) / 60.0 + PlanReadDecimal(degrees) + PlanReadDecimal(t[2]) / 3600.0;
    return static_cast<float>(std::strchr(t[0], 'S') ? -value : value);
}

// Longitude: whole degrees and minutes, decimal seconds.
float XmlLongitude(char* const* t)
{
    char degrees[4];
    XmlDegreesText(t[0], degrees);
    double value = static_cast<double>(PlanReadInteger(t[1])) / 60.0 + static_cast<double>(PlanReadInteger(degrees)) +
                   PlanReadDecimal(t[2]) / 3600.0;
    return static_cast<float>(std::strchr(t[0], 'W') ? -value : value);
}

// <WorldPosition>N47° 26' 59.99",W122° 18' 41.40",+000429.00</WorldPosition>: six tokens,
// the altitude after them is not needed. A position with tokens missing completes no leg:
// the waypoint is left out instead of being drawn at 0N 0E.
void ReadXmlWorldPosition(char** cursor)
{
    char* t[6];
    for (char*& token : t)
        if (!(token = PlanNextToken(cursor, PlanXmlFieldSet)))
            return;
    if (PlanLeg* leg = PlanCurrentLeg()) {
        leg->latitude = XmlLatitude(t);
        leg->longitude = XmlLongitude(t + 3);
    }
    PlanCompleteLeg();
}

void ReadXmlLine(char* line)
{
    char* cursor = line;
    while (char* token = PlanNextToken(&cursor, PlanXmlLineSet)) {
        if (std::strcmp(token, "ATCWaypoint") == 0)
            ReadXmlWaypointStart(&cursor);
        else if (std::strcmp(token, "ATCWaypointType") == 0)
            ReadXmlWaypointType(&cursor);
        else if (std::strcmp(token, "WorldPosition") == 0)
            ReadXmlWorldPosition(&cursor);
    }
}

} // namespace

PlnKind ReadPlnText(const char* data, unsigned long size)
{
    PlanReaderStart();
    PlanText text;
    PlanTextBegin(&text, data, size);
    char line[PlnLineBufferBytes];
    for (;;) {
        size_t lineStart = text.pos;
        if (PlanReadLine(&text, line, sizeof line) == 0)
            return PlnKind::LineBased;   // neither marker: a line-based plan without legs
        if (std::strstr(line, "AceXML")) {
            ReadPlnXmlText(data, size);
            return PlnKind::Xml;
        }
        if (std::strstr(line, "waypoint")) {
            text.pos = lineStart;        // the first waypoint line is read again, as a waypoint
            ReadLinePlan(&text);
            return PlnKind::LineBased;
        }
    }
}

void ReadPlnXmlText(const char* data, unsigned long size)
{
    PlanReaderStart();
    PlanText text;
    PlanTextBegin(&text, data, size);
    std::string line;
    while (PlanReadLine(&text, &line))
        ReadXmlLine(line.data());
    // A waypoint element still open at the end (no position) leaves nothing in its slot.
    if (PlanLeg* leg = PlanCurrentLeg())
        *leg = PlanLeg{};
}

PlnKind ReadPlnPlan(const char* path)
{
    std::string content;
    if (!ReadPlanFile(path, &content)) {
        PlanReaderStart();
        return PlnKind::Missing;
    }
    return ReadPlnText(content.data(), content.size());
}

void ReadPlnXml(const char* path)
{
    std::string content;
    if (!ReadPlanFile(path, &content)) {
        PlanReaderStart();   // the XML reader opens the file itself: not there, no legs
        return;
    }
    ReadPlnXmlText(content.data(), content.size());
}
