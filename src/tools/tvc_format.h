// The compiled program file (.TVC): its 32-byte header, the line key the
// header implies, and the line records. The developer tool writes and reads
// these files; the runtime's loader keeps its own reader.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace talven::tools {

constexpr std::size_t tvc_header_size = 32;
constexpr std::size_t tvc_max_line_length = 254;
constexpr std::size_t tvc_max_lines = 32767;
constexpr std::string_view tvc_magic = "ZUK-TALVEN";

using TvcHeader = std::array<std::uint8_t, tvc_header_size>;

enum class KeyMode { Scrambled, Plain };

// The line key a header implies, by the same rules as the loader: blanks at
// 20 and 21 mean plain lines; version "5" combines four header bytes chosen
// by the index bytes 26..29; any other version ORs bytes 20 and 21.
std::uint8_t tvc_line_key(const TvcHeader& header);

// A version-5 header. Scrambled headers are derived from `seed` alone, so
// the same program always gives the same file, and their key is never 0.
TvcHeader make_tvc_header(KeyMode mode, std::uint32_t seed);

// A whole .TVC file for the given lines (each at most 254 bytes: the caller
// has checked). The seed of a scrambled header is a hash of the lines.
std::string write_tvc(const std::vector<std::string>& lines, KeyMode mode);

struct TvcFile {
    TvcHeader header{};
    std::uint8_t key = 0;
    std::vector<std::string> lines;
};

// Reads a .TVC file and refuses what the loader refuses: a short header, a
// wrong magic, more than 32767 lines, a truncated record, a record of
// length 255. On refusal `error` says why.
std::optional<TvcFile> read_tvc(std::string_view bytes, std::string& error);

} // namespace talven::tools
