// The line format of the interpreter target: lines separated by newline
// bytes (so a line never holds byte 10), each cut to the 254 bytes a program
// line may have, written as the length-prefixed records of a program file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace talven::fuzzing {

inline constexpr std::size_t max_line_length = 254;
inline constexpr std::size_t max_lines = 32767;

// Appends one record per line of the input; false when the input has more
// lines than a program may hold.
inline bool append_line_records(std::string& file, const std::uint8_t* data, std::size_t size)
{
    std::size_t lines = 0;
    std::size_t start = 0;
    while (start <= size) {
        std::size_t end = start;
        while (end < size && data[end] != '\n')
            ++end;
        if (end == size && start == size && lines > 0)
            break; // a final newline ends the last line and starts none
        if (++lines > max_lines)
            return false;
        std::size_t length = end - start;
        if (length > max_line_length)
            length = max_line_length;
        file.push_back(static_cast<char>(length));
        file.append(reinterpret_cast<const char*>(data + start), length);
        start = end + 1;
    }
    return true;
}

} // namespace talven::fuzzing
