// The icon file check against damaged directories and images: each case
// differs from a sound one-image file in one field.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "core/little_endian.h"
#include "window/icon_file.h"

namespace talven {
namespace {

// One 16 x 16 image of the given depth; the colour table and both masks
// exactly fill its entry.
std::vector<std::uint8_t> icon_file(std::uint16_t bits = 4)
{
    const std::uint32_t table = bits <= 8 ? (1u << bits) * 4 : 0;
    const std::uint32_t rows = (bits * 16 + 31) / 32 * 4 * 16 + 4 * 16;
    const std::uint32_t image = 40 + table + rows;
    std::vector<std::uint8_t> f(6 + 16 + image, 0);
    write_le16(&f[2], 1);
    write_le16(&f[4], 1);
    f[6] = 16;
    f[7] = 16;
    write_le32(&f[6 + 8], image);
    write_le32(&f[6 + 12], 22);
    write_le32(&f[22], 40);
    write_le32(&f[26], 16);
    write_le32(&f[30], 32);
    write_le16(&f[34], 1);
    write_le16(&f[36], bits);
    return f;
}

TEST(IconFile, SoundFilesOfEveryDepthAndAPngImage)
{
    for (std::uint16_t bits : {1, 4, 8, 16, 24, 32})
        EXPECT_EQ(inspect_icon_file(icon_file(bits)), IconFileKind::Icon) << bits;
    auto png = icon_file();
    const std::uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::memcpy(&png[22], signature, sizeof signature);
    EXPECT_EQ(inspect_icon_file(png), IconFileKind::Icon);
}

TEST(IconFile, OtherFilesAreLeftToThePlatform)
{
    const std::vector<std::vector<std::uint8_t>> others = {
        {}, {0, 0, 1}, {'M', 'Z', 0x90, 0, 3, 0}, {0, 0, 3, 0, 1, 0}, {1, 0, 1, 0, 1, 0}};
    for (const auto& f : others)
        EXPECT_EQ(inspect_icon_file(f), IconFileKind::NotIcon);
}

TEST(IconFile, DamagedDirectoriesAndImages)
{
    const std::vector<std::function<void(std::vector<std::uint8_t>&)>> damages = {
        [](auto& f) { write_le16(&f[4], 0); },                        // no icon
        [](auto& f) { write_le16(&f[4], 2); },                        // a second entry over the image
        [](auto& f) { write_le16(&f[4], 0xFFFF); },                   // a directory past the end
        [](auto& f) { write_le32(&f[6 + 12], 0xFFFFFFF0); },          // an image far beyond
        [](auto& f) { write_le32(&f[6 + 12], 10); },                  // an image inside the directory
        [](auto& f) { write_le32(&f[6 + 8], static_cast<std::uint32_t>(f.size())); }, // longer than the file
        [](auto& f) { f.pop_back(); },                                // the last mask byte missing
        [](auto& f) { write_le32(&f[22], 12); },                      // an old header
        [](auto& f) { write_le32(&f[30], 33); },                      // an odd height
        [](auto& f) { write_le32(&f[26], 0); },                       // no width
        [](auto& f) { write_le32(&f[26], 0x80000000); },              // a negative width
        [](auto& f) { write_le16(&f[36], 31); },                      // no depth
        [](auto& f) { write_le32(&f[38], 1); },                       // compressed
        [](auto& f) { write_le32(&f[6 + 8], 40 + 64 + 128 + 63); },   // masks cut short
    };
    for (std::size_t i = 0; i < damages.size(); ++i) {
        auto f = icon_file();
        damages[i](f);
        EXPECT_EQ(inspect_icon_file(f), IconFileKind::Damaged) << "case " << i;
    }
}

} // namespace
} // namespace talven
