// The console's windows, controls and menus as an in-memory model that
// answers the platform's messages with the platform's results, and the
// built-in dialogs as prompt lines on standard error. Neither this host nor
// the program has module resources here: loaded dialogs, menus, strings and
// icon controls are refused as missing resources are.
#include "host/console/console_dialogs.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>

#include "host/box_lines.h"
#include "host/console/codepage.h"
#include "host/console/console_input.h"
#include "host/window_messages.h"
#include "values/conversions.h"

namespace talven {
namespace {

constexpr std::uint32_t style_child = 0x40000000;          // WS_CHILD
constexpr std::uint32_t template_dialog_style = 0x00C80080;  // the template "LDIALOG"
constexpr std::uint32_t template_static_id = 101;
constexpr std::uint32_t file_must_exist = 0x1000;  // OFN_FILEMUSTEXIST
constexpr std::uint32_t directory_attribute = 0x10;
constexpr std::size_t input_capacity = 254;
constexpr std::size_t edit_line_capacity = 64000;
constexpr std::size_t edit_max_lines = 32767;

// The window classes this host can create: the system's controls and
// dialogs, and the runtime's own classes. Others are not registered.
constexpr std::string_view known_classes[] = {"BUTTON", "EDIT",  "LISTBOX", "COMBOBOX", "SCROLLBAR", "STATIC",
                                              "COMBOLBOX", "MDICLIENT", "#32770", "DIALOG", "FENSTER"};

std::string upper(std::string_view text)
{
    std::string out(text);
    for (auto& c : out)
        c = upper_ansi(c);
    return out;
}

// The order of sorted list and combo boxes: the runtime's case rule.
int compare_items(std::string_view a, std::string_view b)
{
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        auto ca = static_cast<unsigned char>(upper_ansi(a[i]));
        auto cb = static_cast<unsigned char>(upper_ansi(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && is_upper_ansi_equal(text.substr(0, prefix.size()), prefix);
}

// The lines of a multi-line edit: CR LF ends a line.
std::vector<std::string_view> edit_lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    for (;;) {
        std::size_t end = text.find("\r\n");
        if (end == std::string_view::npos) {
            lines.push_back(text);
            return lines;
        }
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end + 2);
    }
}

// The highest check state a button takes: 2 for three-state check boxes,
// 1 for check boxes and radio buttons, 0 for the others.
std::int32_t highest_check(std::uint32_t style)
{
    switch (style & 0xF) {
    case 2: case 3: case 4: case 9: return 1;
    case 5: case 6: return 2;
    default: return 0;
    }
}

// A numbered line of a list: the number right-aligned to the widest one,
// then the text.
std::string numbered_line(std::size_t n, std::size_t count, std::string_view text)
{
    std::string number = std::to_string(n);
    std::string width = std::to_string(count);
    std::string line(width.size() > number.size() ? width.size() - number.size() : 0, ' ');
    line += number;
    if (!text.empty())
        line += " " + box_line_text(text);
    return line + "\n";
}

// The patterns of a filter "description|pattern|..."; a filter without "|"
// has none.
std::string filter_patterns(std::string_view filter)
{
    std::string patterns;
    bool pattern = false;
    while (true) {
        std::size_t bar = filter.find('|');
        std::string_view part = filter.substr(0, bar);
        if (pattern && !part.empty()) {
            if (!patterns.empty())
                patterns += ';';
            patterns += part;
        }
        pattern = !pattern;
        if (bar == std::string_view::npos)
            return patterns;
        filter.remove_prefix(bar + 1);
    }
}

std::size_t last_separator(std::string_view name)
{
    std::size_t slash = name.find_last_of("/\\");
    std::size_t colon = name.find(':');
    if (slash == std::string_view::npos)
        return colon;
    return slash;
}

} // namespace

AnswerFile AnswerFile::read(const char* path)
{
    AnswerFile answers;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        while (!line.empty() && line.back() == '\r')
            line.pop_back();
        // A text answer keeps its blanks; a line of blanks is no entry.
        if (!trim_blanks(line).empty())
            answers.entries.push_back(line);
    }
    return answers;
}

const std::string* AnswerFile::take()
{
    if (next >= entries.size())
        return nullptr;
    return &entries[next++];
}

ConsoleDialogs::ConsoleDialogs(ConsoleInput& input, AnswerFile& answers, HostFileSystem& files,
                               bool (*break_requested)())
    : m_input(input), m_answers(answers), m_files(files), m_break_requested(break_requested)
{
}

// --- windows and controls ----------------------------------------------------

ConsoleDialogs::Window* ConsoleDialogs::find(std::uint32_t window)
{
    auto it = m_windows.find(window);
    return it == m_windows.end() ? nullptr : &it->second;
}

