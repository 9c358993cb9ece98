// The picture operations on GDI: every copy that is stretched or
// transparent goes to the first slot and is then copied from there to the
// second, so both show the same finished rectangle.
#include "host/win32/win32_pictures.h"

#include <shellapi.h>

#include <string>

#include "host/win32/win32_drawing.h"
#include "host/win32/win32_gdi.h"
#include "host/win32/win32_host.h"
#include "host/win32/win32_modules.h"

namespace talven {
namespace {

LPCSTR resource(const ResourceName& name, std::string& text)
{
    if (name.number >= 1)
        return MAKEINTRESOURCEA(name.number);
    text.assign(name.name.view());
    return text.c_str();
}

HINSTANCE runtime_module() { return GetModuleHandleA(nullptr); }

PictureSize size_of(HBITMAP bitmap)
{
    BITMAP object{};
    if (!GetObjectA(bitmap, sizeof object, &object))
        return {};
    return {object.bmWidth, object.bmHeight};
}

// A picture of w x h in a DC at 0, 0 put at x, y of the slots: stretched
// to width x height, transparent, or plain with the mode's operation.
void put_picture(HDC first, HDC second, HDC source, int w, int h, int x, int y, int width, int height, bool stretch,
                 CopyMode mode)
{
    if (!first)
        return;
    if (stretch) {
        SetStretchBltMode(first, COLORONCOLOR);
        StretchBlt(first, x, y, width, height, source, 0, 0, w, h, raster_operation(mode));
    } else if (mode == CopyMode::Transparent) {
        transparent_copy(first, x, y, w, h, source);
    } else {
        BitBlt(first, x, y, w, h, source, 0, 0, raster_operation(mode));
        if (second)
            BitBlt(second, x, y, w, h, source, 0, 0, raster_operation(mode));
        return;
    }
    if (second)
        BitBlt(second, x, y, width, height, first, x, y, SRCCOPY);
}

} // namespace

HDC Win32Pictures::reference_dc() { return m_host.window_dc() ? m_host.window_dc() : GetDC(nullptr); }

void Win32Pictures::release_reference(HDC dc)
{
    if (dc != m_host.window_dc())
        ReleaseDC(nullptr, dc);
}

void Win32Pictures::drop_memory_bitmap()
{
    m_drawing.set_memory_dc(nullptr);
    m_memory.reset();
}

bool Win32Pictures::adopt_memory_bitmap(HDC reference, HBITMAP bitmap)
{
    if (!bitmap)
        return false;
    // A surface that could not select the bitmap deletes both again.
    m_memory.emplace(reference, bitmap);
    if (!m_memory->ok()) {
        m_memory.reset();
        return false;
    }
    m_drawing.set_memory_dc(m_memory->dc());
    return true;
}

bool Win32Pictures::new_memory_bitmap(std::int32_t width, std::int32_t height)
{
    drop_memory_bitmap();
    HDC reference = reference_dc();
    bool made = adopt_memory_bitmap(reference, CreateCompatibleBitmap(reference, width, height));
    release_reference(reference);
    if (made)
        PatBlt(memory_dc(), 0, 0, width, height, WHITENESS);
    return made;
}

bool Win32Pictures::load_memory_bitmap(const Dib& picture)
{
    drop_memory_bitmap();
    HDC reference = reference_dc();
    const auto* info = reinterpret_cast<const BITMAPINFO*>(picture.info.data());
    bool made = adopt_memory_bitmap(
        reference, CreateDIBitmap(reference, &info->bmiHeader, CBM_INIT, picture.pixels(), info, DIB_RGB_COLORS));
    release_reference(reference);
    return made;
}

void Win32Pictures::copy_area(const DrawSlots& slots, CopyFrom from, const Area& s, const Area& t, bool stretch,
                              CopyMode mode)
{
    HDC first = m_drawing.dc_of(slots.primary);
    HDC second = m_drawing.dc_of(slots.secondary);
    if (!first || (from == CopyFrom::Memory && !memory_dc()))
        return;
    const DWORD operation = raster_operation(mode);
    if (stretch) {
        HDC source = from == CopyFrom::Memory ? memory_dc() : first;
        SetStretchBltMode(first, COLORONCOLOR);
        StretchBlt(first, t.x, t.y, t.width, t.height, source, s.x, s.y, s.width, s.height, operation);
        if (second)
            BitBlt(second, t.x, t.y, t.width, t.height, first, t.x, t.y, SRCCOPY);
    } else if (mode == CopyMode::Transparent) {
        // The transparent copy changes its source, so it works on a copy:
        // of the memory bitmap, or of the backing surface.
        HDC source = from == CopyFrom::Memory ? memory_dc() : (second ? second : first);
        MemorySurface temporary(first, CreateCompatibleBitmap(first, s.width, s.height));
        if (!temporary.ok())
            return;
        BitBlt(temporary.dc(), 0, 0, s.width, s.height, source, s.x, s.y, SRCCOPY);
        put_picture(first, second, temporary.dc(), s.width, s.height, t.x, t.y, s.width, s.height, false, mode);
    } else if (from == CopyFrom::Memory) {
        BitBlt(first, t.x, t.y, s.width, s.height, memory_dc(), s.x, s.y, operation);
        if (second)
            BitBlt(second, t.x, t.y, s.width, s.height, memory_dc(), s.x, s.y, operation);
    } else {
        BitBlt(first, t.x, t.y, s.width, s.height, first, s.x, s.y, operation);
        if (second)
            BitBlt(second, t.x, t.y, s.width, s.height, second, s.x, s.y, operation);
    }
}

void Win32Pictures::copy_to_memory(const DrawSlots& slots, const Area& s, std::int32_t x, std::int32_t y)
{
    HDC first = m_drawing.dc_of(slots.primary);
    if (first && memory_dc())
        BitBlt(memory_dc(), x, y, s.width, s.height, first, s.x, s.y, SRCCOPY);
}

std::optional<PictureSize> Win32Pictures::draw_module_bitmap(const DrawSlots& slots, std::uint32_t module,
                                                             const ResourceName& name, std::int32_t x,
                                                             std::int32_t y, std::int32_t width,
                                                             std::int32_t height, bool stretch, CopyMode mode)
{
    HINSTANCE from = module_of_number(runtime_module(), module);
    std::string text;
    HBITMAP bitmap = from ? LoadBitmapA(from, resource(name, text)) : nullptr;
    if (!bitmap)
        return std::nullopt;
    const PictureSize size = size_of(bitmap);
    HDC first = m_drawing.dc_of(slots.primary);
    HDC reference = m_host.window_dc() ? m_host.window_dc() : first;
    if (!reference) {
        DeleteObject(bitmap);
        return size;
    }
    MemorySurface source(reference, bitmap);
    if (source.ok())
        put_picture(first, m_drawing.dc_of(slots.secondary), source.dc(), size.width, size.height, x, y,
                    width == -1 ? size.width : width, height == -1 ? size.height : height, stretch, mode);
    return size;
}

std::optional<PictureSize> Win32Pictures::picture_to_clipboard(const DrawSlots& slots, const Area& s)
{
    HDC first = m_drawing.dc_of(slots.primary);
    if (!first)
        return std::nullopt;
    MemorySurface copy(first, CreateCompatibleBitmap(first, s.width, s.height));
    if (!copy.ok())
        return std::nullopt;
    BitBlt(copy.dc(), 0, 0, s.width, s.height, first, s.x, s.y, SRCCOPY);
    HBITMAP bitmap = copy.take();
    if (!OpenClipboard(m_host.main_window())) {
        DeleteObject(bitmap);
        return std::nullopt;
    }
    EmptyClipboard();
    // Once handed over, the bitmap is the clipboard's.
    if (!SetClipboardData(CF_BITMAP, bitmap))
        DeleteObject(bitmap);
    CloseClipboard();
    return PictureSize{s.width, s.height};
}

std::optional<PictureSize> Win32Pictures::picture_from_clipboard(const DrawSlots& slots, std::int32_t x,
                                                                 std::int32_t y, CopyMode mode)
{
    if (!OpenClipboard(m_host.main_window()))
        return std::nullopt;
    std::optional<PictureSize> size;
    auto bitmap = IsClipboardFormatAvailable(CF_BITMAP) ? static_cast<HBITMAP>(GetClipboardData(CF_BITMAP)) : nullptr;
    if (bitmap) {
        size = size_of(bitmap);
        HDC first = m_drawing.dc_of(slots.primary);
        HDC second = m_drawing.dc_of(slots.secondary);
        if (first) {
            MemorySurface clip(first, bitmap);
            if (mode == CopyMode::Transparent) {
                // The clipboard's bitmap stays as it is: the copy is changed.
                MemorySurface temporary(first, CreateCompatibleBitmap(first, size->width, size->height));
                if (clip.ok() && temporary.ok()) {
                    BitBlt(temporary.dc(), 0, 0, size->width, size->height, clip.dc(), 0, 0, SRCCOPY);
                    put_picture(first, second, temporary.dc(), size->width, size->height, x, y, size->width,
                                size->height, false, mode);
                }
            } else if (clip.ok()) {
                put_picture(first, second, clip.dc(), size->width, size->height, x, y, size->width, size->height,
                            false, mode);
            }
            clip.take();
        }
    }
    CloseClipboard();
    return size;
}

bool Win32Pictures::draw_icon(const DrawSlots& slots, const IconSource& icon, std::int32_t x, std::int32_t y)
{
    HICON handle = nullptr;
    bool extracted = false;
    std::string text;
    switch (icon.from) {
    case IconFrom::Runtime:
    case IconFrom::Module:
        if (HINSTANCE from = module_of_number(runtime_module(), icon.from == IconFrom::Module ? icon.module : 0))
            handle = LoadIconA(from, resource(icon.name, text));
        break;
    case IconFrom::File:
        // ExtractIcon's "no icon" of 1 is no handle either.
        text.assign(icon.file.view());
        handle = ExtractIconA(runtime_module(), text.c_str(), static_cast<UINT>(icon.index));
        if (reinterpret_cast<std::uintptr_t>(handle) == 1)
            handle = nullptr;
        extracted = handle != nullptr;
        break;
    case IconFrom::Standard:
        if (icon.system_id != 0)
            handle = LoadIconA(nullptr, MAKEINTRESOURCEA(icon.system_id));
        break;
    }
    HDC first = m_drawing.dc_of(slots.primary);
    bool drawn = handle && first && DrawIcon(first, x, y, handle);
    if (drawn)
        if (HDC second = m_drawing.dc_of(slots.secondary))
            DrawIcon(second, x, y, handle);
    // Loaded icons are shared with the module; only extracted ones are ours.
    if (extracted)
        DestroyIcon(handle);
    return drawn;
}

std::int32_t Win32Pictures::icon_count(std::string_view file)
{
    const std::string name(file);
    auto count = reinterpret_cast<std::uintptr_t>(ExtractIconA(runtime_module(), name.c_str(), static_cast<UINT>(-1)));
    return static_cast<std::int32_t>(count);
}

bool Win32Pictures::set_window_icon(const ResourceName& name)
{
    std::string text;
    HICON icon = LoadIconA(runtime_module(), resource(name, text));
    if (!icon)
        return false;
    if (HWND main = m_host.main_window())
        SetClassLongPtrA(main, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
    return true;
}

void Win32Pictures::use_cursor(HCURSOR cursor)
{
    if (!cursor)
        return;
    SetCursor(cursor);
    if (HWND main = m_host.main_window())
        SetClassLongPtrA(main, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(cursor));
}

void Win32Pictures::set_module_cursor(std::uint32_t module, const ResourceName& name)
{
    std::string text;
    if (HINSTANCE from = module_of_number(runtime_module(), module))
        use_cursor(LoadCursorA(from, resource(name, text)));
}

void Win32Pictures::set_system_cursor(std::uint32_t id) { use_cursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(id))); }

// The display count moves by one per call, so each loop ends.
void Win32Pictures::show_pointer(bool visible)
{
    if (visible)
        while (ShowCursor(TRUE) < 0) {
        }
    else
        while (ShowCursor(FALSE) >= 0) {
        }
}

} // namespace talven
