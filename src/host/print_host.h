// The printer as the platform offers it: a device context for the default
// printer, the document and its pages, and the copies a hardcopy makes.
// The core reads the profile entry, works out every extent and raises every
// error; each operation here does one platform thing.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "host/drawing_host.h"

namespace talven {

struct PrinterDevice {
    std::uint64_t dc = 0;
    // Dots per inch across and down.
    std::int32_t dots_x = 0;
    std::int32_t dots_y = 0;
};

// A window's whole image (frame included) as a device context, and the
// size of its rectangle.
struct WindowImage {
    std::uint64_t dc = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

class PrintHost {
public:
    virtual ~PrintHost() = default;

    // A device context for a printer named as the profile names it;
    // nothing when the driver cannot open it.
    virtual std::optional<PrinterDevice> open_printer(std::string_view driver, std::string_view device,
                                                      std::string_view port)
    {
        (void)driver, (void)device, (void)port;
        return std::nullopt;
    }
    // A document under a name; false when the spooler refused it.
    virtual bool start_document(std::uint64_t dc, std::string_view name) { return (void)dc, (void)name, false; }
    virtual void start_page(std::uint64_t dc) { (void)dc; }
    virtual void end_page(std::uint64_t dc) { (void)dc; }
    virtual void end_document(std::uint64_t dc) { (void)dc; }
    virtual void close_printer(std::uint64_t dc) { (void)dc; }
    // Selects the current font into the printer again; the object it
    // replaces is deleted unless it is that font.
    virtual void reselect_font(std::uint64_t dc) { (void)dc; }

    // The printing cursor while a hardcopy is made, and the one it replaced.
    virtual std::uint64_t show_print_cursor() { return 0; }
    virtual void restore_cursor(std::uint64_t previous) { (void)previous; }

    // Copies the surface's rectangle 0, 0, width, height into a bitmap, and
    // from there the part at x, y of extent w, h to x, y of the printer.
    // False when a copy failed.
    virtual bool print_surface(std::uint64_t printer, const Surface& surface, std::int32_t width,
                               std::int32_t height, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h)
    {
        (void)printer, (void)surface, (void)width, (void)height, (void)x, (void)y, (void)w, (void)h;
        return false;
    }

    // The image of any window; nothing when the window has none.
    virtual std::optional<WindowImage> open_window_image(std::uint32_t window) { return (void)window, std::nullopt; }
    virtual void close_window_image(std::uint32_t window, const WindowImage& image) { (void)window, (void)image; }
    // The window's image into a bitmap, then the bitmap to 0, 0 of the
    // printer; the number of the two copies that failed.
    virtual int print_window_image(std::uint64_t printer, const WindowImage& image)
    {
        (void)printer, (void)image;
        return 2;
    }
};

// The host of a runtime without a printer: nothing can be printed.
inline PrintHost& no_printing()
{
    static PrintHost none;
    return none;
}

} // namespace talven
