// The GDI side of drawing: one platform operation per call, applied to the
// first slot and then to the second.
#include "host/win32/win32_drawing.h"

#include <string>

#include "host/win32/win32_gdi.h"
#include "host/win32/win32_handles.h"
#include "host/win32/win32_host.h"

namespace talven {
namespace {


int CALLBACK collect_family(const LOGFONTA* font, const TEXTMETRICA*, DWORD, LPARAM list)
{
    reinterpret_cast<std::vector<ShortString>*>(list)->push_back(ShortString(font->lfFaceName));
    return 1;
}

} // namespace

Win32Drawing::~Win32Drawing()
{
    for (Current* c : {&m_pen, &m_brush, &m_font})
        if (c->object)
            DeleteObject(c->object);
}

HDC Win32Drawing::dc_of(const Surface& surface) const
{
    switch (surface.kind) {
    case SurfaceKind::None: return nullptr;
    case SurfaceKind::Window: return m_host.window_dc();
    case SurfaceKind::Backing: return m_host.backing_dc();
    case SurfaceKind::Memory: return m_memory_dc;
    case SurfaceKind::Foreign:
    case SurfaceKind::Printer: break;
    }
    return reinterpret_cast<HDC>(static_cast<std::uintptr_t>(surface.dc));
}

// GDI handles are 32-bit significant, also in the 64-bit build.
std::uint32_t Win32Drawing::surface_handle(const Surface& surface)
{
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(dc_of(surface)));
}

std::uint32_t Win32Drawing::font_handle()
{
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(m_font.object));
}

template <class F>
void Win32Drawing::on_both(const DrawSlots& slots, F&& draw)
{
    if (HDC first = dc_of(slots.primary))
        draw(first);
    if (HDC second = dc_of(slots.secondary))
        draw(second);
}

// Selects the first slot's original object back into both DCs before the
// old current object is deleted, so nothing is deleted while selected.
void Win32Drawing::replace(Current& current, const DrawSlots& slots, HGDIOBJ created)
{
    HDC first = dc_of(slots.primary);
    HDC second = dc_of(slots.secondary);
    if (current.object) {
        if (current.original) {
            if (first)
                SelectObject(first, current.original);
            if (second)
                SelectObject(second, current.original);
        }
        DeleteObject(current.object);
    }
    current.object = created;
    if (!created)
        return;
    if (first) {
        HGDIOBJ before = SelectObject(first, created);
        if (before && !current.original)
            current.original = before;
    }
    if (second)
        SelectObject(second, created);
}

std::uint64_t Win32Drawing::acquire_window_dc(std::uint32_t window)
{
    return reinterpret_cast<std::uintptr_t>(GetDC(handle_of<HWND>(window)));
}

void Win32Drawing::release_window_dc(std::uint32_t window, std::uint64_t dc)
{
    ReleaseDC(handle_of<HWND>(window), reinterpret_cast<HDC>(static_cast<std::uintptr_t>(dc)));
}

std::uint32_t Win32Drawing::main_window_handle()
{
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(m_host.main_window()));
}

ClientSize Win32Drawing::client_size(std::uint32_t window)
{
    RECT r{};
    if (!GetClientRect(window == 0 ? m_host.main_window() : handle_of<HWND>(window), &r))
        return {};
    return {r.right - r.left, r.bottom - r.top};
}

void Win32Drawing::map_logical(const DrawSlots& slots, std::int32_t width, std::int32_t height, ClientSize viewport)
{
    on_both(slots, [&](HDC dc) {
        SetMapMode(dc, MM_ANISOTROPIC);
        SetWindowExtEx(dc, width, height, nullptr);
        SetViewportExtEx(dc, viewport.width, viewport.height, nullptr);
    });
}

void Win32Drawing::replace_pen(const DrawSlots& slots, std::int32_t style, std::int32_t width, WinColor color)
{
    replace(m_pen, slots, CreatePen(style, width, color));
}

