// Number and text conversions, and the 6-byte real rounding, at their edges.
#include <gtest/gtest.h>

#include <cmath>

#include "values/conversions.h"
#include "values/real48.h"

namespace talven {
namespace {

TEST(LongFromText, StopsAtTheFirstBadCharacterAndDropsTheSign)
{
    const std::pair<const char*, std::int32_t> cases[] = {
        {"12", 12},         {"-12", -12},       {"-12x", 12},         {"  7", 7},
        {"+5", 5},          {"1.5", 1},         {"-1.5", 1},          {"1E3", 1},
        {"12abc", 12},      {"", 0},            {"abc", 0},           {"$FF", 255},
        {"-$10", -16},      {"$FFFFFFFF", -1},  {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        // A digit that would overflow ends the conversion like a bad character.
        {"99999999999", 999999999},             {"-99999999999", 999999999},
    };
    for (auto [text, expected] : cases)
        EXPECT_EQ(long_from_text(text), expected) << text;
}

TEST(FloatFromText, WholeTextOrNothing)
{
    EXPECT_EQ(float_from_text("1.5"), 1.5);
    EXPECT_EQ(float_from_text("1E3"), 1000.0);
    EXPECT_EQ(float_from_text("-.5"), -0.5);
    EXPECT_EQ(float_from_text("1."), 1.0);
    EXPECT_FALSE(float_from_text("12X"));
    EXPECT_FALSE(float_from_text(""));
    EXPECT_FALSE(float_from_text("."));
    EXPECT_FALSE(float_from_text("INF"));
    EXPECT_FALSE(float_from_text("0x10"));
    EXPECT_TRUE(std::isinf(*float_from_text("1E999")));
    EXPECT_EQ(float_prefix_of_text("12abc"), 12.0);
    EXPECT_EQ(float_prefix_of_text("  3.5E2x"), 350.0);
    EXPECT_EQ(float_prefix_of_text("x"), 0.0);
}

TEST(BasedLiteral, HexOctalBinary)
{
    EXPECT_EQ(based_literal('$', "FF"), 255);
    EXPECT_EQ(based_literal('$', "ff"), 255);
    EXPECT_EQ(based_literal('$', "FFFFFFFF"), -1);
    EXPECT_FALSE(based_literal('$', "123456789"));
    EXPECT_FALSE(based_literal('$', ""));
    EXPECT_FALSE(based_literal('$', "FG"));
    EXPECT_EQ(based_literal('&', "17"), 15);
    EXPECT_EQ(based_literal('&', " -17"), -15);
    EXPECT_FALSE(based_literal('&', "8"));
    EXPECT_EQ(based_literal('%', "101"), 5);
    EXPECT_FALSE(based_literal('%', "102"));
    EXPECT_FALSE(based_literal('%', " "));
    EXPECT_FALSE(based_literal('!', "1"));
}

TEST(CaseRule, AccentedLettersButNotTheMultiplicationSign)
{
    EXPECT_EQ(upper_ansi('a'), 'A');
    EXPECT_EQ(upper_ansi('\xE4'), '\xC4'); // ä
    EXPECT_EQ(upper_ansi('\xF7'), '\xF7'); // ÷ stays
    EXPECT_EQ(upper_ansi('\xFF'), '\xFF'); // ÿ stays
    EXPECT_EQ(upper_ansi('\xDF'), '\xDF'); // ß stays
    EXPECT_EQ(lower_ansi('\xD7'), '\xD7'); // × stays
    EXPECT_EQ(lower_ansi('\xDE'), '\xFE');
}

TEST(NumberText, WidthAndDecimals)
{
    EXPECT_EQ(long_to_text(42, 0).view(), "42");
    EXPECT_EQ(long_to_text(42, 5).view(), "   42");
    EXPECT_EQ(long_to_text(-12345, 3).view(), "-12345");
    EXPECT_EQ(float_to_text(1.5, 6, 0).view(), "1.500000");
    EXPECT_EQ(float_to_text(2.0, 0, 4).view(), "   2");
    EXPECT_EQ(float_to_text(1e308, 255, 0).size(), 255u);
}

TEST(Truncation, TowardZeroWithinTheRange)
{
    EXPECT_EQ(truncate_to_long(3.9), 3);
    EXPECT_EQ(truncate_to_long(-3.9), -3);
    EXPECT_EQ(truncate_to_long(3e10), 0);
    EXPECT_EQ(truncate_to_long(2147483647.0), 2147483647);
    EXPECT_EQ(truncate_to_long(-2147483647.0), -2147483647);
    EXPECT_EQ(truncate_to_long(2147483648.0), 0);
    EXPECT_EQ(truncate_to_long(INFINITY), 0);
    EXPECT_EQ(truncate_to_long(NAN), 0);
    EXPECT_EQ(truncate_to_long(1e300), 0);
    // 40 significant bits: 3 - 2^-45 rounds to 3 before the truncation.
    EXPECT_EQ(truncate_to_long(3.0 - std::ldexp(1.0, -45)), 3);
    EXPECT_EQ(truncate_to_long(3.0 - std::ldexp(1.0, -30)), 2);
}

TEST(Real48, RoundsToFortySignificantBits)
{
    // Exactly representable values pass unchanged.
    EXPECT_EQ(round_to_real48(1.0), 1.0);
    EXPECT_EQ(round_to_real48(-0.5), -0.5);
    EXPECT_EQ(round_to_real48(0.0), 0.0);
    // 1 + 2^-39 is the next 6-byte real after 1; 1 + 2^-40 is a half: to even (1).
    EXPECT_EQ(round_to_real48(1.0 + std::ldexp(1.0, -39)), 1.0 + std::ldexp(1.0, -39));
    EXPECT_EQ(round_to_real48(1.0 + std::ldexp(1.0, -40)), 1.0);
    EXPECT_EQ(round_to_real48(1.0 + 3 * std::ldexp(1.0, -40)), 1.0 + std::ldexp(1.0, -38));
    EXPECT_EQ(round_to_real48(1.0 + std::ldexp(1.0, -41)), 1.0);
    // 0.1 keeps 40 bits of its binary expansion.
    double tenth = *round_to_real48(0.1);
    EXPECT_NE(tenth, 0.1);
    EXPECT_NEAR(tenth, 0.1, 0.1 * std::ldexp(1.0, -40));
    // The range: 2^-128 is the smallest, (2 - 2^-39)·2^126 the largest.
    EXPECT_EQ(round_to_real48(std::ldexp(1.0, -128)), std::ldexp(1.0, -128));
    EXPECT_EQ(round_to_real48(std::ldexp(1.0, -129)), 0.0);
    EXPECT_EQ(round_to_real48(real48_max), real48_max);
    EXPECT_EQ(round_to_real48(-real48_max), -real48_max);
    EXPECT_FALSE(round_to_real48(std::ldexp(1.0, 127)));
    // Rounding up past the largest mantissa leaves the range.
    EXPECT_FALSE(round_to_real48(std::ldexp(2.0 - std::ldexp(1.0, -45), 126)));
    EXPECT_FALSE(round_to_real48(INFINITY));
    EXPECT_FALSE(round_to_real48(NAN));
}

} // namespace
} // namespace talven
