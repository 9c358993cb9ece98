// The picture formatter: reads a picture section twice with one scanner,
// first to count its placeholders, then to write the number into it.
#include "values/picture_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

namespace talven {
namespace {

enum class Kind : std::uint8_t { Digit, Point, Comma, Exponent, Literal };

// Where an item stands. The point belongs to the fraction and the "E" to
// the exponent, so that leaving the integer part shows on the item itself.
enum class Part : std::uint8_t { Integer, Fraction, Exponent, After };

struct Item {
    Kind kind = Kind::Literal;
    Part part = Part::Integer;
    char symbol = 0;        // "0" or "#"; "E" or "e" for the exponent
    char exponent_sign = 0; // "+" or "-" after the "E"
    std::string_view text;  // literal text
};

class Scanner {
public:
    explicit Scanner(std::string_view section) : m_text(section) {}

    bool next(Item& item)
    {
        if (m_pos >= m_text.size())
            return false;
        char c = m_text[m_pos];
        if (c == '"' || c == '\'') {
            std::size_t close = m_text.find(c, m_pos + 1);
            std::size_t end = close == std::string_view::npos ? m_text.size() : close;
            literal(item, m_text.substr(m_pos + 1, end - m_pos - 1));
            m_pos = close == std::string_view::npos ? m_text.size() : close + 1;
            return true;
        }
        if (c == '\\') {
            literal(item, m_text.substr(m_pos + 1, 1));
            m_pos += 2;
            return true;
        }
        bool in_number = m_part == Part::Integer || m_part == Part::Fraction;
        if (c == '0' || c == '#') {
            if (m_part == Part::After) {
                literal(item, m_text.substr(m_pos, 1));
            } else {
                item = {Kind::Digit, m_part, c, 0, {}};
            }
            ++m_pos;
            return true;
        }
        if (c == '.' && m_part == Part::Integer) {
            m_part = Part::Fraction;
            item = {Kind::Point, m_part, c, 0, {}};
            ++m_pos;
            return true;
        }
        if (c == ',' && in_number) {
            item = {Kind::Comma, m_part, c, 0, {}};
            ++m_pos;
            return true;
        }
        if ((c == 'E' || c == 'e') && in_number && m_pos + 1 < m_text.size() &&
            (m_text[m_pos + 1] == '+' || m_text[m_pos + 1] == '-')) {
            m_part = Part::Exponent;
            item = {Kind::Exponent, m_part, c, m_text[m_pos + 1], {}};
            m_pos += 2;
            return true;
        }
        literal(item, m_text.substr(m_pos, 1));
        ++m_pos;
        return true;
    }

private:
    void literal(Item& item, std::string_view text)
    {
        // Anything but a placeholder ends the exponent digits.
        if (m_part == Part::Exponent)
            m_part = Part::After;
        item = {Kind::Literal, m_part, 0, 0, text};
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
    Part m_part = Part::Integer;
};

struct Layout {
    int integer_places = 0;
    int fraction_places = 0;
    int exponent_zeros = 0;
    int last_fraction_zero = -1; // index of the last "0" in the fraction
    bool grouping = false;
    bool exponent = false;
};

Layout measure(std::string_view section)
{
    Layout layout;
    Scanner scanner(section);
    Item item;
    while (scanner.next(item)) {
        switch (item.kind) {
        case Kind::Digit:
            if (item.part == Part::Integer) {
                ++layout.integer_places;
            } else if (item.part == Part::Fraction) {
                if (item.symbol == '0')
                    layout.last_fraction_zero = layout.fraction_places;
                ++layout.fraction_places;
            } else if (item.symbol == '0') {
                ++layout.exponent_zeros;
            }
            break;
        case Kind::Comma:
            layout.grouping = true;
            break;
        case Kind::Exponent:
            layout.exponent = true;
            break;
        default:
            break;
        }
    }
    return layout;
}

// Splits at ";" outside quotes and escapes; returns the number of sections.
int split_sections(std::string_view picture, std::string_view (&sections)[3])
{
    int count = 0;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= picture.size(); ++i) {
        if (i < picture.size()) {
            char c = picture[i];
            if (c == '"' || c == '\'') {
                std::size_t close = picture.find(c, i + 1);
                i = close == std::string_view::npos ? picture.size() - 1 : close;
                continue;
            }
            if (c == '\\') {
                if (i + 1 < picture.size())
                    ++i;
                continue;
            }
            if (c != ';')
                continue;
        }
        sections[count++] = picture.substr(start, i - start);
        start = i + 1;
        if (count == 3)
            break;
    }
    return count;
}

// The decimal digits of a non-negative finite value.
struct Digits {
    char buffer[720]; // 309 integer digits, 255 places, the exponent
    std::string_view integer;  // no leading zeros: empty for 0
    std::string_view fraction; // exactly the places asked for
    int exponent = 0;
};

void fixed_digits(double magnitude, int places, Digits& d)
{
    auto end = std::to_chars(d.buffer, d.buffer + sizeof d.buffer, magnitude, std::chars_format::fixed, places).ptr;
    std::string_view text(d.buffer, static_cast<std::size_t>(end - d.buffer));
    std::size_t point = text.find('.');
    std::string_view integer = text.substr(0, point);
    while (!integer.empty() && integer.front() == '0')
        integer.remove_prefix(1);
    d.integer = integer;
    d.fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
}

// The mantissa gets `integer_places` digits before the point.
void scientific_digits(double magnitude, int integer_places, int places, Digits& d)
{
    if (magnitude == 0.0) {
        fixed_digits(0.0, places, d);
        d.exponent = 0;
        return;
    }
    int precision = integer_places - 1 + places;
    auto end =
        std::to_chars(d.buffer, d.buffer + sizeof d.buffer, magnitude, std::chars_format::scientific, precision).ptr;
    // "d.ddde+xx": move the digits together so that they are one run.
    char* e = d.buffer;
    while (e < end && *e != 'e')
        ++e;
    int decimal_exponent = 0;
    const char* exponent_text = e + 1;
    if (exponent_text < end && *exponent_text == '+')
        ++exponent_text;
    std::from_chars(exponent_text, end, decimal_exponent);
    std::size_t n = 0;
    for (char* p = d.buffer; p < e; ++p)
        if (*p != '.')
            d.buffer[n++] = *p;
    std::string_view digits(d.buffer, n);
    d.integer = digits.substr(0, static_cast<std::size_t>(integer_places));
    d.fraction = digits.substr(static_cast<std::size_t>(integer_places));
    d.exponent = decimal_exponent - (integer_places - 1);
}

bool all_zero(std::string_view digits)
{
    return digits.find_first_not_of('0') == std::string_view::npos;
}

class Writer {
public:
    Writer(ShortString& out, const Layout& layout, const Digits& digits, PictureSymbols symbols)
        : m_out(out), m_layout(layout), m_digits(digits), m_symbols(symbols)
    {
        // Fraction digits are written up to the last significant one or
        // the last "0" placeholder, whichever is further right.
        std::size_t last = digits.fraction.find_last_not_of('0');
        int significant = last == std::string_view::npos ? 0 : static_cast<int>(last) + 1;
        m_fraction_kept = std::max(significant, layout.last_fraction_zero + 1);
    }

