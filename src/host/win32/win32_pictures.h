// Pictures with GDI and USER: the memory bitmap and its DC, copies between
// it, the drawing surface and the clipboard, bitmaps, icons and cursors of
// modules. Loaded pictures and temporary bitmaps live for one operation.
#pragma once

#include <windows.h>

#include <optional>

#include "host/picture_host.h"
#include "host/win32/win32_gdi.h"

namespace talven {

class Win32Drawing;
class Win32Host;

class Win32Pictures : public PictureHost {
public:
    Win32Pictures(Win32Host& host, Win32Drawing& drawing) : m_host(host), m_drawing(drawing) {}
    ~Win32Pictures() override { drop_memory_bitmap(); }
    Win32Pictures(const Win32Pictures&) = delete;
    Win32Pictures& operator=(const Win32Pictures&) = delete;

    bool new_memory_bitmap(std::int32_t width, std::int32_t height) override;
    bool load_memory_bitmap(const Dib& picture) override;
    void drop_memory_bitmap() override;
    void copy_area(const DrawSlots& slots, CopyFrom from, const Area& source, const Area& target, bool stretch,
                   CopyMode mode) override;
    void copy_to_memory(const DrawSlots& slots, const Area& source, std::int32_t x, std::int32_t y) override;
    std::optional<PictureSize> draw_module_bitmap(const DrawSlots& slots, std::uint32_t module,
                                                  const ResourceName& name, std::int32_t x, std::int32_t y,
                                                  std::int32_t width, std::int32_t height, bool stretch,
                                                  CopyMode mode) override;
    std::optional<PictureSize> picture_to_clipboard(const DrawSlots& slots, const Area& source) override;
    std::optional<PictureSize> picture_from_clipboard(const DrawSlots& slots, std::int32_t x, std::int32_t y,
                                                      CopyMode mode) override;
    bool draw_icon(const DrawSlots& slots, const IconSource& icon, std::int32_t x, std::int32_t y) override;
    std::int32_t icon_count(std::string_view file) override;
    bool set_window_icon(const ResourceName& name) override;
    void set_module_cursor(std::uint32_t module, const ResourceName& name) override;
    void set_system_cursor(std::uint32_t id) override;
    void show_pointer(bool visible) override;

private:
    // The DC new bitmaps are made compatible with: the window's, else the
    // screen's.
    HDC reference_dc();
    void release_reference(HDC dc);
    // The bitmap becomes the memory bitmap in a new memory DC.
    bool adopt_memory_bitmap(HDC reference, HBITMAP bitmap);
    void use_cursor(HCURSOR cursor);

    Win32Host& m_host;
    Win32Drawing& m_drawing;
    // The memory bitmap in its DC, while there is one.
    std::optional<MemorySurface> m_memory;
    HDC memory_dc() const { return m_memory ? m_memory->dc() : nullptr; }
};

} // namespace talven
