// The console host's drawing: a log of the calls instead of pixels.
#include "host/console/console_drawing.h"

#include <cstdarg>
#include <algorithm>
#include <cstdlib>
#include <string>

#include "host/console/codepage.h"

namespace talven {
namespace {

std::string surface_name(const Surface& s)
{
    switch (s.kind) {
    case SurfaceKind::None: return "-";
    case SurfaceKind::Window: return "W";
    case SurfaceKind::Backing: return "B";
    case SurfaceKind::Memory: return "M";
    case SurfaceKind::Printer: return "P";
    case SurfaceKind::Foreign: break;
    }
    char text[24];
    std::snprintf(text, sizeof text, "F%llx", static_cast<unsigned long long>(s.dc));
    return text;
}

const char* shape_name(Shape kind)
{
    switch (kind) {
    case Shape::Rectangle: return "rectangle";
    case Shape::RoundRect: return "roundrect";
    case Shape::Ellipse: return "ellipse";
    case Shape::Pie: return "pie";
    case Shape::Arc: return "arc";
    case Shape::Chord: return "chord";
    }
    return "?";
}

const char* brush_name(BrushStyle style)
{
    switch (style) {
    case BrushStyle::Solid: return "solid";
    case BrushStyle::Hollow: return "hollow";
    case BrushStyle::Hatched: return "hatched";
    }
    return "?";
}

} // namespace

const char* copy_mode_name(CopyMode mode)
{
    switch (mode) {
    case CopyMode::Copy: return "copy";
    case CopyMode::And: return "and";
    case CopyMode::Paint: return "paint";
    case CopyMode::Invert: return "invert";
    case CopyMode::DestInvert: return "destinvert";
    case CopyMode::Transparent: return "transparent";
    }
    return "?";
}

ConsoleDrawing::ConsoleDrawing()
{
    const char* name = std::getenv("TALVEN_DRAW_LOG");
    if (name && *name)
        m_log = std::fopen(name, "w");
}

ConsoleDrawing::~ConsoleDrawing()
{
    if (m_log)
        std::fclose(m_log);
}

void ConsoleDrawing::log(const DrawSlots& slots, const char* format, ...)
{
    if (!m_log)
        return;
    std::fprintf(m_log, "%s,%s ", surface_name(slots.primary).c_str(), surface_name(slots.secondary).c_str());
    va_list args;
    va_start(args, format);
    std::vfprintf(m_log, format, args);
    va_end(args);
    std::fputc('\n', m_log);
    std::fflush(m_log);
}

std::uint64_t ConsoleDrawing::acquire_window_dc(std::uint32_t window)
{
    std::uint64_t dc = m_next_dc++;
    log({}, "getdc %d dc %llx", static_cast<int>(window), static_cast<unsigned long long>(dc));
    return dc;
}

void ConsoleDrawing::release_window_dc(std::uint32_t window, std::uint64_t dc)
{
    log({}, "releasedc %d dc %llx", static_cast<int>(window), static_cast<unsigned long long>(dc));
}

// The console has no client area to measure.
ClientSize ConsoleDrawing::client_size(std::uint32_t window) { return (void)window, ClientSize{}; }

void ConsoleDrawing::map_logical(const DrawSlots& slots, std::int32_t width, std::int32_t height, ClientSize viewport)
{
    log(slots, "screen %d,%d viewport %d,%d", width, height, viewport.width, viewport.height);
}

void ConsoleDrawing::replace_pen(const DrawSlots& slots, std::int32_t style, std::int32_t width, WinColor color)
{
    log(slots, "pen style %d width %d color %08X", style, width, color);
}

void ConsoleDrawing::replace_brush(const DrawSlots& slots, BrushStyle style, WinColor color, std::int32_t hatch)
{
    log(slots, "brush %s color %08X hatch %d", brush_name(style), color, hatch);
}

void ConsoleDrawing::replace_font(const DrawSlots& slots, const FontSpec& font)
{
    if (!m_log)
        return;
    log(slots, "font \"%s\" height %d width %d angle %d,%d weight %d italic %d underline %d charset %d",
        ansi_to_utf8(font.face.view()).c_str(), font.height, font.width, font.escapement, font.orientation,
        font.weight, font.italic ? 1 : 0, font.underline ? 1 : 0, font.charset);
}

void ConsoleDrawing::clear(const DrawSlots& slots, ClearBrush brush)
{
    log(slots, "clear %s", brush == ClearBrush::White ? "white" : "brush");
}

void ConsoleDrawing::text_colors(const DrawSlots& slots, WinColor foreground, WinColor background, bool transparent)
{
    log(slots, "textcolors %08X %08X %s", foreground, background, transparent ? "transparent" : "opaque");
}

void ConsoleDrawing::draw_text(const DrawSlots& slots, std::int32_t x, std::int32_t y, std::string_view text)
{
    if (!m_log)
        return;
    log(slots, "text %d,%d \"%s\"", x, y, ansi_to_utf8(text).c_str());
}

std::vector<ShortString> ConsoleDrawing::font_families(const DrawSlots& slots)
{
    log(slots, "listfonts");
    return {};
}

void ConsoleDrawing::set_pixel(const DrawSlots& slots, std::int32_t x, std::int32_t y, WinColor color)
{
    log(slots, "setpixel %d,%d %08X", x, y, color);
}

WinColor ConsoleDrawing::get_pixel(const DrawSlots& slots, std::int32_t x, std::int32_t y)
{
    log(slots, "getpixel %d,%d", x, y);
    return 0xFFFFFFFFu;
}

void ConsoleDrawing::flood_fill(const DrawSlots& slots, std::int32_t x, std::int32_t y, WinColor boundary)
{
    log(slots, "fill %d,%d %08X", x, y, boundary);
}

void ConsoleDrawing::line(const DrawSlots& slots, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2)
{
    log(slots, "line %d,%d %d,%d", x1, y1, x2, y2);
}

void ConsoleDrawing::line_to(const DrawSlots& slots, std::int32_t x, std::int32_t y)
{
    log(slots, "lineto %d,%d", x, y);
}

void ConsoleDrawing::move_to(const DrawSlots& slots, std::int32_t x, std::int32_t y)
{
    log(slots, "moveto %d,%d", x, y);
}

void ConsoleDrawing::shape(const DrawSlots& slots, Shape kind, const ShapeArgs& a)
{
    switch (kind) {
    case Shape::Rectangle:
    case Shape::Ellipse:
        log(slots, "%s %d,%d %d,%d", shape_name(kind), a.x1, a.y1, a.x2, a.y2);
        break;
    case Shape::RoundRect:
        log(slots, "%s %d,%d %d,%d %d,%d", shape_name(kind), a.x1, a.y1, a.x2, a.y2, a.x3, a.y3);
        break;
    default:
        log(slots, "%s %d,%d %d,%d %d,%d %d,%d", shape_name(kind), a.x1, a.y1, a.x2, a.y2, a.x3, a.y3, a.x4, a.y4);
    }
}

bool ConsoleDrawing::draw_picture(const DrawSlots& slots, const Dib& picture, std::int32_t x, std::int32_t y,
                                  std::int32_t width, std::int32_t height, bool stretch, CopyMode mode)
{
    log(slots, "picture %dx%dx%d at %d,%d size %d,%d %s %s", picture.width, picture.height, picture.bits, x, y, width,
        height, stretch ? "stretch" : "plain", copy_mode_name(mode));
    return true;
}

// The surface the console does not draw on reads as a white 24-bit picture.
std::optional<Dib> ConsoleDrawing::capture(const Surface& surface, std::int32_t x, std::int32_t y, std::int32_t width,
                                           std::int32_t height)
{
    log({surface, {}}, "capture %d,%d size %d,%d", x, y, width, height);
    if (surface.kind == SurfaceKind::None || width <= 0 || height <= 0)
        return std::nullopt;
    Dib dib = make_capture_dib(width, height, 24);
    const std::size_t row = static_cast<std::size_t>(bmp_row_size(24, static_cast<std::uint32_t>(width)));
    for (std::size_t r = 0; r < static_cast<std::size_t>(height); ++r)
        std::fill_n(dib.block.begin() + static_cast<std::ptrdiff_t>(r * row), std::size_t(width) * 3, 0xFF);
    return dib;
}

} // namespace talven