    void item(const Item& item)
    {
        if (item.part != Part::Integer && m_layout.integer_places == 0)
            integer_without_placeholders();
        switch (item.kind) {
        case Kind::Digit:
            if (item.part == Part::Integer)
                integer_placeholder(item.symbol);
            else if (item.part == Part::Fraction && m_fraction_index < m_fraction_kept)
                m_out.push_back(m_digits.fraction[static_cast<std::size_t>(m_fraction_index++)]);
            break;
        case Kind::Point:
            if (m_fraction_kept > 0)
                m_out.push_back(m_symbols.decimal_point);
            break;
        case Kind::Exponent:
            exponent(item);
            break;
        case Kind::Literal:
            m_out.append(item.text);
            break;
        case Kind::Comma:
            break;
        }
    }

    void finish()
    {
        if (m_layout.integer_places == 0)
            integer_without_placeholders();
    }

private:
    // Digit at place p (0 for the units), followed by a separator where a
    // group of three ends.
    void digit(char c, int place)
    {
        m_out.push_back(c);
        if (m_layout.grouping && place > 0 && place % 3 == 0)
            m_out.push_back(m_symbols.thousands_separator);
    }

    void integer_placeholder(char symbol)
    {
        int count = static_cast<int>(m_digits.integer.size());
        int place = m_layout.integer_places - 1 - m_integer_index;
        if (m_integer_index++ == 0)
            for (int p = count - 1; p > place; --p)
                digit(m_digits.integer[static_cast<std::size_t>(count - 1 - p)], p);
        if (symbol == '0')
            m_zero_met = true;
        if (place < count)
            digit(m_digits.integer[static_cast<std::size_t>(count - 1 - place)], place);
        else if (m_zero_met)
            digit('0', place);
    }

