// The binder of talvenc: a copy of the runtime executable with a compiled
// program appended, and the runtime's locator word pointing at it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace talven::tools {

enum class ExecutableKind { Elf, Pe };

struct Locator {
    ExecutableKind kind;
    std::size_t offset = 0; // file offset of the 32-bit little-endian word
};

// ELF: the 4-byte section ".tvc_locator", found through the section
// headers (32- and 64-bit, little-endian). PE: offset 128 in the DOS stub,
// which must lie before the PE signature.
std::optional<Locator> find_locator(std::string_view executable, std::string& error);

// The bound executable: `runtime` with the locator word set to its own size
// and `program` (a whole .TVC file) appended. Refuses a runtime that is
// already bound and a program that is not a valid .TVC file.
std::optional<std::string> bind_program(std::string_view runtime, std::string_view program, std::string& error);

} // namespace talven::tools
