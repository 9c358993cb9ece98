// Controls, dialog windows, menus and the built-in modal dialogs on Win32.
// Handles cross as the 32-bit numbers programs see; user handles are 32-bit
// significant, so a number becomes a handle again by sign extension.
#pragma once

#include <windows.h>

#include "host/dialog_host.h"

namespace talven {

class Win32Host;

class Win32Dialogs : public DialogHost {
public:
    Win32Dialogs(Win32Host& host, HINSTANCE instance) : m_host(host), m_instance(instance) {}

    std::uint32_t create_window(const WindowSpec& spec) override;
    std::uint32_t create_icon_control(std::uint32_t parent, std::string_view icon, std::int32_t x,
                                      std::int32_t y) override;
    std::uint32_t create_template_dialog(std::uint32_t parent, std::string_view title, std::int32_t x,
                                         std::int32_t y, std::int32_t width, std::int32_t height) override;
    std::uint32_t create_dialog_window(std::uint32_t parent, std::string_view title, std::uint32_t style,
                                       std::int32_t x, std::int32_t y, std::int32_t width,
                                       std::int32_t height) override;
    std::uint32_t load_dialog(std::uint32_t instance, std::uint32_t parent, const ResourceName& name) override;
    void use_current_font(std::uint32_t window) override;

    std::int32_t send_message(std::uint32_t window, std::uint32_t message, std::uint32_t wparam,
                              std::uint32_t lparam) override;
    bool post_message(std::uint32_t window, std::uint32_t message, std::uint32_t wparam,
                      std::uint32_t lparam) override;
    std::int32_t send_text(std::uint32_t window, std::uint32_t message, std::uint32_t wparam,
                           std::string_view text) override;
    ShortString control_text(std::uint32_t window, ControlText which, std::int32_t index) override;
    void set_window_text(std::uint32_t window, std::string_view text) override;

    std::uint32_t active_window() override;
    std::uint32_t activate(std::uint32_t window) override;
    bool show_window(std::uint32_t window, std::int32_t mode) override;
    std::uint32_t focus_window() override;
    std::uint32_t set_focus(std::uint32_t window) override;
    bool destroy_window(std::uint32_t window) override;
    std::int32_t client_width(std::uint32_t window) override;
    std::int32_t client_height(std::uint32_t window) override;
    std::uint32_t dialog_item(std::uint32_t window, std::int32_t id) override;
    ShortString load_string(std::uint32_t instance, std::uint32_t id) override;
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

    std::uint32_t create_menu() override;
    std::uint32_t create_popup_menu() override;
    bool append_menu(std::uint32_t menu, MenuItemKind kind, std::uint32_t id, std::string_view text) override;
    bool insert_menu(std::uint32_t menu, std::uint32_t before_id, std::uint32_t id, std::string_view text) override;
    void check_menu_item(std::uint32_t menu, std::uint32_t id, bool checked) override;
    void enable_menu_item(std::uint32_t menu, std::uint32_t id, std::uint32_t flags) override;
    void remove_menu(std::uint32_t menu, std::uint32_t id) override;
    void destroy_menu(std::uint32_t menu) override;
    std::uint32_t window_menu() override;
    void set_window_menu(std::uint32_t menu) override;
    void draw_menu_bar() override;
    void track_popup_menu(std::uint32_t menu, std::int32_t x, std::int32_t y) override;
    std::uint32_t load_menu(std::uint32_t instance, const ResourceName& name) override;

    std::optional<ShortString> input_box(std::string_view prompt, std::string_view title,
                                         std::string_view default_text) override;
    SelectionAnswer select_box(std::int32_t template_number, std::string_view title,
                               std::span<const ShortString> entries) override;
    std::optional<std::vector<std::string>> edit_box(std::int32_t template_number, std::string_view title,
                                                     std::string_view text) override;
    std::optional<ShortString> file_dialog(const FileDialogRequest& request) override;
    std::optional<ShortString> folder_dialog(std::string_view title) override;

private:
    // The module a program's instance number names: 0 and the runtime's own
    // number are the runtime; null when no module of the process matches.
    HINSTANCE module(std::uint32_t instance) const;
    // Owner of the modal dialogs: the main window, or none.
    HWND owner() const;

    Win32Host& m_host;
    HINSTANCE m_instance;
};

} // namespace talven
