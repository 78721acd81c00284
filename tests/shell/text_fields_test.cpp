// The shared integer reading and field cursor of the positional file readers: what text
// counts as a number, where the number ends, and what becomes of one out of range.
#include "shell/text_fields.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

ParsedInteger Parse(const std::string& text, const IntegerRules& rules = {})
{
    return ParseInteger(text, rules);
}

} // namespace

TEST(TextFields, IntegerTakesBlanksSignAndDigitsAndStopsAtTheFirstOtherCharacter)
{
    ParsedInteger n = Parse(" \t\r\n\v\f-042,7");
    EXPECT_TRUE(n.found);
    EXPECT_EQ(n.value, -42);
    EXPECT_EQ(n.length, 10u);   // the comma and what follows are the caller's
    EXPECT_EQ(Parse("+17").value, 17);
    EXPECT_EQ(Parse("12abc").value, 12);
    EXPECT_EQ(Parse("0x1F").value, 0);   // decimal only: the 'x' ends it
    EXPECT_EQ(Parse("3.9").value, 3);

    // No digit, no number, nothing taken.
    for (const char* none : {"", "   ", "-", "+", "--5", "+-5", "- 5", "x5", "\xEF\xBB\xBF" "5"}) {
        ParsedInteger z = Parse(none);
        EXPECT_FALSE(z.found) << none;
        EXPECT_EQ(z.value, 0) << none;
        EXPECT_EQ(z.length, 0u) << none;
    }
}

TEST(TextFields, IntegerOutOfRangeSaturatesOrKeepsItsLow32Bits)
{
    // Saturate: the int range by default, a reader's own range where it gives one; the
    // whole digit run is taken however long it is.
    EXPECT_EQ(Parse("2147483648").value, 2147483647);
    EXPECT_EQ(Parse("-2147483649").value, -2147483647LL - 1);
    ParsedInteger longRun = Parse("-99999999999999999999999999 ");
    EXPECT_EQ(longRun.value, -2147483647LL - 1);
    EXPECT_EQ(longRun.length, 27u);
    const IntegerRules billion = {-1000000000, 1000000000, IntegerOverflow::Saturate};
    EXPECT_EQ(Parse("1000000001", billion).value, 1000000000);
    EXPECT_EQ(Parse("-5000000000", billion).value, -1000000000);
    EXPECT_EQ(Parse("999999999", billion).value, 999999999);

    // Truncate: held at 64 bits, then the low 32 bits, as strtol stored in an int.
    const IntegerRules truncate = {INT_MIN, INT_MAX, IntegerOverflow::Truncate};
    EXPECT_EQ(Parse("4294967729", truncate).value, 433);
    EXPECT_EQ(Parse("2147483648", truncate).value, -2147483647LL - 1);
    EXPECT_EQ(Parse("-1", truncate).value, -1);
    EXPECT_EQ(Parse("99999999999999999999", truncate).value, -1);   // LLONG_MAX's low half
    EXPECT_EQ(Parse("-99999999999999999999", truncate).value, 0);   // LLONG_MIN's low half
}

TEST(TextFields, CursorSkipsWordsAndLeavesAMissingNumberInPlace)
{
    const std::string text = "[V1]\r\n 120 [VR]\nabc [V2] 7,8";
    TextCursor c{text.data(), text.data() + text.size()};
    int value = -5;
    c.SkipWord();
    EXPECT_TRUE(c.ReadInteger(&value));
    EXPECT_EQ(value, 120);
    c.SkipWord();
    // "abc" is no number: the value stays, the cursor stops on it, and the next header
    // skip swallows it instead of "[V2]".
    EXPECT_FALSE(c.ReadInteger(&value));
    EXPECT_EQ(value, 120);
    EXPECT_EQ(*c.at, 'a');
    c.SkipWord();
    c.SkipWord();
    EXPECT_TRUE(c.ReadInteger(&value));
    EXPECT_EQ(value, 7);
    EXPECT_FALSE(c.Take(';'));
    EXPECT_TRUE(c.Take(','));
    EXPECT_TRUE(c.ReadInteger(&value));
    EXPECT_EQ(value, 8);
    EXPECT_TRUE(c.AtEnd());
    EXPECT_FALSE(c.ReadInteger(&value));
    EXPECT_FALSE(c.Take(','));
    c.SkipWord();
    EXPECT_TRUE(c.AtEnd());

    // A number cut by the end of the text (no terminator after it) is read to the end.
    const std::string cut = "12";
    TextCursor d{cut.data(), cut.data() + 1};
    EXPECT_TRUE(d.ReadInteger(&value));
    EXPECT_EQ(value, 1);
}

TEST(TextFields, DecimalTakesPlainDecimalsOnlyAndHoldsItsEndsBeyondDoubleRange)
{
    ParsedDecimal d = ParseDecimal("  -32.715e1|x");
    EXPECT_TRUE(d.found);
    EXPECT_DOUBLE_EQ(d.value, -327.15);
    EXPECT_EQ(d.length, 11u);
    EXPECT_EQ(ParseDecimal("+32715000").value, 32715000.0);   // millionths of a degree stay exact
    EXPECT_EQ(ParseDecimal(".5").value, 0.5);
    EXPECT_EQ(ParseDecimal("7.").value, 7.0);
    EXPECT_EQ(ParseDecimal("2e").length, 1u);    // an exponent without digits is not part of it
    EXPECT_EQ(ParseDecimal("0x10").value, 0.0);  // decimal only: the 'x' ends it

    for (const char* none : {"", ".", "-.", ".e5", "e5", "inf", "-nan", "--1", "+-1", "- 1"}) {
        ParsedDecimal z = ParseDecimal(none);
        EXPECT_FALSE(z.found) << none;
        EXPECT_EQ(z.value, 0.0) << none;
        EXPECT_EQ(z.length, 0u) << none;
    }

    // Too large is infinite, too small is zero, each with its sign.
    EXPECT_EQ(ParseDecimal("1e400").value, HUGE_VAL);
    EXPECT_EQ(ParseDecimal("-" + std::string(400, '9')).value, -HUGE_VAL);
    EXPECT_EQ(ParseDecimal("0.000001e-400").value, 0.0);
    EXPECT_EQ(ParseDecimal("1000e-320").value, 1e-317);   // small but held: a subnormal
    EXPECT_EQ(ParseDecimal("0." + std::string(400, '0') + "1e800").value, HUGE_VAL);
}
