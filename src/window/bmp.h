// BMP files: the reader that turns a file into a checked device-independent
// picture, and the writer of SAVEBMP. Every byte of a file is untrusted; a
// file the reader refuses is no picture, never a read past its block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace talven {

class HostFileSystem;

// A device-independent picture. info holds what the platform reads as the
// picture's header: the 40-byte header, the three bit masks when the
// compression is 3, then the colour table, all taken from checked bytes and
// with the colours-used field equal to the entries present. The pixel rows
// are bytes [pixel_offset, pixel_offset + pixel_size) of block.
struct Dib {
    std::int32_t width = 0;
    std::int32_t height = 0;  // positive: bottom-up rows
    std::uint16_t bits = 0;
    std::uint32_t compression = 0;
    std::uint32_t colors = 0;  // colour table entries in info
    std::vector<std::uint8_t> info;
    std::vector<std::uint8_t> block;
    std::size_t pixel_offset = 0;
    std::size_t pixel_size = 0;

    const std::uint8_t* pixels() const { return block.data() + pixel_offset; }
};

namespace bmp {
constexpr std::size_t file_header_size = 14;
constexpr std::size_t info_header_size = 40;
// Written files carry four zero bytes between the colour table and the rows.
constexpr std::size_t written_gap = 4;
// Limits against absurd dimensions: a side, and the pixels of a picture.
constexpr std::int32_t max_side = 32767;
constexpr std::int64_t max_pixels = std::int64_t{1} << 26;
constexpr std::uint64_t max_file_size = std::uint64_t{1} << 28;

// The fields of a 40-byte info header that the readers check, in the
// order they stand there.
struct InfoHeader {
    std::int32_t width;
    std::int32_t height;
    std::uint16_t planes;
    std::uint16_t bits;
    std::uint32_t compression;
    std::uint32_t image_size;
    std::uint32_t colors_used;
};
// From info_header_size bytes the caller has checked are there.
InfoHeader read_info_header(const std::uint8_t* header);
} // namespace bmp

// Bytes per pixel row, padded to a multiple of 4.
constexpr std::uint64_t bmp_row_size(std::uint32_t bits, std::uint32_t width)
{
    return (std::uint64_t{bits} * width + 31) / 32 * 4;
}

// The bits per pixel the writer uses for a bitmap of a depth (planes times
// bits): 9..23 become 24.
constexpr std::uint16_t bmp_bits_for_depth(std::uint32_t depth)
{
    return static_cast<std::uint16_t>(depth >= 9 && depth <= 23 ? 24 : depth);
}

// A whole file, file header included. Nothing when it is no picture the
// platform could draw safely.
std::optional<Dib> parse_bmp(std::vector<std::uint8_t> file);

// Reads a file by its program name; nothing when it cannot be read or is
// refused.
std::optional<Dib> read_bmp(HostFileSystem& files, std::string_view name);

// A written picture: file header, 40-byte header, colour table, the gap,
// rows. The picture must hold height rows of its row size.
std::vector<std::uint8_t> encode_bmp(const Dib& picture);

// Creates the file and writes it; a failed write removes the file again.
bool write_bmp(HostFileSystem& files, std::string_view name, const Dib& picture);

// A picture as the writer gets it from a surface: the header for width,
// height and bits and a colour table of 2^bits entries below 24 bits, for
// the host to fill with rows and colours.
Dib make_capture_dib(std::int32_t width, std::int32_t height, std::uint16_t bits);

} // namespace talven
