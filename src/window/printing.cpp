// Print jobs and hardcopies: STARTPRINT, NEWPAGE, ENDPRINT, SCREENCOPY and
// WINCOPY. The core finds the default printer, lays out the pages and raises
// the errors; the host's print operations do the platform part. During a job
// the drawing commands reach the printer through the drawing slots.
#include "window/printing.h"

#include <cmath>

#include "core/runtime.h"
#include "values/arguments.h"
#include "window/drawing.h"
#include "window/main_window.h"

namespace talven {

std::optional<PrinterEntry> parse_printer_entry(std::string_view entry)
{
    auto first = entry.find(',');
    if (first == std::string_view::npos)
        return std::nullopt;
    auto second = entry.find(',', first + 1);
    if (second == std::string_view::npos)
        return std::nullopt;
    return PrinterEntry{ShortString(entry.substr(0, first)), ShortString(entry.substr(first + 1, second - first - 1)),
                        ShortString(entry.substr(second + 1))};
}

// The page is 2200 x 3300 dots at 300 dots per inch, scaled to the printer.
ClientSize page_viewport(std::int32_t dots_x, std::int32_t dots_y)
{
    return {static_cast<std::int32_t>(std::lround(2200.0 * dots_x / 300.0)),
            static_cast<std::int32_t>(std::lround(3300.0 * dots_y / 300.0))};
}

ClientSize window_copy_page(std::int32_t width, std::int32_t height)
{
    std::int64_t x = width, y = std::int64_t{3} * width / 2;
    if (y < height) {
        y = height;
        x = std::int64_t{2} * height / 3;
    }
    return {static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)};
}

ScreenCopyArea screen_copy_area(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2,
                                std::int32_t print_width, std::int32_t print_height, bool whole)
{
    std::int64_t right = std::min<std::int64_t>(x2, std::int64_t{x1} + print_width - 1);
    std::int64_t bottom = std::min<std::int64_t>(y2, std::int64_t{y1} + print_height - 1);
    bottom = std::min<std::int64_t>(bottom, std::int64_t{y1} + std::int64_t{3} * print_width / 2 - 1);
    // The whole surface passes its clipped corner as the extent, as it
    // always did; a rectangle prints its own size.
    if (whole)
        return {x1, y1, static_cast<std::int32_t>(right), static_cast<std::int32_t>(bottom)};
    return {x1, y1, static_cast<std::int32_t>(right - x1 + 1), static_cast<std::int32_t>(bottom - y1 + 1)};
}

bool refused_while_printing(Runtime& rt, std::string_view keyword)
{
    if (!rt.draw.print_job_open)
        return false;
    rt.fatal(Msg::ForbiddenWhilePrinting, keyword);
    return true;
}

void end_print_job(Runtime& rt)
{
    DrawSettings& d = rt.draw;
    if (!d.print_job_open)
        return;
    std::uint64_t dc = d.printer.dc;
    // Drawing goes back to the window before the printer is gone.
    d.print_job_open = false;
    d.printer = {};
    d.printer_page = {};
    PrintHost& printing = rt.host.printing();
    printing.end_page(dc);
    printing.end_document(dc);
    printing.close_printer(dc);
}

