// Helpers for the talvenc tests: byte strings of program lines and a
// scratch directory.
#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>

namespace talven::tools::test {

// A program line: its token byte, then the argument text.
inline std::string line(std::uint8_t token, std::string_view text = {})
{
    return std::string(1, static_cast<char>(token)) + std::string(text);
}

inline std::string bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values)
        out += static_cast<char>(v);
    return out;
}

inline std::string hex(std::string_view s)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (char c : s) {
        auto b = static_cast<std::uint8_t>(c);
        if (!out.empty())
            out += ' ';
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

inline std::filesystem::path scratch_dir(std::string_view name)
{
    auto dir = std::filesystem::temp_directory_path() / ("talvenc-test-" + std::string(name));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

} // namespace talven::tools::test
