// Icons, the window icon and the mouse cursor: DRAWICON, DRAWEXTICON,
// DRAWFILEICON, DRAWSTDICON, @ICONCOUNT, SETICON, SETCURSOR, SETEXTCURSOR
// and SHOWMOUSE. The cursor table and the reports are here; the host loads
// and draws.
#include "window/icon_commands.h"

#include "core/runtime.h"
#include "dialogs/resource_argument.h"
#include "values/arguments.h"
#include "values/function_results.h"
#include "window/drawing.h"
#include "window/icon_file.h"
#include "window/main_window.h"

namespace talven {

std::optional<CursorChoice> cursor_of_number(std::int32_t n)
{
    switch (n) {
    case 11: return CursorChoice{"DRUCKER", 0};
    case 5:
    case 12: return CursorChoice{"SCHIEBEN", 0};
    case 13: return CursorChoice{"GROESSE", 0};
    case 14: n = 13; break;
    default: break;
    }
    // The system cursors' ids run on after a gap above the up arrow.
    std::int64_t id = std::int64_t{system_cursor_base} + n;
    if (id > system_cursor_base + 4)
        id += 123;
    if (id < system_cursor_base || id > system_cursor_last)
        return std::nullopt;
    return CursorChoice{{}, static_cast<std::uint32_t>(id)};
}

namespace {

PictureHost& pictures(Runtime& rt) { return rt.host.pictures(); }

void draw_icon(Runtime& rt, const IconSource& icon, std::int32_t x, std::int32_t y, std::string_view shown)
{
    if (pictures(rt).draw_icon(drawing_slots(rt), icon, x, y))
        return;
    if (icon.from == IconFrom::Standard)
        rt.warning(Msg::IconNumberRange);
    else
        rt.warning(Msg::IconMissing, shown);
}

// "resource, x, y": the icon of that name from where the source says.
void draw_named_icon(Runtime& rt, IconSource icon)
{
    FatalWatch watch(rt);
    icon.name = arg_resource_name(rt, ',');
    std::int32_t at[2];
    if (watch.reported() || !fetch_integers(rt, at, ", "))
        return;
    draw_icon(rt, icon, at[0], at[1], icon.name.name.view());
}

// DRAWICON resource, x, y: a named icon of the runtime.
void cmd_drawicon(Runtime& rt) { draw_named_icon(rt, IconSource{}); }

// DRAWEXTICON instance, resource, x, y: an icon of a module.
void cmd_drawexticon(Runtime& rt)
{
    auto instance = arg_long(rt, ',');
    if (!instance)
        return;
    IconSource icon;
    icon.from = IconFrom::Module;
    icon.module = static_cast<std::uint32_t>(*instance);
    draw_named_icon(rt, icon);
}

// DRAWFILEICON file, index, x, y: icon number index of a file.
void cmd_drawfileicon(Runtime& rt)
{
    auto file = arg_text(rt, ',');
    if (!file)
        return;
    auto index = arg_integer(rt, ',');
    if (!index)
        return;
    std::int32_t at[2];
    if (!fetch_integers(rt, at, ", "))
        return;
    IconSource icon;
    icon.from = IconFrom::File;
    icon.file = *file;
    icon.index = *index;
    // A damaged icon file never reaches the platform's reader.
    IconFileKind kind = read_icon_file(rt.host.files(), file->view());
    if (kind == IconFileKind::Damaged) {
        rt.warning(Msg::IconMissing, file->view());
        return;
    }
    icon.sound_icon_file = kind == IconFileKind::Icon;
    draw_icon(rt, icon, at[0], at[1], file->view());
}

// DRAWSTDICON n, x, y: the system icon n; only 0..4 are named, but any id
// the platform has is drawn.
void cmd_drawstdicon(Runtime& rt)
{
    auto n = arg_integer(rt, ',');
    if (!n)
        return;
    std::int32_t at[2];
    if (!fetch_integers(rt, at, ", "))
        return;
    IconSource icon;
    icon.from = IconFrom::Standard;
    const std::int64_t id = std::int64_t{system_icon_base} + *n;
    icon.system_id = id > 0 && id <= 0xFFFF ? static_cast<std::uint32_t>(id) : 0;
    draw_icon(rt, icon, at[0], at[1], {});
}

void fn_iconcount(Runtime& rt)
{
    auto file = arg_text(rt, ')');
    if (!file)
        return;
    // An icon file holds one icon, however many pictures of it.
    switch (read_icon_file(rt.host.files(), file->view())) {
    case IconFileKind::Icon: result_integer(rt, 1); break;
    case IconFileKind::Damaged: result_integer(rt, 0); break;
    case IconFileKind::NotIcon: result_integer(rt, pictures(rt).icon_count(file->view())); break;
    }
}

// SETICON resource: a named icon of the runtime becomes the window's.
void cmd_seticon(Runtime& rt)
{
    if (!window_required(rt))
        return;
    FatalWatch watch(rt);
    ResourceName name = arg_resource_name(rt, rest_of_text);
    if (watch.reported())
        return;
    if (!pictures(rt).set_window_icon(name))
        rt.warning(Msg::IconMissing, name.name.view());
}

void cmd_setcursor(Runtime& rt)
{
    auto n = arg_integer(rt, rest_of_text);
    if (!n)
        return;
    std::optional<CursorChoice> cursor = cursor_of_number(*n);
    if (!cursor) {
        rt.fatal(Msg::CursorNumberRange);
        return;
    }
    if (cursor->system_id != 0)
        pictures(rt).set_system_cursor(cursor->system_id);
    else
        pictures(rt).set_module_cursor(0, ResourceName{ShortString(cursor->name), 0});
}

// SETEXTCURSOR instance, resource: a cursor of a module.
void cmd_setextcursor(Runtime& rt)
{
    auto instance = arg_long(rt, ',');
    if (!instance)
        return;
    FatalWatch watch(rt);
    ResourceName name = arg_resource_name(rt, rest_of_text);
    if (watch.reported())
        return;
    pictures(rt).set_module_cursor(static_cast<std::uint32_t>(*instance), name);
}

void cmd_showmouse(Runtime& rt)
{
    if (auto n = arg_integer(rt, rest_of_text))
        pictures(rt).show_pointer(*n != 0);
}

constexpr CommandEntry commands[] = {
    {Tok::Drawicon, cmd_drawicon},
    {Tok::Drawexticon, cmd_drawexticon},
    {Tok::Drawfileicon, cmd_drawfileicon},
    {Tok::Drawstdicon, cmd_drawstdicon},
    {Tok::Seticon, cmd_seticon},
    {Tok::Setcursor, cmd_setcursor},
    {Tok::Setextcursor, cmd_setextcursor},
    {Tok::Showmouse, cmd_showmouse},
};

constexpr FunctionEntry functions[] = {
    {Fn::Iconcount, fn_iconcount},
};

} // namespace

std::span<const CommandEntry> icon_commands() { return commands; }
std::span<const FunctionEntry> icon_commands_functions() { return functions; }

} // namespace talven
