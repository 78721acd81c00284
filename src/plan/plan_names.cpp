// The names the plan page shows, and the waypoint names the map writes beside the route's
// stars. The display font covers Windows-1252, the code page the planning computers name
// their files in; a Linux folder names them in UTF-8. A name is
// converted to the font's code page where every character has a place there, upper-cased
// in that code page, and a character outside it is shown as its plain letter (a Polish
// "Ł" as "L") or "?", so that the name stays readable and the page never draws garbage.
// Waypoint names come from inside the plan files, which today's planners write in UTF-8
// ("Lac d'Annecy", "Zürich"); they go through the same conversion, keeping their case.
// Owns: nothing. Writes: nothing (the caller's buffer).
#include "plan/plan.h"

#include <cstddef>
#include <cstring>

namespace {

constexpr char Unknown = '?';

// Windows-1252 0x80..0x9F: the characters of those codes (0 where the code page has none).
constexpr unsigned short Cp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// U+0100..U+017F, the accented letters of central and eastern Europe: their plain letters.
constexpr char LatinExtendedA[] = "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIiIiJjKkkLlLlLlLlLlNnNnNnnNnOoOoOoOoRrRrRr"
                                  "SsSsSsSsTtTtTtUuUuUuUuUuUuWwYyYZzZzZzs";
static_assert(sizeof LatinExtendedA - 1 == 128);

// The code-page byte of a character, 0 when the code page has none.
unsigned char ToCp1252(unsigned long c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<unsigned char>(c);
    for (int i = 0; i < 32; ++i)
        if (Cp1252High[i] == c)
            return static_cast<unsigned char>(0x80 + i);
    return 0;
}

// What the page shows for a character: its code-page byte, else its plain letter, else "?".
unsigned char Displayable(unsigned long c)
{
    if (unsigned char b = ToCp1252(c))
        return b;
    if (c >= 0x100 && c <= 0x17F)
        return static_cast<unsigned char>(LatinExtendedA[c - 0x100]);
    return Unknown;
}

// Upper case within Windows-1252: a-z, the accented small letters 0xE0..0xFE (not the
// division sign), and the four small letters whose capitals sit in 0x80..0x9F. Sharp s
// and micro have no single capital and stay.
unsigned char UpperCp1252(unsigned char b)
{
    if (b >= 'a' && b <= 'z')
        return static_cast<unsigned char>(b - 0x20);
    if (b >= 0xE0 && b <= 0xFE && b != 0xF7)
        return static_cast<unsigned char>(b - 0x20);
    switch (b) {
    case 0x9A: return 0x8A;   // š
    case 0x9C: return 0x8C;   // œ
    case 0x9E: return 0x8E;   // ž
    case 0xFF: return 0x9F;   // ÿ
    default: return b;
    }
}

// Control characters and the five unassigned codes have no glyph.
bool HasGlyph(unsigned char b)
{
    if (b < 0x20 || b == 0x7F)
        return false;
    return b < 0x80 || b >= 0xA0 || Cp1252High[b - 0x80] != 0;
}

// Decodes one UTF-8 character at text[*i] (strict: no overlong forms, no surrogates).
// False when the bytes there are not UTF-8.
bool DecodeUtf8(const unsigned char* text, size_t n, size_t* i, unsigned long* c)
{
    const unsigned char b = text[*i];
    int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || *i + extra >= n)
        return false;
    unsigned long value = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
    for (int k = 1; k <= extra; ++k) {
        const unsigned char next = text[*i + k];
        if ((next & 0xC0) != 0x80)
            return false;
        value = (value << 6) | (next & 0x3F);
    }
    static const unsigned long Smallest[] = {0, 0x80, 0x800, 0x10000};
    if (value < Smallest[extra] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return false;
    *i += 1 + extra;
    *c = value;
    return true;
}

bool IsUtf8(const unsigned char* text, size_t n)
{
    unsigned long c;
    for (size_t i = 0; i < n;)
        if (!DecodeUtf8(text, n, &i, &c))
            return false;
    return true;
}

// `raw` (UTF-8, or bytes already in the code page) in the font's code page, into out[size]:
// at most size - 1 bytes, NUL-terminated, stopping at a line end.
void ToFontCodePage(const char* raw, char* out, size_t size, bool upper)
{
    std::memset(out, 0, size);
    const unsigned char* text = reinterpret_cast<const unsigned char*>(raw);
    size_t n = 0;
    while (n < size - 1 && text[n] && text[n] != '\n' && text[n] != '\r')
        ++n;
    // A name that is not UTF-8 was written in the code page itself (a file copied from a
    // planning computer's share keeps its bytes): taken as it is.
    // A long name is cut at size - 1 bytes, possibly inside a character: that last piece is
    // dropped rather than letting it make the whole name look like another code page.
    const bool cut = n == size - 1 && text[n] && text[n] != '\n' && text[n] != '\r';
    size_t whole = n;
    for (size_t back = 1; cut && back <= 3 && back <= n; ++back) {
        const unsigned char b = text[n - back];
        if ((b & 0xC0) == 0x80)
            continue;
        const size_t need = (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 1;
        if (need > back)
            whole = n - back;
        break;
    }
    const bool utf8 = IsUtf8(text, whole);
    if (utf8)
        n = whole;
    size_t used = 0;
    for (size_t i = 0; i < n && used < size - 1;) {
        unsigned char b;
        if (utf8) {
            unsigned long c = 0;
            DecodeUtf8(text, n, &i, &c);
            b = Displayable(c);
        } else {
            b = text[i++];
        }
        if (upper)
            b = UpperCp1252(b);
        out[used++] = static_cast<char>(HasGlyph(b) ? b : Unknown);
    }
}

} // namespace

void PlanDisplayName(const char* raw, char out[PlanNameMax])
{
    ToFontCodePage(raw, out, PlanNameMax, true);
}

void PlanIdentLabel(const char* ident, char out[PlanIdentMax])
{
    ToFontCodePage(ident, out, PlanIdentMax, false);
}
