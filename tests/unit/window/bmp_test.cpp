// The BMP reader refuses every file a platform call could read past, and the
// writer lays files out as SAVEBMP always has.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "host/host_files.h"
#include "window/bmp.h"

namespace talven {
namespace {

void put32(std::vector<std::uint8_t>& f, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        f[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}
void put16(std::vector<std::uint8_t>& f, std::size_t at, std::uint16_t v)
{
    f[at] = static_cast<std::uint8_t>(v);
    f[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

// A well-formed file: header, full colour table below 16 bits, pixel rows
// filled with 0x5A.
std::vector<std::uint8_t> make_bmp(std::int32_t width, std::int32_t height, std::uint16_t bits)
{
    std::uint32_t table = bits <= 8 ? (1u << bits) * 4 : 0;
    std::uint32_t rows = static_cast<std::uint32_t>(bmp_row_size(bits, static_cast<std::uint32_t>(width)) *
                                                    static_cast<std::uint32_t>(height < 0 ? -height : height));
    std::vector<std::uint8_t> f(54 + table + rows, 0);
    f[0] = 'B';
    f[1] = 'M';
    put32(f, 2, static_cast<std::uint32_t>(f.size()));
    put32(f, 10, 54 + table);
    put32(f, 14, 40);
    put32(f, 18, static_cast<std::uint32_t>(width));
    put32(f, 22, static_cast<std::uint32_t>(height));
    put16(f, 26, 1);
    put16(f, 28, bits);
    for (std::uint32_t i = 0; i < table; ++i)
        f[54 + i] = static_cast<std::uint8_t>(i);
    std::memset(f.data() + 54 + table, 0x5A, rows);
    return f;
}

TEST(BmpReader, AcceptsTheDepthsAndKeepsTheirRows)
{
    for (std::uint16_t bits : {1, 4, 8, 16, 24, 32}) {
        auto dib = parse_bmp(make_bmp(3, 2, bits));
        ASSERT_TRUE(dib) << bits;
        EXPECT_EQ(dib->bits, bits);
        EXPECT_EQ(dib->width, 3);
        EXPECT_EQ(dib->height, 2);
        EXPECT_EQ(dib->colors, bits <= 8 ? 1u << bits : 0u);
        EXPECT_EQ(dib->info.size(), 40 + std::size_t{dib->colors} * 4);
        EXPECT_EQ(dib->pixel_size, bmp_row_size(bits, 3) * 2);
        EXPECT_EQ(dib->pixels()[0], 0x5A);
        EXPECT_EQ(dib->pixels()[dib->pixel_size - 1], 0x5A);
    }
    auto top_down = parse_bmp(make_bmp(3, -2, 24));
    ASSERT_TRUE(top_down);
    EXPECT_EQ(top_down->height, -2);
}

TEST(BmpReader, TakesTheColoursUsedAndSaysSoInItsHeader)
{
    auto f = make_bmp(4, 4, 8);
    put32(f, 46, 16);  // 16 colours used; the table of 256 stays in the file
    auto dib = parse_bmp(f);
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->colors, 16u);
    EXPECT_EQ(dib->info.size(), 40u + 64u);
    EXPECT_EQ(dib->info[32], 16);
    // More colours than the depth has are cut to the depth.
    put32(f, 46, 100000);
    EXPECT_EQ(parse_bmp(f)->colors, 256u);
}

TEST(BmpReader, RefusesBrokenFiles)
{
    struct Case {
        const char* name;
        void (*damage)(std::vector<std::uint8_t>&);
    };
    const Case cases[] = {
        {"os2 header", [](auto& f) { put32(f, 14, 12); }},
        {"v5 header", [](auto& f) { put32(f, 14, 124); }},
        {"no signature", [](auto& f) { f[1] = 'A'; }},
        {"shorter than the headers", [](auto& f) { f.resize(53); }},
        {"offset far beyond", [](auto& f) { put32(f, 10, 1000000); }},
        {"offset inside the header", [](auto& f) { put32(f, 10, 20); }},
        {"one byte of rows missing", [](auto& f) { f.pop_back(); }},
        {"31 bits", [](auto& f) { put16(f, 28, 31); }},
        {"0 bits", [](auto& f) { put16(f, 28, 0); }},
        {"two planes", [](auto& f) { put16(f, 26, 2); }},
        {"height 100000", [](auto& f) { put32(f, 22, 100000); }},
        {"height 0", [](auto& f) { put32(f, 22, 0); }},
        {"lowest height", [](auto& f) { put32(f, 22, 0x80000000u); }},
        {"width 0", [](auto& f) { put32(f, 18, 0); }},
        {"negative width", [](auto& f) { put32(f, 18, 0xFFFFFFFFu); }},
        {"too many pixels", [](auto& f) { put32(f, 18, 30000), put32(f, 22, 30000); }},
        {"jpeg compression", [](auto& f) { put32(f, 30, 4); }},
        {"rle4 on 8 bits", [](auto& f) { put32(f, 30, 2); }},
        {"rle8 image beyond", [](auto& f) { put32(f, 30, 1), put32(f, 34, 1u << 20); }},
        {"rle8 without image size", [](auto& f) { put32(f, 30, 1), put32(f, 34, 0); }},
        {"rle8 top-down", [](auto& f) { put32(f, 30, 1), put32(f, 34, 4), put32(f, 22, 0xFFFFFFFCu); }},
    };
    for (const Case& c : cases) {
        auto f = make_bmp(4, 4, 8);
        ASSERT_TRUE(parse_bmp(f)) << c.name;
        c.damage(f);
        EXPECT_FALSE(parse_bmp(f)) << c.name;
    }
}

TEST(BmpReader, RefusesAnEightBitFileWithoutItsColourTable)
{
    auto f = make_bmp(32, 32, 24);  // rows enough to pass for a table
    put16(f, 28, 8);
    EXPECT_FALSE(parse_bmp(f));
}

TEST(BmpReader, BitfieldsNeedTheirMasksBeforeTheRows)
{
    auto f = make_bmp(4, 4, 32);
    put32(f, 30, 3);
    EXPECT_FALSE(parse_bmp(f));  // rows start at 54: no room for the masks
    f.insert(f.begin() + 54, 12, 0xEE);
    put32(f, 10, 66);
    auto dib = parse_bmp(f);
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->info.size(), 52u);
    EXPECT_EQ(dib->info[40], 0xEE);
}

TEST(BmpWriter, EightBitsCarryTheTableAndTheGap)
{
    Dib dib = make_capture_dib(5, 3, 8);
    std::fill(dib.info.begin() + 40, dib.info.end(), 0x11);
    std::fill(dib.block.begin(), dib.block.end(), 0x77);
    auto out = encode_bmp(dib);
    const std::uint32_t row = 8;  // 5 bytes padded to 8
    ASSERT_EQ(out.size(), 58 + 1024 + row * 3);
    auto at32 = [&](std::size_t i) {
        return std::uint32_t{out[i]} | out[i + 1] << 8 | out[i + 2] << 16 | std::uint32_t{out[i + 3]} << 24;
    };
    EXPECT_EQ(out[0], 'B');
    EXPECT_EQ(out[1], 'M');
    EXPECT_EQ(at32(2), out.size());
    EXPECT_EQ(at32(6), 0u);
    EXPECT_EQ(at32(10), 58u + 1024u);
    EXPECT_EQ(at32(14), 40u);
    EXPECT_EQ(at32(18), 5u);
    EXPECT_EQ(at32(22), 3u);
    EXPECT_EQ(out[26], 1);
    EXPECT_EQ(out[28], 8);
    EXPECT_EQ(at32(30), 0u);
    EXPECT_EQ(at32(34), row * 3);
    for (std::size_t i = 38; i < 54; ++i)
        EXPECT_EQ(out[i], 0) << i;
    EXPECT_EQ(out[54], 0x11);
    EXPECT_EQ(out[54 + 1023], 0x11);
    EXPECT_EQ(at32(54 + 1024), 0u);  // the gap
    EXPECT_EQ(out[58 + 1024], 0x77);

    // Read back, the reader skips the gap by the offset field.
    auto back = parse_bmp(out);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->pixel_offset, 58u + 1024u);
    EXPECT_EQ(std::memcmp(back->pixels(), dib.block.data(), dib.pixel_size), 0);
}

TEST(BmpWriter, DepthsBetweenEightAndTwentyFourAreWrittenAs24)
{
    const std::pair<std::uint32_t, std::uint16_t> cases[] = {{1, 1}, {4, 4}, {8, 8}, {9, 24}, {15, 24}, {16, 24},
                                                            {23, 24}, {24, 24}, {32, 32}};
    for (auto [depth, bits] : cases)
        EXPECT_EQ(bmp_bits_for_depth(depth), bits) << depth;
    Dib dib = make_capture_dib(1, 1, 24);
    EXPECT_EQ(dib.colors, 0u);
    auto out = encode_bmp(dib);
    EXPECT_EQ(out.size(), 58u + 4u);
    EXPECT_EQ(out[10], 58);
}

// A file system whose files hold their bytes in memory, and whose writes
// can be cut short as on a full disk.
class MemoryFiles : public HostFileSystem {
public:
    std::map<std::string, std::vector<std::uint8_t>> files;
    std::size_t write_limit = SIZE_MAX;

