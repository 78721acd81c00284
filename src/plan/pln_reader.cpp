// The PLN flight plan readers: the kind of file is told by its content (the word "AceXML"
// of the XML plans the planning programs write today, or the "waypoint" lines of the older
// line-based plans), then one hand-written tokeniser per kind takes from each waypoint its
// identifier, type letter and position. Everything else in the files is passed over.
// Owns: nothing. Writes: FlightPlan.legs, legCount, droppedLegs, refusedLegs, unplacedLegs.
#include "plan/plan.h"
#include "plan/plan_text.h"

#include <cmath>
#include <cstdlib>
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

// What the XML reader knows of the waypoint element it is in. Writers differ in where they
// put a waypoint's name and type: the id attribute of the start tag, or (the flight-planning
// screens of the newest simulators) an <ICAO><ICAOIdent> element inside the waypoint, often
// after its position; and the type may follow the position too. Everything the element says
// is therefore applied to its leg, whether that leg is still being filled or was completed
// by the position already.
struct XmlWaypoint {
    bool open = false;          // between <ATCWaypoint ...> and </ATCWaypoint>
    bool identFromId = false;   // the start tag gave the name: ICAOIdent does not replace it
    bool positioned = false;    // its position was read (kept, refused or past the 50th)
    int completedLeg = -1;      // the leg the element's position completed, if kept
};
XmlWaypoint Waypoint;

// The leg the open element's name and type go to: its completed leg, or the one being
// filled. Null when the position was read but not kept, or when the plan is full.
PlanLeg* XmlWaypointLeg()
{
    if (Waypoint.completedLeg >= 0)
        return &FlightPlan.legs[Waypoint.completedLeg];
    return Waypoint.positioned ? nullptr : PlanCurrentLeg();
}

// The waypoint element ends (its end tag, the next waypoint, the end of the file). One
// that never gave a position cannot be drawn: it is counted, so that the load can say how
// many of the plan's points are missing from the map.
void FinishXmlWaypoint()
{
    if (Waypoint.open && !Waypoint.positioned)
        ++FlightPlan.unplacedLegs;
    Waypoint.open = false;
}

// Whether the start tag the cursor is in has more attributes after the last value.
bool XmlTagGoesOn(const char* p)
{
    while (*p == ' ' || *p == '\t')
        ++p;
    return *p && *p != '>' && *p != '/' && *p != '<' && *p != '\n';
}

