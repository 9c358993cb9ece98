// Text and number conversions of the runtime. These are the rules that
// programs observe in every view of a value, so they live in one place.
#include "values/conversions.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "values/real48.h"

namespace talven {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Length of the float number at the start of text (0 when there is none).
std::size_t float_syntax_length(std::string_view text)
{
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < text.size() && is_digit(text[i]))
        ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && is_digit(text[i]))
            ++i, ++digits;
    }
    if (digits == 0)
        return 0;
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-'))
            ++j;
        std::size_t exponent_digits = 0;
        while (j < text.size() && is_digit(text[j]))
            ++j, ++exponent_digits;
        if (exponent_digits)
            i = j;
    }
    return i;
}

double parse_float(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    double value = 0.0;
    auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Overflow gives infinity; underflow gives zero.
        bool tiny = false;
        std::size_t e = text.find_first_of("Ee");
        if (e != std::string_view::npos && e + 1 < text.size() && text[e + 1] == '-')
            tiny = true;
        value = tiny ? 0.0 : HUGE_VAL;
    }
    return negative ? -value : value;
}

} // namespace

int hex_digit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::string_view trim_blanks(std::string_view text)
{
    while (!text.empty() && static_cast<unsigned char>(text.front()) < 33)
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) < 33)
        text.remove_suffix(1);
    return text;
}

std::int32_t long_from_text(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::int64_t value = 0;
    bool hex = i < text.size() && text[i] == '$';
    if (hex) {
        ++i;
        while (i < text.size()) {
            int d = hex_digit(text[i]);
            if (d < 0 || value > 0xFFFFFFF)
                return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
            value = value * 16 + d;
            ++i;
        }
        std::uint32_t bits = static_cast<std::uint32_t>(value);
        return static_cast<std::int32_t>(negative ? 0u - bits : bits);
    }
    while (i < text.size()) {
        if (!is_digit(text[i]) || value * 10 + (text[i] - '0') > 2147483648LL)
            return static_cast<std::int32_t>(value > 2147483647 ? 0 : value);
        value = value * 10 + (text[i] - '0');
        ++i;
    }
    if (negative)
        value = -value;
    if (value > 2147483647)
        return 0;
    return static_cast<std::int32_t>(value);
}

std::optional<double> float_from_text(std::string_view text)
{
    std::size_t n = float_syntax_length(text);
    if (n == 0 || n != text.size())
        return std::nullopt;
    return parse_float(text);
}

double float_prefix_of_text(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    text.remove_prefix(i);
    std::size_t n = float_syntax_length(text);
    return n ? parse_float(text.substr(0, n)) : 0.0;
}

std::optional<std::int32_t> based_literal(char prefix, std::string_view digits)
{
    std::uint32_t value = 0;
    if (prefix == '$') {
        if (digits.empty() || digits.size() > 8)
            return std::nullopt;
        for (char c : digits) {
            int d = hex_digit(c);
            if (d < 0)
                return std::nullopt;
            value = value * 16 + static_cast<std::uint32_t>(d);
        }
        return static_cast<std::int32_t>(value);
    }
    unsigned base = prefix == '&' ? 8 : prefix == '%' ? 2 : 0;
    if (base == 0)
        return std::nullopt;
    std::size_t i = 0;
    while (i < digits.size() && digits[i] == ' ')
        ++i;
    bool negative = i < digits.size() && digits[i] == '-';
    if (negative)
        ++i;
    if (i == digits.size())
        return std::nullopt;
    for (; i < digits.size(); ++i) {
        unsigned d = static_cast<unsigned>(digits[i] - '0');
        if (digits[i] < '0' || d >= base)
            return std::nullopt;
        value = value * base + d; // wraps at 32 bits, as the register does
    }
    if (negative)
        value = 0u - value;
    return static_cast<std::int32_t>(value);
}

