// The commands of the text screen: cursor, colours, font, clearing and
// frames of box characters.
#include "core/dispatch.h"
#include "core/runtime.h"
#include "window/main_window.h"
#include "values/arguments.h"
#include "window/drawing.h"
#include "window/printing.h"

namespace talven {
namespace {

// LOCATE row, column (1-based, clamped to the logical size).
void cmd_locate(Runtime& rt)
{
    auto row = arg_integer(rt, ',');
    if (!row)
        return;
    auto column = arg_integer(rt, rest_of_text);
    if (!column)
        return;
    rt.screen.set_cursor(rt.host, std::int64_t{*column} - 1, std::int64_t{*row} - 1);
}

// COLOR foreground, background: palette indexes, taken AND 15.
void cmd_color(Runtime& rt)
{
    if (refused_while_printing(rt, "COLOR"))
        return;
    auto foreground = arg_integer(rt, ',');
    if (!foreground)
        return;
    auto background = arg_integer(rt, rest_of_text);
    if (!background)
        return;
    rt.screen.set_foreground(*foreground);
    rt.screen.set_background(*background);
}

void cmd_font(Runtime& rt)
{
    if (refused_while_printing(rt, "FONT"))
        return;
    if (auto n = arg_integer(rt, rest_of_text))
        rt.screen.set_font(*n);
}

// CLS [colour]: blanks the text screen, then fills the drawing surface with
// a solid brush of the colour, or with white.
void cmd_cls(Runtime& rt)
{
    if (refused_while_printing(rt, "CLS"))
        return;
    std::optional<std::int32_t> color;
    if (arguments_left(rt)) {
        auto given = arg_long(rt, rest_of_text);
        if (!given)
            return;
        color = *given;
    }
    ensure_window(rt);
    rt.screen.clear(rt.host);
    clear_drawing(rt, color);
}

// TBOX row1, column1 - row2, column2; style. The characters are stored in
// the cells, so the host shows them like any other text.
void cmd_tbox(Runtime& rt)
{
    if (refused_while_printing(rt, "TBOX"))
        return;
    auto row1 = arg_integer(rt, ',');
    if (!row1)
        return;
    auto column1 = arg_integer(rt, '-');
    if (!column1)
        return;
    auto row2 = arg_integer(rt, ',');
    if (!row2)
        return;
    auto column2 = arg_integer(rt, ';');
    if (!column2)
        return;
    auto style = arg_integer(rt, rest_of_text);
    if (!style)
        return;
    ensure_window(rt);
    if (!rt.screen.box(rt.host, *row1, *column1, *row2, *column2, *style))
        rt.fatal(Msg::BoxOutsideWindow);
}

constexpr CommandEntry commands[] = {
    {Tok::Locate, cmd_locate},
    {Tok::Color, cmd_color},
    {Tok::Font, cmd_font},
    {Tok::Cls, cmd_cls},
    {Tok::Tbox, cmd_tbox},
};

} // namespace

std::span<const CommandEntry> screen_commands() { return commands; }

} // namespace talven
