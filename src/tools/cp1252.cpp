// Windows-1252 <-> Unicode. Only 0x80..0x9F differ from Latin-1.
#include "tools/cp1252.h"

#include <array>

namespace talven::tools {
namespace {

// 0 marks the unassigned bytes.
constexpr std::array<char32_t, 32> high_controls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

} // namespace

std::optional<std::uint8_t> cp1252_from_unicode(char32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<std::uint8_t>(cp);
    for (std::size_t i = 0; i < high_controls.size(); ++i)
        if (high_controls[i] != 0 && high_controls[i] == cp)
            return static_cast<std::uint8_t>(0x80 + i);
    return std::nullopt;
}

std::optional<char32_t> cp1252_to_unicode(std::uint8_t byte)
{
    if (byte < 0x80 || byte >= 0xA0)
        return byte;
    char32_t cp = high_controls[byte - 0x80];
    if (cp == 0)
        return std::nullopt;
    return cp;
}

void append_utf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::optional<char32_t> next_utf8(std::string_view text, std::size_t& pos)
{
    if (pos >= text.size())
        return std::nullopt;
    auto byte_at = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    std::uint8_t lead = byte_at(pos);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    int extra = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1, cp = lead & 0x1F, min = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2, cp = lead & 0x0F, min = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3, cp = lead & 0x07, min = 0x10000;
    } else {
        return std::nullopt;
    }
    if (pos + extra >= text.size())
        return std::nullopt;
    for (int i = 1; i <= extra; ++i) {
        std::uint8_t next = byte_at(pos + i);
        if ((next & 0xC0) != 0x80)
            return std::nullopt;
        cp = (cp << 6) | (next & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return std::nullopt;
    pos += extra + 1;
    return cp;
}

} // namespace talven::tools
