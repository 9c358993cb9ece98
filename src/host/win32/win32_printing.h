// The Win32 side of printing: the printer's device context from its driver,
// the spooler's documents and pages, and the copies of the hardcopies.
#pragma once

#include <windows.h>

#include "host/print_host.h"

namespace talven {

class Win32Host;

class Win32Printing : public PrintHost {
public:
    explicit Win32Printing(Win32Host& host) : m_host(host) {}

    std::optional<PrinterDevice> open_printer(std::string_view driver, std::string_view device,
                                              std::string_view port) override;
    bool start_document(std::uint64_t dc, std::string_view name) override;
    void start_page(std::uint64_t dc) override;
    void end_page(std::uint64_t dc) override;
    void end_document(std::uint64_t dc) override;
    void close_printer(std::uint64_t dc) override;
    void reselect_font(std::uint64_t dc) override;
    std::uint64_t show_print_cursor() override;
    void restore_cursor(std::uint64_t previous) override;
    bool print_surface(std::uint64_t printer, const Surface& surface, std::int32_t width, std::int32_t height,
                       std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) override;
    std::optional<WindowImage> open_window_image(std::uint32_t window) override;
    void close_window_image(std::uint32_t window, const WindowImage& image) override;
    int print_window_image(std::uint64_t printer, const WindowImage& image) override;

private:
    Win32Host& m_host;
};

} // namespace talven
