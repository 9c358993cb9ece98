// The menus of the main window: menu bar items, drop-down menus nested up to
// eleven deep, context menus, and changes to the items of the menu bar. The
// menus themselves live in the host; here are the current popup, the stack
// of parents and the errors.
#include "core/dispatch.h"
#include "core/loop.h"
#include "core/runtime.h"
#include "dialogs/resource_argument.h"
#include "values/arguments.h"
#include "window/main_window.h"

namespace talven {
namespace {

DialogHost& ui(Runtime& rt) { return rt.host.dialogs(); }

// Every failed append or insert is the same error.
void check_created(Runtime& rt, bool created)
{
    if (!created)
        rt.fatal(Msg::MenuCreationFailed);
}

// The menu bar, made (empty) when the window has none.
std::uint32_t menu_bar(Runtime& rt)
{
    ensure_window(rt);
    std::uint32_t bar = ui(rt).window_menu();
    if (bar == 0) {
        bar = ui(rt).create_menu();
        ui(rt).set_window_menu(bar);
    }
    return bar;
}

void cmd_menuitem(Runtime& rt)
{
    auto id = static_cast<std::uint32_t>(*arg_long(rt, ','));
    ShortString text = *arg_text(rt, rest_of_text);
    std::uint32_t bar = menu_bar(rt);
    check_created(rt, ui(rt).append_menu(bar, MenuItemKind::String, id, text.view()));
    ui(rt).draw_menu_bar();
}

void cmd_popup(Runtime& rt)
{
    ShortString text = *arg_text(rt, rest_of_text);
    std::uint32_t bar = menu_bar(rt);
    MenuState& m = rt.dialogs.menus;
    m.current_popup = ui(rt).create_menu();
    m.current_is_context = false;
    check_created(rt, ui(rt).append_menu(bar, MenuItemKind::Popup, m.current_popup, text.view()));
    ui(rt).draw_menu_bar();
}

// The parent is kept before the depth grows, so a refused SUBPOPUP
// leaves the stack as it was.
void cmd_subpopup(Runtime& rt)
{
    ShortString text = *arg_text(rt, rest_of_text);
    MenuState& m = rt.dialogs.menus;
    if (m.depth >= MenuState::max_depth) {
        rt.fatal(Msg::MenuTooDeep);
        return;
    }
    ++m.depth;
    auto at = static_cast<std::size_t>(m.depth);
    m.parents[at] = m.current_popup;
    m.parent_is_context[at] = m.current_is_context;
    m.current_popup = ui(rt).create_menu();
    m.current_is_context = false;
    check_created(rt, ui(rt).append_menu(m.parents[at], MenuItemKind::Popup, m.current_popup, text.view()));
}

void cmd_endsub(Runtime& rt)
{
    MenuState& m = rt.dialogs.menus;
    if (m.depth == 0) {
        rt.fatal(Msg::SubpopupMissing);
        return;
    }
    auto at = static_cast<std::size_t>(m.depth);
    m.current_popup = m.parents[at];
    m.current_is_context = m.parent_is_context[at];
    --m.depth;
}

void cmd_contextmenu(Runtime& rt)
{
    MenuState& m = rt.dialogs.menus;
    m.current_popup = ui(rt).create_popup_menu();
    m.current_is_context = true;
}

void cmd_appendmenu(Runtime& rt)
{
    auto id = static_cast<std::uint32_t>(*arg_long(rt, ','));
    ShortString text = *arg_text(rt, rest_of_text);
    check_created(rt, ui(rt).append_menu(rt.dialogs.menus.current_popup, MenuItemKind::String, id, text.view()));
}

void cmd_separator(Runtime& rt)
{
    check_created(rt, ui(rt).append_menu(rt.dialogs.menus.current_popup, MenuItemKind::Separator, 0, {}));
}

// A context menu is destroyed once shown, and the current popup with it; a
// popup of the menu bar stays where it hangs.
void cmd_trackmenu(Runtime& rt)
{
    std::int32_t x = *arg_integer(rt, ',');
    std::int32_t y = *arg_integer(rt, rest_of_text);
    MenuState& m = rt.dialogs.menus;
    ui(rt).track_popup_menu(m.current_popup, x, y);
    if (m.current_is_context) {
        ui(rt).destroy_menu(m.current_popup);
        m.current_popup = 0;
        m.current_is_context = false;
    }
    if (window_exists(rt))
        rt.host.repaint_main_window();
    pump(rt);
}

void cmd_insertmenu(Runtime& rt)
{
    auto before = static_cast<std::uint32_t>(*arg_long(rt, ','));
    auto id = static_cast<std::uint32_t>(*arg_long(rt, ','));
    ShortString text = *arg_text(rt, rest_of_text);
    std::uint32_t bar = ui(rt).window_menu();
    if (bar != 0)
        check_created(rt, ui(rt).insert_menu(bar, before, id, text.view()));
    ui(rt).draw_menu_bar();
}

// CHECKMENU, ENABLEMENU: an item of the menu bar by id, then n.
struct ItemSetting {
    std::uint32_t bar;
    std::uint32_t id;
    std::int32_t n;
};

ItemSetting arg_item_setting(Runtime& rt)
{
    ItemSetting s;
    s.id = static_cast<std::uint32_t>(*arg_long(rt, ','));
    s.n = *arg_long(rt, rest_of_text);
    s.bar = ui(rt).window_menu();
    return s;
}

void cmd_checkmenu(Runtime& rt)
{
    ItemSetting s = arg_item_setting(rt);
    if (s.bar != 0)
        ui(rt).check_menu_item(s.bar, s.id, s.n != 0);
    ui(rt).draw_menu_bar();
}

void cmd_enablemenu(Runtime& rt)
{
    ItemSetting s = arg_item_setting(rt);
    if (s.bar != 0)
        ui(rt).enable_menu_item(s.bar, s.id, static_cast<std::uint32_t>(s.n));
    ui(rt).draw_menu_bar();
}

void cmd_removemenu(Runtime& rt)
{
    auto id = static_cast<std::uint32_t>(*arg_long(rt, rest_of_text));
    std::uint32_t bar = ui(rt).window_menu();
    if (bar != 0)
        ui(rt).remove_menu(bar, id);
    ui(rt).draw_menu_bar();
}

void cmd_loadmenu(Runtime& rt)
{
    if (!window_required(rt))
        return;
    auto instance = static_cast<std::uint32_t>(*arg_long(rt, ','));
    FatalWatch watch(rt);
    ResourceName name = arg_resource_name(rt, rest_of_text);
    if (watch.reported())
        return;
    std::uint32_t menu = ui(rt).load_menu(instance, name);
    if (menu == 0) {
        rt.fatal(Msg::MenuNotLoadable, name.name.view());
        return;
    }
    ui(rt).set_window_menu(menu);
}

constexpr CommandEntry commands[] = {
    {Tok::Menuitem, cmd_menuitem},
    {Tok::Popup, cmd_popup},
    {Tok::Subpopup, cmd_subpopup},
    {Tok::Endsub, cmd_endsub},
    {Tok::Contextmenu, cmd_contextmenu},
    {Tok::Appendmenu, cmd_appendmenu},
    {Tok::Separator, cmd_separator},
    {Tok::Trackmenu, cmd_trackmenu},
    {Tok::Insertmenu, cmd_insertmenu},
    {Tok::Checkmenu, cmd_checkmenu},
    {Tok::Enablemenu, cmd_enablemenu},
    {Tok::Removemenu, cmd_removemenu},
    {Tok::Loadmenu, cmd_loadmenu},
};

} // namespace

std::span<const CommandEntry> menus_commands() { return commands; }

} // namespace talven
