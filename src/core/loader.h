// Start-up: finding the compiled program, checking its header and reading
// its lines into the line table.
#pragma once

#include <cstdint>
#include <string_view>

namespace talven {

struct Runtime;

// Finds and loads the program, then resets the interpreter state for its
// first line. A failure shows its box and ends the run with its exit code.
void load_program(Runtime& rt);

// The line key of a 32-byte header.
std::uint8_t line_key_of_header(const std::uint8_t (&header)[32]);

// True when the file exists and begins with a blank and "ZUK-TALVEN".
bool is_compiled_program(Runtime& rt, std::string_view file_name);

} // namespace talven
