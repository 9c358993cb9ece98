// BMP reader and writer. The reader checks every field a platform call would
// trust before the picture leaves it; the writer lays files out as SAVEBMP
// always has, with four zero bytes before the rows.
#include "window/bmp.h"

#include <algorithm>
#include <cstring>

#include "core/little_endian.h"
#include "host/host_files.h"

namespace talven {
namespace {

enum : std::uint32_t { rgb = 0, rle8 = 1, rle4 = 2, bitfields = 3 };

bool bits_fit_compression(std::uint16_t bits, std::uint32_t compression)
{
    switch (compression) {
    case rgb: return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    case rle8: return bits == 8;
    case rle4: return bits == 4;
    case bitfields: return bits == 16 || bits == 32;
    default: return false;
    }
}

void fill_header(std::uint8_t* h, std::int32_t width, std::int32_t height, std::uint16_t bits,
                 std::uint32_t compression, std::uint32_t image_size, std::uint32_t colors_used)
{
    std::memset(h, 0, bmp::info_header_size);
    write_le32(h, bmp::info_header_size);
    write_le32(h + 4, static_cast<std::uint32_t>(width));
    write_le32(h + 8, static_cast<std::uint32_t>(height));
    write_le16(h + 12, 1);
    write_le16(h + 14, bits);
    write_le32(h + 16, compression);
    write_le32(h + 20, image_size);
    write_le32(h + 32, colors_used);
}

} // namespace

bmp::InfoHeader bmp::read_info_header(const std::uint8_t* h)
{
    return {static_cast<std::int32_t>(read_le32(h + 4)), static_cast<std::int32_t>(read_le32(h + 8)),
            read_le16(h + 12), read_le16(h + 14), read_le32(h + 16), read_le32(h + 20), read_le32(h + 32)};
}

std::optional<Dib> parse_bmp(std::vector<std::uint8_t> file)
{
    const std::size_t size = file.size();
    constexpr std::size_t headers = bmp::file_header_size + bmp::info_header_size;
    if (size < headers || file[0] != 'B' || file[1] != 'M')
        return std::nullopt;
    const std::uint8_t* h = file.data() + bmp::file_header_size;
    if (read_le32(h) != bmp::info_header_size)
        return std::nullopt;
    const auto [width, height, planes, bits, compression, image_size, colors_used] = bmp::read_info_header(h);
    const std::uint64_t offset = read_le32(file.data() + 10);

    if (planes != 1 || !bits_fit_compression(bits, compression))
        return std::nullopt;
    if (width <= 0 || width > bmp::max_side || height == 0 || height < -bmp::max_side || height > bmp::max_side)
        return std::nullopt;
    const std::int64_t rows = height < 0 ? -std::int64_t{height} : height;
    if (std::int64_t{width} * rows > bmp::max_pixels)
        return std::nullopt;
    // Compressed rows are stored bottom-up only.
    if ((compression == rle8 || compression == rle4) && height < 0)
        return std::nullopt;

    std::uint64_t table_start = headers + (compression == bitfields ? 12 : 0);
    std::uint32_t colors = 0;
    if (bits <= 8) {
        const std::uint32_t full = 1u << bits;
        colors = colors_used == 0 ? full : std::min(colors_used, full);
    }
    if (table_start + std::uint64_t{colors} * 4 > offset || offset > size)
        return std::nullopt;

    std::uint64_t pixel_size = 0;
    if (compression == rgb || compression == bitfields)
        pixel_size = bmp_row_size(bits, static_cast<std::uint32_t>(width)) * static_cast<std::uint64_t>(rows);
    else
        pixel_size = image_size;
    if (pixel_size == 0 || offset + pixel_size > size)
        return std::nullopt;

    Dib dib;
    dib.width = width;
    dib.height = height;
    dib.bits = bits;
    dib.compression = compression;
    dib.colors = colors;
    dib.info.resize(static_cast<std::size_t>(table_start - bmp::file_header_size) + std::size_t{colors} * 4);
    fill_header(dib.info.data(), width, height, bits, compression, static_cast<std::uint32_t>(pixel_size), colors);
    std::memcpy(dib.info.data() + bmp::info_header_size, file.data() + headers,
                dib.info.size() - bmp::info_header_size);
    dib.pixel_offset = static_cast<std::size_t>(offset);
    dib.pixel_size = static_cast<std::size_t>(pixel_size);
    dib.block = std::move(file);
    return dib;
}

std::optional<Dib> read_bmp(HostFileSystem& files, std::string_view name)
{
    OpenResult opened = files.open(name, FileAccess::Read, FileSharing::DenyNone, FileCreation::OpenExisting);
    if (!opened.file)
        return std::nullopt;
    HostFileHandle& file = *opened.file;
    auto size = file.size();
    std::optional<Dib> result;
    if (size.ok() && size.value >= bmp::file_header_size && size.value <= bmp::max_file_size) {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.value));
        Transfer t = file.read(bytes.data(), bytes.size());
        if (t.code == fs_code::ok && t.bytes == bytes.size())
            result = parse_bmp(std::move(bytes));
    }
    file.close();
    return result;
}

std::vector<std::uint8_t> encode_bmp(const Dib& picture)
{
    const std::size_t table = std::size_t{picture.colors} * 4;
    const std::size_t image = picture.pixel_size;
    const std::size_t start = bmp::file_header_size + bmp::info_header_size + bmp::written_gap;
    std::vector<std::uint8_t> out(start + table + image, 0);
    std::uint8_t* p = out.data();
    p[0] = 'B';
    p[1] = 'M';
    write_le32(p + 2, static_cast<std::uint32_t>(out.size()));
    write_le32(p + 10, static_cast<std::uint32_t>(start + table));
    fill_header(p + bmp::file_header_size, picture.width, picture.height, picture.bits, 0,
                static_cast<std::uint32_t>(image), 0);
    if (table != 0 && picture.info.size() >= bmp::info_header_size + table)
        std::memcpy(p + bmp::file_header_size + bmp::info_header_size, picture.info.data() + bmp::info_header_size,
                    table);
    if (image != 0)
        std::memcpy(p + start + table, picture.pixels(), image);
    return out;
}

bool write_bmp(HostFileSystem& files, std::string_view name, const Dib& picture)
{
    const std::vector<std::uint8_t> bytes = encode_bmp(picture);
    OpenResult opened = files.open(name, FileAccess::Write, FileSharing::DenyAll, FileCreation::CreateAlways);
    if (!opened.file)
        return false;
    Transfer t = opened.file->write(bytes.data(), bytes.size());
    FsCode closed = opened.file->close();
    opened.file.reset();
    // A short write leaves a file that no reader can trust: it goes.
    if (t.code != fs_code::ok || t.bytes != bytes.size() || closed != fs_code::ok) {
        files.remove(name);
        return false;
    }
    return true;
}

Dib make_capture_dib(std::int32_t width, std::int32_t height, std::uint16_t bits)
{
    Dib dib;
    dib.width = width;
    dib.height = height;
    dib.bits = bits;
    dib.colors = bits < 24 ? 1u << bits : 0;
    dib.pixel_size = static_cast<std::size_t>(bmp_row_size(bits, static_cast<std::uint32_t>(width)) *
                                              static_cast<std::uint32_t>(height));
    dib.info.resize(bmp::info_header_size + std::size_t{dib.colors} * 4);
    fill_header(dib.info.data(), width, height, bits, 0, static_cast<std::uint32_t>(dib.pixel_size), 0);
    dib.block.assign(dib.pixel_size, 0);
    return dib;
}

} // namespace talven
