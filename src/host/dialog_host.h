// The user-interface operations a host offers: controls and dialog windows,
// the menus of the main window, and the ready-made modal dialogs. Each is
// one platform thing; which control gets which id, the element list, the
// dialog result and every error belong to the core.
//
// Windows, menus and module instances cross as the 32-bit numbers programs
// see. Messages sent to controls use the platform's message numbers (see
// window_messages.h), so that a program's own @SENDMSG and the runtime's
// queries reach a control the same way.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/short_string.h"

namespace talven {

// A resource of a module, by name or, when number is at least 1, by number.
struct ResourceName {
    ShortString name;
    std::uint32_t number = 0;
};

// CreateWindowEx with extended style 0. instance 0 is the runtime's own.
struct WindowSpec {
    std::string_view class_name;
    std::string_view text;
    std::uint32_t style = 0;
    std::int32_t x = 0, y = 0, width = 0, height = 0;
    std::uint32_t parent = 0;
    std::uint32_t id = 0;  // control id, or menu handle of a top-level window
    std::uint32_t instance = 0;
};

// Texts a control hands back, each cut to a short string.
enum class ControlText : std::uint8_t {
    Window,    // WM_GETTEXT
    ListItem,  // LB_GETTEXT of item index; nothing when it is longer than 255 characters
    EditLine,  // EM_GETLINE of line index
};

enum class MenuItemKind : std::uint8_t { String, Popup, Separator };

// What the user did in a list selection box. index is the selection the
// user last made (none when the selection never changed), confirmed or not.
struct SelectionAnswer {
    bool confirmed = false;
    std::optional<std::int32_t> index;
    ShortString text;
};

// The file open and save dialogs as the core fills them. filter holds pairs
// of description and pattern separated by "|" (no trailing "|").
struct FileDialogRequest {
    bool save = false;
    std::string_view title;
    std::string_view filter;
    std::string_view initial_name;
    // Without "*." in front; empty for none.
    std::string_view default_extension;
    std::uint32_t flags = 0;  // OFN_* as the platform numbers them
};

class DialogHost {
public:
    virtual ~DialogHost() = default;

    // --- windows and controls (0 when the platform refuses) ---------------

    virtual std::uint32_t create_window(const WindowSpec& spec) { return (void)spec, 0; }
    // A static icon control showing a named icon of the runtime's resources.
    virtual std::uint32_t create_icon_control(std::uint32_t parent, std::string_view icon, std::int32_t x,
                                              std::int32_t y)
    {
        return (void)parent, (void)icon, (void)x, (void)y, 0;
    }
    // The runtime's modeless template dialog "LDIALOG", titled, placed with
    // SetWindowPos and shown.
    virtual std::uint32_t create_template_dialog(std::uint32_t parent, std::string_view title, std::int32_t x,
                                                 std::int32_t y, std::int32_t width, std::int32_t height)
    {
        return (void)parent, (void)title, (void)x, (void)y, (void)width, (void)height, 0;
    }
    // A window of the program dialog class "DIALOG", shown.
    virtual std::uint32_t create_dialog_window(std::uint32_t parent, std::string_view title, std::uint32_t style,
                                               std::int32_t x, std::int32_t y, std::int32_t width,
                                               std::int32_t height)
    {
        return (void)parent, (void)title, (void)style, (void)x, (void)y, (void)width, (void)height, 0;
    }
    // A modeless dialog from a module's dialog resource, shown.
    virtual std::uint32_t load_dialog(std::uint32_t instance, std::uint32_t parent, const ResourceName& name)
    {
        return (void)instance, (void)parent, (void)name, 0;
    }
    // WM_SETFONT with the current drawing font, redraw on.
    virtual void use_current_font(std::uint32_t window) { (void)window; }

