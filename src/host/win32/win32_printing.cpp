// Printing through GDI: CreateDC on the profile's driver, StartDoc and the
// pages, and the bitmap copies of SCREENCOPY and WINCOPY.
#include "host/win32/win32_printing.h"

#include <string>

#include "host/win32/win32_gdi.h"
#include "host/win32/win32_handles.h"
#include "host/win32/win32_host.h"

namespace talven {
namespace {

HDC dc_of(std::uint64_t dc) { return reinterpret_cast<HDC>(static_cast<std::uintptr_t>(dc)); }


} // namespace

std::optional<PrinterDevice> Win32Printing::open_printer(std::string_view driver, std::string_view device,
                                                         std::string_view port)
{
    const std::string d(driver), n(device), p(port);
    HDC dc = CreateDCA(d.c_str(), n.c_str(), p.c_str(), nullptr);
    if (!dc)
        return std::nullopt;
    return PrinterDevice{reinterpret_cast<std::uintptr_t>(dc), GetDeviceCaps(dc, LOGPIXELSX),
                         GetDeviceCaps(dc, LOGPIXELSY)};
}

bool Win32Printing::start_document(std::uint64_t dc, std::string_view name)
{
    const std::string title(name);
    DOCINFOA info{};
    info.cbSize = sizeof info;
    info.lpszDocName = title.c_str();
    return StartDocA(dc_of(dc), &info) > 0;
}

void Win32Printing::start_page(std::uint64_t dc) { StartPage(dc_of(dc)); }
void Win32Printing::end_page(std::uint64_t dc) { EndPage(dc_of(dc)); }
void Win32Printing::end_document(std::uint64_t dc) { EndDoc(dc_of(dc)); }
void Win32Printing::close_printer(std::uint64_t dc) { DeleteDC(dc_of(dc)); }

// A page may start with the device's own font again. The font a DC that
// kept its state gives back is the current one, which must live on.
void Win32Printing::reselect_font(std::uint64_t dc)
{
    auto font = handle_of<HFONT>(m_host.drawing().font_handle());
    if (!font)
        return;
    HGDIOBJ replaced = SelectObject(dc_of(dc), font);
    if (replaced && replaced != font)
        DeleteObject(replaced);
}

std::uint64_t Win32Printing::show_print_cursor()
{
    HCURSOR printing = LoadCursorA(GetModuleHandleA(nullptr), "DRUCKER");
    return reinterpret_cast<std::uintptr_t>(SetCursor(printing));
}

void Win32Printing::restore_cursor(std::uint64_t previous)
{
    SetCursor(reinterpret_cast<HCURSOR>(static_cast<std::uintptr_t>(previous)));
}

bool Win32Printing::print_surface(std::uint64_t printer, const Surface& surface, std::int32_t width,
                                  std::int32_t height, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h)
{
    auto from = handle_of<HDC>(m_host.drawing().surface_handle(surface));
    if (!from)
        return false;
    MemorySurface copy(from, CreateCompatibleBitmap(from, width, height));
    if (!copy.ok() || !BitBlt(copy.dc(), 0, 0, width, height, from, 0, 0, SRCCOPY))
        return false;
    return BitBlt(dc_of(printer), x, y, w, h, copy.dc(), x, y, SRCCOPY) != 0;
}

std::optional<WindowImage> Win32Printing::open_window_image(std::uint32_t window)
{
    HWND handle = handle_of<HWND>(window);
    RECT r{};
    // Without a window GetWindowDC would give the whole screen.
    if (!handle || !GetWindowRect(handle, &r))
        return std::nullopt;
    HDC dc = GetWindowDC(handle);
    if (!dc)
        return std::nullopt;
    return WindowImage{reinterpret_cast<std::uintptr_t>(dc), r.right - r.left, r.bottom - r.top};
}

void Win32Printing::close_window_image(std::uint32_t window, const WindowImage& image)
{
    ReleaseDC(handle_of<HWND>(window), dc_of(image.dc));
}

int Win32Printing::print_window_image(std::uint64_t printer, const WindowImage& image)
{
    HWND desktop = GetDesktopWindow();
    HDC screen = GetDC(desktop);
    int failed = 0;
    {
        MemorySurface copy(screen, CreateCompatibleBitmap(screen, image.width, image.height));
        if (!copy.ok() || !BitBlt(copy.dc(), 0, 0, image.width, image.height, dc_of(image.dc), 0, 0, SRCCOPY))
            ++failed;
        if (!copy.ok() || !BitBlt(dc_of(printer), 0, 0, image.width, image.height, copy.dc(), 0, 0, SRCCOPY))
            ++failed;
    }
    ReleaseDC(desktop, screen);
    return failed;
}

} // namespace talven