std::uint32_t ConsoleDialogs::add_window(Window w)
{
    std::uint32_t handle = new_handle();
    bool top_level = (w.style & style_child) == 0;
    bool visible = w.visible;
    m_windows.emplace(handle, std::move(w));
    // A top-level window that is shown becomes the active one.
    if (top_level && visible)
        m_active = m_focus = handle;
    return handle;
}

std::uint32_t ConsoleDialogs::create_window(const WindowSpec& spec)
{
    std::string class_name = upper(spec.class_name);
    if (std::find(std::begin(known_classes), std::end(known_classes), class_name) == std::end(known_classes))
        return 0;
    // The main window is 0 on this host: parent 0 is it.
    if (spec.parent != 0 && !find(spec.parent))
        return 0;
    Window w;
    if (class_name == "BUTTON")
        w.kind = Kind::Button;
    else if (class_name == "EDIT")
        w.kind = Kind::Edit;
    else if (class_name == "LISTBOX")
        w.kind = Kind::ListBox;
    else if (class_name == "COMBOBOX")
        w.kind = Kind::ComboBox;
    else if (class_name == "SCROLLBAR")
        w.kind = Kind::ScrollBar;
    w.text = spec.text;
    w.style = spec.style;
    w.parent = spec.parent;
    w.id = spec.id;
    w.width = std::max(spec.width, 0);
    w.height = std::max(spec.height, 0);
    w.visible = (spec.style & winmsg::style_visible) != 0;
    w.enabled = (spec.style & winmsg::style_disabled) == 0;
    return add_window(std::move(w));
}

std::uint32_t ConsoleDialogs::create_template_dialog(std::uint32_t parent, std::string_view title, std::int32_t,
                                                     std::int32_t, std::int32_t width, std::int32_t height)
{
    if (parent != 0 && !find(parent))
        return 0;
    Window dialog;
    dialog.text = title;
    dialog.style = template_dialog_style | winmsg::style_visible;
    dialog.parent = parent;
    dialog.width = std::max(width, 0);
    dialog.height = std::max(height, 0);
    dialog.visible = true;
    std::uint32_t handle = add_window(std::move(dialog));
    // The template's one control, an empty static text.
    Window label;
    label.style = 0x50000000;
    label.parent = handle;
    label.id = template_static_id;
    label.width = 6;
    label.height = 3;
    label.visible = true;
    m_windows.emplace(new_handle(), std::move(label));
    return handle;
}

std::uint32_t ConsoleDialogs::create_dialog_window(std::uint32_t parent, std::string_view title, std::uint32_t style,
                                                   std::int32_t x, std::int32_t y, std::int32_t width,
                                                   std::int32_t height)
{
    WindowSpec spec{"DIALOG", title, (style & ~style_child) | winmsg::style_visible, x, y, width, height, parent, 0,
                    0};
    return create_window(spec);
}

std::int32_t ConsoleDialogs::add_item(Window& w, std::string_view text, bool sorted)
{
    auto position = w.items.end();
    if (sorted)
        position = std::find_if(w.items.begin(), w.items.end(),
                                [&](const std::string& item) { return compare_items(item, text) > 0; });
    auto index = static_cast<std::int32_t>(position - w.items.begin());
    w.items.insert(position, std::string(text));
    if (w.selection >= index)
        ++w.selection;
    return index;
}

// The messages list and combo boxes share: the numbers differ, the rules
// are the same.
std::int32_t ConsoleDialogs::list_message(Window& w, std::uint32_t message, std::uint32_t wparam)
{
    using namespace winmsg;
    bool list = w.kind == Kind::ListBox;
    auto count = static_cast<std::int32_t>(w.items.size());
    auto index = static_cast<std::int32_t>(wparam);
    if (message == (list ? list_get_count : combo_get_count))
        return count;
    if (message == (list ? list_get_cur_sel : combo_get_cur_sel))
        return w.selection;
    if (message == (list ? list_delete_string : combo_delete_string)) {
        if (index < 0 || index >= count)
            return list_error;
        w.items.erase(w.items.begin() + index);
        if (w.selection == index)
            w.selection = -1;
        else if (w.selection > index)
            --w.selection;
        return count - 1;
    }
    if (message == (list ? list_set_cur_sel : combo_set_cur_sel)) {
        // -1 takes the selection away and still reports an error.
        if (index == -1)
            w.selection = -1;
        if (index < 0 || index >= count)
            return list_error;
        w.selection = index;
        return index;
    }
    if (!list)
        return message == combo_add_string ? list_error : 0;
    switch (message) {
    case list_reset:
        w.items.clear();
        w.selection = -1;
        return 0;
    case list_get_text_len:
        return index >= 0 && index < count ? static_cast<std::int32_t>(w.items[static_cast<std::size_t>(index)].size())
                                           : list_error;
    // The text these take lies in the sender's memory, which a number
    // alone does not reach.
    case list_add_string:
    case list_insert_string:
    case list_get_text:
    case list_select_string:
    case list_find_string:
        return list_error;
    default:
        return 0;
    }
}