namespace {

// The case rule as tables: names are upper-cased on every lookup.
struct CaseTables {
    unsigned char upper[256];
    unsigned char lower[256];
    constexpr CaseTables() : upper(), lower()
    {
        for (int c = 0; c < 256; ++c) {
            upper[c] = static_cast<unsigned char>(
                (c >= 0x61 && c <= 0x7A) || (c >= 0xE0 && c <= 0xF6) || (c >= 0xF8 && c <= 0xFE) ? c - 0x20 : c);
            lower[c] = static_cast<unsigned char>(
                (c >= 0x41 && c <= 0x5A) || (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xDE) ? c + 0x20 : c);
        }
    }
};

constexpr CaseTables case_tables;

} // namespace

char upper_ansi(char c) { return static_cast<char>(case_tables.upper[static_cast<unsigned char>(c)]); }

char lower_ansi(char c) { return static_cast<char>(case_tables.lower[static_cast<unsigned char>(c)]); }

void upper_ansi(ShortString& text)
{
    char* bytes = text.data();
    for (std::size_t i = 0, n = text.size(); i < n; ++i)
        bytes[i] = static_cast<char>(case_tables.upper[static_cast<unsigned char>(bytes[i])]);
}

bool is_upper_ansi_equal(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upper_ansi(a[i]) != upper_ansi(b[i]))
            return false;
    return true;
}

namespace {

// The text right-aligned in a field of width characters, cut at 255.
ShortString padded(const char* text, std::size_t length, std::int32_t width)
{
    ShortString out;
    std::int64_t fill = static_cast<std::int64_t>(width) - static_cast<std::int64_t>(length);
    for (std::int64_t i = 0; i < fill && out.size() < ShortString::capacity; ++i)
        out.push_back(' ');
    out.append(std::string_view(text, length));
    return out;
}

} // namespace

// Numbers become text on every variable read, so these avoid the printf
// family; std::to_chars gives the same correctly rounded digits.
ShortString long_to_text(std::int32_t value, std::int32_t width)
{
    ShortString out;
    format_long(out, value, width);
    return out;
}

void format_long(ShortString& out, std::int32_t value, std::int32_t width)
{
    // Digits from the back of a small buffer: every integer variable read
    // makes this text, so it must cost next to nothing.
    static constexpr char pairs[] = "00010203040506070809101112131415161718192021222324"
                                    "25262728293031323334353637383940414243444546474849"
                                    "50515253545556575859606162636465666768697071727374"
                                    "75767778798081828384858687888990919293949596979899";
    char buffer[12];
    char* end = buffer + sizeof buffer;
    char* p = end;
    std::uint32_t magnitude = value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
    while (magnitude >= 100) {
        std::uint32_t pair = (magnitude % 100) * 2;
        magnitude /= 100;
        *--p = pairs[pair + 1];
        *--p = pairs[pair];
    }
    if (magnitude >= 10) {
        *--p = pairs[magnitude * 2 + 1];
        *--p = pairs[magnitude * 2];
    } else {
        *--p = static_cast<char>('0' + magnitude);
    }
    if (value < 0)
        *--p = '-';
    std::size_t length = static_cast<std::size_t>(end - p);
    if (width <= static_cast<std::int32_t>(length)) {
        std::memcpy(out.data(), p, length);
        out.set_size(length);
        return;
    }
    out = padded(p, length, width);
}

ShortString float_to_text(double value, std::int32_t decimals, std::int32_t width)
{
    // Wide enough for the largest double with 255 decimals; the result is
    // cut at 255 characters like every short string.
    char buffer[720];
    int d = decimals > 255 ? 255 : (decimals < 0 ? 0 : decimals);
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, d);
    if (result.ec != std::errc())
        return padded("0", 1, width);
    return padded(buffer, static_cast<std::size_t>(result.ptr - buffer), width);
}

std::int32_t truncate_to_long(double value)
{
    // The range test comes first, so a huge float never reaches the 6-byte
    // conversion; within the range the truncation starts from that format.
    if (!(std::fabs(value) <= 2147483647.0))
        return 0;
    double rounded = round_to_real48(value).value_or(0.0);
    if (std::fabs(rounded) > 2147483647.0)
        return 0;
    return static_cast<std::int32_t>(rounded);
}

} // namespace talven