    // SendMessage and PostMessage with numbers only.
    virtual std::int32_t send_message(std::uint32_t window, std::uint32_t message, std::uint32_t wparam,
                                      std::uint32_t lparam)
    {
        return (void)window, (void)message, (void)wparam, (void)lparam, 0;
    }
    virtual bool post_message(std::uint32_t window, std::uint32_t message, std::uint32_t wparam,
                              std::uint32_t lparam)
    {
        return (void)window, (void)message, (void)wparam, (void)lparam, false;
    }
    // SendMessage whose lParam points to a text (LB_ADDSTRING, CB_ADDSTRING,
    // LB_INSERTSTRING, LB_SELECTSTRING ...).
    virtual std::int32_t send_text(std::uint32_t window, std::uint32_t message, std::uint32_t wparam,
                                   std::string_view text)
    {
        return (void)window, (void)message, (void)wparam, (void)text, -1;
    }
    // A text the control holds; empty for a window that is none.
    virtual ShortString control_text(std::uint32_t window, ControlText which, std::int32_t index)
    {
        return (void)window, (void)which, (void)index, ShortString();
    }
    // SetWindowText; the text may be longer than a short string (an edit).
    virtual void set_window_text(std::uint32_t window, std::string_view text) { (void)window, (void)text; }

    virtual std::uint32_t active_window() { return 0; }
    // Returns the window that was active before.
    virtual std::uint32_t activate(std::uint32_t window) { return (void)window, 0; }
    // ShowWindow; whether the window was visible before.
    virtual bool show_window(std::uint32_t window, std::int32_t mode) { return (void)window, (void)mode, false; }
    virtual std::uint32_t focus_window() { return 0; }
    // Returns the window that had the focus.
    virtual std::uint32_t set_focus(std::uint32_t window) { return (void)window, 0; }
    virtual bool destroy_window(std::uint32_t window) { return (void)window, false; }
    // GetClientRect: right and bottom.
    virtual std::int32_t client_width(std::uint32_t window) { return (void)window, 0; }
    virtual std::int32_t client_height(std::uint32_t window) { return (void)window, 0; }
    virtual std::uint32_t dialog_item(std::uint32_t window, std::int32_t id) { return (void)window, (void)id, 0; }
    // LoadString; empty when there is none.
    virtual ShortString load_string(std::uint32_t instance, std::uint32_t id)
    {
        return (void)instance, (void)id, ShortString();
    }
    virtual std::int32_t scroll_position(std::uint32_t bar) { return (void)bar, 0; }
    virtual void set_scroll_position(std::uint32_t bar, std::int32_t position, bool redraw)
    {
        (void)bar, (void)position, (void)redraw;
    }
    virtual void set_scroll_range(std::uint32_t bar, std::int32_t low, std::int32_t high, bool redraw)
    {
        (void)bar, (void)low, (void)high, (void)redraw;
    }
    virtual void enable_window(std::uint32_t window, bool enabled) { (void)window, (void)enabled; }
    // The first top-level window whose title begins with the prefix, in
    // any case; 0 when there is none.
    virtual std::uint32_t find_window(std::string_view title_prefix) { return (void)title_prefix, 0; }
    // The titles of all top-level windows in the platform's order, each as
    // far as a 255-character buffer holds it; untitled ones included.
    virtual std::vector<ShortString> top_level_titles() { return {}; }

    // --- typed keys ----------------------------------------------------------

    // The last window below this one, at any depth, whose class name begins
    // with "Edit" in any case; 0 when there is none.
    virtual std::uint32_t last_edit_descendant(std::uint32_t window) { return (void)window, 0; }
    virtual bool window_enabled(std::uint32_t window) { return (void)window, false; }
    // The keyboard's key for a character: the virtual key in the low byte,
    // the shift state (1 Shift, 2 Ctrl, 4 Alt) in the high byte; -1 when
    // no key types it.
    virtual std::int16_t key_for_character(char c) { return (void)c, -1; }
    // One key pressed or released, as if at the keyboard: it reaches the
    // window with the focus.
    virtual void key_event(std::uint8_t virtual_key, std::uint8_t scan, bool released)
    {
        (void)virtual_key, (void)scan, (void)released;
    }

