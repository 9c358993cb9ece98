// The text screen commands run as program lines: what the host is asked to
// show tells where the cursor went and which attribute and font are current.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/program_builder.h"

namespace talven {
namespace {

using testing::line;

struct ShownCells {
    std::int32_t row;
    std::int32_t column;
    std::string text;
    std::uint8_t attribute;
    std::int32_t font;
};

class ShowingHost : public testing::FakeHost {
public:
    std::vector<ShownCells> shown;
    void show_cells(std::int32_t row, std::int32_t column, std::string_view text, std::uint8_t attribute,
                    std::int32_t font) override
    {
        if (!text.empty())
            shown.push_back({row, column, std::string(text), attribute, font});
    }
};

int run(ShowingHost& host, const std::vector<std::string>& lines)
{
    host.arguments.push_back(ShortString("P.TVC"));
    host.files["P.TVC"] = testing::plain_program(lines);
    return run_runtime(host);
}

struct CommandCase {
    const char* name;
    std::vector<std::string> lines;   // a PRINT "x" follows them
    ShownCells x;                     // where and how "x" is shown
    std::string output;               // the whole stream
};

class ScreenCommands : public ::testing::TestWithParam<CommandCase> {};

TEST_P(ScreenCommands, PlaceAndColourTheNextText)
{
    const CommandCase& c = GetParam();
    ShowingHost host;
    std::vector<std::string> lines = c.lines;
    lines.push_back(line(Tok::Print, "\"x\";"));
    ASSERT_EQ(run(host, lines), 0) << (host.boxes.empty() ? "" : host.boxes[0].text);
    // The last cells shown with the "x" (a full last row scrolls after it).
    auto it = std::find_if(host.shown.rbegin(), host.shown.rend(), [](const ShownCells& s) { return s.text == "x"; });
    ASSERT_NE(it, host.shown.rend());
    const ShownCells& x = *it;
    EXPECT_EQ(x.row, c.x.row);
    EXPECT_EQ(x.column, c.x.column);
    EXPECT_EQ(x.attribute, c.x.attribute);
    EXPECT_EQ(x.font, c.x.font);
    EXPECT_EQ(host.output, c.output);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ScreenCommands,
    ::testing::Values(
        CommandCase{"nothing_before", {}, {0, 0, "x", 0xF0, 2}, "x"},
        CommandCase{"locate_takes_row_then_column", {line(Tok::Locate, "3,7")}, {2, 6, "x", 0xF0, 2}, "x"},
        CommandCase{"locate_0_0_is_the_first_cell", {line(Tok::Locate, "0,0")}, {0, 0, "x", 0xF0, 2}, "x"},
        CommandCase{"locate_999_999_is_the_last_cell", {line(Tok::Locate, "999,999")}, {31, 79, "x", 0xF0, 2}, "x"},
        CommandCase{"color_takes_foreground_then_background", {line(Tok::Color, "4,14")}, {0, 0, "x", 0xE4, 2}, "x"},
        CommandCase{"color_16_17_is_color_0_1", {line(Tok::Color, "16,17")}, {0, 0, "x", 0x10, 2}, "x"},
        CommandCase{"font_1", {line(Tok::Font, "1")}, {0, 0, "x", 0xF0, 1}, "x"},
        CommandCase{"font_4_changes_nothing", {line(Tok::Font, "0"), line(Tok::Font, "4")}, {0, 0, "x", 0xF0, 0}, "x"},
        CommandCase{"font_minus_1_is_3", {line(Tok::Font, "-1")}, {0, 0, "x", 0xF0, 3}, "x"},
        CommandCase{"cls_homes_the_cursor",
                    {line(Tok::Print, "\"abc\""), line(Tok::Cls)},
                    {0, 0, "x", 0xF0, 2},
                    "abc\r\nx"},
        CommandCase{"cls_with_a_colour_homes_the_cursor",
                    {line(Tok::Locate, "5,5"), line(Tok::Cls, "255")},
                    {0, 0, "x", 0xF0, 2},
                    "x"},
        CommandCase{"tbox_puts_the_cursor_inside", {line(Tok::Tbox, "2,3-5,8;0")}, {2, 3, "x", 0xF0, 2}, "x"},
        CommandCase{"print_without_semicolon_goes_to_the_next_row",
                    {line(Tok::Print, "\"ab\"")},
                    {1, 0, "x", 0xF0, 2},
                    "ab\r\nx"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScreenCommands, TboxShowsItsFrameWithTheOemFont)
{
    ShowingHost host;
    ASSERT_EQ(run(host, {line(Tok::Tbox, "1,1-3,4;1")}), 0);
    std::vector<std::string> rows(3);
    for (const ShownCells& s : host.shown) {
        ASSERT_LT(s.row, 3);
        EXPECT_EQ(s.font, 1);
        rows[static_cast<std::size_t>(s.row)].replace(static_cast<std::size_t>(s.column), s.text.size(), s.text);
    }
    EXPECT_EQ(rows[0], "\xC9\xCD\xCD\xBB");
    EXPECT_EQ(rows[1], "\xBA  \xBA");
    EXPECT_EQ(rows[2], "\xC8\xCD\xCD\xBC");
    EXPECT_EQ(host.output, "");
}

TEST(ScreenCommands, TboxOutsideTheScreenIsError222)
{
    ShowingHost host;
    EXPECT_EQ(run(host, {line(Tok::Tbox, "1,1-33,80;0")}), 2);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].caption, "Box nicht innerhalb des Fensters!");
    EXPECT_EQ(host.boxes[0].text, "Zeile      1!");
    EXPECT_TRUE(host.shown.empty());
}

} // namespace
} // namespace talven