std::int32_t ConsoleDialogs::send_message(std::uint32_t window, std::uint32_t message, std::uint32_t wparam,
                                          std::uint32_t)
{
    Window* w = find(window);
    if (!w)
        return 0;
    switch (message) {
    case winmsg::get_text_length:
        return static_cast<std::int32_t>(w->text.size());
    case winmsg::button_get_check:
        return w->kind == Kind::Button ? w->check : 0;
    case winmsg::button_set_check:
        if (w->kind == Kind::Button && highest_check(w->style) > 0)
            w->check = static_cast<std::int32_t>(std::min<std::uint32_t>(
                wparam, static_cast<std::uint32_t>(highest_check(w->style))));
        return 0;
    case winmsg::edit_get_line_count:
        if (w->kind != Kind::Edit)
            return 0;
        if ((w->style & winmsg::edit_multiline) == 0)
            return 1;
        return static_cast<std::int32_t>(edit_lines(w->text).size());
    default:
        break;
    }
    if (w->kind == Kind::ListBox || w->kind == Kind::ComboBox)
        return list_message(*w, message, wparam);
    return 0;
}

// Posted messages reach no procedure here; the post itself succeeds for a
// window and for the main window.
bool ConsoleDialogs::post_message(std::uint32_t window, std::uint32_t, std::uint32_t, std::uint32_t)
{
    return window == 0 || find(window) != nullptr;
}

std::int32_t ConsoleDialogs::send_text(std::uint32_t window, std::uint32_t message, std::uint32_t wparam,
                                       std::string_view text)
{
    using namespace winmsg;
    Window* w = find(window);
    if (!w)
        return 0;
    if (w->kind == Kind::ComboBox && message == combo_add_string)
        return add_item(*w, text, (w->style & combo_sort) != 0);
    if (w->kind != Kind::ListBox)
        return send_message(window, message, wparam, 0);
    auto count = static_cast<std::int32_t>(w->items.size());
    auto start = static_cast<std::int32_t>(wparam);
    switch (message) {
    case list_add_string:
        return add_item(*w, text, (w->style & list_sort) != 0);
    case list_insert_string: {
        // Inserting ignores the sorting; -1 is the end.
        if (start == -1)
            start = count;
        if (start < 0 || start > count)
            return list_error;
        w->items.insert(w->items.begin() + start, std::string(text));
        if (w->selection >= start)
            ++w->selection;
        return start;
    }
    case list_select_string:
    case list_find_string: {
        // The search begins after the start item and wraps round to it.
        if (start < -1 || start >= count)
            start = -1;
        for (std::int32_t step = 1; step <= count; ++step) {
            std::int32_t i = (start + step) % count;
            if (starts_with_ignoring_case(w->items[static_cast<std::size_t>(i)], text)) {
                if (message == list_select_string)
                    w->selection = i;
                return i;
            }
        }
        return list_error;
    }
    default:
        return send_message(window, message, wparam, 0);
    }
}

ShortString ConsoleDialogs::control_text(std::uint32_t window, ControlText which, std::int32_t index)
{
    Window* w = find(window);
    if (!w)
        return {};
    switch (which) {
    case ControlText::Window:
        return ShortString(w->text);
    case ControlText::ListItem:
        if ((w->kind != Kind::ListBox && w->kind != Kind::ComboBox) || index < 0 ||
            static_cast<std::size_t>(index) >= w->items.size())
            return {};
        if (w->items[static_cast<std::size_t>(index)].size() > ShortString::capacity)
            return {};
        return ShortString(w->items[static_cast<std::size_t>(index)]);
    case ControlText::EditLine: {
        if (w->kind != Kind::Edit || index < 0)
            return {};
        if ((w->style & winmsg::edit_multiline) == 0)
            return index == 0 ? ShortString(w->text) : ShortString();
        auto lines = edit_lines(w->text);
        if (static_cast<std::size_t>(index) >= lines.size())
            return {};
        return ShortString(lines[static_cast<std::size_t>(index)]);
    }
    }
    return {};
}

void ConsoleDialogs::set_window_text(std::uint32_t window, std::string_view text)
{
    if (Window* w = find(window))
        w->text = text;
}

namespace {

// Whether window is ancestor or lies below it (as a child or an owned
// window). A parent is always older than what it holds, so the walk ends.
template <typename Windows>
bool lies_within(const Windows& windows, std::uint32_t window, std::uint32_t ancestor)
{
    while (window != 0) {
        if (window == ancestor)
            return true;
        auto it = windows.find(window);
        if (it == windows.end())
            return false;
        window = it->second.parent;
    }
    return false;
}

} // namespace