void Win32Drawing::replace_brush(const DrawSlots& slots, BrushStyle style, WinColor color, std::int32_t hatch)
{
    LOGBRUSH record{static_cast<UINT>(style), color, static_cast<ULONG_PTR>(static_cast<std::uint32_t>(hatch))};
    replace(m_brush, slots, CreateBrushIndirect(&record));
}

void Win32Drawing::replace_font(const DrawSlots& slots, const FontSpec& f)
{
    const std::string face(f.face.view());
    replace(m_font, slots,
            CreateFontA(f.height, f.width, f.escapement, f.orientation, f.weight, f.italic, f.underline, FALSE,
                        f.charset, 0, 0, 0, 0, face.c_str()));
}

// Shapes drawn after a CLS without colour are filled white until the next
// brush command.
void Win32Drawing::clear(const DrawSlots& slots, ClearBrush brush)
{
    const int width = m_host.screen_width(), height = m_host.screen_height();
    on_both(slots, [&](HDC dc) {
        if (brush == ClearBrush::White)
            SelectObject(dc, GetStockObject(WHITE_BRUSH));
        PatBlt(dc, 0, 0, width, height, PATCOPY);
    });
    if (HWND main = m_host.main_window()) {
        InvalidateRect(main, nullptr, FALSE);
        UpdateWindow(main);
    }
}

void Win32Drawing::text_colors(const DrawSlots& slots, WinColor foreground, WinColor background, bool transparent)
{
    on_both(slots, [&](HDC dc) {
        SetTextColor(dc, foreground);
        SetBkMode(dc, transparent ? TRANSPARENT : OPAQUE);
        SetBkColor(dc, background);
    });
}

void Win32Drawing::draw_text(const DrawSlots& slots, std::int32_t x, std::int32_t y, std::string_view text)
{
    on_both(slots, [&](HDC dc) { TextOutA(dc, x, y, text.data(), static_cast<int>(text.size())); });
}

std::vector<ShortString> Win32Drawing::font_families(const DrawSlots& slots)
{
    std::vector<ShortString> families;
    if (HDC dc = dc_of(slots.primary))
        EnumFontFamiliesA(dc, nullptr, collect_family, reinterpret_cast<LPARAM>(&families));
    return families;
}

void Win32Drawing::set_pixel(const DrawSlots& slots, std::int32_t x, std::int32_t y, WinColor color)
{
    on_both(slots, [&](HDC dc) { SetPixel(dc, x, y, color); });
}

WinColor Win32Drawing::get_pixel(const DrawSlots& slots, std::int32_t x, std::int32_t y)
{
    HDC dc = dc_of(slots.primary);
    return dc ? GetPixel(dc, x, y) : CLR_INVALID;
}

void Win32Drawing::flood_fill(const DrawSlots& slots, std::int32_t x, std::int32_t y, WinColor boundary)
{
    on_both(slots, [&](HDC dc) { FloodFill(dc, x, y, boundary); });
}

void Win32Drawing::line(const DrawSlots& slots, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2)
{
    on_both(slots, [&](HDC dc) {
        MoveToEx(dc, x1, y1, nullptr);
        LineTo(dc, x2, y2);
    });
}

void Win32Drawing::line_to(const DrawSlots& slots, std::int32_t x, std::int32_t y)
{
    on_both(slots, [&](HDC dc) { LineTo(dc, x, y); });
}

void Win32Drawing::move_to(const DrawSlots& slots, std::int32_t x, std::int32_t y)
{
    on_both(slots, [&](HDC dc) { MoveToEx(dc, x, y, nullptr); });
}

