// Controls, dialog windows, menus and the built-in dialogs on the console.
// Windows and menus live in memory only, so that a program can fill and read
// its controls as on a screen. Each built-in dialog is a line on standard
// error, answered by the answer file or by a line typed on standard input.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "host/dialog_host.h"
#include "host/host_files.h"

namespace talven {

class ConsoleInput;

// The entries of the file TALVEN_ANSWERS names, used one after the other by
// the message boxes and the dialogs alike.
struct AnswerFile {
    std::vector<std::string> entries;
    std::size_t next = 0;

    // The lines of the file, without their CR; blank lines are no entries.
    static AnswerFile read(const char* path);
    // The next entry, or nothing once they are used up.
    const std::string* take();
};

class ConsoleDialogs final : public DialogHost {
public:
    // break_requested tells whether the user broke the program off, which
    // cancels a dialog that is waiting for its line.
    ConsoleDialogs(ConsoleInput& input, AnswerFile& answers, HostFileSystem& files, bool (*break_requested)());

    std::uint32_t create_window(const WindowSpec& spec) override;
    std::uint32_t create_template_dialog(std::uint32_t parent, std::string_view title, std::int32_t x, std::int32_t y,
                                         std::int32_t width, std::int32_t height) override;
    std::uint32_t create_dialog_window(std::uint32_t parent, std::string_view title, std::uint32_t style,
                                       std::int32_t x, std::int32_t y, std::int32_t width,
                                       std::int32_t height) override;
    std::int32_t send_message(std::uint32_t window, std::uint32_t message, std::uint32_t wparam,
                              std::uint32_t lparam) override;
    bool post_message(std::uint32_t window, std::uint32_t message, std::uint32_t wparam,
                      std::uint32_t lparam) override;
    std::int32_t send_text(std::uint32_t window, std::uint32_t message, std::uint32_t wparam,
                           std::string_view text) override;
    ShortString control_text(std::uint32_t window, ControlText which, std::int32_t index) override;
    void set_window_text(std::uint32_t window, std::string_view text) override;
    std::uint32_t active_window() override { return m_active; }
    std::uint32_t activate(std::uint32_t window) override;
    bool show_window(std::uint32_t window, std::int32_t mode) override;
    std::uint32_t focus_window() override { return m_focus; }
    std::uint32_t set_focus(std::uint32_t window) override;
    bool destroy_window(std::uint32_t window) override;
    std::int32_t client_width(std::uint32_t window) override;
    std::int32_t client_height(std::uint32_t window) override;
    std::uint32_t dialog_item(std::uint32_t window, std::int32_t id) override;
    std::int32_t scroll_position(std::uint32_t bar) override;
    void set_scroll_position(std::uint32_t bar, std::int32_t position, bool redraw) override;
    void set_scroll_range(std::uint32_t bar, std::int32_t low, std::int32_t high, bool redraw) override;
    void enable_window(std::uint32_t window, bool enabled) override;
    std::uint32_t find_window(std::string_view title_prefix) override;
    std::vector<ShortString> top_level_titles() override;

    std::uint32_t last_edit_descendant(std::uint32_t window) override;
    bool window_enabled(std::uint32_t window) override;
    std::int16_t key_for_character(char c) override;
    void key_event(std::uint8_t virtual_key, std::uint8_t scan, bool released) override;

    std::uint32_t create_menu() override { return new_menu(); }
    std::uint32_t create_popup_menu() override { return new_menu(); }
    bool append_menu(std::uint32_t menu, MenuItemKind kind, std::uint32_t id, std::string_view text) override;
    bool insert_menu(std::uint32_t menu, std::uint32_t before_id, std::uint32_t id, std::string_view text) override;
    void check_menu_item(std::uint32_t menu, std::uint32_t id, bool checked) override;
    void enable_menu_item(std::uint32_t menu, std::uint32_t id, std::uint32_t flags) override;
    void remove_menu(std::uint32_t menu, std::uint32_t id) override;
    void destroy_menu(std::uint32_t menu) override;
    std::uint32_t window_menu() override { return m_window_menu; }
    void set_window_menu(std::uint32_t menu) override { m_window_menu = menu; }
    void track_popup_menu(std::uint32_t menu, std::int32_t x, std::int32_t y) override;

    std::optional<ShortString> input_box(std::string_view prompt, std::string_view title,
                                         std::string_view default_text) override;
    SelectionAnswer select_box(std::int32_t template_number, std::string_view title,
                               std::span<const ShortString> entries) override;
    std::optional<std::vector<std::string>> edit_box(std::int32_t template_number, std::string_view title,
                                                     std::string_view text) override;
    std::optional<ShortString> file_dialog(const FileDialogRequest& request) override;
    std::optional<ShortString> folder_dialog(std::string_view title) override;

private:
    enum class Kind : std::uint8_t { Button, Edit, ListBox, ComboBox, ScrollBar, Other };
    struct Window {
        Kind kind = Kind::Other;
        std::string text;
        std::uint32_t style = 0;
        std::uint32_t parent = 0;
        std::uint32_t id = 0;
        std::int32_t width = 0, height = 0;
        bool visible = false;
        bool enabled = true;
        std::int32_t check = 0;
        std::vector<std::string> items;
        std::int32_t selection = -1;
        std::int32_t scroll_low = 0, scroll_high = 100, scroll_position = 0;
    };
    struct MenuItem {
        MenuItemKind kind = MenuItemKind::String;
        std::uint32_t id = 0;  // the submenu of a popup item
        std::string text;
        bool checked = false;
        std::uint32_t enable_flags = 0;
    };
    using Menu = std::vector<MenuItem>;
    // What one line of a dialog's answer is.
    struct Reply {
        enum { Text, Ok, Cancel } kind;
        std::string text;
    };

    std::uint32_t new_handle() { return m_next_handle++; }
    std::uint32_t new_menu();
    Window* find(std::uint32_t window);
    std::uint32_t add_window(Window w);
    std::int32_t list_message(Window& w, std::uint32_t message, std::uint32_t wparam);
    std::int32_t add_item(Window& w, std::string_view text, bool sorted);
    // The menu holding the item with the id (searching submenus) and the
    // item's place there.
    std::optional<std::pair<std::uint32_t, std::size_t>> find_item(std::uint32_t menu, std::uint32_t id);
    std::optional<std::pair<std::uint32_t, std::size_t>> find_item(std::uint32_t menu, std::uint32_t id,
                                                                   std::vector<std::uint32_t>& seen);
    std::string menu_text(std::uint32_t menu, std::vector<std::uint32_t>& seen);

    // The dialogs' side: the prompt line, and each answer line from the
    // answer file while it has entries, else typed on standard input.
    void write_prompt(const std::string& ansi_lines);
    Reply next_reply(std::size_t capacity);
    std::optional<std::string> read_typed_line(std::size_t capacity);

    ConsoleInput& m_input;
    AnswerFile& m_answers;
    HostFileSystem& m_files;
    bool (*m_break_requested)();
    std::map<std::uint32_t, Window> m_windows;
    std::map<std::uint32_t, Menu> m_menus;
    // Windows and menus share one run of handles, as the platform's user
    // objects do, and none is ever given twice.
    std::uint32_t m_next_handle = 0x100;
    std::uint32_t m_active = 0;
    std::uint32_t m_focus = 0;
    std::uint32_t m_window_menu = 0;
    // The modifier keys a typed key sequence holds down.
    bool m_shift_down = false;
    bool m_ctrl_down = false;
    bool m_alt_down = false;
};

} // namespace talven
