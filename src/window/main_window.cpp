// The main window's commands: placement, style, showing, painting and the
// DDE client. The host does the platform part of each.
#include "window/main_window.h"

#include "core/runtime.h"
#include "values/arguments.h"
#include "window/printing.h"

namespace talven {

bool window_exists(Runtime& rt) { return rt.main_window.created && rt.host.main_window_alive(); }

void ensure_window(Runtime& rt)
{
    if (window_exists(rt))
        return;
    MainWindowState& mw = rt.main_window;
    Host::WindowSetup setup;
    setup.x = mw.x;
    setup.y = mw.y;
    setup.width = mw.width;
    setup.height = mw.height;
    setup.style = mw.style;
    setup.flags = mw.flags;
    setup.paint_mode = mw.paint_mode;
    setup.title = rt.window.title.view();
    bool again = mw.created;
    auto capacity = rt.host.create_main_window(setup);
    mw.created = true;
    if (!capacity)
        return;
    TextScreen& old = rt.screen;
    if (!again && capacity->columns == old.capacity_columns() && capacity->rows == old.capacity_rows())
        return;
    // A new window has a text screen of its display's size, blank; what the
    // program set (cursor, colours, font, text size) carries over.
    TextScreen fresh(capacity->columns, capacity->rows);
    fresh.set_logical_size(old.columns(), old.rows());
    fresh.attribute = old.attribute;
    fresh.font = old.font;
    TextCursor cursor = again ? TextCursor{} : old.cursor();
    rt.screen = std::move(fresh);
    rt.screen.set_cursor(rt.host, cursor.column, cursor.row);
}

bool window_required(Runtime& rt)
{
    if (window_exists(rt) || rt.main_window.paint_target)
        return true;
    rt.fatal(Msg::WindowRequired);
    return false;
}

namespace {

// x, y - width, height as WINDOW and SETWINDOWPOS take them; the last one
// ends at the given separator.
struct Placement {
    std::int32_t x, y, width, height;
};

std::optional<Placement> fetch_placement(Runtime& rt, char last_separator)
{
    auto x = arg_integer(rt, ',');
    if (!x)
        return std::nullopt;
    auto y = arg_integer(rt, '-');
    if (!y)
        return std::nullopt;
    auto width = arg_integer(rt, ',');
    if (!width)
        return std::nullopt;
    auto height = arg_integer(rt, last_separator);
    if (!height)
        return std::nullopt;
    Placement p{*x, *y, *width, *height};
    if (p.x < 0 || p.y < 0 || p.width < 0 || p.height < 0)
        rt.warning(Msg::NegativeWindowSize);
    return p;
}

void cmd_window(Runtime& rt)
{
    auto p = fetch_placement(rt, rest_of_text);
    if (!p)
        return;
    MainWindowState& mw = rt.main_window;
    mw.x = p->x;
    mw.y = p->y;
    mw.width = mw.print_width = p->width;
    mw.height = mw.print_height = p->height;
    bool existed = window_exists(rt);
    ensure_window(rt);
    // After the window exists, so that the text size is clamped to its
    // capacity and never to nothing.
    rt.screen.set_logical_size(p->width / 8, p->height / 15);
    bool fill = !existed && !(mw.flags & window_style::hollow_background);
    rt.host.place_main_window(p->x, p->y, p->width, p->height, fill);
}

void cmd_windowstyle(Runtime& rt)
{
    auto n = arg_integer(rt, rest_of_text);
    if (!n)
        return;
    MainWindowState& mw = rt.main_window;
    mw.style = static_cast<std::uint32_t>(*n & 0x0F) << 16;
    if (*n & window_style::popup)
        mw.style |= 0x80000000u;
    mw.flags = *n & 0x03F0;
}

void cmd_setwindowpos(Runtime& rt)
{
    auto window = arg_long(rt, '=');
    if (!window)
        return;
    auto p = fetch_placement(rt, ';');
    if (!p)
        return;
    std::int32_t after = 0;
    if (rt.fetch.separator == ';' && !rt.loop.args.empty()) {
        auto given = arg_long(rt, rest_of_text);
        if (!given)
            return;
        after = *given;
    }
    rt.host.set_window_position(static_cast<std::uint32_t>(*window), p->x, p->y, p->width, p->height,
                                static_cast<std::uint32_t>(after));
}

void show(Runtime& rt, Host::WindowShow how)
{
    if (window_exists(rt))
        rt.host.show_main_window(how);
}

void cmd_windowmax(Runtime& rt) { show(rt, Host::WindowShow::Maximized); }
void cmd_windowmin(Runtime& rt) { show(rt, Host::WindowShow::Minimized); }
void cmd_windownormal(Runtime& rt) { show(rt, Host::WindowShow::Normal); }

void cmd_paintmode(Runtime& rt)
{
    auto n = arg_integer(rt, rest_of_text);
    if (!n)
        return;
    if (*n < 0 || *n > 2)
        rt.warning(Msg::InvalidFunctionValue);
    // Stored as given: a mode above 0 repaints, as 1 or 2 do.
    rt.main_window.paint_mode = *n;
    rt.host.set_paint_mode(*n);
}

void cmd_repaint(Runtime& rt)
{
    if (refused_while_printing(rt, "REPAINT"))
        return;
    if (rt.main_window.paint_mode > 0 && window_exists(rt))
        rt.host.repaint_main_window();
}

void cmd_ddeinit(Runtime& rt)
{
    auto application = arg_text(rt, ',');
    if (!application)
        return;
    auto topic = arg_text(rt, rest_of_text);
    if (!topic)
        return;
    rt.host.dde_initiate(application->view(), topic->view());
}

void cmd_ddeexec(Runtime& rt)
{
    auto command = arg_text(rt, rest_of_text);
    if (!command)
        return;
    rt.host.dde_execute(command->view());
    if (rt.events.stop_requested)
        rt.end_program(exit_code::window_closed);
}

void cmd_ddeterm(Runtime& rt)
{
    rt.host.dde_terminate();
}

constexpr CommandEntry commands[] = {
    {Tok::Window, cmd_window},
    {Tok::Windowstyle, cmd_windowstyle},
    {Tok::Setwindowpos, cmd_setwindowpos},
    {Tok::Windowmax, cmd_windowmax},
    {Tok::Windowmin, cmd_windowmin},
    {Tok::Windownormal, cmd_windownormal},
    {Tok::Paintmode, cmd_paintmode},
    {Tok::Repaint, cmd_repaint},
    {Tok::Ddeinit, cmd_ddeinit},
    {Tok::Ddeexec, cmd_ddeexec},
    {Tok::Ddeterm, cmd_ddeterm},
};

} // namespace

std::span<const CommandEntry> main_window_commands() { return commands; }

} // namespace talven