    class Handle : public HostFileHandle {
    public:
        Handle(MemoryFiles& fs, std::string name) : m_fs(fs), m_name(std::move(name)) {}
        Transfer read(void* buffer, std::size_t size) override
        {
            auto& f = m_fs.files[m_name];
            std::size_t n = std::min(size, f.size() - m_pos);
            std::memcpy(buffer, f.data() + m_pos, n);
            m_pos += n;
            return {n, fs_code::ok};
        }
        Transfer write(const void* buffer, std::size_t size) override
        {
            std::size_t n = std::min(size, m_fs.write_limit);
            auto* b = static_cast<const std::uint8_t*>(buffer);
            m_fs.files[m_name].insert(m_fs.files[m_name].end(), b, b + n);
            return {n, n < size ? FsCode{112} : fs_code::ok};
        }
        FsCode seek(std::int64_t) override { return fs_code::ok; }
        FsResult<std::uint64_t> position() override { return {m_pos}; }
        FsResult<std::uint64_t> size() override { return {m_fs.files[m_name].size()}; }
        FileId id() const override { return {}; }
        FsCode close() override { return fs_code::ok; }

    private:
        MemoryFiles& m_fs;
        std::string m_name;
        std::size_t m_pos = 0;
    };

    OpenResult open(std::string_view name, FileAccess, FileSharing, FileCreation creation) override
    {
        std::string n(name);
        if (creation == FileCreation::CreateAlways)
            files[n].clear();
        else if (!files.count(n))
            return {nullptr, fs_code::file_not_found};
        return {std::make_unique<Handle>(*this, n), fs_code::ok};
    }
    FsCode remove(std::string_view name) override { return files.erase(std::string(name)) ? 0 : 2; }
    FsCode rename(std::string_view, std::string_view) override { return 5; }
    FsCode change_directory(std::string_view) override { return 5; }
    FsCode make_directory(std::string_view) override { return 5; }
    FsCode remove_directory(std::string_view) override { return 5; }
    FsResult<FileInfo> info(std::string_view) override { return {{}, 2}; }
    FsCode set_attributes(std::string_view, std::uint32_t) override { return 5; }
    FsResult<std::vector<DirectoryEntry>> list(std::string_view) override { return {{}, 2}; }
    std::optional<DiskSpace> disk_space(char) override { return std::nullopt; }
    std::optional<ShortString> full_path(std::string_view) override { return std::nullopt; }
    std::optional<ShortString> short_path(std::string_view) override { return std::nullopt; }
};

TEST(BmpWriter, AShortWriteFailsAndLeavesNoFile)
{
    MemoryFiles fs;
    Dib dib = make_capture_dib(10, 10, 24);
    ASSERT_TRUE(write_bmp(fs, "ok.bmp", dib));
    EXPECT_TRUE(read_bmp(fs, "ok.bmp"));
    fs.write_limit = 100;
    EXPECT_FALSE(write_bmp(fs, "full.bmp", dib));
    EXPECT_EQ(fs.files.count("full.bmp"), 0u);
    EXPECT_FALSE(read_bmp(fs, "missing.bmp"));
}

} // namespace
} // namespace talven