std::uint32_t ConsoleDialogs::activate(std::uint32_t window)
{
    std::uint32_t before = m_active;
    if (window == 0) {
        m_active = 0;
        return before;
    }
    Window* w = find(window);
    if (!w)
        return 0;
    // Only a top-level window can be the active one.
    if (w->style & style_child)
        return before;
    m_active = window;
    if (!lies_within(m_windows, m_focus, window))
        m_focus = window;
    return before;
}

bool ConsoleDialogs::show_window(std::uint32_t window, std::int32_t mode)
{
    Window* w = find(window);
    if (!w)
        return false;
    bool before = w->visible;
    w->visible = mode != 0;
    if (!w->visible) {
        if (lies_within(m_windows, m_focus, window))
            m_focus = 0;
        if (m_active == window)
            m_active = 0;
    }
    return before;
}

std::uint32_t ConsoleDialogs::set_focus(std::uint32_t window)
{
    std::uint32_t before = m_focus;
    if (window == 0) {
        m_focus = 0;
        return before;
    }
    // A disabled window, or one inside a disabled window, takes no focus.
    std::uint32_t top = 0;
    for (std::uint32_t h = window; h != 0;) {
        Window* w = find(h);
        if (!w || !w->enabled)
            return 0;
        if ((w->style & style_child) == 0) {
            top = h;
            break;
        }
        h = w->parent;
    }
    m_focus = window;
    m_active = top;
    return before;
}

bool ConsoleDialogs::destroy_window(std::uint32_t window)
{
    if (!find(window))
        return false;
    // Children and owned windows go with it; collect first, the walk needs
    // the parents.
    std::vector<std::uint32_t> doomed;
    for (const auto& [handle, w] : m_windows)
        if (lies_within(m_windows, handle, window))
            doomed.push_back(handle);
    if (std::find(doomed.begin(), doomed.end(), m_focus) != doomed.end())
        m_focus = 0;
    if (std::find(doomed.begin(), doomed.end(), m_active) != doomed.end())
        m_active = 0;
    for (std::uint32_t handle : doomed)
        m_windows.erase(handle);
    return true;
}

std::int32_t ConsoleDialogs::client_width(std::uint32_t window)
{
    Window* w = find(window);
    return w ? w->width : 0;
}

std::int32_t ConsoleDialogs::client_height(std::uint32_t window)
{
    Window* w = find(window);
    return w ? w->height : 0;
}

std::uint32_t ConsoleDialogs::dialog_item(std::uint32_t window, std::int32_t id)
{
    if (window != 0 && !find(window))
        return 0;
    for (const auto& [handle, w] : m_windows)
        if (w.parent == window && (w.style & style_child) && w.id == static_cast<std::uint32_t>(id))
            return handle;
    return 0;
}

std::int32_t ConsoleDialogs::scroll_position(std::uint32_t bar)
{
    Window* w = find(bar);
    return w && w->kind == Kind::ScrollBar ? w->scroll_position : 0;
}

void ConsoleDialogs::set_scroll_position(std::uint32_t bar, std::int32_t position, bool)
{
    Window* w = find(bar);
    if (w && w->kind == Kind::ScrollBar)
        w->scroll_position = std::clamp(position, w->scroll_low, std::max(w->scroll_low, w->scroll_high));
}

void ConsoleDialogs::set_scroll_range(std::uint32_t bar, std::int32_t low, std::int32_t high, bool)
{
    Window* w = find(bar);
    if (!w || w->kind != Kind::ScrollBar)
        return;
    w->scroll_low = low;
    w->scroll_high = high;
    w->scroll_position = std::clamp(w->scroll_position, low, std::max(low, high));
}

void ConsoleDialogs::enable_window(std::uint32_t window, bool enabled)
{
    Window* w = find(window);
    if (!w)
        return;
    w->enabled = enabled;
    if (!enabled && lies_within(m_windows, m_focus, window))
        m_focus = 0;
}

// The newest window first: it lies on top.
std::uint32_t ConsoleDialogs::find_window(std::string_view title_prefix)
{
    for (auto it = m_windows.rbegin(); it != m_windows.rend(); ++it)
        if ((it->second.style & style_child) == 0 && starts_with_ignoring_case(it->second.text, title_prefix))
            return it->first;
    return 0;
}

// The newest window first, as find_window sees them.
std::vector<ShortString> ConsoleDialogs::top_level_titles()
{
    std::vector<ShortString> titles;
    for (auto it = m_windows.rbegin(); it != m_windows.rend(); ++it)
        if ((it->second.style & style_child) == 0)
            titles.emplace_back(std::string_view(it->second.text).substr(0, 254));
    return titles;
}

