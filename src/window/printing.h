// Printing as the core decides it: the default printer from the profile,
// the fixed logical page of a print job, the hardcopies' extents, and the
// refusal of window commands while a job is open.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "core/short_string.h"
#include "host/drawing_host.h"

namespace talven {

struct Runtime;

// The profile's "device" entry: printer name, driver, port. Nothing when
// it has fewer than two commas.
struct PrinterEntry {
    ShortString device;
    ShortString driver;
    ShortString port;
};
std::optional<PrinterEntry> parse_printer_entry(std::string_view entry);

// The device pixels of the 7 1/3 x 11 inch page at the printer's dots per
// inch.
ClientSize page_viewport(std::int32_t dots_x, std::int32_t dots_y);

// The logical page of a window copy: the window's width and half as much
// again, or its height and two thirds of it, whichever holds the window.
ClientSize window_copy_page(std::int32_t width, std::int32_t height);

// The part of the drawing surface a screen copy prints: the corners x1, y1
// and x2, y2 clipped to the print area (and to a page of its width), and
// the extent of the copy.
struct ScreenCopyArea {
    std::int32_t x = 0, y = 0, width = 0, height = 0;
};
ScreenCopyArea screen_copy_area(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                                std::int32_t print_width, std::int32_t print_height, bool whole);

// For commands that touch the window's surface: runtime error 221 with the
// keyword while a print job is open. True when the command must stop.
bool refused_while_printing(Runtime& rt, std::string_view keyword);

// Ends an open print job as ENDPRINT does, so that the spooler gets a
// whole document; every way the program ends calls it.
void end_print_job(Runtime& rt);

} // namespace talven
