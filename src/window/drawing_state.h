// The drawing target and settings of the interpreter state: where drawing
// goes (the window pair, a STARTPAINT target, the printer), the true-colour
// switch, the charset of new fonts and the last brush.
#pragma once

#include <cstdint>

#include "host/drawing_host.h"

namespace talven {

struct BrushRecord {
    BrushStyle style = BrushStyle::Solid;
    WinColor color = 0;
    std::int32_t hatch = 0;
};

struct DrawSettings {
    bool true_color = false;

    // STARTPAINT: active until ENDPAINT; redirected when its window is not
    // the main window, and then both slots hold its surface.
    bool paint_active = false;
    bool redirected = false;
    std::int32_t paint_window = 0;
    Surface paint_surface;

    // Set and cleared by printing: both slots hold the printer.
    bool print_job_open = false;
    Surface printer;
    ClientSize printer_page;  // the page's viewport in device pixels

    std::uint8_t font_charset = 0;
    BrushRecord brush;
    // 2 to the power of the bits per pixel of the last BMP file read.
    std::int32_t last_bmp_colors = 0;
    // The size of the last picture the bitmap commands handled.
    std::int32_t last_bitmap_width = 0;
    std::int32_t last_bitmap_height = 0;
};

} // namespace talven