// --- typed keys -------------------------------------------------------------

std::uint32_t ConsoleDialogs::last_edit_descendant(std::uint32_t window)
{
    if (window == 0)
        return 0;
    for (auto it = m_windows.rbegin(); it != m_windows.rend(); ++it)
        if (it->first != window && it->second.kind == Kind::Edit && lies_within(m_windows, it->first, window))
            return it->first;
    return 0;
}

bool ConsoleDialogs::window_enabled(std::uint32_t window)
{
    Window* w = find(window);
    return w && w->enabled;
}

namespace {

// The keys of the US keyboard for the printable characters that need one
// of the OEM keys, unshifted and shifted.
struct OemKey {
    char plain, shifted;
    std::uint8_t key;
};
constexpr OemKey oem_keys[] = {
    {';', ':', 0xBA}, {'=', '+', 0xBB}, {',', '<', 0xBC}, {'-', '_', 0xBD},  {'.', '>', 0xBE},
    {'/', '?', 0xBF}, {'`', '~', 0xC0}, {'[', '{', 0xDB}, {'\\', '|', 0xDC}, {']', '}', 0xDD},
    {'\'', '"', 0xDE},
};
constexpr char shifted_digits[] = ")!@#$%^&*(";

constexpr std::int16_t shifted(std::uint8_t key) { return static_cast<std::int16_t>(0x100 | key); }

} // namespace

