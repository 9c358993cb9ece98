// The picture formatter at its edges: placeholders, grouping, the
// exponent, sections, literals, rounding and the 255-character cut.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "values/picture_format.h"

namespace talven {
namespace {

struct Case {
    const char* picture;
    double value;
    const char* expected;
};

void expect_pictures(std::initializer_list<Case> cases, PictureSymbols symbols)
{
    for (const auto& c : cases) {
        auto text = format_picture(c.value, c.picture, symbols);
        ASSERT_TRUE(text) << c.picture;
        EXPECT_EQ(text->view(), c.expected) << "picture " << c.picture << ", value " << c.value;
    }
}

const PictureSymbols english{'.', ','};

TEST(PictureFormat, DigitPlaceholders)
{
    expect_pictures(
        {
            {"0", 0, "0"},
            {"0", 1.5, "2"},
            {"0", 0.5, "0"}, // exact halves go to the even digit
            {"0", 123456, "123456"},
            {"00000", 42, "00042"},
            {"#", 0, ""},
            {"#.##", 0.5, ".5"},
            {"#.##", 5, "5"}, // no point without a fraction digit
            {"0.00", 5, "5.00"},
            {"0.0#", 1.5, "1.5"},
            {"0.0#", 1.25, "1.25"},
            {"0.0#", 1, "1.0"},
            {"0.#0", 1.5, "1.50"},
            {"#0##", 5, "005"}, // after a "0" every placeholder writes
            {".00", 12.5, "12.50"},
            {"00.00", -1.5, "-01.50"},
            {"0.0", -0.04, "0.0"}, // all digits 0: no sign
            {"0.00", 2.675, "2.67"}, // 2.675 lies below the half in binary
        },
        english);
}

TEST(PictureFormat, ThousandsSeparatorsAndLiterals)
{
    expect_pictures(
        {
            {"#,##0.00", 1234567.891, "1,234,567.89"},
            {"#,##0.00", -1234.5, "-1,234.50"},
            {"#,##0.00", 0, "0.00"},
            {"#,#", 1234567, "1,234,567"},
            {"#,##0", 999, "999"},
            {"0,000", 5, "0,005"},
            {"000-0000", 5551234, "555-1234"},
            {"\"Summe: \"#,##0", 1234, "Summe: 1,234"},
            {"'DM' 0.00", 3, "DM 3.00"},
            {"'a;b'0", 7, "a;b7"}, // a quoted ";" splits nothing
            {"'open0", 7, "open0"},
            {"\\#0", 7, "#7"},
            {"0\\", 7.5, "8"}, // a backslash at the very end escapes nothing
            {"0%", 50, "50%"},
            {"0 Stk.", 3, "3 Stk"}, // the first "." is the point, even at the end
            {"0 'Stk.'", 3, "3 Stk."},
        },
        english);
    expect_pictures({{"#,##0.00", 1234.5, "1.234,50"}, {"0.0E+00", 0.5, "5,0E-01"}}, PictureSymbols{',', '.'});
}

TEST(PictureFormat, Exponent)
{
    expect_pictures(
        {
            {"0.00E+00", 12500, "1.25E+04"},
            {"0.00E+00", 0.00012, "1.20E-04"},
            {"0.00E-00", 12500, "1.25E04"},
            {"0.0e-0", 0.0015, "1.5e-3"},
            {"00.0E+00", 12345, "12.3E+03"},
            {"0.0E+0", 0, "0.0E+0"},
            {"0.00E+00", 9.999, "1.00E+01"}, // rounding carries into the exponent
            {"0E+0", -3e300, "-3E+300"},
            {".0E+0", 250, "2.5E+2"},
            {"0.0E+0 'Pa'", 1500, "1.5E+3 Pa"},
            {"0.0E", 7, "7.0E"}, // "E" without a sign is literal
        },
        english);
}

TEST(PictureFormat, Sections)
{
    const char* three = "0.00;(0.00);'null'";
    expect_pictures(
        {
            {three, 5, "5.00"},
            {three, -5, "(5.00)"},
            {three, 0, "null"},
            {"0;;'zero'", -3, "-3"}, // empty negative section: the first one
            {"0;(0)", 0, "0"},
            {"0;(0);", 0, "0"},
            {"0;'minus'", -3, "minus"},
            {"0;(0);'-';ignored", 0, "-"},
            {"", 1234.5, "1234.5"},
            {"", 0.1, "0.1"},
            {";(0)", 3, "3"},
        },
        english);
    expect_pictures({{"", -2.5, "-2,5"}}, PictureSymbols{',', '.'});
}

TEST(PictureFormat, NonFiniteValuesAndTheCut)
{
    EXPECT_FALSE(format_picture(INFINITY, "0", english));
    EXPECT_FALSE(format_picture(-INFINITY, "0", english));
    EXPECT_FALSE(format_picture(NAN, "0", english));

    auto huge = format_picture(1e300, "0.00", english);
    ASSERT_TRUE(huge);
    EXPECT_EQ(huge->size(), 255u);
    EXPECT_EQ(huge->view().substr(0, 4), "1000");

    std::string places = "0." + std::string(253, '0');
    auto many = format_picture(1.0 / 3.0, places, english);
    ASSERT_TRUE(many);
    EXPECT_EQ(many->size(), 255u);
    EXPECT_EQ(many->view().substr(0, 8), "0.333333");
}

} // namespace
} // namespace talven
