// Header key rules and the line records of .TVC files.
#include "tools/tvc_format.h"
#include "tool_test_support.h"

#include <gtest/gtest.h>

using namespace talven::tools;
using namespace talven::tools::test;

namespace {

TvcHeader header_with(std::initializer_list<std::pair<int, int>> bytes_at)
{
    TvcHeader h = make_tvc_header(KeyMode::Plain, 0);
    for (auto [offset, value] : bytes_at)
        h[offset] = static_cast<std::uint8_t>(value);
    return h;
}

TEST(TvcKey, FollowsTheLoaderRules)
{
    struct Case {
        const char* what;
        TvcHeader header;
        std::uint8_t key;
    };
    const Case cases[] = {
        {"blanks at 20 and 21 are plain", header_with({{26, 1}, {27, 1}, {28, 1}, {29, 1}}), 0},
        {"blanks win over any version", header_with({{11, '4'}}), 0},
        // index x reads offset 19 + x: 1 -> 20, 2 -> 21, 11 -> 30
        {"version 5 combines four bytes", header_with({{20, 0xF0}, {21, 0x3C}, {30, 0x0F}, {26, 1}, {28, 2}, {27, 11}, {29, 11}}),
            (0x0F | 0x0F) & (0xF0 | 0x3C)},
        {"index beyond offset 30 reads 0", header_with({{20, 0xFF}, {21, 0xFF}, {26, 1}, {28, 1}, {27, 12}, {29, 200}}), 0},
        {"index 0 reads the free byte 19", header_with({{19, 0x81}, {20, 0x41}, {26, 0}, {28, 0}, {27, 0}, {29, 0}}), 0x81},
        {"older version ORs 20 and 21", header_with({{11, '4'}, {20, 0x11}, {21, 0x22}}), 0x33},
    };
    for (const auto& c : cases)
        EXPECT_EQ(tvc_line_key(c.header), c.key) << c.what;
}

TEST(TvcKey, ScrambledHeadersAlwaysHaveAKeyAndAreDeterministic)
{
    for (std::uint32_t seed = 0; seed < 2000; ++seed) {
        TvcHeader h = make_tvc_header(KeyMode::Scrambled, seed);
        ASSERT_NE(tvc_line_key(h), 0) << seed;
        ASSERT_FALSE(h[20] == ' ' && h[21] == ' ') << seed;
        ASSERT_EQ(h[0], ' ');
        ASSERT_EQ(std::string(h.begin() + 1, h.begin() + 12), "ZUK-TALVEN5");
        ASSERT_EQ(h, make_tvc_header(KeyMode::Scrambled, seed));
    }
    EXPECT_EQ(tvc_line_key(make_tvc_header(KeyMode::Plain, 7)), 0);
}

TEST(TvcFile, WritesAndReadsLinesOfEveryLength)
{
    std::vector<std::string> lines = {"", line(0xA2), line(0xA2, "\"x\""), std::string(254, '\xFF'), std::string(254, '\0')};
    for (KeyMode mode : {KeyMode::Scrambled, KeyMode::Plain}) {
        std::string file = write_tvc(lines, mode);
        std::string error;
        auto read = read_tvc(file, error);
        ASSERT_TRUE(read) << error;
        EXPECT_EQ(read->lines, lines);
        // The records hold the lines XOR the key, lengths plain.
        EXPECT_EQ(static_cast<std::uint8_t>(file[32 + 1]), 1u);
        EXPECT_EQ(static_cast<std::uint8_t>(file[32 + 2]), 0xA2 ^ read->key);
        EXPECT_EQ(read->key == 0, mode == KeyMode::Plain);
    }
    // Same lines, same file: tests and builds can compare outputs.
    EXPECT_EQ(write_tvc(lines, KeyMode::Scrambled), write_tvc(lines, KeyMode::Scrambled));
}

TEST(TvcFile, RefusesWhatTheLoaderRefuses)
{
    std::string good = write_tvc({line(0xBF), line(0xA2, "1")}, KeyMode::Plain);
    std::string wrong_magic = good;
    wrong_magic[3] = 'X';
    std::string length_255 = good.substr(0, 32) + "\xFF" + std::string(255, 'A');
    struct Case {
        const char* what;
        std::string file;
        const char* message;
    };
    const Case cases[] = {
        {"empty", "", "header"},
        {"31-byte header", good.substr(0, 31), "header"},
        {"wrong magic", wrong_magic, "magic"},
        {"record cut short", good.substr(0, good.size() - 1), "line 2 is truncated"},
        {"length byte without its bytes", good + "\x05", "line 3 is truncated"},
        {"length 255", length_255, "length 255"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(read_tvc(c.file, error)) << c.what;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
    }
}

TEST(TvcFile, LineCountLimitIs32767)
{
    std::string error;
    std::string header_only = write_tvc({}, KeyMode::Plain);
    auto empty = read_tvc(header_only, error);
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->lines.empty());

    std::string full = header_only + std::string(32767, '\0'); // zero-length records
    auto at_limit = read_tvc(full, error);
    ASSERT_TRUE(at_limit) << error;
    EXPECT_EQ(at_limit->lines.size(), 32767u);
    EXPECT_FALSE(read_tvc(full + std::string(1, '\0'), error));
    EXPECT_NE(error.find("32767"), std::string::npos);
}

} // namespace