// The console's keyboard is the US one; characters it has no key for
// (the accented letters among them) type nothing.
std::int16_t ConsoleDialogs::key_for_character(char c)
{
    auto byte = static_cast<unsigned char>(c);
    if (byte >= 'a' && byte <= 'z')
        return static_cast<std::int16_t>(byte - 'a' + 'A');
    if ((byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9'))
        return static_cast<std::int16_t>(byte >= 'A' ? shifted(byte) : byte);
    switch (byte) {
    case 8: case 9: case 13: case 27: case ' ':
        return byte;
    case 10:
        return 0x200 | 13;  // Ctrl+Enter
    default:
        break;
    }
    if (byte >= 1 && byte <= 26)
        return static_cast<std::int16_t>(0x200 | (byte - 1 + 'A'));
    for (int digit = 0; digit < 10; ++digit)
        if (shifted_digits[digit] == c)
            return shifted(static_cast<std::uint8_t>('0' + digit));
    for (const auto& oem : oem_keys) {
        if (oem.plain == c)
            return oem.key;
        if (oem.shifted == c)
            return shifted(oem.key);
    }
    return -1;
}

namespace {

// What a key types with the Shift and Ctrl keys as they are: the inverse
// of key_for_character.
std::optional<unsigned char> typed_character(std::uint8_t key, bool shift, bool ctrl)
{
    if (ctrl)
        return key >= 'A' && key <= 'Z' ? std::optional<unsigned char>(key - 'A' + 1) : std::nullopt;
    if (key >= 'A' && key <= 'Z')
        return static_cast<unsigned char>(shift ? key : key - 'A' + 'a');
    if (key >= '0' && key <= '9')
        return static_cast<unsigned char>(shift ? shifted_digits[key - '0'] : key);
    switch (key) {
    case 8: case 9: case 13: case 27: case ' ':
        return key;
    default:
        break;
    }
    for (const auto& oem : oem_keys)
        if (oem.key == key)
            return static_cast<unsigned char>(shift ? oem.shifted : oem.plain);
    return std::nullopt;
}

} // namespace

// A key reaches the window with the focus, or the active one: an edit
// control of the console's windows takes what it types; anything else
// gets the key as the runtime's own window gets a key of the terminal.
void ConsoleDialogs::key_event(std::uint8_t virtual_key, std::uint8_t scan, bool released)
{
    (void)scan;
    switch (virtual_key) {
    case 16: m_shift_down = !released; return;
    case 17: m_ctrl_down = !released; return;
    case 18: m_alt_down = !released; return;
    default: break;
    }
    if (released)
        return;
    // With Alt held a key types no character.
    auto c = m_alt_down ? std::nullopt : typed_character(virtual_key, m_shift_down, m_ctrl_down);
    Window* target = find(m_focus != 0 ? m_focus : m_active);
    if (!target || target->kind != Kind::Edit) {
        m_input.record_typed_key(virtual_key, c);
        return;
    }
    if (!c)
        return;
    if (*c == 8) {
        if (!target->text.empty())
            target->text.pop_back();
    } else if (*c == 13) {
        if (target->style & winmsg::edit_multiline)
            target->text += "\r\n";
    } else if (*c >= 32) {
        target->text += static_cast<char>(*c);
    }
}

// --- menus ------------------------------------------------------------------

std::uint32_t ConsoleDialogs::new_menu()
{
    std::uint32_t handle = new_handle();
    m_menus.emplace(handle, Menu{});
    return handle;
}

bool ConsoleDialogs::append_menu(std::uint32_t menu, MenuItemKind kind, std::uint32_t id, std::string_view text)
{
    auto it = m_menus.find(menu);
    if (it == m_menus.end())
        return false;
    if (kind == MenuItemKind::Popup && !m_menus.count(id))
        return false;
    MenuItem item;
    item.kind = kind;
    if (kind != MenuItemKind::Separator) {
        item.id = id;
        item.text = text;
    }
    it->second.push_back(std::move(item));
    return true;
}

// Items are found by command as the platform finds them: inside a popup's
// submenu first, then by the item's own id. A menu hung into itself is
// searched once.
std::optional<std::pair<std::uint32_t, std::size_t>> ConsoleDialogs::find_item(std::uint32_t menu, std::uint32_t id,
                                                                               std::vector<std::uint32_t>& seen)
{
    auto it = m_menus.find(menu);
    if (it == m_menus.end() || std::find(seen.begin(), seen.end(), menu) != seen.end())
        return std::nullopt;
    seen.push_back(menu);
    for (std::size_t i = 0; i < it->second.size(); ++i) {
        const MenuItem& item = it->second[i];
        if (item.kind == MenuItemKind::Popup)
            if (auto inside = find_item(item.id, id, seen))
                return inside;
        if (item.id == id)
            return std::make_pair(menu, i);
    }
    return std::nullopt;
}

std::optional<std::pair<std::uint32_t, std::size_t>> ConsoleDialogs::find_item(std::uint32_t menu, std::uint32_t id)
{
    std::vector<std::uint32_t> seen;
    return find_item(menu, id, seen);
}

// Before an id that no item has, the item goes to the end of the menu, as
// the platform's InsertMenu puts it there.
bool ConsoleDialogs::insert_menu(std::uint32_t menu, std::uint32_t before_id, std::uint32_t id, std::string_view text)
{
    if (!m_menus.count(menu))
        return false;
    MenuItem item;
    item.id = id;
    item.text = text;
    auto place = find_item(menu, before_id);
    Menu& items = m_menus[place ? place->first : menu];
    items.insert(place ? items.begin() + static_cast<std::ptrdiff_t>(place->second) : items.end(), std::move(item));
    return true;
}

void ConsoleDialogs::check_menu_item(std::uint32_t menu, std::uint32_t id, bool checked)
{
    if (auto place = find_item(menu, id))
        m_menus[place->first][place->second].checked = checked;
}

void ConsoleDialogs::enable_menu_item(std::uint32_t menu, std::uint32_t id, std::uint32_t flags)
{
    if (auto place = find_item(menu, id))
        m_menus[place->first][place->second].enable_flags = flags;
}

void ConsoleDialogs::remove_menu(std::uint32_t menu, std::uint32_t id)
{
    // The submenu of a removed popup item stays; only the item goes.
    if (auto place = find_item(menu, id)) {
        Menu& items = m_menus[place->first];
        items.erase(items.begin() + static_cast<std::ptrdiff_t>(place->second));
    }
}

// A menu goes with its submenus. The window keeps the number of a menu bar
// destroyed under it, as the platform's window does.
void ConsoleDialogs::destroy_menu(std::uint32_t menu)
{
    std::vector<std::uint32_t> doomed{menu};
    for (std::size_t i = 0; i < doomed.size(); ++i) {
        auto it = m_menus.find(doomed[i]);
        if (it == m_menus.end())
            continue;
        for (const MenuItem& item : it->second)
            if (item.kind == MenuItemKind::Popup)
                doomed.push_back(item.id);
        m_menus.erase(it);
    }
}

// A submenu shown already in the line (one hung into itself) is "...".
std::string ConsoleDialogs::menu_text(std::uint32_t menu, std::vector<std::uint32_t>& seen)
{
    auto it = m_menus.find(menu);
    if (it == m_menus.end())
        return {};
    if (std::find(seen.begin(), seen.end(), menu) != seen.end())
        return "...";
    seen.push_back(menu);
    std::string text;
    for (const MenuItem& item : it->second) {
        if (!text.empty())
            text += ", ";
        switch (item.kind) {
        case MenuItemKind::String: text += std::to_string(item.id) + " " + item.text; break;
        case MenuItemKind::Separator: text += "-"; break;
        case MenuItemKind::Popup: text += item.text + " (" + menu_text(item.id, seen) + ")"; break;
        }
    }
    return text;
}

// A context menu cannot wait for a choice here: its items are shown as one
// line, and the user chooses one later as a menu command typed on standard
// input (Ctrl+], the id, Enter).
void ConsoleDialogs::track_popup_menu(std::uint32_t menu, std::int32_t x, std::int32_t y)
{
    if (!m_menus.count(menu))
        return;
    std::vector<std::uint32_t> seen;
    write_prompt("[menu] " + std::to_string(x) + "," + std::to_string(y) + " | " +
                 box_line_text(menu_text(menu, seen)) + "\n");
}

// --- the built-in dialogs ------------------------------------------------------

void ConsoleDialogs::write_prompt(const std::string& ansi_lines)
{
    std::fflush(stdout);
    std::string out = ansi_to_utf8(ansi_lines);
    std::fwrite(out.data(), 1, out.size(), stderr);
    std::fflush(stderr);
}

// An answer file entry "= text" is the line typed, "OK" confirms the dialog
// as it stands, "CANCEL" (or anything else) cancels it.
ConsoleDialogs::Reply ConsoleDialogs::next_reply(std::size_t capacity)
{
    if (const std::string* entry = m_answers.take()) {
        std::string_view e = *entry;
        if (!e.empty() && e[0] == '=') {
            e.remove_prefix(1);
            if (!e.empty() && e[0] == ' ')
                e.remove_prefix(1);
            std::string text = utf8_to_ansi(e);
            if (text.size() > capacity)
                text.resize(capacity);
            return {Reply::Text, text};
        }
        if (upper(trim_blanks(e)) == "OK")
            return {Reply::Ok, {}};
        return {Reply::Cancel, {}};
    }
    if (auto line = read_typed_line(capacity))
        return {Reply::Text, *line};
    return {Reply::Cancel, {}};
}

// A line from the key queue, as INPUT reads it but without the text screen:
// Backspace takes back, Enter ends, Escape cancels. The end of the input
// and a break cancel too. On a terminal the typed line is echoed on
// standard error, below the prompt.
std::optional<std::string> ConsoleDialogs::read_typed_line(std::size_t capacity)
{
    EventState* events = m_input.events();
    if (!events)
        return std::nullopt;
    bool echo = m_input.terminal() && isatty(STDERR_FILENO) == 1;
    auto show = [echo](std::string_view text) {
        if (echo) {
            std::fwrite(text.data(), 1, text.size(), stderr);
            std::fflush(stderr);
        }
    };
    std::string line;
    for (;;) {
        if (events->keys.empty()) {
            m_input.pump();
            if (m_break_requested() || events->stop_requested)
                return std::nullopt;
            if (events->keys.empty()) {
                // With the input ended a running timer would wake the wait
                // for ever.
                if (m_input.ended())
                    return std::nullopt;
                std::fflush(stdout);
                if (!m_input.wait())
                    return std::nullopt;
                continue;
            }
        }
        std::uint8_t key = events->keys.pop();
        if (key == 13) {
            show("\n");
            return line;
        }
        if (key == 27) {
            show("\n");
            return std::nullopt;
        }
        if (key == 8) {
            if (!line.empty()) {
                line.pop_back();
                show("\b \b");
            }
        } else if (key >= 32 && line.size() < capacity) {
            char c = static_cast<char>(key);
            line.push_back(c);
            show(ansi_to_utf8(std::string_view(&c, 1)));
        }
    }
}

// An empty line confirms what the dialog shows at the start; where that is
// nothing (an empty input box), OK cannot be pressed and the line cancels.
std::optional<ShortString> ConsoleDialogs::input_box(std::string_view prompt, std::string_view title,
                                                     std::string_view default_text)
{
    std::string line = "[input] " + box_line_text(title) + " | " + box_line_text(prompt);
    if (!default_text.empty())
        line += " | " + box_line_text(default_text);
    write_prompt(line + "\n");
    Reply reply = next_reply(input_capacity);
    if (reply.kind == Reply::Cancel)
        return std::nullopt;
    std::string text = reply.text;
    if (text.empty())
        text = default_text.substr(0, input_capacity);
    if (text.empty())
        return std::nullopt;
    return ShortString(text);
}

// The entries are numbered from 1 in the order the list shows them (the
// sorted templates sort them); the answer is a number.
SelectionAnswer ConsoleDialogs::select_box(std::int32_t template_number, std::string_view title,
                                           std::span<const ShortString> entries)
{
    bool sorted = template_number != 1 && template_number != 2 && template_number != 5 && template_number != 6;
    Window list;
    list.kind = Kind::ListBox;
    for (const ShortString& entry : entries)
        add_item(list, entry.view(), sorted);
    std::string lines = "[select] " + box_line_text(title) + " | " + std::to_string(list.items.size()) + "\n";
    for (std::size_t i = 0; i < list.items.size(); ++i)
        lines += numbered_line(i + 1, list.items.size(), list.items[i]);
    write_prompt(lines);

    SelectionAnswer answer;
    Reply reply = next_reply(ShortString::capacity);
    if (reply.kind == Reply::Cancel)
        return answer;
    std::string_view typed = trim_blanks(reply.text);
    if (typed.empty()) {
        answer.confirmed = true;
        return answer;
    }
    std::size_t n = 0;
    auto [end, error] = std::from_chars(typed.data(), typed.data() + typed.size(), n);
    if (error != std::errc() || end != typed.data() + typed.size() || n < 1 || n > list.items.size())
        return answer;
    answer.confirmed = true;
    answer.index = static_cast<std::int32_t>(n - 1);
    answer.text = list.items[n - 1];
    return answer;
}

// The lines typed up to a line "." replace the text; "." alone keeps it.
std::optional<std::vector<std::string>> ConsoleDialogs::edit_box(std::int32_t, std::string_view title,
                                                                 std::string_view text)
{
    std::vector<std::string_view> shown;
    if (!text.empty())
        shown = edit_lines(text);
    std::string lines = "[edit] " + box_line_text(title) + " | " + std::to_string(shown.size()) + "\n";
    for (std::size_t i = 0; i < shown.size(); ++i)
        lines += numbered_line(i + 1, shown.size(), shown[i]);
    write_prompt(lines);

    std::vector<std::string> typed;
    for (;;) {
        Reply reply = next_reply(edit_line_capacity);
        if (reply.kind == Reply::Cancel)
            return std::nullopt;
        if (reply.kind == Reply::Ok || reply.text == ".")
            break;
        if (typed.size() < edit_max_lines)
            typed.push_back(std::move(reply.text));
    }
    if (typed.empty())
        typed.assign(shown.begin(), shown.end());
    // An empty editor cannot be confirmed.
    if (typed.empty() || (typed.size() == 1 && typed[0].empty()))
        return std::nullopt;
    return typed;
}

std::optional<ShortString> ConsoleDialogs::file_dialog(const FileDialogRequest& request)
{
    std::string patterns = filter_patterns(request.filter);
    std::string line = std::string(request.save ? "[save] " : "[open] ") + box_line_text(request.title) + " | " +
                       (patterns.empty() ? "*.*" : box_line_text(patterns));
    if (!request.initial_name.empty())
        line += " | " + box_line_text(request.initial_name);
    write_prompt(line + "\n");

    Reply reply = next_reply(ShortString::capacity);
    if (reply.kind == Reply::Cancel)
        return std::nullopt;
    std::string name(trim_blanks(reply.text));
    if (name.empty())
        name = trim_blanks(request.initial_name);
    if (name.empty())
        return std::nullopt;
    auto is_file = [this](std::string_view path) {
        auto found = m_files.info(path);
        return found.code == fs_code::ok && (found.value.attributes & directory_attribute) == 0;
    };
    // The default extension goes to a name without one (an open dialog
    // first looks for the name as typed).
    std::string_view extension = request.default_extension;
    std::size_t folder_end = last_separator(name);
    std::string_view last_part =
        folder_end == std::string::npos ? std::string_view(name) : std::string_view(name).substr(folder_end + 1);
    if (!extension.empty() && extension.find_first_of("*?") == std::string_view::npos &&
        last_part.find('.') == std::string_view::npos && (request.save || !is_file(name)))
        name += "." + std::string(extension);
    if ((request.flags & file_must_exist) && !is_file(name))
        return std::nullopt;
    // The folder must exist in either dialog.
    if (folder_end != std::string::npos && folder_end > 0 && name[folder_end] != ':') {
        auto folder = m_files.info(std::string_view(name).substr(0, folder_end));
        if (folder.code != fs_code::ok || (folder.value.attributes & directory_attribute) == 0)
            return std::nullopt;
    }
    return m_files.full_path(name);
}

std::optional<ShortString> ConsoleDialogs::folder_dialog(std::string_view title)
{
    write_prompt("[folder] " + box_line_text(title) + "\n");
    Reply reply = next_reply(ShortString::capacity);
    std::string name(trim_blanks(reply.text));
    if (reply.kind != Reply::Text || name.empty())
        return std::nullopt;
    auto found = m_files.info(name);
    if (found.code != fs_code::ok || (found.value.attributes & directory_attribute) == 0)
        return std::nullopt;
    auto path = m_files.full_path(name);
    if (!path || m_files.change_directory(name) != fs_code::ok)
        return std::nullopt;
    if (path->size() > 1 && (*path)[path->size() - 1] == '/')
        path->resize(path->size() - 1);
    return path;
}

} // namespace talven
