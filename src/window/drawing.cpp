// The drawing commands: checks, argument order, the colour rule, the
// drawing-target switch and the print-job scaling. The host draws.
#include "window/drawing.h"

#include "core/loop.h"
#include "core/runtime.h"
#include "values/arguments.h"
#include "values/function_results.h"
#include "window/main_window.h"
#include "window/printing.h"

namespace talven {

WinColor color_rule(std::int32_t value, bool true_color)
{
    if (true_color)
        return static_cast<WinColor>(value);
    // Division truncates toward zero; out-of-range numbers keep whatever
    // bits the sum gives, as they always have.
    auto scale = [](std::int64_t c) { return c * 8 > 0 ? c * 8 + 7 : c * 8; };
    std::int64_t blue = value / 1024;
    std::int64_t green = (value % 1024) / 32;
    std::int64_t red = value % 32;
    return static_cast<WinColor>(scale(red) + scale(green) * 256 + scale(blue) * 65536);
}

std::int32_t reverse_color_rule(WinColor color)
{
    std::uint32_t r = color & 0xFFu, g = (color >> 8) & 0xFFu, b = (color >> 16) & 0xFFu;
    return static_cast<std::int32_t>(r / 8 + g / 8 * 32 + b / 8 * 1024);
}

DrawSlots drawing_slots(Runtime& rt, PrintOnce once)
{
    const DrawSettings& d = rt.draw;
    if (d.print_job_open)
        return {d.printer, once == PrintOnce::Yes ? Surface{} : d.printer};
    if (d.redirected)
        return {d.paint_surface, d.paint_surface};
    if (!window_exists(rt))
        return {};
    return {{SurfaceKind::Window}, {SurfaceKind::Backing}};
}

namespace {

bool no_slot(const DrawSlots& s) { return s.primary.kind == SurfaceKind::None && s.secondary.kind == SurfaceKind::None; }

// Coordinates and sizes during a print job are in tenths of the printer's
// units; the product wraps like the 32-bit arithmetic it always was.

WinColor color_of(const Runtime& rt, std::int32_t value) { return color_rule(value, rt.draw.true_color); }


void cmd_truecolor(Runtime& rt)
{
    if (auto n = arg_integer(rt, rest_of_text))
        rt.draw.true_color = *n != 0;
}

void cmd_screen(Runtime& rt)
{
    if (!window_required(rt))
        return;
    std::int32_t a[2];
    if (!fetch_integers(rt, a, ", "))
        return;
    if (refused_while_printing(rt, "SCREEN"))
        return;
    DrawingHost& host = rt.host.drawing();
    std::uint32_t of = rt.draw.paint_active ? static_cast<std::uint32_t>(rt.draw.paint_window) : 0;
    DrawSlots slots = drawing_slots(rt);
    if (!no_slot(slots))
        host.map_logical(slots, a[0], a[1], host.client_size(of));
}

void cmd_startpaint(Runtime& rt)
{
    auto window = arg_long(rt, rest_of_text);
    if (!window)
        return;
    DrawSettings& d = rt.draw;
    if (refused_while_printing(rt, "STARTPAINT"))
        return;
    if (d.paint_active) {
        rt.fatal(Msg::ForbiddenWhilePainting, "STARTPAINT");
        return;
    }
    DrawingHost& host = rt.host.drawing();
    if (static_cast<std::uint32_t>(*window) != host.main_window_handle()) {
        // Any other value is accepted: a window without a DC draws nothing.
        if (*window == -1)
            d.paint_surface = Surface{SurfaceKind::Memory};
        else
            d.paint_surface = Surface{SurfaceKind::Foreign, host.acquire_window_dc(static_cast<std::uint32_t>(*window))};
        d.redirected = true;
    }
    d.paint_window = *window;
    d.paint_active = true;
    rt.main_window.paint_target = true;
}

void cmd_endpaint(Runtime& rt)
{
    DrawSettings& d = rt.draw;
    if (!d.paint_active) {
        rt.fatal(Msg::StartpaintMissing);
        return;
    }
    if (d.redirected) {
        // The memory bitmap's DC belongs to the memory bitmap and stays.
        if (d.paint_window != -1 && d.paint_surface.dc != 0)
            rt.host.drawing().release_window_dc(static_cast<std::uint32_t>(d.paint_window), d.paint_surface.dc);
        d.paint_surface = {};
        d.redirected = false;
    }
    d.paint_active = false;
    rt.main_window.paint_target = false;
    // The window catches up on what it missed; the pump may end the program.
    pump(rt);
}

void cmd_pen(Runtime& rt)
{
    if (!window_required(rt))
        return;
    std::int32_t a[2];
    if (!fetch_integers(rt, a, ",,"))
        return;
    auto color = arg_long(rt, rest_of_text);
    if (!color)
        return;
    auto [style, width] = a;
    // A dashed or dotted pen must stay 1 wide on the printer to keep its style.
    if (width > 1 || style == 0)
        width = print_scale(rt, width);
    rt.host.drawing().replace_pen(drawing_slots(rt), style, width, color_of(rt, *color));
}

void set_brush(Runtime& rt, std::int32_t style, std::int32_t color)
{
    BrushRecord& b = rt.draw.brush;
    if (style == 0) {
        b.style = BrushStyle::Hollow;
    } else if (style == 1) {
        b.style = BrushStyle::Solid;
    } else if (style >= 2) {
        b.style = BrushStyle::Hatched;
        b.hatch = style - 2;
    }
    b.color = color_of(rt, color);
    rt.host.drawing().replace_brush(drawing_slots(rt), b.style, b.color, b.hatch);
}

void cmd_brush(Runtime& rt)
{
    if (!window_required(rt))
        return;
    auto style = arg_integer(rt, ',');
    if (!style)
        return;
    auto color = arg_long(rt, rest_of_text);
    if (!color)
        return;
    set_brush(rt, *style, *color);
}

void cmd_textfont(Runtime& rt)
{
    if (!window_required(rt))
        return;
    auto face = arg_text(rt, ',');
    if (!face)
        return;
    std::int32_t a[5];
    if (!fetch_integers(rt, a, ",,,, "))
        return;
    FontSpec font;
    font.face = *face;
    font.height = print_scale(rt, a[0]);
    font.width = print_scale(rt, a[1]);
    font.escapement = rt.fonts.escapement;
    font.orientation = rt.fonts.orientation;
    font.weight = a[2] != 0 ? 700 : 400;
    font.italic = a[3] != 0;
    font.underline = a[4] != 0;
    font.charset = rt.draw.font_charset;
    rt.host.drawing().replace_font(drawing_slots(rt), font);
}

void cmd_fontcharset(Runtime& rt)
{
    auto n = arg_integer(rt, rest_of_text);
    if (!n)
        return;
    constexpr std::uint8_t charsets[] = {0, 255, 2};  // ANSI, OEM, symbol
    if (*n >= 0 && *n <= 2)
        rt.draw.font_charset = charsets[*n];
}

void cmd_textcolors(Runtime& rt)
{
    auto foreground = arg_long(rt, ',');
    if (!foreground)
        return;
    auto background = arg_long(rt, rest_of_text);
    if (!background)
        return;
    DrawSlots slots = drawing_slots(rt);
    if (!no_slot(slots))
        rt.host.drawing().text_colors(slots, color_of(rt, *foreground), color_of(rt, *background),
                                      *background == -1);
}

void cmd_drawtext(Runtime& rt)
{
    if (!window_required(rt))
        return;
    std::int32_t a[2];
    if (!fetch_integers(rt, a, ",,"))
        return;
    auto text = arg_text(rt, rest_of_text);
    if (!text)
        return;
    DrawSlots slots = drawing_slots(rt, PrintOnce::Yes);
    if (!no_slot(slots))
        rt.host.drawing().draw_text(slots, print_scale(rt, a[0]), print_scale(rt, a[1]), text->view());
}

void cmd_listfonts(Runtime& rt)
{
    DrawSlots slots = drawing_slots(rt);
    if (no_slot(slots))
        return;
    for (const ShortString& face : rt.host.drawing().font_families(slots)) {
        if (static_cast<std::int32_t>(rt.elements.entries.size()) >= ElementList::capacity) {
            rt.fatal(Msg::TooManyElements);
            return;
        }
        rt.elements.entries.push_back(face);
    }
}

using PixelOperation = void (DrawingHost::*)(const DrawSlots&, std::int32_t, std::int32_t, WinColor);

void pixel_command(Runtime& rt, PixelOperation operation)
{
    if (!window_required(rt))
        return;
    std::int32_t a[2];
    if (!fetch_integers(rt, a, ",,"))
        return;
    auto color = arg_long(rt, rest_of_text);
    if (!color)
        return;
    DrawSlots slots = drawing_slots(rt, PrintOnce::Yes);
    if (!no_slot(slots))
        (rt.host.drawing().*operation)(slots, print_scale(rt, a[0]), print_scale(rt, a[1]), color_of(rt, *color));
}

void cmd_setpixel(Runtime& rt) { pixel_command(rt, &DrawingHost::set_pixel); }
void cmd_fill(Runtime& rt) { pixel_command(rt, &DrawingHost::flood_fill); }

// The line and shape commands make no window check: without a window they
// draw nothing.
void cmd_line(Runtime& rt)
{
    std::int32_t a[4];
    if (!fetch_integers(rt, a, ",-, "))
        return;
    for (auto& v : a)
        v = print_scale(rt, v);
    DrawSlots slots = drawing_slots(rt);
    if (!no_slot(slots))
        rt.host.drawing().line(slots, a[0], a[1], a[2], a[3]);
}

using PointOperation = void (DrawingHost::*)(const DrawSlots&, std::int32_t, std::int32_t);

void point_command(Runtime& rt, PointOperation operation)
{
    std::int32_t a[2];
    if (!fetch_integers(rt, a, ", "))
        return;
    DrawSlots slots = drawing_slots(rt);
    if (!no_slot(slots))
        (rt.host.drawing().*operation)(slots, print_scale(rt, a[0]), print_scale(rt, a[1]));
}

void cmd_lineto(Runtime& rt) { point_command(rt, &DrawingHost::line_to); }
void cmd_moveto(Runtime& rt) { point_command(rt, &DrawingHost::move_to); }

template <std::size_t N>
void shape_command(Runtime& rt, Shape kind, const char (&separators)[N + 1])
{
    std::int32_t a[N];
    if (!fetch_integers(rt, a, separators))
        return;
    std::int32_t all[8] = {};
    for (std::size_t i = 0; i < N; ++i)
        all[i] = print_scale(rt, a[i]);
    DrawSlots slots = drawing_slots(rt);
    if (!no_slot(slots))
        rt.host.drawing().shape(
            slots, kind, ShapeArgs{all[0], all[1], all[2], all[3], all[4], all[5], all[6], all[7]});
}

void cmd_rectangle(Runtime& rt) { shape_command<4>(rt, Shape::Rectangle, ",-, "); }
void cmd_ellipse(Runtime& rt) { shape_command<4>(rt, Shape::Ellipse, ",-, "); }
void cmd_roundrect(Runtime& rt) { shape_command<6>(rt, Shape::RoundRect, ",-,;, "); }
void cmd_pie(Runtime& rt) { shape_command<8>(rt, Shape::Pie, ",-,;,;, "); }
void cmd_arc(Runtime& rt) { shape_command<8>(rt, Shape::Arc, ",-,;,;, "); }
void cmd_chord(Runtime& rt) { shape_command<8>(rt, Shape::Chord, ",-,;,;, "); }

// @GETPIXEL(x, y): the window's pixel, not the backing bitmap's.
void fn_getpixel(Runtime& rt)
{
    auto x = arg_integer(rt, ',');
    if (!x)
        return;
    auto y = arg_integer(rt, ')');
    if (!y)
        return;
    WinColor c = rt.host.drawing().get_pixel(drawing_slots(rt), *x, *y);
    result_long(rt, rt.draw.true_color ? static_cast<std::int32_t>(c) : reverse_color_rule(c));
}

constexpr CommandEntry commands[] = {
    {Tok::Screen, cmd_screen},
    {Tok::Endpaint, cmd_endpaint},
    {Tok::Startpaint, cmd_startpaint},
    {Tok::Truecolor, cmd_truecolor},
    {Tok::Listfonts, cmd_listfonts},
    {Tok::Drawtext, cmd_drawtext},
    {Tok::Textfont, cmd_textfont},
    {Tok::Fontcharset, cmd_fontcharset},
    {Tok::Brush, cmd_brush},
    {Tok::Pen, cmd_pen},
    {Tok::Setpixel, cmd_setpixel},
    {Tok::Fill, cmd_fill},
    {Tok::Line, cmd_line},
    {Tok::Lineto, cmd_lineto},
    {Tok::Moveto, cmd_moveto},
    {Tok::Rectangle, cmd_rectangle},
    {Tok::Roundrect, cmd_roundrect},
    {Tok::Pie, cmd_pie},
    {Tok::Arc, cmd_arc},
    {Tok::Chord, cmd_chord},
    {Tok::Ellipse, cmd_ellipse},
    {Tok::Textcolors, cmd_textcolors},
};

constexpr FunctionEntry functions[] = {
    {Fn::Getpixel, fn_getpixel},
};

// 2 to the power of the bits per pixel of the last BMP file read.
void sys_bmpcolors(Runtime& rt) { rt.value.long_integer = rt.draw.last_bmp_colors; }

// The device context drawing goes to first, and the backing one.
void sys_hdc(Runtime& rt)
{
    rt.value.integer = static_cast<std::int32_t>(rt.host.drawing().surface_handle(drawing_slots(rt).primary));
}
void sys_hdc2(Runtime& rt)
{
    rt.value.integer = static_cast<std::int32_t>(rt.host.drawing().surface_handle({SurfaceKind::Backing}));
}
void sys_fonthandle(Runtime& rt) { rt.value.integer = static_cast<std::int32_t>(rt.host.drawing().font_handle()); }
void sys_bmpwidth(Runtime& rt) { rt.value.integer = rt.draw.last_bitmap_width; }
void sys_bmpheight(Runtime& rt) { rt.value.integer = rt.draw.last_bitmap_height; }

constexpr SysVarEntry sysvars[] = {
    {SysVar::Hdc, sys_hdc},
    {SysVar::Hdc2, sys_hdc2},
    {SysVar::Fonthandle, sys_fonthandle},
    {SysVar::Bmpwidth, sys_bmpwidth},
    {SysVar::Bmpheight, sys_bmpheight},
    {SysVar::Bmpcolors, sys_bmpcolors},
};

} // namespace

std::int32_t print_scale(const Runtime& rt, std::int32_t v)
{
    if (!rt.draw.print_job_open)
        return v;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(v) * 10u);
}

bool fetch_integers(Runtime& rt, std::span<std::int32_t> out, std::string_view separators)
{
    for (std::size_t i = 0; i < out.size(); ++i) {
        auto v = arg_integer(rt, separators[i]);
        if (!v)
            return false;
        out[i] = *v;
    }
    return true;
}

// The brush record stays: it belongs to BRUSH.
void clear_drawing(Runtime& rt, std::optional<std::int32_t> color)
{
    DrawSlots slots = drawing_slots(rt);
    if (no_slot(slots))
        return;
    DrawingHost& host = rt.host.drawing();
    if (color)
        host.replace_brush(slots, BrushStyle::Solid, color_of(rt, *color), 0);
    host.clear(slots, color ? DrawingHost::ClearBrush::Current : DrawingHost::ClearBrush::White);
}

std::span<const CommandEntry> drawing_commands() { return commands; }
std::span<const FunctionEntry> drawing_functions() { return functions; }
std::span<const SysVarEntry> drawing_sysvars() { return sysvars; }

} // namespace talven
