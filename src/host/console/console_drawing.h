// Drawing on the console host: nothing is drawn, and when TALVEN_DRAW_LOG
// names a file, every call is written to it as one line, so that what the
// core decides (slots, colours, scaled coordinates) can be compared.
#pragma once

#include <cstdio>

#include "host/drawing_host.h"

namespace talven {

// A copy mode as the drawing log names it.
const char* copy_mode_name(CopyMode mode);

class ConsoleDrawing : public DrawingHost {
public:
    // The log file named by the environment, if any.
    ConsoleDrawing();
    ~ConsoleDrawing() override;
    ConsoleDrawing(const ConsoleDrawing&) = delete;
    ConsoleDrawing& operator=(const ConsoleDrawing&) = delete;

    // The console host hands out 0 for every window handle.
    static constexpr std::uint32_t main_window = 0;

    std::uint64_t acquire_window_dc(std::uint32_t window) override;
    void release_window_dc(std::uint32_t window, std::uint64_t dc) override;
    std::uint32_t main_window_handle() override { return main_window; }
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

    // One line of the drawing log, after the names of the two slots.
    void log(const DrawSlots& slots, const char* format, ...) __attribute__((format(printf, 3, 4)));

private:

    std::FILE* m_log = nullptr;
    std::uint64_t m_next_dc = 0x100;
};

} // namespace talven
