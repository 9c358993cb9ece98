// The picture formatter behind @FORMAT$: lays out a number by a picture
// text of digit placeholders, separators, an exponent and literal text.
#pragma once

#include <optional>
#include <string_view>

#include "core/short_string.h"

namespace talven {

// The characters written for "." and "," of the picture: the user's own,
// read once at start-up.
struct PictureSymbols {
    char decimal_point = '.';
    char thousands_separator = ',';
};

// The picture rules:
//
// Sections. ";" outside literals splits the picture into up to three
// sections: positive values; negative values; zero. With one section it
// serves every value and a negative number gets "-" in front of the whole
// result. A negative or zero section that is present but empty falls back
// to the first section. The section for negative values is given the
// magnitude: it writes whatever sign it wants as literal text. Further
// sections are ignored. The section is chosen by the value before
// rounding; a result whose digits are all 0 gets no "-".
//
// Placeholders. "0" writes a digit, or 0 where the number has none; "#"
// writes a digit, or nothing. Digits of the integer part fill the
// placeholders from the right, and digits beyond the leftmost placeholder
// are all written there. Once a "0" has been met, every placeholder to its
// right writes a digit. In the fraction the number is rounded to as many
// places as there are placeholders; trailing zeros are left out where "#"
// stands and no "0" follows.
//
// Point. The first "." marks the decimal point; it is written only when a
// fraction digit follows it. Any further "." is literal.
//
// Thousands. A "," before the exponent switches grouping on: the integer
// part gets the thousands separator between every three digits. The ","
// itself is not written.
//
// Exponent. "E+", "E-", "e+" or "e-" starts scientific notation; the "0"
// and "#" right after it give the exponent digits: at least as many as
// there are "0", at least one. "E+" writes "+" or "-", "E-" only "-". The
// mantissa gets as many integer digits as there are integer placeholders
// (at least one), so "00.0E+00" writes 12345 as 12.3E+03.
//
// Literals. Text in double or single quotes is written as it stands (an
// unclosed quote runs to the end of the section); a backslash writes the
// next character; every other character (including "%", "$", "-",
// blanks, and "E" without a sign) is written as it stands. A section
// without any placeholder writes only its literals.
//
// An empty picture, or an empty first section, writes the number in the
// shortest form with at most 15 significant digits.
//
// Digits are the correctly rounded decimal expansion of the double.
// Nothing is returned for infinities and NaN. The result is cut at 255
// characters like every short string.
std::optional<ShortString> format_picture(double value, std::string_view picture, PictureSymbols symbols);

} // namespace talven
