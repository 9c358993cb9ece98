// PE header layout. Plain C++ with no dependencies: it is also compiled
// into pe_move_headers, which may have to be built as a host tool.
#include "tools/pe_layout.h"

#include <algorithm>
#include <cstring>

namespace talven::tools {
namespace {

constexpr std::size_t dos_header_size = 64;
constexpr std::size_t e_lfanew_offset = 0x3C;
constexpr std::size_t file_header_size = 20;
constexpr std::size_t section_header_size = 40;
constexpr std::size_t locator_end = pe_locator_offset + 4;
// First 8-aligned offset after the locator word.
constexpr std::size_t moved_signature_offset = (locator_end + 7) / 8 * 8;

std::uint16_t read_le16(std::string_view b, std::size_t at)
{
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8);
}

} // namespace

std::uint32_t read_le32(std::string_view b, std::size_t at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<std::uint8_t>(b[at + i]);
    return value;
}

void write_le32(std::string& b, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
}

std::optional<PeHeaders> parse_pe_headers(std::string_view file, std::string& error)
{
    if (file.size() < dos_header_size || file.substr(0, 2) != "MZ") {
        error = "not a PE executable (no MZ header)";
        return std::nullopt;
    }
    PeHeaders h;
    h.signature_offset = read_le32(file, e_lfanew_offset);
    std::size_t sig = h.signature_offset;
    if (sig < dos_header_size || sig > file.size() || file.size() - sig < 4 + file_header_size
        || file.substr(sig, 4) != std::string_view("PE\0\0", 4)) {
        error = "not a PE executable (no PE signature where e_lfanew points)";
        return std::nullopt;
    }
    std::size_t sections = read_le16(file, sig + 4 + 2);
    std::size_t optional_size = read_le16(file, sig + 4 + 16);
    std::size_t optional_start = sig + 4 + file_header_size;
    if (optional_size < 68 || file.size() - optional_start < optional_size) {
        error = "PE optional header is missing or truncated";
        return std::nullopt;
    }
    std::uint16_t magic = read_le16(file, optional_start);
    if (magic != 0x10B && magic != 0x20B) {
        error = "PE optional header has an unknown magic";
        return std::nullopt;
    }
    h.size_of_headers = read_le32(file, optional_start + 60);
    h.checksum_offset = optional_start + 64;
    std::size_t table = optional_start + optional_size;
    if (file.size() - table < sections * section_header_size) {
        error = "PE section table is truncated";
        return std::nullopt;
    }
    h.headers_end = table + sections * section_header_size;
    h.first_section_data = file.size();
    for (std::size_t i = 0; i < sections; ++i) {
        std::size_t entry = table + i * section_header_size;
        std::uint32_t raw_size = read_le32(file, entry + 16);
        std::uint32_t raw_pointer = read_le32(file, entry + 20);
        if (raw_size != 0 && raw_pointer != 0)
            h.first_section_data = std::min<std::size_t>(h.first_section_data, raw_pointer);
    }
    return h;
}

std::optional<PeMove> move_pe_headers(std::string& file, std::string& error)
{
    auto h = parse_pe_headers(file, error);
    if (!h)
        return std::nullopt;
    bool overlaps = h->signature_offset < locator_end && h->headers_end > pe_locator_offset;
    if (!overlaps) {
        if (read_le32(file, pe_locator_offset) == 0)
            return PeMove::AlreadyFree;
        error = "the word at offset 128 is not 0 (is the executable already bound?)";
        return std::nullopt;
    }
    std::size_t length = h->headers_end - h->signature_offset;
    std::size_t new_end = moved_signature_offset + length;
    if (new_end > h->size_of_headers || new_end > h->first_section_data) {
        error = "no room to move the PE headers: they would end at " + std::to_string(new_end)
            + ", beyond SizeOfHeaders (" + std::to_string(h->size_of_headers) + ") or the first section's data ("
            + std::to_string(h->first_section_data) + ")";
        return std::nullopt;
    }
    std::memmove(file.data() + moved_signature_offset, file.data() + h->signature_offset, length);
    std::memset(file.data() + h->signature_offset, 0, moved_signature_offset - h->signature_offset);
    write_le32(file, e_lfanew_offset, static_cast<std::uint32_t>(moved_signature_offset));
    // The old checksum no longer matches; 0 means "not set" to the loader.
    write_le32(file, h->checksum_offset + (moved_signature_offset - h->signature_offset), 0);
    return PeMove::Moved;
}

} // namespace talven::tools
