// The arithmetic behind the numeric functions. Integer work is done in
// unsigned or 64-bit arithmetic, so no input can overflow a signed type.
#include "values/numeric_ops.h"

#include <cmath>
#include <cstring>

#include "values/conversions.h"

namespace talven {

namespace {

constexpr double two_to_63 = 9223372036854775808.0;

std::uint32_t bits(std::int32_t a) { return static_cast<std::uint32_t>(a); }
std::int32_t from_bits(std::uint32_t a) { return static_cast<std::int32_t>(a); }

std::optional<double> finite(double r)
{
    if (!std::isfinite(r))
        return std::nullopt;
    return r;
}

// 10^k by repeated multiplication: exact up to 10^27 in the 64-bit mantissa.
long double power_of_ten(int k)
{
    long double p = 1.0L;
    for (int i = 0; i < k; ++i)
        p *= 10.0L;
    return p;
}

std::int32_t clamp_component(std::int32_t c, std::int32_t limit)
{
    return c < 0 ? 0 : (c > limit ? limit : c);
}

} // namespace

std::int32_t wrap_add(std::int32_t a, std::int32_t b) { return from_bits(bits(a) + bits(b)); }
std::int32_t wrap_sub(std::int32_t a, std::int32_t b) { return from_bits(bits(a) - bits(b)); }
std::int32_t wrap_mul(std::int32_t a, std::int32_t b) { return from_bits(bits(a) * bits(b)); }

std::int32_t wrap_div(std::int32_t a, std::int32_t b)
{
    return from_bits(static_cast<std::uint32_t>(static_cast<std::int64_t>(a) / b));
}

std::int32_t wrap_mod(std::int32_t a, std::int32_t b)
{
    return static_cast<std::int32_t>(static_cast<std::int64_t>(a) % b);
}

std::int32_t wrap_abs(std::int32_t a) { return a < 0 ? from_bits(0u - bits(a)) : a; }

bool test_bit(std::int32_t a, std::int32_t bit) { return (bits(a) >> (bits(bit) & 31u)) & 1u; }

std::int32_t set_bit(std::int32_t a, std::int32_t bit, bool on)
{
    std::uint32_t mask = 1u << (bits(bit) & 31u);
    return from_bits(on ? bits(a) | mask : bits(a) & ~mask);
}

int compare_reals(double a, double b)
{
    double d = a - b;
    return d > 0.0 ? 1 : (d < 0.0 ? -1 : 0);
}

int compare_bytes(std::string_view a, std::string_view b)
{
    std::size_t n = a.size() < b.size() ? a.size() : b.size();
    if (int c = n ? std::memcmp(a.data(), b.data(), n) : 0)
        return c < 0 ? -1 : 1;
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

ShortString digits_in_base(std::int32_t value, Base base)
{
    unsigned shift = static_cast<unsigned>(base);
    std::uint32_t mask = (1u << shift) - 1u;
    std::uint32_t magnitude = value < 0 ? 0u - bits(value) : bits(value);
    char buffer[33]; // 32 binary digits and a sign
    char* p = buffer + sizeof buffer;
    do {
        *--p = "0123456789ABCDEF"[magnitude & mask];
        magnitude >>= shift;
    } while (magnitude);
    if (value < 0)
        *--p = '-';
    return ShortString(std::string_view(p, static_cast<std::size_t>(buffer + sizeof buffer - p)));
}

TextNumber number_from_text(std::string_view text)
{
    if (text.empty())
        return {ValueType::Long, 0, 0.0, false};
    char prefix = text.front();
    if (prefix == '$' || prefix == '&' || prefix == '%') {
        // @VAL never stops the program: digits that are not valid in their
        // base give 0.
        std::int32_t n = based_literal(prefix, text.substr(1)).value_or(0);
        return {ValueType::Long, n, static_cast<double>(n), true};
    }
    ValueType type = text.find('.') != std::string_view::npos ? ValueType::Float : ValueType::Long;
    return {type, long_from_text(text), float_prefix_of_text(text), false};
}

std::optional<double> round_to_decimals(double x, double places)
{
    if (!std::isfinite(x) || std::isnan(places))
        return std::nullopt;
    // Beyond 400 places every product of a finite double is 0 or far too
    // large, so the limit changes no result.
    double whole = std::trunc(places);
    int n = whole > 400 ? 400 : (whole < -400 ? -400 : static_cast<int>(whole));
    int k = n < 0 ? -n : n;
    long double scale = power_of_ten(k);
    // In the 64-bit mantissa the product of a double and 10^k (k <= 4) is
    // exact, so the rounding follows the binary value of x itself.
    long double product = n >= 0 ? static_cast<long double>(x) * scale : static_cast<long double>(x) / scale;
    long double rounded = std::nearbyint(product); // halves to even in the default rounding mode
    if (!(std::fabs(rounded) <= 2147483647.0L))
        return std::nullopt;
    if (k <= 22) {
        // 10^k is exact as a double: one correctly rounded operation.
        double r = static_cast<double>(rounded);
        double p = static_cast<double>(scale);
        return n >= 0 ? r / p : r * p;
    }
    return static_cast<double>(n >= 0 ? rounded / scale : rounded * scale);
}

std::optional<double> sine(double x) { return std::fabs(x) >= two_to_63 ? 0.0 : finite(std::sin(x)); }
std::optional<double> cosine(double x) { return std::fabs(x) >= two_to_63 ? 0.0 : finite(std::cos(x)); }

std::optional<double> tangent(double x)
{
    // From 2^63 on the cosine counts as 0: a pole like any other.
    if (!(std::fabs(x) < two_to_63))
        return std::nullopt;
    return finite(std::tan(x));
}

std::optional<double> cotangent(double x)
{
    auto s = sine(x);
    auto c = cosine(x);
    if (!s || !c || *s == 0.0)
        return std::nullopt;
    return finite(*c / *s);
}

std::optional<double> arc_tangent(double x) { return finite(std::atan(x)); }
std::optional<double> exponential(double x) { return finite(std::exp(x)); }

std::optional<double> natural_log(double x)
{
    if (!(x > 0.0))
        return std::nullopt;
    return finite(std::log(x));
}

std::optional<double> decimal_log(double x)
{
    if (!(x > 0.0))
        return std::nullopt;
    return finite(std::log10(x));
}

std::optional<double> square(double x) { return finite(x * x); }

std::optional<double> square_root(double x)
{
    if (!(x >= 0.0))
        return std::nullopt;
    return finite(std::sqrt(x));
}

std::optional<double> power(double x, double y)
{
    if (!(x > 0.0))
        return std::nullopt;
    // The exponent y * ln x is formed in the wider format, so that whole
    // powers such as 2^10 come out exact.
    long double e = static_cast<long double>(y) * std::log(static_cast<long double>(x));
    return finite(static_cast<double>(std::exp(e)));
}

std::uint32_t next_random(std::uint32_t& state)
{
    state = state * 1664525u + 1013904223u;
    return state;
}

std::int32_t random_below(std::uint32_t& state, std::int32_t n)
{
    if (n <= 0)
        return 0;
    // The high bits of a linear congruential generator are its good ones.
    std::uint64_t r = static_cast<std::uint64_t>(next_random(state)) * static_cast<std::uint32_t>(n);
    return static_cast<std::int32_t>(r >> 32);
}

std::int32_t color_value(std::int32_t r, std::int32_t g, std::int32_t b, ColorDepth depth)
{
    // A negative component would borrow from its neighbours and yield a
    // number that is no colour, so components are limited from below too.
    if (depth == ColorDepth::TrueColor)
        return clamp_component(r, 255) + 256 * clamp_component(g, 255) + 65536 * clamp_component(b, 255);
    return clamp_component(r, 31) + 32 * clamp_component(g, 31) + 1024 * clamp_component(b, 31);
}

// With 15-bit colours the components are taken apart with the sign of v,
// and the red and third components come out one less above their low
// values. Programs compensate for that, so it stays.
std::int32_t red_component(std::int32_t v, ColorDepth depth)
{
    if (depth == ColorDepth::TrueColor)
        return static_cast<std::int32_t>(bits(v) & 0xFFu);
    std::int32_t m = v % 32;
    return m > 1 ? m - 1 : m;
}

std::int32_t color2_component(std::int32_t v, ColorDepth depth)
{
    if (depth == ColorDepth::TrueColor)
        return static_cast<std::int32_t>((bits(v) >> 8) & 0xFFu);
    return v / 1024;
}

std::int32_t color3_component(std::int32_t v, ColorDepth depth)
{
    if (depth == ColorDepth::TrueColor)
        return static_cast<std::int32_t>((bits(v) >> 16) & 0xFFu);
    std::int32_t m = v % 1024;
    return m / 32 - (m > 63 ? 1 : 0);
}

} // namespace talven
