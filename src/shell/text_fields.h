// Integers and words out of the text files the units read by position ("MFD.ini",
// "accfg.ini", the navigation tables, the plan files): one integer reading and one cursor,
// so every reader takes the same text the same way and differs only where its rules say.
// Header only, so the fuzzers and the stand-ins take it without linking anything.
#pragma once

#include <charconv>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <string_view>

// The six characters formatted input skips as white space (those of the C locale, which
// the program never leaves): line ends of either kind included.
inline bool TextIsSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// What becomes of a decimal integer outside the range a reader keeps.
enum class IntegerOverflow {
    Saturate,   // held at the nearer end of [low, high]
    Truncate,   // held at 64 bits, then cut to its low 32: what strtol stored in an int gives.
                // "MFD.ini" has always read its numbers so; kept, as files in the field may
                // rely on it.
};

struct IntegerRules {
    long long low = INT_MIN, high = INT_MAX;   // the range Saturate keeps (within int)
    IntegerOverflow overflow = IntegerOverflow::Saturate;
};

struct ParsedInteger {
    bool found = false;    // at least one digit stood there
    long long value = 0;   // 0 when none did
    size_t length = 0;     // characters taken (white space, sign, digits); 0 when none found
};

// Leading white space, an optional '+' or '-', then decimal digits; the first other
// character ends the number and is left to the caller. Without a digit nothing is taken.
inline ParsedInteger ParseInteger(std::string_view text, const IntegerRules& rules = {})
{
    size_t i = 0;
    while (i < text.size() && TextIsSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    // The sign is ours and the digits are from_chars's: it takes no '+', and into an
    // unsigned no '-' either, so "+-5" and "--5" hold no number.
    const char* digits = text.data() + i;
    unsigned long long magnitude = 0;
    auto [stop, fault] = std::from_chars(digits, text.data() + text.size(), magnitude);
    if (stop == digits)
        return {};
    if (fault == std::errc::result_out_of_range)
        magnitude = ULLONG_MAX;
    constexpr unsigned long long Largest = LLONG_MAX;
    long long value;
    if (negative)
        value = magnitude > Largest ? LLONG_MIN : -static_cast<long long>(magnitude);
    else
        value = magnitude > Largest ? LLONG_MAX : static_cast<long long>(magnitude);
    if (rules.overflow == IntegerOverflow::Truncate)
        value = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
    else
        value = value < rules.low ? rules.low : value > rules.high ? rules.high : value;
    return {true, value, static_cast<size_t>(stop - text.data())};
}

// A cursor over a file's text with the habits of formatted input: every item skips the
// white space before it, and an item that is not there leaves the cursor on what stands
// there instead (the white space before it passed over).
struct TextCursor {
    const char* at;
    const char* end;

    bool AtEnd() const { return at >= end; }
    void SkipSpace()
    {
        while (at < end && TextIsSpace(*at))
            ++at;
    }
    // White space, then everything up to the next white space: a header word, say.
    void SkipWord()
    {
        SkipSpace();
        while (at < end && !TextIsSpace(*at))
            ++at;
    }
    // A decimal integer after white space; false, with *value untouched, when none is there.
    bool ReadInteger(int* value, const IntegerRules& rules = {})
    {
        SkipSpace();
        const ParsedInteger n = ParseInteger(std::string_view(at, static_cast<size_t>(end - at)), rules);
        if (!n.found)
            return false;
        *value = static_cast<int>(n.value);
        at += n.length;
        return true;
    }
    // Takes `c` when it is the next character (no white space skipped).
    bool Take(char c)
    {
        if (at >= end || *at != c)
            return false;
        ++at;
        return true;
    }
};
