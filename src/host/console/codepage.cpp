// Conversion between Windows-1252 and UTF-8 at the console host's edges.
#include "host/console/codepage.h"

#include <cstdint>

namespace talven {
namespace {

// Code points of 0x80..0x9F; 0 marks the five codes that have none.
constexpr char16_t high_controls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

std::uint32_t code_point_of(unsigned char c)
{
    if (c >= 0x80 && c < 0xA0) {
        char16_t mapped = high_controls[c - 0x80];
        // The unassigned codes pass through as the C1 controls of the same value.
        return mapped ? mapped : c;
    }
    return c;
}

void append_utf8(std::string& out, std::uint32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

char ansi_of(std::uint32_t cp)
{
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<char>(cp);
    for (int i = 0; i < 32; ++i)
        if (high_controls[i] == cp || (high_controls[i] == 0 && cp == 0x80u + i))
            return static_cast<char>(0x80 + i);
    return '?';
}

} // namespace

std::string ansi_to_utf8(std::string_view ansi)
{
    std::string out;
    out.reserve(ansi.size());
    for (char c : ansi)
        append_utf8(out, code_point_of(static_cast<unsigned char>(c)));
    return out;
}

std::string utf8_to_ansi(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        std::uint32_t cp;
        std::size_t length;
        if (c < 0x80) {
            cp = c;
            length = 1;
        } else if ((c & 0xE0) == 0xC0) {
            cp = c & 0x1F;
            length = 2;
        } else if ((c & 0xF0) == 0xE0) {
            cp = c & 0x0F;
            length = 3;
        } else if ((c & 0xF8) == 0xF0) {
            cp = c & 0x07;
            length = 4;
        } else {
            out.push_back('?');
            ++i;
            continue;
        }
        if (i + length > utf8.size()) {
            out.push_back('?');
            break;
        }
        bool valid = true;
        for (std::size_t k = 1; k < length; ++k) {
            unsigned char cont = static_cast<unsigned char>(utf8[i + k]);
            if ((cont & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            cp = (cp << 6) | (cont & 0x3F);
        }
        if (!valid) {
            out.push_back('?');
            ++i;
            continue;
        }
        out.push_back(ansi_of(cp));
        i += length;
    }
    return out;
}

} // namespace talven

namespace talven {
namespace {

// Windows-1252 code of each code page 850 character 0x80..0xFF; 0 where
// Windows-1252 has no such character (box drawing, for instance).
constexpr unsigned char cp850_high[128] = {
    0xC7, 0xFC, 0xE9, 0xE2, 0xE4, 0xE0, 0xE5, 0xE7, 0xEA, 0xEB, 0xE8, 0xEF, 0xEE, 0xEC, 0xC4, 0xC5, 0xC9, 0xE6, 0xC6, 0xF4, 0xF6, 0xF2, 0xFB, 0xF9, 0xFF, 0xD6, 0xDC, 0xF8, 0xA3, 0xD8, 0xD7, 0x83, 0xE1, 0xED, 0xF3, 0xFA, 0xF1, 0xD1, 0xAA, 0xBA, 0xBF, 0xAE, 0xAC, 0xBD, 0xBC, 0xA1, 0xAB, 0xBB, 0, 0, 0, 0, 0, 0xC1, 0xC2, 0xC0, 0xA9, 0, 0, 0, 0, 0xA2, 0xA5, 0, 0, 0, 0, 0, 0, 0, 0xE3, 0xC3, 0, 0, 0, 0, 0, 0, 0, 0xA4, 0xF0, 0xD0, 0xCA, 0xCB, 0xC8, 0, 0xCD, 0xCE, 0xCF, 0, 0, 0, 0, 0xA6, 0xCC, 0, 0xD3, 0xDF, 0xD4, 0xD2, 0xF5, 0xD5, 0xB5, 0xFE, 0xDE, 0xDA, 0xDB, 0xD9, 0xFD, 0xDD, 0xAF, 0xB4, 0xAD, 0xB1, 0, 0xBE, 0xB6, 0xA7, 0xF7, 0xB8, 0xB0, 0xA8, 0xB7, 0xB9, 0xB3, 0xB2, 0, 0xA0
};

} // namespace

std::string cp850_to_ansi(std::string_view oem)
{
    std::string out(oem);
    for (auto& c : out) {
        auto u = static_cast<unsigned char>(c);
        if (u >= 0x80)
            c = cp850_high[u - 0x80] ? static_cast<char>(cp850_high[u - 0x80]) : '?';
    }
    return out;
}

std::string ansi_to_cp850(std::string_view ansi)
{
    std::string out(ansi);
    for (auto& c : out) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x80)
            continue;
        c = '?';
        for (int i = 0; i < 128; ++i)
            if (cp850_high[i] == u) {
                c = static_cast<char>(0x80 + i);
                break;
            }
    }
    return out;
}

} // namespace talven