// The five entities an XML writer must use for markup characters in a value.
void XmlDecodeEntities(char* text)
{
    static const struct {
        const char* entity;
        char c;
    } Entities[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    char* out = text;
    for (const char* in = text; *in;) {
        bool decoded = false;
        for (const auto& e : Entities) {
            size_t n = std::strlen(e.entity);
            if (std::strncmp(in, e.entity, n) == 0) {
                *out++ = e.c;
                in += n;
                decoded = true;
                break;
            }
        }
        if (!decoded)
            *out++ = *in++;
    }
    *out = '\0';
}

// An attribute's value. A quoted value is taken whole, to its closing quote: a user
// waypoint may be named "C0 W1", and a space, comma or plus sign inside the quotes is part
// of the name. An unquoted value (not XML, but old hand-edited files have them) is one
// token, as it always was.
char* XmlAttributeValue(char** cursor)
{
    char* p = *cursor;
    while (*p == ' ' || *p == '\t' || *p == '=')
        ++p;
    if (*p != '"' && *p != '\'') {
        *cursor = p;
        return PlanNextToken(cursor, PlanXmlFieldSet);
    }
    const char quote = *p++;
    char* value = p;
    while (*p && *p != quote && *p != '\n')
        ++p;
    if (*p == quote)
        *p++ = '\0';
    else
        *p = '\0';   // no closing quote on the line: the value ends with it
    *cursor = p;
    XmlDecodeEntities(value);
    return value;
}

// <ATCWaypoint id="...">: a new waypoint begins. Its slot is cleared first, so that an
// element which never gave a position (the newest planners leave it out for airways'
// fixes they expect the simulator to look up) leaves neither its name nor its type to the
// next one. The identifier is the value of the id attribute; a writer that puts other
// attributes first is allowed for, and a tag without an id gives the value of its first
// attribute, as the format has always been read. A tag with no attribute at all leaves
// the name to an ICAOIdent element inside.
void ReadXmlWaypointStart(char** cursor)
{
    FinishXmlWaypoint();
    Waypoint = XmlWaypoint{};
    Waypoint.open = true;
    PlanLeg* leg = PlanCurrentLeg();
    if (leg)
        *leg = PlanLeg{};
    const char* first = nullptr;
    const char* id = nullptr;
    for (int pair = 0; pair < 8 && !id && XmlTagGoesOn(*cursor); ++pair) {
        char* name = PlanNextToken(cursor, PlanXmlFieldSet);
        char* value = name ? XmlAttributeValue(cursor) : nullptr;
        if (!value)
            break;
        if (pair == 0)
            first = value;
        if (std::strcmp(name, "id") == 0)
            id = value;
    }
    const char* ident = id ? id : first;
    Waypoint.identFromId = ident && *ident;
    PlanStoreIdent(leg, ident ? ident : "");
    // <ATCWaypoint id="KENET" />: an element with nothing inside, so no position.
    const char* rest = *cursor;
    while (*rest == ' ' || *rest == '\t')
        ++rest;
    if (*rest == '/')
        FinishXmlWaypoint();
}

// <ICAO><ICAOIdent>RIDAP</ICAOIdent></ICAO>: the name, for a waypoint whose start tag
// gave none.
void ReadXmlIcaoIdent(char** cursor)
{
    char* word = PlanNextToken(cursor, PlanXmlFieldSet);
    if (!Waypoint.open || Waypoint.identFromId || !word || word[0] == '/')
        return;
    XmlDecodeEntities(word);
    PlanStoreIdent(XmlWaypointLeg(), word);
}

// <ATCWaypointType>Airport</ATCWaypointType>: the three kinds the map tells apart. An NDB
// or a user waypoint gets no letter but keeps its name and position.
void ReadXmlWaypointType(char** cursor)
{
    char* word = PlanNextToken(cursor, PlanXmlFieldSet);
    PlanLeg* leg = Waypoint.open ? XmlWaypointLeg() : PlanCurrentLeg();
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

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Planners on computers set to a language that writes a decimal comma put one in the
// seconds: N47° 26' 59,99",W122° 18' 41,40",+000429.00. Such a comma stands inside a number
// that follows a blank or the minutes' apostrophe and ends at the seconds' (or minutes')
// mark; it becomes a point, and the text is read as the usual form. The commas between the
// parts stand after a quote, and a position written with commas alone between its numbers
// (N47,26,59.99) has no number ending at a mark after a comma, so neither is touched.
void XmlDecimalCommas(char* text)
{
    char* end = text;
    while (*end && *end != '<' && *end != '\n')
        ++end;
    for (char* p = text; p < end; ++p) {
        if (*p != ',' || p == text || !IsDigit(p[-1]) || !IsDigit(p[1]))
            continue;
        const char* before = p;
        while (before > text && IsDigit(before[-1]))
            --before;
        const char* after = p + 1;
        while (after < end && IsDigit(*after))
            ++after;
        const bool startsAfterBlank = before > text && (before[-1] == ' ' || before[-1] == '\'' || before[-1] == '\t');
        const bool endsAtMark = after < end && (*after == '"' || *after == '\'');
        if (startsAfterBlank && endsAtMark)
            *p = '.';
    }
}

// The newest planners' libraries may write the position in signed decimal degrees:
// 54.285833,-130.444678,+116.0 (latitude, longitude, altitude). Recognised by its first
// character, a digit, sign or point where the usual form has its hemisphere letter.
// True when it was this form (whether or not it gave a position).
bool ReadXmlDecimalPosition(char** cursor, bool* complete)
{
    char* p = *cursor;
    while (*p == ' ' || *p == '\t')
        ++p;
    if (!(IsDigit(*p) || *p == '+' || *p == '-' || *p == '.'))
        return false;
    char* end = p;
    while (*end && *end != '<' && *end != '\n')
        ++end;
    std::string text(p, end);
    *cursor = end;
    *complete = false;
    char* after = nullptr;
    const double latitude = std::strtod(text.c_str(), &after);
    if (after == text.c_str())
        return true;
    while (*after == ' ' || *after == '\t')
        ++after;
    if (*after != ',')
        return true;
    const char* second = after + 1;
    const double longitude = std::strtod(second, &after);
    if (after == second || !std::isfinite(latitude) || !std::isfinite(longitude))
        return true;
    if (PlanLeg* leg = PlanCurrentLeg()) {
        // Anything beyond a float is outside the earth anyway; kept finite so that the
        // range check can refuse it.
        leg->latitude = static_cast<float>(std::fmax(-1.0e7, std::fmin(1.0e7, latitude)));
        leg->longitude = static_cast<float>(std::fmax(-1.0e7, std::fmin(1.0e7, longitude)));
    }
    *complete = true;
    return true;
}

// The position completes the waypoint's leg; the element's name and type still reach it
// if they come after.
void CompleteXmlLeg()
{
    const int before = FlightPlan.legCount;
    PlanCompleteLeg();
    Waypoint.positioned = true;
    Waypoint.completedLeg = FlightPlan.legCount > before ? before : -1;
}

// <WorldPosition>N47° 26' 59.99",W122° 18' 41.40",+000429.00</WorldPosition>: six tokens,
// the altitude after them is not needed. A position with tokens missing completes no leg:
// the waypoint is left out instead of being drawn at 0N 0E.
void ReadXmlWorldPosition(char** cursor)
{
    bool complete = false;
    if (ReadXmlDecimalPosition(cursor, &complete)) {
        if (complete)
            CompleteXmlLeg();
        return;
    }
    XmlDecimalCommas(*cursor);
    char* t[6];
    for (char*& token : t)
        if (!(token = PlanNextToken(cursor, PlanXmlFieldSet)))
            return;
    if (PlanLeg* leg = PlanCurrentLeg()) {
        leg->latitude = XmlLatitude(t);
        leg->longitude = XmlLongitude(t + 3);
    }
    CompleteXmlLeg();
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
        else if (std::strcmp(token, "ICAOIdent") == 0)
            ReadXmlIcaoIdent(&cursor);
        else if (std::strcmp(token, "/ATCWaypoint") == 0)
            FinishXmlWaypoint();
    }
}


// The document element of an XML file: the first element after the declaration, comments
// and a document type. Empty when the text does not start as XML.
std::string XmlDocumentElement(const char* data, size_t size)
{
    PlanText text;
    PlanTextBegin(&text, data, size);
    const char* p = data + text.pos;
    const char* end = data + size;
    auto skipBlanks = [&] {
        while (p < end && (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n'))
            ++p;
    };
    auto skipPast = [&](const char* closing) {
        const size_t n = std::strlen(closing);
        for (; p + n <= end; ++p)
            if (std::memcmp(p, closing, n) == 0) {
                p += n;
                return true;
            }
        return false;
    };
    for (;;) {
        skipBlanks();
        if (p >= end || *p != '<')
            return {};
        if (end - p >= 2 && p[1] == '?') {
            if (!skipPast("?>"))
                return {};
        } else if (end - p >= 4 && std::memcmp(p, "<!--", 4) == 0) {
            if (!skipPast("-->"))
                return {};
        } else if (end - p >= 2 && p[1] == '!') {
            if (!skipPast(">"))
                return {};
        } else {
            break;
        }
    }
    const char* name = ++p;
    while (p < end && *p != ' ' && *p != '\t' && *p != '\r' && *p != '\n' && *p != '>' && *p != '/')
        ++p;
    return std::string(name, p);
}

// The flight-planning screens of the newest simulators, and the online planners that
// write for them, no longer put the word "AceXML" in their plans: the document element
// alone says what they are.
bool IsXmlPlanDocument(const char* data, size_t size)
{
    const std::string root = XmlDocumentElement(data, size);
    return root == "SimBase.Document" || root == "FlightPlan.FlightPlan";
}

// Some Windows tools save their plans in UTF-16, marked by a byte order mark: read as bytes
// such a file has a zero after every ASCII character and no reader finds a word in it. It
// is turned into UTF-8 (a broken surrogate pair becomes "?"). False when the text has no
// UTF-16 mark.
bool Utf16ToUtf8(const char* data, size_t size, std::string* out)
{
    const auto* b = reinterpret_cast<const unsigned char*>(data);
    if (size < 2 || !((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF)))
        return false;
    const bool little = b[0] == 0xFF;
    auto unit = [&](size_t i) { return little ? b[i] | (b[i + 1] << 8) : (b[i] << 8) | b[i + 1]; };
    out->clear();
    out->reserve(size);
    for (size_t i = 2; i + 1 < size; i += 2) {
        unsigned long c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 3 < size && unit(i + 2) >= 0xDC00 && unit(i + 2) <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = '?';
        }
        if (c < 0x80) {
            out->push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out->push_back(static_cast<char>(0xC0 | (c >> 6)));
            out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out->push_back(static_cast<char>(0xE0 | (c >> 12)));
            out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out->push_back(static_cast<char>(0xF0 | (c >> 18)));
            out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return true;
}

} // namespace

PlnKind ReadPlnText(const char* data, unsigned long size)
{
    std::string utf8;
    if (Utf16ToUtf8(data, size, &utf8))
        return ReadPlnText(utf8.data(), utf8.size());
    PlanReaderStart();
    PlanText text;
    PlanTextBegin(&text, data, size);
    char line[PlnLineBufferBytes];
    for (;;) {
        size_t lineStart = text.pos;
        if (PlanReadLine(&text, line, sizeof line) == 0)
            break;   // neither marker: a line-based plan without legs, unless XML
        if (std::strstr(line, "AceXML")) {
            ReadPlnXmlText(data, size);
            return PlnKind::Xml;
        }
        if (std::strstr(line, "waypoint")) {
            // An XML plan whose text happens to say "waypoint" before any "AceXML" (in a
            // description, say) is still an XML plan: no waypoint line starts a document.
            if (IsXmlPlanDocument(data, size))
                break;
            text.pos = lineStart;        // the first waypoint line is read again, as a waypoint
            ReadLinePlan(&text);
            return PlnKind::LineBased;
        }
    }
    if (IsXmlPlanDocument(data, size)) {
        ReadPlnXmlText(data, size);
        return PlnKind::Xml;
    }
    return PlnKind::LineBased;
}

void ReadPlnXmlText(const char* data, unsigned long size)
{
    std::string utf8;
    if (Utf16ToUtf8(data, size, &utf8)) {
        ReadPlnXmlText(utf8.data(), utf8.size());
        return;
    }
    PlanReaderStart();
    Waypoint = XmlWaypoint{};
    PlanText text;
    PlanTextBegin(&text, data, size);
    std::string line;
    while (PlanReadLine(&text, &line))
        ReadXmlLine(line.data());
    FinishXmlWaypoint();
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