void Win32Drawing::shape(const DrawSlots& slots, Shape kind, const ShapeArgs& a)
{
    on_both(slots, [&](HDC dc) {
        switch (kind) {
        case Shape::Rectangle: Rectangle(dc, a.x1, a.y1, a.x2, a.y2); break;
        case Shape::RoundRect: RoundRect(dc, a.x1, a.y1, a.x2, a.y2, a.x3, a.y3); break;
        case Shape::Ellipse: Ellipse(dc, a.x1, a.y1, a.x2, a.y2); break;
        case Shape::Pie: Pie(dc, a.x1, a.y1, a.x2, a.y2, a.x3, a.y3, a.x4, a.y4); break;
        case Shape::Arc: Arc(dc, a.x1, a.y1, a.x2, a.y2, a.x3, a.y3, a.x4, a.y4); break;
        case Shape::Chord: Chord(dc, a.x1, a.y1, a.x2, a.y2, a.x3, a.y3, a.x4, a.y4); break;
        }
    });
}

bool Win32Drawing::draw_picture(const DrawSlots& slots, const Dib& picture, std::int32_t x, std::int32_t y,
                                std::int32_t width, std::int32_t height, bool stretch, CopyMode mode)
{
    HDC first = dc_of(slots.primary);
    HDC second = dc_of(slots.secondary);
    const auto* info = reinterpret_cast<const BITMAPINFO*>(picture.info.data());
    const int own_height = picture.height < 0 ? -picture.height : picture.height;
    if (slots.primary.kind == SurfaceKind::Printer) {
        if (first)
            StretchDIBits(first, x, y, width, height, 0, 0, picture.width, own_height, picture.pixels(), info,
                          DIB_RGB_COLORS, SRCCOPY);
        return true;
    }
    HDC reference = m_host.window_dc() ? m_host.window_dc() : first;
    if (!reference)
        return true;
    HBITMAP bitmap =
        CreateDIBitmap(reference, &info->bmiHeader, CBM_INIT, picture.pixels(), info, DIB_RGB_COLORS);
    if (!bitmap)
        return false;
    MemorySurface source(reference, bitmap);
    if (!source.ok())
        return false;
    if (!first)
        return true;
    if (stretch) {
        SetStretchBltMode(first, COLORONCOLOR);
        StretchBlt(first, x, y, width, height, source.dc(), 0, 0, picture.width, own_height,
                   raster_operation(mode));
    } else if (mode == CopyMode::Transparent) {
        transparent_copy(first, x, y, width, height, source.dc());
    } else {
        BitBlt(first, x, y, width, height, source.dc(), 0, 0, raster_operation(mode));
        if (second)
            BitBlt(second, x, y, width, height, source.dc(), 0, 0, raster_operation(mode));
        return true;
    }
    if (second)
        BitBlt(second, x, y, width, height, first, x, y, SRCCOPY);
    return true;
}

std::optional<Dib> Win32Drawing::capture(const Surface& surface, std::int32_t x, std::int32_t y, std::int32_t width,
                                         std::int32_t height)
{
    HDC from = dc_of(surface);
    if (!from || width <= 0 || height <= 0)
        return std::nullopt;
    HDC reference = m_host.window_dc() ? m_host.window_dc() : from;
    MemorySurface copy(reference, CreateCompatibleBitmap(reference, width, height));
    if (!copy.ok())
        return std::nullopt;
    BitBlt(copy.dc(), 0, 0, width, height, from, x, y, SRCCOPY);
    HBITMAP bitmap = copy.release_selection();
    BITMAP object{};
    if (!GetObjectA(bitmap, sizeof object, &object))
        return std::nullopt;
    Dib dib = make_capture_dib(width, height, bmp_bits_for_depth(std::uint32_t{object.bmPlanes} * object.bmBitsPixel));
    // Rows that did not arrive would be written as whatever the block held.
    if (GetDIBits(reference, bitmap, 0, static_cast<UINT>(height), dib.block.data(),
                  reinterpret_cast<BITMAPINFO*>(dib.info.data()), DIB_RGB_COLORS) != height)
        return std::nullopt;
    return dib;
}

} // namespace talven
