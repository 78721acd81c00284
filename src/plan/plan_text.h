// What the three plan readers share: the separator sets of their tokenisers, a line reader
// over bytes in memory with the habits of the C library's line input, the file read that
// feeds them, and the few helpers that write a leg.
#pragma once

#include "plan/plan.h"

#include <cstddef>
#include <string>

// A set of separator characters: every member separates tokens and runs of them count as
// one, so empty fields vanish. The newline is in none of the sets the readers use, so the
// last token of a line keeps it.
struct PlanSeparators {
    bool member[256] = {};
    constexpr explicit PlanSeparators(const char* chars, const char* more = "")
    {
        for (const char* c = chars; *c; ++c)
            member[static_cast<unsigned char>(*c)] = true;
        for (const char* c = more; *c; ++c)
            member[static_cast<unsigned char>(*c)] = true;
    }
    constexpr bool Has(char c) const { return member[static_cast<unsigned char>(c)]; }
};

// Line-based PLN plans: space, equals, comma, minus, asterisk (their degree sign), apostrophe.
extern const PlanSeparators PlanLineSet;
// XML plans between and around elements: the markup characters, the apostrophe after the
// minutes and the degree sign in both spellings (0xB0 alone in the old single-byte code
// page; 0xC2 0xB0 in UTF-8).
extern const PlanSeparators PlanXmlLineSet;
// Inside an element the double quote (around attribute values, after the seconds) too.
extern const PlanSeparators PlanXmlFieldSet;
// FMC section headers and key names: "[ ] =".
extern const PlanSeparators PlanFmcHeaderSet;
// FMC values: what follows the equals sign.
extern const PlanSeparators PlanFmcValueSet;

// The next token of a NUL-terminated line, cutting it in place: leading separators are
// skipped, the token ends at the next separator, which is overwritten with NUL and passed
// over. *cursor moves behind it. Null when the line has no more tokens. A reader may change
// the set from one token to the next, as the XML reader does inside elements.
char* PlanNextToken(char** cursor, const PlanSeparators& set);

// A cursor over a plan file's bytes. The readers see the file as the C library's text-mode
// input on the planning computers shows it: a UTF-8 byte order mark at the start is not
// part of the text, and a carriage return before a line feed is part of the line end.
struct PlanText {
    const char* data = nullptr;
    size_t size = 0;
    size_t pos = 0;
};
void PlanTextBegin(PlanText* text, const char* data, size_t size);
// Reads the next line into buf (capacity bytes, NUL included) the way line input does: at
// most capacity - 1 characters, the line feed kept when it fits; a longer line arrives in
// pieces on the following calls. Returns the characters stored (a NUL byte in the file
// counts, as it does for line input); 0 at the end of the text.
size_t PlanReadLine(PlanText* text, char* buf, size_t capacity);
// The next whole line, of any length, line feed kept.
bool PlanReadLine(PlanText* text, std::string* line);

// The plan files are small (a long airway route is some tens of kilobytes); anything past
// this much is not a plan and is not read.
constexpr size_t PlanFileMaxBytes = 4u << 20;
// Reads a plan file, at most PlanFileMaxBytes of it. False when it cannot be opened or is
// not a plain file: a FIFO or device in the plan folder must never hang the display.
bool ReadPlanFile(const char* path, std::string* content);

// Every read starts from an empty plan: no legs, nothing dropped, every leg zeroed. The
// loader's own fields (loaded, path) are left alone.
void PlanReaderStart();
// The leg a reader is filling, or null once the plan holds PlanLegMax legs.
PlanLeg* PlanCurrentLeg();
// The leg being filled is complete: it joins the plan; when the plan is full it is counted
// in droppedLegs, and when its position is off the earth (latitude beyond 90 degrees,
// longitude beyond 180) it is cleared and counted in refusedLegs, so the load can tell the
// pilot what was left out.
void PlanCompleteLeg();
// Stores an identifier, at most PlanIdentMax - 1 bytes. A line end is never part of an
// identifier: the token that ends a line carries the line feed (and a stray carriage
// return), and an ident with either would match no airport and print a broken label.
void PlanStoreIdent(PlanLeg* leg, const char* text);
// A decimal number as the C library's conversion reads it, from at most the first 63
// characters; 0 when none can be read. Values beyond any coordinate are clamped and
// not-a-number reads 0, so no later conversion can overflow.
double PlanReadDecimal(const char* text);
// An integer (leading blanks, optional sign, digits), held within a billion either side
// instead of overflowing; 0 when none can be read.
long PlanReadInteger(const char* text);
