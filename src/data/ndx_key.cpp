// Key expressions, numeric key texts and the key order of NDX indexes.
#include "data/ndx_key.h"

#include <charconv>
#include <cstring>
#include <limits>

#include "values/conversions.h"

namespace talven {

namespace {

std::string_view trim_leading(std::string_view s)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    return s;
}

std::string_view trim_trailing(std::string_view s)
{
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

void fail_element(NdxExpression& out, std::string_view element)
{
    out.failure.code = ndx_code::bad_expression;
    out.failure.detail = out.text.view();
    out.failure.detail.append(" (");
    out.failure.detail.append(element);
    out.failure.detail.append(")");
}

} // namespace

void resolve_expression(std::string_view text, std::span<const NdxField> fields, NdxExpression& out)
{
    out = NdxExpression{};
    out.text = trim_trailing(trim_leading(text));
    std::string_view rest = out.text.view();
    for (;;) {
        std::size_t plus = rest.find('+');
        std::string_view raw = rest.substr(0, plus);
        ShortString element = trim_leading(raw);
        upper_ansi(element);
        element = trim_trailing(element.view());
        std::string_view name = element.view();

        const NdxField* field = nullptr;
        for (const NdxField& f : fields) {
            if (f.name == name) {
                field = &f;
                break;
            }
        }
        if (out.count == ndx_max_elements) {
            fail_element(out, name);
            return;
        }
        NdxElement& e = out.elements[out.count];
        if (field) {
            e = {field->offset, field->length, false, field->type};
        } else if (!name.empty() && name.front() == '"') {
            std::string_view quoted = name.substr(1);
            if (!quoted.empty() && quoted.back() == '"')
                quoted.remove_suffix(1);
            e = {static_cast<std::uint16_t>(out.literals.size()), static_cast<std::uint16_t>(quoted.size()), true, 'C'};
            out.literals.append(quoted);
            out.has_literal = true;
        } else {
            fail_element(out, name);
            return;
        }
        out.text_length += e.length;
        ++out.count;
        if (plus == std::string_view::npos)
            break;
        rest.remove_prefix(plus + 1);
    }
}

bool expression_text(const NdxExpression& expr, std::span<const std::uint8_t> record,
                     std::uint8_t* out, std::size_t capacity, std::size_t& length)
{
    length = 0;
    for (std::size_t i = 0; i < expr.count; ++i) {
        const NdxElement& e = expr.elements[i];
        const std::uint8_t* from;
        if (e.literal) {
            from = reinterpret_cast<const std::uint8_t*>(expr.literals.data()) + e.offset;
        } else {
            if (std::size_t{e.offset} + e.length > record.size())
                return false;
            from = record.data() + e.offset;
        }
        std::size_t n = std::min<std::size_t>(e.length, capacity - length);
        std::memcpy(out + length, from, n);
        length += n;
    }
    return true;
}

std::optional<double> ndx_number(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    if (i == text.size())
        return 0.0;

    bool negative = false;
    if (text[i] == '+' || text[i] == '-')
        negative = text[i++] == '-';
    std::size_t start = i;
    std::size_t digits = 0;
    // The decimal magnitude, for telling overflow from underflow.
    long magnitude = 0;
    bool seen_point = false, seen_nonzero = false;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (c >= '0' && c <= '9') {
            ++digits;
            if (c != '0')
                seen_nonzero = true;
            if (!seen_point && seen_nonzero)
                ++magnitude;
            else if (seen_point && !seen_nonzero)
                --magnitude;
        } else if (c == '.' && !seen_point) {
            seen_point = true;
        } else {
            break;
        }
    }
    if (digits == 0)
        return std::nullopt;
    long exponent = 0;
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        bool exp_negative = false;
        if (i < text.size() && (text[i] == '+' || text[i] == '-'))
            exp_negative = text[i++] == '-';
        std::size_t exp_digits = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++exp_digits)
            if (exponent < 100000)
                exponent = exponent * 10 + (text[i] - '0');
        if (exp_digits == 0)
            return std::nullopt;
        if (exp_negative)
            exponent = -exponent;
    }
    if (i != text.size())
        return std::nullopt;

    // from_chars is locale-free and rounds to the nearest double; it takes
    // no "+" and no sign of the exponent's own beyond what it parses.
    double value = 0.0;
    const char* first = text.data() + start;
    auto [end, ec] = std::from_chars(first, text.data() + text.size(), value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        if (!seen_nonzero)
            value = 0.0;
        else
            value = magnitude + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (ec != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

void store_numeric_key(double value, std::uint8_t* out)
{
    std::uint64_t bits;
    std::memcpy(&bits, &value, 8);
    for (int i = 0; i < 8; ++i)
        out[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

int compare_character_key(const std::uint8_t* page_key, std::size_t key_length,
                          std::span<const std::uint8_t> search)
{
    std::size_t page_length = std::min(key_length, search.size());
    int c = page_length ? std::memcmp(page_key, search.data(), page_length) : 0;
    if (c != 0)
        return c < 0 ? -1 : 1;
    if (page_length < search.size())
        return -1;
    return 0;
}

int compare_numeric_key(const std::uint8_t* page_key, const std::uint8_t* search)
{
    bool page_negative = page_key[7] & 0x80;
    bool search_negative = search[7] & 0x80;
    if (page_negative != search_negative)
        return page_negative ? -1 : 1;
    int c = 0;
    for (int i = 7; i >= 0 && c == 0; --i)
        if (page_key[i] != search[i])
            c = page_key[i] < search[i] ? -1 : 1;
    return page_negative ? -c : c;
}

} // namespace talven
