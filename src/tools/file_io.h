// Whole-file reading and all-or-nothing writing for talvenc.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace talven::tools {

std::optional<std::string> read_file(const std::filesystem::path& path, std::string& error);

// Writes a temporary file beside `path` and renames it into place, so a
// failure never leaves a half-written output. With `mode_of`, the new file
// gets the permissions of that file (the binder keeps the runtime's).
bool write_file(const std::filesystem::path& path, std::string_view bytes, std::string& error,
    const std::filesystem::path* mode_of = nullptr);

} // namespace talven::tools