    // --- menus -------------------------------------------------------------

    virtual std::uint32_t create_menu() { return 0; }
    virtual std::uint32_t create_popup_menu() { return 0; }
    // AppendMenu: id is the item id, or for a popup item the popup menu.
    virtual bool append_menu(std::uint32_t menu, MenuItemKind kind, std::uint32_t id, std::string_view text)
    {
        return (void)menu, (void)kind, (void)id, (void)text, false;
    }
    // InsertMenu of a string item before the item with the id before_id.
    virtual bool insert_menu(std::uint32_t menu, std::uint32_t before_id, std::uint32_t id, std::string_view text)
    {
        return (void)menu, (void)before_id, (void)id, (void)text, false;
    }
    virtual void check_menu_item(std::uint32_t menu, std::uint32_t id, bool checked)
    {
        (void)menu, (void)id, (void)checked;
    }
    // flags as EnableMenuItem takes them (0 enabled, 1 grayed, 2 disabled).
    virtual void enable_menu_item(std::uint32_t menu, std::uint32_t id, std::uint32_t flags)
    {
        (void)menu, (void)id, (void)flags;
    }
    virtual void remove_menu(std::uint32_t menu, std::uint32_t id) { (void)menu, (void)id; }
    virtual void destroy_menu(std::uint32_t menu) { (void)menu; }
    // The menu bar of the main window (0: none), and a new one set there.
    virtual std::uint32_t window_menu() { return 0; }
    virtual void set_window_menu(std::uint32_t menu) { (void)menu; }
    virtual void draw_menu_bar() {}
    // The popup as a context menu at a point of the main window's client
    // area; returns when it closes. The chosen item arrives as a menu command.
    virtual void track_popup_menu(std::uint32_t menu, std::int32_t x, std::int32_t y)
    {
        (void)menu, (void)x, (void)y;
    }
    // 0 when the module has no such menu.
    virtual std::uint32_t load_menu(std::uint32_t instance, const ResourceName& name)
    {
        return (void)instance, (void)name, 0;
    }

    // --- the built-in modal dialogs ----------------------------------------
    // Each shows the runtime's dialog of that name with the main window as
    // owner; nothing (or not confirmed) means Cancel. A host without a user
    // cancels every one.

    // "INPUT": the confirmed text, at most 254 characters.
    virtual std::optional<ShortString> input_box(std::string_view prompt, std::string_view title,
                                                 std::string_view default_text)
    {
        return (void)prompt, (void)title, (void)default_text, std::nullopt;
    }
    // "LISTBOX1".."LISTBOX8" by number, filled with the entries.
    virtual SelectionAnswer select_box(std::int32_t template_number, std::string_view title,
                                       std::span<const ShortString> entries)
    {
        return (void)template_number, (void)title, (void)entries, SelectionAnswer{};
    }
    // "EDITBOX1" or "EDITBOX2" showing text (lines separated by CR LF); the
    // lines of the editor on OK, each whole.
    virtual std::optional<std::vector<std::string>> edit_box(std::int32_t template_number, std::string_view title,
                                                             std::string_view text)
    {
        return (void)template_number, (void)title, (void)text, std::nullopt;
    }
    // The chosen path.
    virtual std::optional<ShortString> file_dialog(const FileDialogRequest& request)
    {
        return (void)request, std::nullopt;
    }
    // The chosen folder, without a trailing separator; it has become the
    // current directory.
    virtual std::optional<ShortString> folder_dialog(std::string_view title) { return (void)title, std::nullopt; }
};

// A host without a user interface: nothing is created, every dialog is
// cancelled.
inline DialogHost& no_dialogs()
{
    static DialogHost none;
    return none;
}

} // namespace talven
