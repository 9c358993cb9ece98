// Where the headers of a PE executable lie, and moving them off offset 128.
// A stand-alone Windows program finds its appended program through the word
// at file offset 128, inside the DOS stub; linkers that put the PE signature
// exactly there leave no room for it until the headers are moved back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace talven::tools {

constexpr std::size_t pe_locator_offset = 128;

struct PeHeaders {
    std::uint32_t signature_offset = 0; // e_lfanew
    std::size_t headers_end = 0;        // end of the section table
    std::uint32_t size_of_headers = 0;
    std::size_t first_section_data = 0; // lowest raw-data offset of a section, or the file size
    std::size_t checksum_offset = 0;
};

// Bounds-checked reading of the MZ and PE headers.
std::optional<PeHeaders> parse_pe_headers(std::string_view file, std::string& error);

enum class PeMove { Moved, AlreadyFree };

// Moves signature, file header, optional header and section table to the
// next 8-aligned offset after the locator word, points e_lfanew at them and
// zeroes the locator word and the gap. Does nothing when the word is already
// free; refuses when the headers would run into the first section's data.
std::optional<PeMove> move_pe_headers(std::string& file, std::string& error);

std::uint32_t read_le32(std::string_view bytes, std::size_t offset);
void write_le32(std::string& bytes, std::size_t offset, std::uint32_t value);

} // namespace talven::tools
