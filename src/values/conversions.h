// Conversions between text and numbers with the runtime's own rules: the
// long integer conversion that stops at the first bad character, the float
// conversion, the case rule and the number-to-text formats.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "core/short_string.h"

namespace talven {

// Leading blanks skipped, optional sign, decimal digits or "$" and
// hexadecimal digits. At the first invalid character the conversion stops
// and yields the digits read so far without the sign ("-12x" gives 12).
std::int32_t long_from_text(std::string_view text);

// The whole text as a float number, or nothing when it is not one.
std::optional<double> float_from_text(std::string_view text);

// The longest leading float number of the text (0 when there is none).
double float_prefix_of_text(std::string_view text);

// A literal in another base after its "$", "&" or "%": hexadecimal (up to
// eight digits), octal or binary (blanks and a "-" allowed before the
// digits). Nothing when the digits are not valid.
std::optional<std::int32_t> based_literal(char prefix, std::string_view digits);

// The text without the characters below code 33 at both ends, as the
// runtime trims names, values and file names.
std::string_view trim_blanks(std::string_view text);

// The value of a hexadecimal digit, or -1.
int hex_digit(char c);

char upper_ansi(char c);
char lower_ansi(char c);
void upper_ansi(ShortString& text);
bool is_upper_ansi_equal(std::string_view a, std::string_view b);

// A long integer right-aligned in a field of the given width (no padding
// when the number is wider or the width is 0).
ShortString long_to_text(std::int32_t value, std::int32_t width);
void format_long(ShortString& out, std::int32_t value, std::int32_t width);
// Fixed-point notation with the given decimals, right-aligned in width.
ShortString float_to_text(double value, std::int32_t decimals, std::int32_t width);

// A double truncated toward zero for the integer views: 0 when its magnitude
// exceeds 2147483647, when it is infinite or not a number.
std::int32_t truncate_to_long(double value);

} // namespace talven
