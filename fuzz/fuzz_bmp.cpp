// The BMP reader on arbitrary bytes. A file it accepts must keep every range
// it hands on inside its block: the header the platform reads, the colour
// table and the pixel rows are read here byte by byte, so that the sanitizer
// sees any range that reaches outside. The same bytes go to the icon file
// check, whose pictures are device-independent pictures too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "window/bmp.h"
#include "window/icon_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace talven;
    // An icon file that passes has every image inside it: walk them all.
    if (inspect_icon_file(std::span(data, size)) == IconFileKind::Icon) {
        const unsigned count = data[4] | unsigned{data[5]} << 8;
        unsigned sum = 0;
        for (unsigned i = 0; i < count; ++i) {
            const std::uint8_t* e = data + 6 + 16 * i;
            const std::size_t length = e[8] | e[9] << 8 | e[10] << 16 | std::size_t{e[11]} << 24;
            const std::size_t offset = e[12] | e[13] << 8 | e[14] << 16 | std::size_t{e[15]} << 24;
            for (std::size_t k = 0; k < length; ++k)
                sum += data[offset + k];
        }
        return static_cast<int>(sum & 0);
    }
    auto dib = parse_bmp(std::vector<std::uint8_t>(data, data + size));
    if (!dib)
        return 0;
    if (dib->pixel_offset > dib->block.size() || dib->pixel_size > dib->block.size() - dib->pixel_offset)
        std::abort();
    if (dib->info.size() < bmp::info_header_size + std::size_t{dib->colors} * 4)
        std::abort();
    if (dib->width <= 0 || dib->height == 0)
        std::abort();
    unsigned sum = 0;
    for (std::uint8_t b : dib->info)
        sum += b;
    const std::uint8_t* p = dib->pixels();
    for (std::size_t i = 0; i < dib->pixel_size; ++i)
        sum += p[i];
    // Uncompressed rows must all be there.
    if ((dib->compression == 0 || dib->compression == 3) &&
        dib->pixel_size < bmp_row_size(dib->bits, static_cast<std::uint32_t>(dib->width)) *
                              static_cast<std::uint64_t>(dib->height < 0 ? -std::int64_t{dib->height} : dib->height))
        std::abort();
    // What the reader accepts, the writer can lay out again.
    const std::uint32_t full_table = dib->bits <= 8 ? 1u << dib->bits : 0;
    if (dib->compression == 0 && dib->height > 0 && dib->colors == full_table) {
        auto out = encode_bmp(*dib);
        if (!parse_bmp(std::move(out)))
            std::abort();
    }
    return static_cast<int>(sum & 0);
}
