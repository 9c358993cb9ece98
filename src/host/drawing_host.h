// The drawing operations a host offers. Each takes evaluated arguments
// (colours already as 0x00BBGGRR, coordinates already scaled) and does one
// platform thing on the surfaces the core names: the first slot, then the
// second unless it is none. Which surfaces those are, and every check before
// a call, is the core's business.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "core/short_string.h"
#include "window/bmp.h"

namespace talven {

// A surface by role. The window, backing and memory surfaces are looked up
// when drawn on, so a slot never outlives what it names; a foreign surface
// carries the device context the host handed out for another window.
enum class SurfaceKind : std::uint8_t { None, Window, Backing, Memory, Foreign, Printer };

struct Surface {
    SurfaceKind kind = SurfaceKind::None;
    std::uint64_t dc = 0;  // Foreign and Printer only
    friend bool operator==(const Surface&, const Surface&) = default;
};

struct DrawSlots {
    Surface primary;
    Surface secondary;
};

using WinColor = std::uint32_t;  // 0x00BBGGRR

struct FontSpec {
    ShortString face;
    std::int32_t height = 0;
    std::int32_t width = 0;
    std::int32_t escapement = 0;
    std::int32_t orientation = 0;
    std::int32_t weight = 400;
    bool italic = false;
    bool underline = false;
    std::uint8_t charset = 0;
};

// Brush styles as the platform numbers them.
enum class BrushStyle : std::uint32_t { Solid = 0, Hollow = 1, Hatched = 2 };

enum class Shape : std::uint8_t { Rectangle, RoundRect, Ellipse, Pie, Arc, Chord };

// Bounding rectangle, then the corner size (RoundRect) or the start and end
// points of the radials (Pie, Arc, Chord).
struct ShapeArgs {
    std::int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    std::int32_t x3 = 0, y3 = 0, x4 = 0, y4 = 0;
};

// How a picture is put onto the surface: a raster operation, or the
// transparent copy keyed on the picture's own colour.
enum class CopyMode : std::uint8_t { Copy, And, Paint, Invert, DestInvert, Transparent };

struct ClientSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
};

class DrawingHost {
public:
    virtual ~DrawingHost() = default;

    // A device context for another window (0 when there is none), and its
    // release. The main window's handle, for telling it apart.
    virtual std::uint64_t acquire_window_dc(std::uint32_t window) { return (void)window, 0; }
    virtual void release_window_dc(std::uint32_t window, std::uint64_t dc) { (void)window, (void)dc; }
    virtual std::uint32_t main_window_handle() { return 0; }
    // The handle a program sees for a surface's device context, and for the
    // current font (0 when there is none).
    virtual std::uint32_t surface_handle(const Surface& surface) { return (void)surface, 0; }
    virtual std::uint32_t font_handle() { return 0; }
    // The client size of a window (0: the main window).
    virtual ClientSize client_size(std::uint32_t window) { return (void)window, ClientSize{}; }

    // Logical coordinates 0..width, 0..height spanning a viewport.
    virtual void map_logical(const DrawSlots& slots, std::int32_t width, std::int32_t height, ClientSize viewport)
    {
        (void)slots, (void)width, (void)height, (void)viewport;
    }

    // Current objects: the old one is selected out and deleted, the new one
    // created and selected into both slots.
    virtual void replace_pen(const DrawSlots& slots, std::int32_t style, std::int32_t width, WinColor color)
    {
        (void)slots, (void)style, (void)width, (void)color;
    }
    virtual void replace_brush(const DrawSlots& slots, BrushStyle style, WinColor color, std::int32_t hatch)
    {
        (void)slots, (void)style, (void)color, (void)hatch;
    }
    virtual void replace_font(const DrawSlots& slots, const FontSpec& font) { (void)slots, (void)font; }

    // Fills the whole screen-sized area with the current brush, or first
    // selects the white stock brush into both slots (CLS).
    enum class ClearBrush : bool { Current, White };
    virtual void clear(const DrawSlots& slots, ClearBrush brush) { (void)slots, (void)brush; }

    virtual void text_colors(const DrawSlots& slots, WinColor foreground, WinColor background, bool transparent)
    {
        (void)slots, (void)foreground, (void)background, (void)transparent;
    }
    virtual void draw_text(const DrawSlots& slots, std::int32_t x, std::int32_t y, std::string_view text)
    {
        (void)slots, (void)x, (void)y, (void)text;
    }
    // The font family names the first slot knows.
    virtual std::vector<ShortString> font_families(const DrawSlots& slots) { return (void)slots, std::vector<ShortString>{}; }

    virtual void set_pixel(const DrawSlots& slots, std::int32_t x, std::int32_t y, WinColor color)
    {
        (void)slots, (void)x, (void)y, (void)color;
    }
    // The colour of a pixel of the first slot; 0xFFFFFFFF when it has none.
    virtual WinColor get_pixel(const DrawSlots& slots, std::int32_t x, std::int32_t y)
    {
        return (void)slots, (void)x, (void)y, 0xFFFFFFFFu;
    }
    // Fills with the current brush up to the boundary colour.
    virtual void flood_fill(const DrawSlots& slots, std::int32_t x, std::int32_t y, WinColor boundary)
    {
        (void)slots, (void)x, (void)y, (void)boundary;
    }
    virtual void line(const DrawSlots& slots, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2)
    {
        (void)slots, (void)x1, (void)y1, (void)x2, (void)y2;
    }
    virtual void line_to(const DrawSlots& slots, std::int32_t x, std::int32_t y) { (void)slots, (void)x, (void)y; }
    virtual void move_to(const DrawSlots& slots, std::int32_t x, std::int32_t y) { (void)slots, (void)x, (void)y; }
    virtual void shape(const DrawSlots& slots, Shape kind, const ShapeArgs& args) { (void)slots, (void)kind, (void)args; }

    // A picture at x, y, stretched to width x height when stretch is set.
    // The transparent copy and the stretch go to the first slot and are
    // copied to the second. False when the picture cannot become a bitmap.
    virtual bool draw_picture(const DrawSlots& slots, const Dib& picture, std::int32_t x, std::int32_t y,
                              std::int32_t width, std::int32_t height, bool stretch, CopyMode mode)
    {
        (void)slots, (void)picture, (void)x, (void)y, (void)width, (void)height, (void)stretch, (void)mode;
        return true;
    }
    // A rectangle of a surface as a picture in the depth the BMP writer
    // uses for it (bmp_bits_for_depth); nothing when it cannot be read.
    virtual std::optional<Dib> capture(const Surface& surface, std::int32_t x, std::int32_t y, std::int32_t width,
                                       std::int32_t height)
    {
        (void)surface, (void)x, (void)y, (void)width, (void)height;
        return std::nullopt;
    }
};

// The host of a runtime without drawing: accepts every call, draws nothing.
inline DrawingHost& no_drawing()
{
    static DrawingHost none;
    return none;
}

} // namespace talven