    // Without integer placeholders the integer digits stand where the
    // integer part ends.
    void integer_without_placeholders()
    {
        if (m_integer_done)
            return;
        m_integer_done = true;
        int count = static_cast<int>(m_digits.integer.size());
        for (int p = count - 1; p >= 0; --p)
            digit(m_digits.integer[static_cast<std::size_t>(count - 1 - p)], p);
    }

    void exponent(const Item& item)
    {
        m_out.push_back(item.symbol);
        int e = m_digits.exponent;
        if (e < 0)
            m_out.push_back('-');
        else if (item.exponent_sign == '+')
            m_out.push_back('+');
        char text[12];
        auto end = std::to_chars(text, text + sizeof text, e < 0 ? -e : e).ptr;
        int length = static_cast<int>(end - text);
        for (int i = length; i < m_layout.exponent_zeros; ++i)
            m_out.push_back('0');
        m_out.append(std::string_view(text, static_cast<std::size_t>(length)));
    }

    ShortString& m_out;
    const Layout& m_layout;
    const Digits& m_digits;
    PictureSymbols m_symbols;
    int m_integer_index = 0;
    int m_fraction_index = 0;
    int m_fraction_kept = 0;
    bool m_zero_met = false;
    bool m_integer_done = false;
};

ShortString general_format(double value, char decimal_point)
{
    char buffer[40];
    auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15).ptr;
    for (char* p = buffer; p < end; ++p)
        if (*p == '.')
            *p = decimal_point;
    return ShortString(std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
}

} // namespace

std::optional<ShortString> format_picture(double value, std::string_view picture, PictureSymbols symbols)
{
    if (!std::isfinite(value))
        return std::nullopt;
    std::string_view sections[3];
    int count = split_sections(picture, sections);
    std::string_view section = sections[0];
    bool minus = value < 0.0;
    if (value < 0.0 && count >= 2 && !sections[1].empty()) {
        section = sections[1];
        minus = false;
    } else if (value == 0.0 && count >= 3 && !sections[2].empty()) {
        section = sections[2];
    }
    if (section.empty())
        return general_format(value, symbols.decimal_point);

    Layout layout = measure(section);
    double magnitude = std::fabs(value);
    Digits digits;
    if (layout.exponent)
        scientific_digits(magnitude, std::max(layout.integer_places, 1), layout.fraction_places, digits);
    else
        fixed_digits(magnitude, layout.fraction_places, digits);

    ShortString out;
    Scanner scanner(section);
    Item item;
    if (layout.integer_places + layout.fraction_places == 0 && !layout.exponent) {
        // Text only, such as a zero section that reads "none".
        while (scanner.next(item))
            if (item.kind == Kind::Literal)
                out.append(item.text);
        return out;
    }
    if (minus && !(all_zero(digits.integer) && all_zero(digits.fraction)))
        out.push_back('-');
    Writer writer(out, layout, digits, symbols);
    while (scanner.next(item))
        writer.item(item);
    writer.finish();
    return out;
}

} // namespace talven
