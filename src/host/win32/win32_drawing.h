// Drawing with GDI: every operation on the surfaces the core names, the
// window's DC and the backing DC in the normal case. The current pen,
// brush and font are owned here and never deleted while selected.
#pragma once

#include <windows.h>

#include "host/drawing_host.h"

namespace talven {

class Win32Host;

class Win32Drawing : public DrawingHost {
public:
    explicit Win32Drawing(Win32Host& host) : m_host(host) {}
    ~Win32Drawing() override;
    Win32Drawing(const Win32Drawing&) = delete;
    Win32Drawing& operator=(const Win32Drawing&) = delete;

    // The DC of the memory bitmap, the target of STARTPAINT -1; null while
    // there is none.
    void set_memory_dc(HDC dc) { m_memory_dc = dc; }
    // The DC a surface names now; null for none.
    HDC dc_of(const Surface& surface) const;

    std::uint64_t acquire_window_dc(std::uint32_t window) override;
    void release_window_dc(std::uint32_t window, std::uint64_t dc) override;
    std::uint32_t main_window_handle() override;
    std::uint32_t surface_handle(const Surface& surface) override;
    std::uint32_t font_handle() override;
    ClientSize client_size(std::uint32_t window) override;
    void map_logical(const DrawSlots& slots, std::int32_t width, std::int32_t height, ClientSize viewport) override;
    void replace_pen(const DrawSlots& slots, std::int32_t style, std::int32_t width, WinColor color) override;
    void replace_brush(const DrawSlots& slots, BrushStyle style, WinColor color, std::int32_t hatch) override;
    void replace_font(const DrawSlots& slots, const FontSpec& font) override;
    void clear(const DrawSlots& slots, ClearBrush brush) override;
    void text_colors(const DrawSlots& slots, WinColor foreground, WinColor background, bool transparent) override;
    void draw_text(const DrawSlots& slots, std::int32_t x, std::int32_t y, std::string_view text) override;
    std::vector<ShortString> font_families(const DrawSlots& slots) override;
    void set_pixel(const DrawSlots& slots, std::int32_t x, std::int32_t y, WinColor color) override;
    WinColor get_pixel(const DrawSlots& slots, std::int32_t x, std::int32_t y) override;
    void flood_fill(const DrawSlots& slots, std::int32_t x, std::int32_t y, WinColor boundary) override;
    void line(const DrawSlots& slots, std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) override;
    void line_to(const DrawSlots& slots, std::int32_t x, std::int32_t y) override;
    void move_to(const DrawSlots& slots, std::int32_t x, std::int32_t y) override;
    void shape(const DrawSlots& slots, Shape kind, const ShapeArgs& args) override;
    bool draw_picture(const DrawSlots& slots, const Dib& picture, std::int32_t x, std::int32_t y, std::int32_t width,
                      std::int32_t height, bool stretch, CopyMode mode) override;
    std::optional<Dib> capture(const Surface& surface, std::int32_t x, std::int32_t y, std::int32_t width,
                               std::int32_t height) override;

private:
    // A current object and what the first slot held before the first one.
    struct Current {
        HGDIOBJ object = nullptr;
        HGDIOBJ original = nullptr;
    };

    template <class F>
    void on_both(const DrawSlots& slots, F&& draw);
    void replace(Current& current, const DrawSlots& slots, HGDIOBJ created);

    Win32Host& m_host;
    HDC m_memory_dc = nullptr;
    Current m_pen, m_brush, m_font;
};

} // namespace talven
