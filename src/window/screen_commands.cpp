// The commands of the text screen: cursor, colours, font, clearing and
// frames of box characters.
#include "core/dispatch.h"
#include "core/runtime.h"
#include "window/main_window.h"
#include "data/file_arguments.h"
#include "values/fetch.h"
#include "window/drawing.h"

namespace talven {
namespace {

// LOCATE row, column (1-based, clamped to the logical size).
void cmd_locate(Runtime& rt)
{
    rt.loop.handled = true;
    auto row = fetch_integer(rt, ',');
    if (!row)
        return;
    auto column = fetch_integer(rt, rest_of_text);
    if (!column)
        return;
    rt.screen.set_cursor(rt.host, std::int64_t{*column} - 1, std::int64_t{*row} - 1);
}

// COLOR foreground, background: palette indexes, taken AND 15.
void cmd_color(Runtime& rt)
{
    rt.loop.handled = true;
    auto foreground = fetch_integer(rt, ',');
    if (!foreground)
        return;
    auto background = fetch_integer(rt, rest_of_text);
    if (!background)
        return;
    rt.screen.set_foreground(*foreground);
    rt.screen.set_background(*background);
}

void cmd_font(Runtime& rt)
{
    rt.loop.handled = true;
    if (auto n = fetch_integer(rt, rest_of_text))
        rt.screen.set_font(*n);
}

// CLS [colour]: blanks the text screen, then fills the drawing surface with
// a solid brush of the colour, or with white.
void cmd_cls(Runtime& rt)
{
    rt.loop.handled = true;
    std::optional<std::int32_t> color;
    if (!rt.loop.args.empty() && !(color = fetch_long(rt, rest_of_text)))
        return;
    ensure_window(rt);
    rt.screen.clear(rt.host);
    clear_drawing(rt, color);
}

// TBOX row1, column1 - row2, column2; style. The characters are stored in
// the cells, so the host shows them like any other text.
void cmd_tbox(Runtime& rt)
{
    rt.loop.handled = true;
    auto row1 = fetch_integer(rt, ',');
    if (!row1)
        return;
    auto column1 = fetch_integer(rt, '-');
    if (!column1)
        return;
    auto row2 = fetch_integer(rt, ',');
    if (!row2)
        return;
    auto column2 = fetch_integer(rt, ';');
    if (!column2)
        return;
    auto style = fetch_integer(rt, rest_of_text);
    if (!style)
        return;
    ensure_window(rt);
    if (!rt.screen.box(rt.host, *row1, *column1, *row2, *column2, *style))
        rt.fatal(Msg::BoxOutsideWindow);
}

constexpr CommandEntry commands[] = {
    {Tok::Locate, "LOCATE", cmd_locate},
    {Tok::Color, "COLOR", cmd_color},
    {Tok::Font, "FONT", cmd_font},
    {Tok::Cls, "CLS", cmd_cls},
    {Tok::Tbox, "TBOX", cmd_tbox},
};

} // namespace

std::span<const CommandEntry> screen_commands() { return commands; }

} // namespace talven
