// The text operations at their edges: positions 0 and past the end,
// negative counts, the 254/255-character limits, the case rule on accented
// letters, and the direction in which the scrambling pattern is read.
#include <gtest/gtest.h>

#include <string>

#include "values/string_text.h"

namespace talven {
namespace {

// "-" stands for "no result" (the position was below one).
std::string shown(const std::optional<ShortString>& part) { return part ? std::string(part->view()) : "-"; }

TEST(StringText, PartsAndTheirPositions)
{
    EXPECT_EQ(left_part("abc", 2).view(), "ab");
    EXPECT_EQ(left_part("abc", 10).view(), "abc");
    EXPECT_EQ(left_part("abc", 0).view(), "");
    EXPECT_EQ(left_part("abc", -1).view(), "");

    const std::pair<std::int32_t, const char*> right[] = {{1, "c"}, {3, "abc"}, {4, "-"}, {0, "-"}, {-1, "-"}};
    for (auto [n, expected] : right)
        EXPECT_EQ(shown(right_part("abc", n)), expected) << n;
    EXPECT_EQ(shown(right_part("", 0)), "-");

    struct Case {
        std::int32_t p, n;
        const char* mid;
        const char* del;
    };
    const Case cases[] = {
        {1, 2, "ab", "cde"},   {2, 2, "bc", "ade"},    {4, 10, "de", "abc"},  {5, 1, "e", "abcd"},
        {6, 1, "", "abcde"},   {2, 0, "", "abcde"},    {2, -1, "", "abcde"},  {0, 1, "-", "-"},
        {-3, 1, "-", "-"},     {1, INT32_MAX, "abcde", ""}, {INT32_MAX, 1, "", "abcde"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shown(middle_part("abcde", c.p, c.n)), c.mid) << c.p << ',' << c.n;
        EXPECT_EQ(shown(delete_part("abcde", c.p, c.n)), c.del) << c.p << ',' << c.n;
    }

    const std::pair<std::int32_t, const char*> insert[] = {
        {1, "XYabc"}, {2, "aXYbc"}, {4, "abcXY"}, {99, "abcXY"}, {0, "-"},
    };
    for (auto [p, expected] : insert)
        EXPECT_EQ(shown(insert_text("XY", "abc", p)), expected) << p;
    EXPECT_EQ(insert_text("X", std::string(255, 'a'), 1)->size(), 255u);
}

TEST(StringText, RepeatsStopBelowTheLimit)
{
    EXPECT_EQ(repeat_text("ab", 3).view(), "ababab");
    EXPECT_EQ(repeat_text("a", 1000).size(), 254u);
    EXPECT_EQ(repeat_text("ab", 1000).size(), 254u);
    EXPECT_EQ(repeat_text("abc", 1000).size(), 252u);
    EXPECT_EQ(repeat_text(std::string(200, 'x'), 2).size(), 200u);
    EXPECT_EQ(repeat_text(std::string(255, 'x'), 1).size(), 0u);
    EXPECT_EQ(repeat_text("", INT32_MAX).size(), 0u);
    EXPECT_EQ(repeat_text("a", -5).size(), 0u);
    EXPECT_EQ(blanks(3).view(), "   ");
    EXPECT_EQ(blanks(300).size(), 254u);
    EXPECT_EQ(blanks(-1).size(), 0u);
    EXPECT_EQ(join_text(std::string(200, 'a'), std::string(100, 'b')).size(), 255u);
}

TEST(StringText, SearchTrimAndCase)
{
    EXPECT_EQ(find_text("c", "abcabc"), 3);
    EXPECT_EQ(find_text("abc", "ab"), 0);
    EXPECT_EQ(find_text("", "abc"), 0);
    EXPECT_EQ(trim_text("\t\r\n  a b \x01 ").size(), 3u);
    EXPECT_EQ(trim_text(" \xA0 "), "\xA0"); // above 32, not a blank here
    EXPECT_EQ(trim_text(std::string_view("\0a\0", 3)), "a");
    EXPECT_EQ(upper_text("a\xE4\xF6\xFC\xDF\xFF\xF7z").view(), "A\xC4\xD6\xDC\xDF\xFF\xF7Z");
    EXPECT_EQ(lower_text("A\xC4\xD6\xDC\xD7Z").view(), "a\xE4\xF6\xFC\xD7z");
}

TEST(StringText, ReplaceAndFields)
{
    struct Case {
        const char *s, *f, *r, *expected;
    };
    const Case cases[] = {
        {"aXbXc", "X", "YY", "aYYbYYc"}, {"aaa", "a", "aa", "aaaaaa"}, {"aaaa", "aa", "b", "bb"},
        {"abc", "", "x", "abc"},         {"abc", "z", "x", "abc"},     {"abc", "abc", "", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(replace_text(c.s, c.f, c.r).view(), c.expected) << c.s << '/' << c.f;
    EXPECT_EQ(replace_text(std::string(200, 'a'), "a", "bb").size(), 255u);

    const std::pair<std::int32_t, const char*> fields[] = {
        {1, "a"}, {2, "b"}, {3, ""}, {4, "c"}, {5, ""}, {INT32_MAX, ""}, {0, "-"}, {-1, "-"},
    };
    for (auto [n, expected] : fields)
        EXPECT_EQ(shown(field_of("a,b,,c", n, ",")), expected) << n;
    EXPECT_EQ(shown(field_of("a<>b<>c", 2, "<>")), "b");
    EXPECT_EQ(shown(field_of("a,b", 1, "")), "a,b");
    EXPECT_EQ(shown(field_of("a,b", 2, "")), "");
}

TEST(StringText, ScramblingReadsThePatternFromItsEnd)
{
    std::string pattern(255, '\0');
    pattern[254] = '\xC0'; // the last pattern byte applies to the first character
    EXPECT_EQ(scramble_text("aa", pattern).view(), "\xA1" "a");
    pattern.assign(255, '\0');
    pattern[0] = '\x40'; // the first pattern byte applies to character 255
    ShortString long_text(std::string(255, 'a'));
    ShortString scrambled = scramble_text(long_text, pattern);
    EXPECT_EQ(scrambled[254], '!');
    EXPECT_EQ(scrambled.view().substr(0, 254), std::string(254, 'a'));

    pattern.assign(255, '\x80');
    std::string all;
    for (int c = 0; c < 255; ++c)
        all.push_back(static_cast<char>(c));
    EXPECT_EQ(scramble_text(scramble_text(all, pattern), pattern).view(), all);
    EXPECT_EQ(scramble_text("abc", std::string(254, '\xC0')).view(), "abc");
    EXPECT_EQ(scramble_text("abc", "").view(), "abc");
}

} // namespace
} // namespace talven
