#include <gtest/gtest.h>

#include "host/console/console_dialogs.h"
#include "host/console/console_files.h"
#include "host/console/console_input.h"
#include "host/window_messages.h"

namespace talven {
namespace {

bool never() { return false; }

class ConsoleDialogsTest : public ::testing::Test {
protected:
    std::uint32_t control(std::string_view class_name, std::uint32_t style, std::string_view text = "",
                          std::uint32_t parent = 0)
    {
        return dialogs.create_window({class_name, text, 0x50000000 | style, 0, 0, 120, 80, parent, 1000, 0});
    }
    std::int32_t add(std::uint32_t list, std::string_view text)
    {
        return dialogs.send_text(list, winmsg::list_add_string, 0, text);
    }
    std::string item(std::uint32_t list, std::int32_t i)
    {
        return std::string(dialogs.control_text(list, ControlText::ListItem, i).view());
    }

    ConsoleInput input;
    AnswerFile answers;
    ConsoleFiles files;
    ConsoleDialogs dialogs{input, answers, files, never};
};

TEST_F(ConsoleDialogsTest, SortedListsInsertIgnoringCaseAfterEqualItems)
{
    std::uint32_t list = control("listbox", winmsg::list_sort);
    EXPECT_EQ(add(list, "Birne"), 0);
    EXPECT_EQ(add(list, "apfel"), 0);
    EXPECT_EQ(add(list, "Zitrone"), 2);
    EXPECT_EQ(add(list, "BIRNE"), 2);
    EXPECT_EQ(item(list, 1), "Birne");
    EXPECT_EQ(item(list, 2), "BIRNE");
    // Inserting at a place ignores the order; -1 is the end.
    EXPECT_EQ(dialogs.send_text(list, winmsg::list_insert_string, 0, "Zz"), 0);
    EXPECT_EQ(dialogs.send_text(list, winmsg::list_insert_string, static_cast<std::uint32_t>(-1), "Aa"), 5);
    EXPECT_EQ(dialogs.send_text(list, winmsg::list_insert_string, 7, "weit"), winmsg::list_error);
    EXPECT_EQ(dialogs.send_message(list, winmsg::list_get_count, 0, 0), 6);
}

TEST_F(ConsoleDialogsTest, SelectStringSearchesPrefixesAfterTheStartAndWraps)
{
    std::uint32_t list = control("LISTBOX", 0);
    for (auto text : {"Anna", "Bernd", "anton", "Berta"})
        add(list, text);
    struct Case {
        std::int32_t start;
        const char* prefix;
        std::int32_t found;
    } cases[] = {
        {-1, "an", 0}, {0, "an", 2}, {2, "AN", 0}, {1, "Bert", 3}, {3, "bert", 3},
        {-1, "", 0},   {3, "", 0},   {9, "b", 1},  {0, "Carl", -1},
    };
    for (const auto& c : cases) {
        dialogs.send_message(list, winmsg::list_set_cur_sel, 1, 0);
        EXPECT_EQ(dialogs.send_text(list, winmsg::list_select_string, static_cast<std::uint32_t>(c.start), c.prefix),
                  c.found)
            << c.start << " " << c.prefix;
        // Not found leaves the selection.
        EXPECT_EQ(dialogs.send_message(list, winmsg::list_get_cur_sel, 0, 0), c.found < 0 ? 1 : c.found);
    }
}

TEST_F(ConsoleDialogsTest, DeletingReportsTheCountAndMovesTheSelection)
{
    std::uint32_t list = control("LISTBOX", 0);
    for (auto text : {"a", "b", "c", "d"})
        add(list, text);
    dialogs.send_message(list, winmsg::list_set_cur_sel, 2, 0);
    EXPECT_EQ(dialogs.send_message(list, winmsg::list_delete_string, 0, 0), 3);
    EXPECT_EQ(dialogs.send_message(list, winmsg::list_get_cur_sel, 0, 0), 1);
    EXPECT_EQ(dialogs.send_message(list, winmsg::list_delete_string, 1, 0), 2);
    EXPECT_EQ(dialogs.send_message(list, winmsg::list_get_cur_sel, 0, 0), -1);
    EXPECT_EQ(dialogs.send_message(list, winmsg::list_delete_string, 2, 0), winmsg::list_error);
    EXPECT_EQ(dialogs.send_message(list, winmsg::list_set_cur_sel, 5, 0), winmsg::list_error);
    EXPECT_EQ(item(list, 1), "d");
    EXPECT_EQ(item(list, 2), "");
    // An item too long for a short string reads as nothing.
    add(list, std::string(256, 'x'));
    EXPECT_EQ(item(list, 2), "");
    EXPECT_EQ(dialogs.send_message(list, winmsg::list_get_text_len, 2, 0), 256);
}

TEST_F(ConsoleDialogsTest, HandlesThatAreNoWindowsGiveNothing)
{
    std::uint32_t edit = control("EDIT", winmsg::edit_multiline, "eins\r\nzwei\r\n");
    std::uint32_t button = control("BUTTON", 3, "Haken", edit);
    EXPECT_EQ(dialogs.create_window({"GIBTSNICHT", "", 0, 0, 0, 10, 10, 0, 0, 0}), 0u);
    EXPECT_EQ(dialogs.create_window({"EDIT", "", 0x50000000, 0, 0, 10, 10, 0x7777, 0, 0}), 0u);
    EXPECT_EQ(dialogs.send_message(edit, winmsg::edit_get_line_count, 0, 0), 3);
    EXPECT_EQ(dialogs.control_text(edit, ControlText::EditLine, 1).view(), "zwei");
    EXPECT_TRUE(dialogs.destroy_window(edit));
    for (std::uint32_t gone : {0u, edit, button, 0x12345u}) {
        EXPECT_EQ(dialogs.send_message(gone, winmsg::list_get_count, 0, 0), 0);
        EXPECT_EQ(dialogs.send_text(gone, winmsg::list_add_string, 0, "x"), 0);
        EXPECT_EQ(dialogs.control_text(gone, ControlText::Window, 0).view(), "");
        EXPECT_EQ(dialogs.client_width(gone), 0);
        EXPECT_FALSE(dialogs.show_window(gone, 1));
        EXPECT_FALSE(dialogs.destroy_window(gone));
        EXPECT_EQ(dialogs.set_focus(gone), 0u);
    }
    // Handles are never given again.
    EXPECT_GT(control("STATIC", 0), button);
}

TEST_F(ConsoleDialogsTest, MenusAreSearchedThroughTheirSubmenus)
{
    std::uint32_t bar = dialogs.create_menu();
    std::uint32_t file = dialogs.create_menu();
    EXPECT_TRUE(dialogs.append_menu(bar, MenuItemKind::Popup, file, "Datei"));
    EXPECT_TRUE(dialogs.append_menu(file, MenuItemKind::String, 7, "Ende"));
    EXPECT_TRUE(dialogs.insert_menu(bar, 7, 6, "Neu"));
    // Before an item that does not exist: at the end of the menu itself.
    EXPECT_TRUE(dialogs.insert_menu(bar, 99, 8, "Hilfe"));
    EXPECT_FALSE(dialogs.append_menu(bar, MenuItemKind::Popup, 0x4444, "kein Menü"));
    dialogs.check_menu_item(bar, 6, true);
    dialogs.remove_menu(bar, 7);
    std::uint32_t context = dialogs.create_popup_menu();
    EXPECT_TRUE(dialogs.append_menu(context, MenuItemKind::Popup, bar, "alles"));
    testing::internal::CaptureStderr();
    dialogs.track_popup_menu(context, 3, 4);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "[menu] 3,4 | alles (Datei (6 Neu), 8 Hilfe)\n");
    dialogs.destroy_menu(context);
    EXPECT_FALSE(dialogs.append_menu(bar, MenuItemKind::String, 1, "weg"));
    EXPECT_FALSE(dialogs.append_menu(file, MenuItemKind::String, 1, "weg"));
    EXPECT_FALSE(dialogs.insert_menu(file, 6, 1, "weg"));
    // Menus hung into themselves are searched and shown once.
    std::uint32_t loop = dialogs.create_menu();
    for (int i = 0; i < 40; ++i)
        EXPECT_TRUE(dialogs.append_menu(loop, MenuItemKind::Popup, loop, "ich"));
    EXPECT_TRUE(dialogs.insert_menu(loop, 5, 6, "am Ende"));
    testing::internal::CaptureStderr();
    dialogs.track_popup_menu(loop, 0, 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr().substr(0, 32), "[menu] 0,0 | ich (...), ich (...");
    dialogs.destroy_menu(loop);
    EXPECT_FALSE(dialogs.append_menu(loop, MenuItemKind::String, 1, "weg"));
}

} // namespace
} // namespace talven
