// The plan readers' common ground: separator sets, the tokeniser, the line reader over a
// file's bytes, the bounded file read and the helpers that fill legs.
// Owns: nothing. Writes: FlightPlan.legs, legCount, droppedLegs, refusedLegs, unplacedLegs (for the readers).
#include "plan/plan_text.h"

#include "platform/platform.h"
#include "shell/text_fields.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

const PlanSeparators PlanLineSet(" =,-*'");
const PlanSeparators PlanXmlLineSet("< >=+,?'", "\xB0\xC2");
const PlanSeparators PlanXmlFieldSet("< >=+,?'\"", "\xB0\xC2");
const PlanSeparators PlanFmcHeaderSet("[ ]=");
const PlanSeparators PlanFmcValueSet("=");

char* PlanNextToken(char** cursor, const PlanSeparators& set)
{
    char* p = *cursor;
    if (!p)
        return nullptr;
    while (*p && set.Has(*p))
        ++p;
    if (!*p) {
        *cursor = p;
        return nullptr;
    }
    char* token = p;
    while (*p && !set.Has(*p))
        ++p;
    if (*p)
        *p++ = '\0';
    *cursor = p;
    return token;
}

void PlanTextBegin(PlanText* text, const char* data, size_t size)
{
    text->data = data;
    text->size = data ? size : 0;
    text->pos = 0;
    // Editors on the planning computers often save UTF-8 with a byte order mark.
    if (text->size >= 3 && std::memcmp(data, "\xEF\xBB\xBF", 3) == 0)
        text->pos = 3;
}

// One character of the text as text-mode input delivers it: a carriage return directly
// before a line feed is dropped. Returns false at the end.
static bool NextChar(PlanText* text, char* c)
{
    if (text->pos >= text->size)
        return false;
    if (text->data[text->pos] == '\r' && text->pos + 1 < text->size && text->data[text->pos + 1] == '\n')
        ++text->pos;
    *c = text->data[text->pos++];
    return true;
}

size_t PlanReadLine(PlanText* text, char* buf, size_t capacity)
{
    if (capacity == 0)
        return 0;
    size_t n = 0;
    char c;
    while (n + 1 < capacity && NextChar(text, &c)) {
        buf[n++] = c;
        if (c == '\n')
            break;
    }
    buf[n] = '\0';
    return n;
}

bool PlanReadLine(PlanText* text, std::string* line)
{
    line->clear();
    if (text->pos >= text->size)
        return false;
    const char* start = text->data + text->pos;
    size_t rest = text->size - text->pos;
    const char* lineFeed = static_cast<const char*>(std::memchr(start, '\n', rest));
    size_t length = lineFeed ? static_cast<size_t>(lineFeed - start) + 1 : rest;
    text->pos += length;
    // Within one line a carriage return can stand before the line feed only at its end.
    if (lineFeed && length >= 2 && start[length - 2] == '\r') {
        line->assign(start, length - 2);
        line->push_back('\n');
    } else {
        line->assign(start, length);
    }
    return true;
}

bool ReadPlanFile(const char* path, std::string* content)
{
    content->clear();
    if (!path)
        return false;
    // The platform's bounded read: FIFOs and other non-files refused, a longer file read
    // up to the cap, a file that grows meanwhile read up to the size it had when opened.
    return PlatformReadFileStart(path, PlanFileMaxBytes, content);
}

void PlanReaderStart()
{
    FlightPlan.legCount = 0;
    FlightPlan.droppedLegs = 0;
    FlightPlan.refusedLegs = 0;
    FlightPlan.unplacedLegs = 0;
    for (PlanLeg& leg : FlightPlan.legs)
        leg = PlanLeg{};
}

PlanLeg* PlanCurrentLeg()
{
    if (FlightPlan.legCount < 0 || FlightPlan.legCount >= PlanLegMax)
        return nullptr;
    return &FlightPlan.legs[FlightPlan.legCount];
}

void PlanCompleteLeg()
{
    PlanLeg* leg = PlanCurrentLeg();
    if (!leg) {
        ++FlightPlan.droppedLegs;
        return;
    }
    // A position off the earth (a latitude past a pole, a longitude past the date line, as
    // a misread number or a broken writer gives) would draw a line to nowhere across the
    // map: the waypoint is left out and counted, so that the load can say so.
    if (!(std::fabs(leg->latitude) <= 90.0f) || !(std::fabs(leg->longitude) <= 180.0f)) {
        *leg = PlanLeg{};
        ++FlightPlan.refusedLegs;
        return;
    }
    ++FlightPlan.legCount;
}

void PlanStoreIdent(PlanLeg* leg, const char* text)
{
    if (!leg)
        return;
    size_t n = 0;
    if (text)
        for (; text[n] && n < PlanIdentMax - 1; ++n)
            leg->ident[n] = text[n];
    while (n > 0 && (leg->ident[n - 1] == '\n' || leg->ident[n - 1] == '\r'))
        --n;
    std::memset(leg->ident + n, 0, PlanIdentMax - n);
}

double PlanReadDecimal(const char* text)
{
    if (!text)
        return 0.0;
    // Copied out, so that the conversion can never read past what the reader handed over.
    char word[64];
    size_t n = 0;
    while (text[n] && n < sizeof word - 1) {
        word[n] = text[n];
        ++n;
    }
    word[n] = '\0';
    double v = std::strtod(word, nullptr);
    if (std::isnan(v))
        return 0.0;
    constexpr double Limit = 1.0e7;
    return v > Limit ? Limit : v < -Limit ? -Limit : v;
}

long PlanReadInteger(const char* text)
{
    if (!text)
        return 0;
    constexpr IntegerRules PlanIntegers = {-1000000000L, 1000000000L, IntegerOverflow::Saturate};
    return static_cast<long>(ParseInteger(text, PlanIntegers).value);
}
