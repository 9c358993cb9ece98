// The main window as the core sees it: created once on first output with the
// settings of the program, a text screen of the display's capacity, and a
// fresh text screen when a destroyed window comes back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/program_builder.h"

namespace talven {
namespace {

using testing::line;

struct Shown {
    std::int32_t row;
    std::int32_t column;
    std::string text;
    std::uint8_t attribute;
};

// A display of 1024 x 768 pixels: 128 by 51 cells. The window can be lost
// after a given number of shown texts, as when the user closes it.
class DisplayHost : public testing::FakeHost {
public:
    std::vector<WindowSetup> created;
    std::vector<Shown> shown;
    int lose_after = -1;
    bool alive = false;

    std::optional<TextCapacity> create_main_window(const WindowSetup& setup) override
    {
        if (alive)
            return std::nullopt;
        created.push_back(setup);
        alive = true;
        return TextCapacity{128, 51};
    }
    bool main_window_alive() override { return alive; }
    void show_cells(std::int32_t row, std::int32_t column, std::string_view text, std::uint8_t attribute,
                    std::int32_t) override
    {
        if (text.empty())
            return;
        shown.push_back({row, column, std::string(text), attribute});
        if (lose_after > 0 && --lose_after == 0)
            alive = false;
    }
};

int run(DisplayHost& host, const std::vector<std::string>& lines)
{
    host.arguments.push_back(ShortString("P.TVC"));
    host.files["P.TVC"] = testing::plain_program(lines);
    return run_runtime(host);
}

TEST(MainWindow, CreatedOnceByTheFirstOutputWithTheProgramsStyle)
{
    DisplayHost host;
    // Frame bits 0x0F, popup 0x40, hollow background 0x20.
    ASSERT_EQ(run(host, {line(Tok::Windowstyle, "111"), line(Tok::Locate, "2,3"), line(Tok::Print, "\"a\""),
                         line(Tok::Print, "\"b\"")}),
              0);
    ASSERT_EQ(host.created.size(), 1u);
    EXPECT_EQ(host.created[0].style, 0x800F0000u);
    EXPECT_EQ(host.created[0].flags, 0x60);
    EXPECT_EQ(host.created[0].width, 640);
    // The cursor set before the window existed still holds.
    ASSERT_FALSE(host.shown.empty());
    EXPECT_EQ(host.shown[0].row, 1);
    EXPECT_EQ(host.shown[0].column, 2);
}

TEST(MainWindow, FirstWindowCommandSizesTheTextToTheDisplay)
{
    // 800 x 600 pixels are 100 by 40 cells, within the display's 128 by 51.
    DisplayHost fits;
    EXPECT_EQ(run(fits, {line(Tok::Window, "0,0-800,600"), line(Tok::Tbox, "1,1-40,100;3")}), 0);
    EXPECT_TRUE(fits.boxes.empty());
    DisplayHost beyond;
    EXPECT_EQ(run(beyond, {line(Tok::Window, "0,0-800,600"), line(Tok::Tbox, "1,1-41,100;3")}), 2);
    ASSERT_EQ(beyond.boxes.size(), 1u);
    EXPECT_EQ(beyond.boxes[0].caption, "Box nicht innerhalb des Fensters!");
}

TEST(MainWindow, TinyOrNegativeWindowsKeepOneCell)
{
    DisplayHost host;
    ASSERT_EQ(run(host, {line(Tok::Window, "0,0--10,-10"), line(Tok::Print, "\"ab\"")}), 0);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].caption, "Negative Fenstergr\xF6\xDF" "e!");
    EXPECT_EQ(host.output, "ab\r\n");
    for (const Shown& s : host.shown)
        EXPECT_EQ(s.row, 0);
}

TEST(MainWindow, LostWindowComesBackBlankWithTheColoursKept)
{
    DisplayHost host;
    host.lose_after = 1;
    ASSERT_EQ(run(host, {line(Tok::Color, "12,15"), line(Tok::Locate, "5,5"), line(Tok::Print, "\"a\";"),
                         line(Tok::Print, "\"b\";")}),
              0);
    ASSERT_EQ(host.created.size(), 2u);
    ASSERT_EQ(host.shown.size(), 2u);
    EXPECT_EQ(host.shown[0].row, 4);
    // The new window's text screen starts at the top left corner.
    EXPECT_EQ(host.shown[1].row, 0);
    EXPECT_EQ(host.shown[1].column, 0);
    EXPECT_EQ(host.shown[1].attribute, 0xFC);
}

TEST(MainWindow, PaintModeOutsideTheRangeWarnsAndIsKept)
{
    DisplayHost host;
    ASSERT_EQ(run(host, {line(Tok::Paintmode, "3"), line(Tok::Print, "\"a\"")}), 0);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].caption, "Ung\xFCltiger Funktionswert!");
    ASSERT_EQ(host.created.size(), 1u);
    EXPECT_EQ(host.created[0].paint_mode, 3);
}

} // namespace
} // namespace talven
