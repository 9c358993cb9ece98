// The text screen model: the writer's byte rules, wrapping and scrolling,
// cursor clamping, the logical size, and TBOX frames.
#include "window/text_screen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fake_host.h"

namespace talven {
namespace {

struct Shown {
    std::int32_t row;
    std::int32_t column;
    std::string text;
    std::uint8_t attribute;
    std::int32_t font;
};

class ScreenHost : public testing::FakeHost {
public:
    std::vector<Shown> shown;
    std::vector<std::int32_t> scrolls;
    void show_cells(std::int32_t row, std::int32_t column, std::string_view text, std::uint8_t attribute,
                    std::int32_t font) override
    {
        if (!text.empty())
            shown.push_back({row, column, std::string(text), attribute, font});
        if (row < 0 || column < 0 || row >= 32 || column + static_cast<std::int32_t>(text.size()) > 80)
            ADD_FAILURE() << "cells outside the screen: row " << row << " column " << column;
    }
    void scroll_rows(std::int32_t rows) override { scrolls.push_back(rows); }
};

std::string trimmed(std::string_view row)
{
    std::string s(row);
    while (!s.empty() && s.back() == ' ')
        s.pop_back();
    return s;
}

TEST(TextScreen, StartsBlankAt80By32WithDefaults)
{
    TextScreen screen;
    EXPECT_EQ(screen.capacity_columns(), 80);
    EXPECT_EQ(screen.capacity_rows(), 32);
    EXPECT_EQ(screen.columns(), 80);
    EXPECT_EQ(screen.rows(), 32);
    EXPECT_EQ(screen.attribute, 0xF0);
    EXPECT_EQ(screen.font, 2);
    EXPECT_EQ(screen.cursor().column, 0);
    EXPECT_EQ(screen.cursor().row, 0);
    for (std::int32_t r = 0; r < 32; ++r)
        EXPECT_EQ(screen.row_text(r), std::string(80, ' '));
}

// Each case writes bytes on a fresh screen; the rows and the cursor follow.
struct WriterCase {
    const char* name;
    std::string bytes;
    std::vector<std::string> rows;   // first rows, trailing blanks dropped
    std::int32_t column;
    std::int32_t row;
    int beeps;
};

class WriterRules : public ::testing::TestWithParam<WriterCase> {};

TEST_P(WriterRules, StoreBytesAndMoveTheCursor)
{
    const WriterCase& c = GetParam();
    ScreenHost host;
    TextScreen screen;
    screen.write(host, c.bytes);
    for (std::size_t r = 0; r < c.rows.size(); ++r)
        EXPECT_EQ(trimmed(screen.row_text(static_cast<std::int32_t>(r))), c.rows[r]) << "row " << r;
    EXPECT_EQ(screen.cursor().column, c.column);
    EXPECT_EQ(screen.cursor().row, c.row);
    EXPECT_EQ(host.beeps, c.beeps);
    EXPECT_EQ(host.output, c.bytes) << "the stream carries the bytes as written";
    EXPECT_TRUE(host.scrolls.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, WriterRules,
    ::testing::Values(
        WriterCase{"plain", "abc", {"abc", ""}, 3, 0, 0},
        WriterCase{"line_feed_starts_a_new_line", "ab\ncd", {"ab", "cd"}, 2, 1, 0},
        WriterCase{"crlf_is_one_new_line", "ab\r\ncd\r\n", {"ab", "cd", ""}, 0, 2, 0},
        WriterCase{"carriage_return_alone_is_ignored", "abc\rX", {"abcX"}, 4, 0, 0},
        WriterCase{"bell_beeps_and_stores_nothing", "a\ab\a", {"ab"}, 2, 0, 2},
        WriterCase{"backspace_blanks_the_cell_before", "abc\b", {"ab"}, 2, 0, 0},
        WriterCase{"backspace_then_overwrite", "abc\b\bXY", {"aXY"}, 3, 0, 0},
        WriterCase{"backspace_in_column_0_does_nothing", "\b\bab", {"ab"}, 2, 0, 0},
        WriterCase{"backspace_after_new_line_stays_in_the_row", "ab\n\bc", {"ab", "c"}, 1, 1, 0},
        WriterCase{"full_row_wraps_to_the_next", std::string(80, 'x') + "y", {std::string(80, 'x'), "y"}, 1, 1, 0},
        WriterCase{"exactly_full_row_puts_the_cursor_below", std::string(80, 'x'), {std::string(80, 'x'), ""}, 0, 1,
                   0},
        WriterCase{"wrap_then_line_feed_gives_an_empty_row", std::string(80, 'x') + "\nz",
                   {std::string(80, 'x'), "", "z"}, 1, 2, 0},
        WriterCase{"high_bytes_are_stored", "\xC4\xD6\xDC", {"\xC4\xD6\xDC"}, 3, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextScreen, LineFeedOnTheLastRowScrollsAndBlanksTheNewRow)
{
    ScreenHost host;
    TextScreen screen;
    for (int i = 0; i < 32; ++i)
        screen.write(host, "row" + std::to_string(i) + (i < 31 ? "\n" : ""));
    EXPECT_TRUE(host.scrolls.empty());
    EXPECT_EQ(screen.cursor().row, 31);
    screen.write(host, "\nlast");
    ASSERT_EQ(host.scrolls.size(), 1u);
    EXPECT_EQ(host.scrolls[0], 32);
    EXPECT_EQ(screen.ring_start(), 1);
    EXPECT_EQ(trimmed(screen.row_text(0)), "row1");
    EXPECT_EQ(trimmed(screen.row_text(30)), "row31");
    EXPECT_EQ(trimmed(screen.row_text(31)), "last");
    EXPECT_EQ(screen.cursor().row, 31);
    EXPECT_EQ(screen.cursor().column, 4);
    EXPECT_EQ(screen.rows(), 32);
}

TEST(TextScreen, TheRingWrapsAfterAFullTurn)
{
    ScreenHost host;
    TextScreen screen;
    for (int i = 0; i < 100; ++i)
        screen.write(host, "L" + std::to_string(i) + "\n");
    // 100 new lines from row 0: 31 fill the screen, 69 scroll.
    EXPECT_EQ(host.scrolls.size(), 69u);
    EXPECT_EQ(screen.ring_start(), 69 % 32);
    EXPECT_EQ(trimmed(screen.row_text(0)), "L69");
    EXPECT_EQ(trimmed(screen.row_text(30)), "L99");
    EXPECT_EQ(trimmed(screen.row_text(31)), "");
}

TEST(TextScreen, TextReachingTheRightEdgeOfTheBottomRowScrolls)
{
    ScreenHost host;
    TextScreen screen;
    screen.set_cursor(host, 75, 31);
    screen.write(host, "0123456789");
    ASSERT_EQ(host.scrolls.size(), 1u);
    EXPECT_EQ(trimmed(screen.row_text(30)), std::string(75, ' ') + "01234");
    EXPECT_EQ(trimmed(screen.row_text(31)), "56789");
    EXPECT_EQ(screen.cursor().row, 31);
    EXPECT_EQ(screen.cursor().column, 5);
    // Every character shown lands in the screen (the host checks the rows).
    std::string seen;
    for (const Shown& s : host.shown)
        seen += s.text;
    EXPECT_NE(seen.find("01234"), std::string::npos);
    EXPECT_NE(seen.find("56789"), std::string::npos);
}

TEST(TextScreen, ShownCellsCarryTheAttributeAndFont)
{
    ScreenHost host;
    TextScreen screen;
    screen.set_foreground(4);
    screen.set_background(14);
    screen.set_font(0);
    screen.write(host, "hi");
    ASSERT_FALSE(host.shown.empty());
    const Shown& last = host.shown.back();
    EXPECT_EQ(last.row, 0);
    EXPECT_EQ(last.column, 0);
    EXPECT_EQ(last.text, "hi");
    EXPECT_EQ(last.attribute, 0xE4);
    EXPECT_EQ(last.font, 0);
}

struct CursorCase {
    std::int64_t column, row;
    std::int32_t expect_column, expect_row;
};

class CursorClamping : public ::testing::TestWithParam<CursorCase> {};

TEST_P(CursorClamping, KeepsTheCursorInTheLogicalSize)
{
    const CursorCase& c = GetParam();
    ScreenHost host;
    TextScreen screen;
    screen.set_cursor(host, c.column, c.row);
    EXPECT_EQ(screen.cursor().column, c.expect_column);
    EXPECT_EQ(screen.cursor().row, c.expect_row);
}

INSTANTIATE_TEST_SUITE_P(Positions, CursorClamping,
                         ::testing::Values(CursorCase{0, 0, 0, 0}, CursorCase{-1, -1, 0, 0}, CursorCase{79, 31, 79, 31},
                                           CursorCase{998, 998, 79, 31}, CursorCase{10, 5, 10, 5},
                                           CursorCase{-2147483649LL, 2147483648LL, 0, 31}));

struct SizeCase {
    std::int64_t columns, rows;
    std::int32_t expect_columns, expect_rows;
};

class LogicalSize : public ::testing::TestWithParam<SizeCase> {};

TEST_P(LogicalSize, IsClampedToOneUpToTheCapacity)
{
    const SizeCase& c = GetParam();
    ScreenHost host;
    TextScreen screen;
    screen.set_logical_size(c.columns, c.rows);
    EXPECT_EQ(screen.columns(), c.expect_columns);
    EXPECT_EQ(screen.rows(), c.expect_rows);
    // Writing and scrolling stay inside the screen whatever the size.
    for (int i = 0; i < 40; ++i)
        screen.write(host, "abcdefghij\n");
    EXPECT_LT(screen.cursor().column, screen.columns());
    EXPECT_LT(screen.cursor().row, screen.rows());
}

INSTANTIATE_TEST_SUITE_P(Sizes, LogicalSize,
                         ::testing::Values(SizeCase{80, 32, 80, 32}, SizeCase{40, 10, 40, 10}, SizeCase{0, 0, 1, 1},
                                           SizeCase{-10, -10, 1, 1}, SizeCase{100, 40, 80, 32},
                                           SizeCase{1, 1, 1, 1}));

TEST(TextScreen, ANarrowerScreenWrapsAtItsWidth)
{
    ScreenHost host;
    TextScreen screen;
    screen.set_logical_size(4, 3);
    screen.write(host, "abcdefghijklmn");
    // abcd / efgh / ijkl scrolled up once by the wrap after "l", then mn.
    EXPECT_EQ(screen.row_text(0), "efgh");
    EXPECT_EQ(screen.row_text(1), "ijkl");
    EXPECT_EQ(screen.row_text(2), "mn  ");
    EXPECT_EQ(screen.cursor().column, 2);
    EXPECT_EQ(screen.cursor().row, 2);
}

TEST(TextScreen, ChangingTheSizeKeepsTheShownRows)
{
    ScreenHost host;
    TextScreen screen;
    for (int i = 0; i < 40; ++i)
        screen.write(host, "R" + std::to_string(i) + "\n");
    ASSERT_NE(screen.ring_start(), 0);
    std::string top = trimmed(screen.row_text(0));
    screen.set_logical_size(80, 10);
    EXPECT_EQ(screen.ring_start(), 0);
    EXPECT_EQ(trimmed(screen.row_text(0)), top);
    EXPECT_EQ(screen.cursor().row, 9);
}

TEST(TextScreen, ClearBlanksEverythingAndHomesTheCursor)
{
    ScreenHost host;
    TextScreen screen;
    for (int i = 0; i < 40; ++i)
        screen.write(host, "text\n");
    screen.write(host, "more");
    screen.clear(host);
    EXPECT_EQ(screen.ring_start(), 0);
    EXPECT_EQ(screen.cursor().column, 0);
    EXPECT_EQ(screen.cursor().row, 0);
    for (std::int32_t r = 0; r < 32; ++r)
        EXPECT_EQ(trimmed(screen.row_text(r)), "");
}

struct ColourCase {
    std::int32_t foreground, background;
    std::uint8_t attribute;
};

class Colours : public ::testing::TestWithParam<ColourCase> {};

TEST_P(Colours, TakeTheLowFourBits)
{
    TextScreen screen;
    screen.set_foreground(GetParam().foreground);
    screen.set_background(GetParam().background);
    EXPECT_EQ(screen.attribute, GetParam().attribute);
}

INSTANTIATE_TEST_SUITE_P(Attributes, Colours,
                         ::testing::Values(ColourCase{0, 15, 0xF0}, ColourCase{16, 17, 0x10}, ColourCase{15, 0, 0x0F},
                                           ColourCase{-1, -16, 0x0F}, ColourCase{4, 14, 0xE4}));

struct FontCase {
    std::int32_t n;
    std::int32_t font;
};

class Fonts : public ::testing::TestWithParam<FontCase> {};

TEST_P(Fonts, BelowFourSelectOneOfFour)
{
    TextScreen screen;
    screen.set_font(GetParam().n);
    EXPECT_EQ(screen.font, GetParam().font);
}

INSTANTIATE_TEST_SUITE_P(Indexes, Fonts,
                         ::testing::Values(FontCase{0, 0}, FontCase{1, 1}, FontCase{3, 3}, FontCase{4, 2},
                                           FontCase{100, 2}, FontCase{-1, 3}, FontCase{-2, 2}, FontCase{-4, 0}));

struct BoxStyleCase {
    std::int32_t style;
    BoxCharacters ch;
};

class BoxStyles : public ::testing::TestWithParam<BoxStyleCase> {};

TEST_P(BoxStyles, DrawTheCodePage437Frame)
{
    const BoxStyleCase& c = GetParam();
    ScreenHost host;
    TextScreen screen;
    screen.write(host, std::string(80 * 6, '#'));
    ASSERT_TRUE(screen.box(host, 2, 3, 5, 8, c.style));
    auto at = [&](int col1, int row1) { return static_cast<unsigned char>(screen.cell(col1 - 1, row1 - 1)); };
    EXPECT_EQ(at(3, 2), c.ch.top_left);
    EXPECT_EQ(at(8, 2), c.ch.top_right);
    EXPECT_EQ(at(3, 5), c.ch.bottom_left);
    EXPECT_EQ(at(8, 5), c.ch.bottom_right);
    for (int col = 4; col <= 7; ++col) {
        EXPECT_EQ(at(col, 2), c.ch.horizontal);
        EXPECT_EQ(at(col, 5), c.ch.horizontal);
    }
    for (int row = 3; row <= 4; ++row) {
        EXPECT_EQ(at(3, row), c.ch.vertical);
        EXPECT_EQ(at(8, row), c.ch.vertical);
        for (int col = 4; col <= 7; ++col)
            EXPECT_EQ(at(col, row), ' ');
    }
    // Outside the frame nothing changes.
    EXPECT_EQ(at(2, 2), '#');
    EXPECT_EQ(at(9, 3), '#');
    EXPECT_EQ(at(3, 1), '#');
    EXPECT_EQ(at(3, 6), '#');
    // The cursor goes to the first inner cell.
    EXPECT_EQ(screen.cursor().column, 3);
    EXPECT_EQ(screen.cursor().row, 2);
    for (const Shown& s : host.shown) {
        if (s.row >= 1 && s.row <= 4 && s.column == 2) {
            EXPECT_EQ(s.font, TextScreen::box_font);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Styles, BoxStyles,
                         ::testing::Values(BoxStyleCase{0, {218, 191, 192, 217, 196, 179}},
                                           BoxStyleCase{1, {201, 187, 200, 188, 205, 186}},
                                           BoxStyleCase{2, {213, 184, 212, 190, 205, 179}},
                                           BoxStyleCase{3, {32, 32, 32, 32, 32, 32}},
                                           BoxStyleCase{4, {218, 191, 192, 217, 196, 179}},
                                           BoxStyleCase{-1, {218, 191, 192, 217, 196, 179}}));

struct BoxPlaceCase {
    std::int32_t row1, column1, row2, column2;
    bool fits;
};

class BoxPlaces : public ::testing::TestWithParam<BoxPlaceCase> {};

TEST_P(BoxPlaces, OutsideTheLogicalSizeIsRefused)
{
    const BoxPlaceCase& c = GetParam();
    ScreenHost host;
    TextScreen screen;
    screen.set_cursor(host, 7, 7);
    EXPECT_EQ(screen.box(host, c.row1, c.column1, c.row2, c.column2, 0), c.fits);
    if (!c.fits) {
        EXPECT_EQ(screen.cursor().column, 7);
        EXPECT_EQ(screen.cursor().row, 7);
        for (std::int32_t r = 0; r < 32; ++r)
            EXPECT_EQ(trimmed(screen.row_text(r)), "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Places, BoxPlaces,
    ::testing::Values(BoxPlaceCase{1, 1, 32, 80, true}, BoxPlaceCase{1, 1, 33, 80, false},
                      BoxPlaceCase{1, 1, 32, 81, false}, BoxPlaceCase{-1, 1, 5, 5, false},
                      BoxPlaceCase{1, -1, 5, 5, false},
                      // Row or column 0 passes the check; its cells lie off the screen and are passed over.
                      BoxPlaceCase{0, 0, 5, 5, true}, BoxPlaceCase{10, 10, 3, 3, true}));

TEST(TextScreen, BoxFromRowZeroDrawsOnlyTheCellsOnTheScreen)
{
    ScreenHost host;
    TextScreen screen;
    ASSERT_TRUE(screen.box(host, 0, 0, 3, 4, 1));
    EXPECT_EQ(static_cast<unsigned char>(screen.cell(3, 0)), 186);
    EXPECT_EQ(static_cast<unsigned char>(screen.cell(0, 2)), 205);
    EXPECT_EQ(static_cast<unsigned char>(screen.cell(3, 2)), 188);
    EXPECT_EQ(screen.cell(0, 0), ' ');
    EXPECT_EQ(screen.cursor().column, 0);
    EXPECT_EQ(screen.cursor().row, 0);
}

TEST(TextScreen, BoxOnANarrowerScreenIsCheckedAgainstTheLogicalSize)
{
    ScreenHost host;
    TextScreen screen;
    screen.set_logical_size(20, 10);
    EXPECT_FALSE(screen.box(host, 1, 1, 11, 20, 0));
    EXPECT_FALSE(screen.box(host, 1, 1, 10, 21, 0));
    EXPECT_TRUE(screen.box(host, 1, 1, 10, 20, 0));
}

} // namespace
} // namespace talven
