// Typing into windows: a key string read with its small syntax (modifiers,
// groups, named keys with repeat counts), single virtual keys with the Alt
// latch, and the titles of the top-level windows into the element list.
// The host presses and releases the keys; which window receives them and
// in which order the modifiers go down and up is decided here.
#include <array>
#include <charconv>

#include "core/dispatch.h"
#include "core/loop.h"
#include "core/runtime.h"
#include "values/arguments.h"
#include "values/conversions.h"
#include "values/function_results.h"

namespace talven {
namespace {

DialogHost& ui(Runtime& rt) { return rt.host.dialogs(); }

namespace key {
constexpr std::uint8_t shift = 16;
constexpr std::uint8_t ctrl = 17;
constexpr std::uint8_t alt = 18;
constexpr std::uint8_t pause = 19;
} // namespace key

struct Modifiers {
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
};

struct KeyName {
    std::string_view name;
    std::uint8_t key;
};

constexpr KeyName key_names[] = {
    {"BS", 8},        {"BACKSPACE", 8},  {"BKSP", 8},       {"BREAK", 19},   {"CAPSLOCK", 20},
    {"CLEAR", 12},    {"DEL", 46},       {"DELETE", 46},    {"DOWN", 40},    {"END", 35},
    {"ENTER", 13},    {"ESC", 27},       {"ESCAPE", 27},    {"HELP", 47},    {"HOME", 36},
    {"INSERT", 45},   {"LEFT", 37},      {"NUMLOCK", 144},  {"PGDN", 34},    {"PGUP", 33},
    {"PRTSC", 44},    {"RIGHT", 39},     {"SCROLLLOCK", 145}, {"TAB", 9},    {"UP", 38},
};

std::optional<std::uint8_t> named_key(std::string_view name)
{
    for (const auto& entry : key_names)
        if (is_upper_ansi_equal(name, entry.name))
            return entry.key;
    // F1 .. F24
    if (name.size() >= 2 && name.size() <= 3 && upper_ansi(name[0]) == 'F') {
        int n = 0;
        auto [end, error] = std::from_chars(name.data() + 1, name.data() + name.size(), n);
        if (error == std::errc() && end == name.data() + name.size() && n >= 1 && n <= 24 && name[1] != '0')
            return static_cast<std::uint8_t>(111 + n);
    }
    return std::nullopt;
}

// The shift state the keyboard needs for a character adds to the modifiers
// the key string gave.
std::uint8_t key_of_character(Runtime& rt, char c, Modifiers& modifiers)
{
    auto scan = static_cast<std::uint16_t>(ui(rt).key_for_character(c));
    switch (scan >> 8) {
    case 1:
    case 3:
    case 4:
    case 5:
        modifiers.shift = true;
        break;
    case 6:
        modifiers.ctrl = modifiers.alt = true;
        break;
    case 7:
        modifiers.shift = modifiers.ctrl = modifiers.alt = true;
        break;
    default:
        break;
    }
    return static_cast<std::uint8_t>(scan & 0xFF);
}

// The focus window; without one, the last enabled edit control inside the
// active window, or the active window itself.
void activate_key_target(Runtime& rt)
{
    DialogHost& host = ui(rt);
    std::uint32_t target = host.focus_window();
    if (target == 0) {
        std::uint32_t active = host.active_window();
        std::uint32_t edit = host.last_edit_descendant(active);
        target = edit != 0 && host.window_enabled(edit) ? edit : active;
    }
    host.activate(target);
}

// The Alt press marks every event up to the Alt release with scan value 1.
void send_key(Runtime& rt, std::uint8_t virtual_key, Modifiers modifiers, std::int64_t count)
{
    DialogHost& host = ui(rt);
    for (std::int64_t n = 0; n < count && !rt.loop.stop; ++n) {
        activate_key_target(rt);
        std::uint8_t scan = modifiers.alt ? 1 : 0;
        if (modifiers.alt)
            host.key_event(key::alt, 1, false);
        if (modifiers.shift)
            host.key_event(key::shift, scan, false);
        if (modifiers.ctrl)
            host.key_event(key::ctrl, scan, false);
        host.key_event(virtual_key, scan, false);
        host.key_event(virtual_key, scan, true);
        if (modifiers.alt)
            host.key_event(key::alt, 1, true);
        if (modifiers.shift)
            host.key_event(key::shift, 0, true);
        if (modifiers.ctrl)
            host.key_event(key::ctrl, 0, true);
        pump(rt);
    }
}

// "{name}" or "{name count}". A count that is no decimal number sends the
// key once.
void send_named_key(Runtime& rt, std::string_view inside, Modifiers modifiers)
{
    std::string_view name = inside;
    std::int64_t count = 1;
    if (auto blank = inside.find(' '); blank != std::string_view::npos) {
        name = inside.substr(0, blank);
        std::string_view digits = inside.substr(blank + 1);
        std::int32_t n = 0;
        auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
        if (error == std::errc() && end == digits.data() + digits.size())
            count = n;
    }
    if (auto known = named_key(name)) {
        send_key(rt, *known, modifiers, count);
    } else if (!name.empty()) {
        std::uint8_t virtual_key = key_of_character(rt, name[0], modifiers);
        send_key(rt, virtual_key, modifiers, count);
    }
}

void send_key_string(Runtime& rt, std::string_view keys)
{
    Modifiers modifiers;
    bool group = false;
    bool after_modifier = false;
    for (std::size_t i = 0; i < keys.size() && !rt.loop.stop; ++i) {
        char c = keys[i];
        if (c == '%' || c == '+' || c == '^') {
            (c == '%' ? modifiers.alt : c == '+' ? modifiers.shift : modifiers.ctrl) = true;
            after_modifier = true;
            continue;
        }
        if (c == '(' && after_modifier) {
            group = true;
            after_modifier = false;
            continue;
        }
        after_modifier = false;
        if (c == ')' && group) {
            // The modifiers hold until the next key has gone.
            group = false;
            continue;
        }
        if (c == '{') {
            std::size_t close = keys.find('}', i + 1);
            if (close == std::string_view::npos)
                return;
            if (close + 1 < keys.size() && keys[close + 1] == '}')
                ++close;
            send_named_key(rt, keys.substr(i + 1, close - i - 1), modifiers);
            i = close;
        } else if (c == '~') {
            send_key(rt, key::pause, modifiers, 1);
        } else {
            Modifiers with_shift_state = modifiers;
            std::uint8_t virtual_key = key_of_character(rt, c, with_shift_state);
            send_key(rt, virtual_key, with_shift_state, 1);
        }
        if (!group)
            modifiers = Modifiers{};
    }
}

// A window that has the focus already is typed into as the focus window.
std::uint32_t key_window(Runtime& rt, std::int32_t window)
{
    auto handle = static_cast<std::uint32_t>(window);
    return handle == ui(rt).focus_window() ? 0 : handle;
}

void fn_sendkeys(Runtime& rt)
{
    std::uint32_t window = key_window(rt, *arg_long(rt, ','));
    ShortString keys = *arg_text(rt, ')');
    if (window != 0)
        ui(rt).activate(window);
    send_key_string(rt, keys.view());
    result_integer(rt, 1);
}

void fn_sendvkey(Runtime& rt)
{
    std::uint32_t window = key_window(rt, *arg_long(rt, ','));
    auto virtual_key = static_cast<std::uint8_t>(*arg_integer(rt, ')'));
    DialogHost& host = ui(rt);
    host.activate(window != 0 ? window : host.focus_window());
    if (virtual_key == key::alt) {
        rt.dialogs.alt_latch = true;
        host.key_event(key::alt, 0, false);
        host.key_event(key::alt, 0, true);
    } else {
        std::uint8_t scan = rt.dialogs.alt_latch ? 1 : 0;
        host.key_event(virtual_key, scan, false);
        host.key_event(virtual_key, scan, true);
        rt.dialogs.alt_latch = false;
    }
    pump(rt);
    result_integer(rt, 1);
}

// The titles that begin with the prefix, in any case, appended to what the
// element list holds; untitled windows are left out.
void cmd_listwindows(Runtime& rt)
{
    ShortString prefix = *arg_text(rt, ' ');
    for (const ShortString& title : ui(rt).top_level_titles()) {
        if (title.size() == 0 || title.size() < prefix.size() ||
            !is_upper_ansi_equal(title.view().substr(0, prefix.size()), prefix.view()))
            continue;
        if (static_cast<std::int32_t>(rt.elements.entries.size()) >= ElementList::capacity) {
            rt.fatal(Msg::TooManyElements);
            return;
        }
        rt.elements.entries.push_back(title);
    }
}

constexpr FunctionEntry functions[] = {
    {Fn::Sendkeys, fn_sendkeys},
    {Fn::Sendvkey, fn_sendvkey},
};

constexpr CommandEntry commands[] = {
    {Tok::Listwindows, cmd_listwindows},
};

} // namespace

std::span<const FunctionEntry> keyboard_simulation_functions() { return functions; }
std::span<const CommandEntry> keyboard_simulation_commands() { return commands; }

} // namespace talven