namespace {

constexpr std::string_view job_document = "DruckSeite";
constexpr std::string_view screen_document = "ScreenCopy";
constexpr std::string_view window_document = "WindowCopy";

// The profile entry is read as a 128-byte buffer holds it.
constexpr std::size_t entry_capacity = 127;

std::optional<PrinterDevice> open_default_printer(Runtime& rt)
{
    auto entry = rt.host.profile_string("windows", "device");
    std::string_view text = entry ? entry->view().substr(0, std::min(entry->size(), entry_capacity)) : "";
    auto printer = parse_printer_entry(text);
    if (!printer)
        return std::nullopt;
    return rt.host.printing().open_printer(printer->driver.view(), printer->device.view(), printer->port.view());
}

// A document and its first page. A document the spooler refused would
// swallow every page, so the printer is closed again and nothing is open.
bool start_document(PrintHost& printing, const PrinterDevice& printer, std::string_view name)
{
    if (!printing.start_document(printer.dc, name)) {
        printing.close_printer(printer.dc);
        return false;
    }
    printing.start_page(printer.dc);
    return true;
}

// Logical width x height spanning the printer's page.
void map_page(Runtime& rt, std::uint64_t printer, std::int32_t width, std::int32_t height, ClientSize viewport)
{
    rt.host.drawing().map_logical(DrawSlots{{SurfaceKind::Printer, printer}, {}}, width, height, viewport);
}

// Every page of a job is 6400 x 9600 units; the drawing commands give
// tenths, so programs draw on 640 x 960.
void set_up_job_page(Runtime& rt) { map_page(rt, rt.draw.printer.dc, 6400, 9600, rt.draw.printer_page); }

// STARTPRINT [title]
void cmd_startprint(Runtime& rt)
{
    DrawSettings& d = rt.draw;
    if (d.paint_active) {
        rt.fatal(Msg::ForbiddenWhilePainting, "STARTPRINT");
        return;
    }
    // A second job would lose the first one's printer and pages.
    if (refused_while_printing(rt, "STARTPRINT"))
        return;
    ShortString title(job_document);
    if (rt.loop.args.view() > std::string_view(" ")) {
        auto given = arg_text(rt, rest_of_text);
        if (!given)
            return;
        title = *given;
    }
    ensure_window(rt);
    auto printer = open_default_printer(rt);
    if (!printer || !start_document(rt.host.printing(), *printer, title.view())) {
        rt.fatal(Msg::PrintingImpossible);
        return;
    }
    d.printer = Surface{SurfaceKind::Printer, printer->dc};
    d.printer_page = page_viewport(printer->dots_x, printer->dots_y);
    d.print_job_open = true;
    set_up_job_page(rt);
}

void cmd_newpage(Runtime& rt)
{
    DrawSettings& d = rt.draw;
    if (!d.print_job_open) {
        rt.fatal(Msg::StartprintMissing);
        return;
    }
    PrintHost& printing = rt.host.printing();
    printing.end_page(d.printer.dc);
    printing.start_page(d.printer.dc);
    set_up_job_page(rt);
    printing.reselect_font(d.printer.dc);
}

void cmd_endprint(Runtime& rt)
{
    if (!rt.draw.print_job_open) {
        rt.fatal(Msg::StartprintMissing);
        return;
    }
    end_print_job(rt);
}

// Ends a hardcopy's one page and its document.
void finish_hardcopy(PrintHost& printing, std::uint64_t printer)
{
    printing.end_page(printer);
    printing.end_document(printer);
    printing.close_printer(printer);
}

// SCREENCOPY [x1, y1 - x2, y2]: the drawing surface on a page as wide as
// the print area and half as high again.
void cmd_screencopy(Runtime& rt)
{
    if (refused_while_printing(rt, "SCREENCOPY"))
        return;
    std::int32_t c[4] = {};
    const bool whole = !arguments_left(rt);
    if (whole) {
        ClientSize client = rt.host.drawing().client_size(0);
        c[2] = client.width;
        c[3] = client.height;
    } else {
        const char separators[] = ",-, ";
        for (int i = 0; i < 4; ++i) {
            auto v = arg_integer(rt, separators[i]);
            if (!v)
                return;
            c[i] = *v;
        }
    }
    const std::int32_t width = rt.main_window.print_width, height = rt.main_window.print_height;
    ScreenCopyArea area = screen_copy_area(c[0], c[1], c[2], c[3], width, height, whole);

    PrintHost& printing = rt.host.printing();
    std::uint64_t cursor = printing.show_print_cursor();
    auto printer = open_default_printer(rt);
    if (!printer || !start_document(printing, *printer, screen_document)) {
        printing.restore_cursor(cursor);
        rt.fatal(Msg::PrintingImpossible);
        return;
    }
    auto page_height = static_cast<std::int32_t>(std::int64_t{3} * width / 2);
    map_page(rt, printer->dc, width, page_height, page_viewport(printer->dots_x, printer->dots_y));
    bool copied = printing.print_surface(printer->dc, drawing_slots(rt).primary, width, height, area.x, area.y,
                                         area.width, area.height);
    finish_hardcopy(printing, printer->dc);
    printing.restore_cursor(cursor);
    if (!copied)
        rt.warning(Msg::HardcopyFailed);
}

// WINCOPY window: the window's whole image on a page of the ratio 2 : 3
// that holds it.
void cmd_wincopy(Runtime& rt)
{
    if (refused_while_printing(rt, "WINCOPY"))
        return;
    auto window = arg_long(rt, rest_of_text);
    if (!window)
        return;
    PrintHost& printing = rt.host.printing();
    std::uint64_t cursor = printing.show_print_cursor();
    const auto handle = static_cast<std::uint32_t>(*window);
    auto image = printing.open_window_image(handle);
    if (!image) {
        printing.restore_cursor(cursor);
        rt.fatal(Msg::InvalidWindowHandle);
        return;
    }
    auto printer = open_default_printer(rt);
    if (!printer || !start_document(printing, *printer, window_document)) {
        printing.close_window_image(handle, *image);
        printing.restore_cursor(cursor);
        rt.fatal(Msg::PrintingImpossible);
        return;
    }
    ClientSize page = window_copy_page(image->width, image->height);
    map_page(rt, printer->dc, page.width, page.height, page_viewport(printer->dots_x, printer->dots_y));
    int failed = printing.print_window_image(printer->dc, *image);
    finish_hardcopy(printing, printer->dc);
    printing.close_window_image(handle, *image);
    printing.restore_cursor(cursor);
    for (int i = 0; i < failed; ++i)
        rt.warning(Msg::HardcopyFailed);
}

constexpr CommandEntry commands[] = {
    {Tok::Startprint, cmd_startprint},
    {Tok::Newpage, cmd_newpage},
    {Tok::Endprint, cmd_endprint},
    {Tok::Screencopy, cmd_screencopy},
    {Tok::Wincopy, cmd_wincopy},
};

} // namespace

std::span<const CommandEntry> printing_commands() { return commands; }

} // namespace talven
