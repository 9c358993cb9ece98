// The arithmetic behind the numeric functions, free of the value registers:
// 32-bit wrap-around integers, comparisons, digits in other bases, rounding,
// the mathematical functions, the random generator and colour numbers.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "core/short_string.h"
#include "values/value.h"

namespace talven {

// Two's-complement 32-bit arithmetic. Every result wraps; the quotient and
// remainder that the processor refuses (-2147483648 by -1) give
// -2147483648 and 0. The divisor of wrap_div and wrap_mod must not be 0.
std::int32_t wrap_add(std::int32_t a, std::int32_t b);
std::int32_t wrap_sub(std::int32_t a, std::int32_t b);
std::int32_t wrap_mul(std::int32_t a, std::int32_t b);
std::int32_t wrap_div(std::int32_t a, std::int32_t b); // truncates toward zero
std::int32_t wrap_mod(std::int32_t a, std::int32_t b); // sign of a
std::int32_t wrap_abs(std::int32_t a);

// Bit numbers are taken modulo 32, so bit 35 is bit 3 and bit -1 is bit 31.
bool test_bit(std::int32_t a, std::int32_t bit);
std::int32_t set_bit(std::int32_t a, std::int32_t bit, bool on);

// -1, 0 or 1 by the sign of a - b.
int compare_reals(double a, double b);
// Byte by byte as unsigned codes; a proper prefix is the smaller.
int compare_bytes(std::string_view a, std::string_view b);

// Bits per digit.
enum class Base : unsigned { Binary = 1, Octal = 3, Hexadecimal = 4 };

// Digits 0-9 and A-F without leading zeros ("0" for 0), "-" before the
// digits of a negative value; -2147483648 keeps its full magnitude.
ShortString digits_in_base(std::int32_t value, Base base);

// A text read as a number by @VAL. The text is already trimmed.
struct TextNumber {
    ValueType type;
    std::int32_t long_integer;
    double real;
    bool based; // "$", "&" or "%" digits: the string view becomes the decimal text
};
TextNumber number_from_text(std::string_view text);

// x * 10^n rounded to the nearest integer (halves to the even neighbour),
// divided by 10^n again. n is `places` truncated toward zero. Nothing when
// the rounded product does not fit in 32 bits.
std::optional<double> round_to_decimals(double x, double places);

// The mathematical functions. Nothing means the result is no finite number
// (a pole, a logarithm of 0 or below, a root of a negative number, an
// overflow); the handlers report that as an invalid function value.
// Sine and cosine give 0 from a magnitude of 2^63 on, where the
// argument no longer holds a single bit below the point.
std::optional<double> sine(double x);
std::optional<double> cosine(double x);
std::optional<double> tangent(double x);
std::optional<double> cotangent(double x);
std::optional<double> arc_tangent(double x);
std::optional<double> exponential(double x);
std::optional<double> natural_log(double x);
std::optional<double> decimal_log(double x);
std::optional<double> square(double x);
std::optional<double> square_root(double x);
// x^y as e^(y * ln x); x must be above 0.
std::optional<double> power(double x, double y);

// The random generator: a 32-bit linear congruential generator,
// state := state * 1664525 + 1013904223 (mod 2^32). Every 32-bit state is a
// valid seed, so a seed can be taken from anywhere.
std::uint32_t next_random(std::uint32_t& state);
// 0 to n - 1 from the high bits of the next state; 0 for n <= 0, without
// advancing the state.
std::int32_t random_below(std::uint32_t& state, std::int32_t n);

// Colour numbers: 15-bit (5 bits each for red, green and blue) unless the
// program switched true colour on (8 bits each).
enum class ColorDepth : std::uint8_t { Bits15, TrueColor };

// Components are limited to 0..31 (15-bit) or 0..255 (true colour).
std::int32_t color_value(std::int32_t r, std::int32_t g, std::int32_t b, ColorDepth depth);
std::int32_t red_component(std::int32_t v, ColorDepth depth);
std::int32_t color2_component(std::int32_t v, ColorDepth depth);
std::int32_t color3_component(std::int32_t v, ColorDepth depth);

} // namespace talven
