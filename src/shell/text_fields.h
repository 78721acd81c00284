// Numbers and words out of the text files the units read by position ("MFD.ini",
// "accfg.ini", the navigation tables, the plan files): one integer reading, one decimal
// reading and one cursor, so every reader takes the same text the same way and differs
// only where its rules say.
// Header only, so the fuzzers and the stand-ins take it without linking anything.
#pragma once

#include <charconv>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

// The six characters formatted input skips as white space (those of the C locale, which
// the program never leaves): line ends of either kind included.
inline bool TextIsSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Where a number's digits start: after leading white space and an optional '+' or '-'
// (*negative says which).
inline size_t TextSkipSpaceAndSign(std::string_view text, bool* negative)
{
    size_t i = 0;
    while (i < text.size() && TextIsSpace(text[i]))
        ++i;
    *negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        *negative = text[i++] == '-';
    return i;
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
    bool negative = false;
    const size_t i = TextSkipSpaceAndSign(text, &negative);
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

struct ParsedDecimal {
    bool found = false;   // at least one digit stood there
    double value = 0;     // 0 when none did
    size_t length = 0;    // characters taken; 0 when none found
};

// Whether a decimal from_chars found beyond the double range is too large (else too small):
// the order of its first significant digit plus its exponent. `number` is what it matched.
inline bool DecimalBeyondLargest(std::string_view number)
{
    long long order = 0;
    size_t i = 0;
    bool significant = false;
    for (; i < number.size() && number[i] >= '0' && number[i] <= '9'; ++i)
        if (significant || number[i] != '0')
            significant = true, ++order;
    if (!significant && i < number.size() && number[i] == '.')
        for (++i; i < number.size() && number[i] == '0'; ++i)
            --order;
    const size_t e = number.find_first_of("eE");
    if (e != std::string_view::npos)
        order += ParseInteger(number.substr(e + 1), {-1000000000, 1000000000, IntegerOverflow::Saturate}).value;
    return order > 0;
}

// Leading white space, an optional '+' or '-', then a plain decimal: digits with an
// optional fraction and exponent ("-12.5", "3e6", ".5"); the first other character ends it.
// No "inf", "nan" or hexadecimal: no file holds them, so they are no number. Beyond the
// double range the value is infinite (too large) or zero (too small), with its sign.
inline ParsedDecimal ParseDecimal(std::string_view text)
{
    bool negative = false;
    const size_t i = TextSkipSpaceAndSign(text, &negative);
    // Only a digit or a point may start it: from_chars alone would take "inf", "nan" and a
    // second '-'.
    if (i >= text.size() || !((text[i] >= '0' && text[i] <= '9') || text[i] == '.'))
        return {};
    const char* first = text.data() + i;
    double value = 0;
    auto [stop, fault] = std::from_chars(first, text.data() + text.size(), value, std::chars_format::general);
    if (stop == first)
        return {};   // a point with no digit
    if (fault == std::errc::result_out_of_range)
        value = DecimalBeyondLargest(std::string_view(first, static_cast<size_t>(stop - first))) ? HUGE_VAL : 0.0;
    return {true, negative ? -value : value, static_cast<size_t>(stop - text.data())};
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
