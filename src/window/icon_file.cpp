// The icon file check: the directory and every image it points to must lie
// inside the file, and every image must be a PNG or a device-independent
// picture whose colour table, colour rows and mask rows fit its entry.
#include "window/icon_file.h"

#include <algorithm>
#include <vector>

#include "core/little_endian.h"
#include "host/host_files.h"
#include "window/bmp.h"

namespace talven {
namespace {

constexpr std::uint8_t png_signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

bool sound_image(const std::uint8_t* image, std::uint64_t size)
{
    if (size >= sizeof png_signature && std::equal(png_signature, png_signature + sizeof png_signature, image))
        return true;
    if (size < bmp::info_header_size || read_le32(image) != bmp::info_header_size)
        return false;
    const auto [width, height, planes, bits, compression, image_size, colors_used] = bmp::read_info_header(image);
    // The height counts the colour rows and the mask rows.
    if (width < 1 || width > 256 || height < 2 || height > 512 || height % 2 != 0 || planes > 1 || compression != 0)
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return false;
    std::uint64_t colors = 0;
    if (bits <= 8) {
        const std::uint32_t full = 1u << bits;
        colors = colors_used == 0 || colors_used > full ? full : colors_used;
    }
    const auto w = static_cast<std::uint32_t>(width);
    const std::uint64_t rows = static_cast<std::uint64_t>(height / 2);
    const std::uint64_t needed =
        bmp::info_header_size + colors * 4 + (bmp_row_size(bits, w) + bmp_row_size(1, w)) * rows;
    return needed <= size;
}

} // namespace

IconFileKind inspect_icon_file(std::span<const std::uint8_t> file)
{
    if (file.size() < ico::header_size || read_le16(file.data()) != 0)
        return IconFileKind::NotIcon;
    const std::uint16_t type = read_le16(file.data() + 2);
    if (type != 1 && type != 2)
        return IconFileKind::NotIcon;
    const std::uint16_t count = read_le16(file.data() + 4);
    const std::uint64_t directory_end = ico::header_size + std::uint64_t{count} * ico::entry_size;
    if (count == 0 || directory_end > file.size())
        return IconFileKind::Damaged;
    for (std::uint16_t i = 0; i < count; ++i) {
        const std::uint8_t* entry = file.data() + ico::header_size + std::size_t{i} * ico::entry_size;
        const std::uint64_t size = read_le32(entry + 8);
        const std::uint64_t offset = read_le32(entry + 12);
        if (offset < directory_end || offset + size > file.size() || !sound_image(file.data() + offset, size))
            return IconFileKind::Damaged;
    }
    return IconFileKind::Icon;
}

IconFileKind read_icon_file(HostFileSystem& files, std::string_view name)
{
    OpenResult opened = files.open(name, FileAccess::Read, FileSharing::DenyNone, FileCreation::OpenExisting);
    if (!opened.file)
        return IconFileKind::NotIcon;
    HostFileHandle& file = *opened.file;
    IconFileKind kind = IconFileKind::NotIcon;
    std::uint8_t header[ico::header_size] = {};
    Transfer t = file.read(header, sizeof header);
    auto size = file.size();
    if (t.code == fs_code::ok && t.bytes == sizeof header &&
        inspect_icon_file(header) != IconFileKind::NotIcon) {
        kind = IconFileKind::Damaged;
        if (size.ok() && size.value <= ico::max_file_size && file.seek(0) == fs_code::ok) {
            std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.value));
            t = file.read(bytes.data(), bytes.size());
            if (t.code == fs_code::ok && t.bytes == bytes.size())
                kind = inspect_icon_file(bytes);
        }
    }
    file.close();
    return kind;
}

} // namespace talven
