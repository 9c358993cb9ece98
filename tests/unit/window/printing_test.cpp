// Print jobs and hardcopies as the core drives them: the printer from the
// profile, the page of every job page, the scaled drawing, and the job
// finished once on every way out.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/program_builder.h"
#include "window/printing.h"

namespace talven {
namespace {

using testing::line;

// The job and hardcopy tests below cover the usual page; these are the edges.
TEST(PrintLayout, AnisotropicPrinterAndClippedCopies)
{
    ClientSize page = page_viewport(150, 300);
    EXPECT_EQ(page.width, 1100);
    EXPECT_EQ(page.height, 3300);

    struct Copy {
        std::int32_t x1, y1, x2, y2, print_width, print_height;
        ScreenCopyArea area;
    };
    const Copy copies[] = {
        {0, 0, 1000, 1000, 640, 480, {0, 0, 640, 480}},
        {600, 400, 1000, 1000, 640, 480, {600, 400, 401, 480}},
        // A tall print area is cut to a page of its width.
        {0, 0, 50, 500, 100, 1000, {0, 0, 51, 150}},
    };
    for (const Copy& c : copies) {
        ScreenCopyArea a = screen_copy_area(c.x1, c.y1, c.x2, c.y2, c.print_width, c.print_height, false);
        EXPECT_EQ(a.width, c.area.width) << c.x1 << "," << c.x2;
        EXPECT_EQ(a.height, c.area.height) << c.y1 << "," << c.y2;
    }
}

std::string slot(const Surface& s)
{
    switch (s.kind) {
    case SurfaceKind::Window: return "W";
    case SurfaceKind::Backing: return "B";
    case SurfaceKind::Printer: return "P" + std::to_string(s.dc);
    default: return "-";
    }
}

std::string slots(const DrawSlots& s) { return slot(s.primary) + "," + slot(s.secondary); }

// One log of what the printer and the drawing side were asked.
struct Log {
    std::vector<std::string> calls;
    void add(std::string s) { calls.push_back(std::move(s)); }
};

class RecordingDrawing : public DrawingHost {
public:
    explicit RecordingDrawing(Log& log) : m_log(log) {}
    ClientSize client_size(std::uint32_t) override { return {640, 480}; }
    void map_logical(const DrawSlots& s, std::int32_t w, std::int32_t h, ClientSize v) override
    {
        m_log.add("map " + slots(s) + " " + std::to_string(w) + "x" + std::to_string(h) + " on " +
                  std::to_string(v.width) + "x" + std::to_string(v.height));
    }
    void shape(const DrawSlots& s, Shape, const ShapeArgs& a) override
    {
        m_log.add("shape " + slots(s) + " " + std::to_string(a.x1) + "," + std::to_string(a.y1) + "," +
                  std::to_string(a.x2) + "," + std::to_string(a.y2));
    }
    void draw_text(const DrawSlots& s, std::int32_t x, std::int32_t y, std::string_view text) override
    {
        m_log.add("text " + slots(s) + " " + std::to_string(x) + "," + std::to_string(y) + " " + std::string(text));
    }

private:
    Log& m_log;
};

class RecordingPrinter : public PrintHost {
public:
    explicit RecordingPrinter(Log& log) : m_log(log) {}
    std::int32_t dots = 600;
    bool document_refused = false;
    bool copy_fails = false;

    std::optional<PrinterDevice> open_printer(std::string_view driver, std::string_view device,
                                              std::string_view port) override
    {
        m_log.add("open " + std::string(driver) + "|" + std::string(device) + "|" + std::string(port));
        return PrinterDevice{7, dots, dots};
    }
    bool start_document(std::uint64_t dc, std::string_view name) override
    {
        m_log.add("doc " + std::to_string(dc) + " " + std::string(name));
        return !document_refused;
    }
    void start_page(std::uint64_t) override { m_log.add("startpage"); }
    void end_page(std::uint64_t) override { m_log.add("endpage"); }
    void end_document(std::uint64_t) override { m_log.add("enddoc"); }
    void close_printer(std::uint64_t) override { m_log.add("close"); }
    void reselect_font(std::uint64_t) override { m_log.add("font"); }
    std::uint64_t show_print_cursor() override { return m_log.add("cursor"), 42; }
    void restore_cursor(std::uint64_t previous) override { m_log.add("cursor back " + std::to_string(previous)); }
    bool print_surface(std::uint64_t, const Surface& s, std::int32_t width, std::int32_t height, std::int32_t x,
                       std::int32_t y, std::int32_t w, std::int32_t h) override
    {
        m_log.add("copy " + slot(s) + " " + std::to_string(width) + "x" + std::to_string(height) + " " +
                  std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(w) + "x" + std::to_string(h));
        return !copy_fails;
    }
    std::optional<WindowImage> open_window_image(std::uint32_t window) override
    {
        if (window != 0x55)
            return std::nullopt;
        return WindowImage{9, 300, 600};
    }
    void close_window_image(std::uint32_t, const WindowImage&) override { m_log.add("release"); }
    int print_window_image(std::uint64_t, const WindowImage&) override
    {
        m_log.add("window copy");
        return copy_fails ? 2 : 0;
    }

private:
    Log& m_log;
};

class PrintingFakeHost : public testing::FakeHost {
public:
    Log log;
    RecordingDrawing drawing_side{log};
    RecordingPrinter printer{log};
    ShortString device{"PDF,wineps.drv,CUPS:PDF"};
    DrawingHost& drawing() override { return drawing_side; }
    PrintHost& printing() override { return printer; }
    std::optional<ShortString> profile_string(std::string_view section, std::string_view key) override
    {
        if (section == "windows" && key == "device")
            return device;
        return std::nullopt;
    }
};

int run(PrintingFakeHost& host, const std::vector<std::string>& lines)
{
    host.arguments.push_back(ShortString("P.TVC"));
    host.files["P.TVC"] = testing::plain_program(lines);
    return run_runtime(host);
}

using Calls = std::vector<std::string>;

TEST(PrintJob, PagesOfTheFixedPageTakeTheScaledDrawing)
{
    PrintingFakeHost host;
    int code = run(host, {line(Tok::Startprint, "\"Brief\""), line(Tok::Rectangle, "1,2-3,4"),
                          line(Tok::Drawtext, "5,6,\"a\""), line(Tok::Newpage), line(Tok::Endprint),
                          line(Tok::Rectangle, "1,2-3,4")});
    EXPECT_EQ(code, 0);
    const Calls expected = {
        "open wineps.drv|PDF|CUPS:PDF", "doc 7 Brief", "startpage", "map P7,- 6400x9600 on 4400x6600",
        "shape P7,P7 10,20,30,40", "text P7,- 50,60 a",
        "endpage", "startpage", "map P7,- 6400x9600 on 4400x6600", "font",
        "endpage", "enddoc", "close",
        "shape W,B 1,2,3,4",
    };
    EXPECT_EQ(host.log.calls, expected);
}

TEST(PrintJob, EveryEndFinishesTheOpenJobOnce)
{
    // The last line, and a fatal error (SCREEN is refused during a job).
    for (Tok last : {Tok::Rem, Tok::Screen}) {
        PrintingFakeHost host;
        int code = run(host, {line(Tok::Startprint), line(Tok::Drawtext, "1,1,\"x\""), line(last, "10,10")});
        EXPECT_EQ(code, last == Tok::Rem ? 0 : 2);
        const Calls expected = {"open wineps.drv|PDF|CUPS:PDF", "doc 7 DruckSeite", "startpage",
                                "map P7,- 6400x9600 on 4400x6600", "text P7,- 10,10 x",
                                "endpage", "enddoc", "close"};
        EXPECT_EQ(host.log.calls, expected);
    }
}

TEST(PrintJob, NoPrinterOrARefusedDocumentLeavesNoJob)
{
    {
        PrintingFakeHost host;
        host.printer.document_refused = true;
        int code = run(host, {line(Tok::Errormode, "-1"), line(Tok::Startprint), line(Tok::Endprint),
                              line(Tok::Print, "&" + std::string(1, static_cast<char>(SysVar::Lasterror)))});
        EXPECT_EQ(code, 0);
        EXPECT_EQ(host.output, "120\r\n");
        const Calls expected = {"open wineps.drv|PDF|CUPS:PDF", "doc 7 DruckSeite", "close"};
        EXPECT_EQ(host.log.calls, expected);
    }
    {
        // One comma: no printer, and the driver is never asked.
        PrintingFakeHost host;
        host.device = ShortString("PDF,wineps.drv");
        int code = run(host, {line(Tok::Startprint)});
        EXPECT_EQ(code, 2);
        EXPECT_TRUE(host.log.calls.empty());
        ASSERT_EQ(host.boxes.size(), 1u);
        EXPECT_EQ(host.boxes[0].caption, "Drucken ist nicht m\xF6glioch!");
    }
}

TEST(Hardcopy, PagesOfTheScreenAndTheWindow)
{
    PrintingFakeHost host;
    host.printer.dots = 300;
    int code = run(host, {line(Tok::Print, "\"x\""), line(Tok::Screencopy), line(Tok::Screencopy, "10,20-100,200"),
                          line(Tok::Wincopy, "85")});
    EXPECT_EQ(code, 0);
    const Calls expected = {
        "cursor", "open wineps.drv|PDF|CUPS:PDF", "doc 7 ScreenCopy", "startpage",
        "map P7,- 640x960 on 2200x3300", "copy W 640x480 0,0 639x479", "endpage", "enddoc", "close",
        "cursor back 42",
        "cursor", "open wineps.drv|PDF|CUPS:PDF", "doc 7 ScreenCopy", "startpage",
        "map P7,- 640x960 on 2200x3300", "copy W 640x480 10,20 91x181", "endpage", "enddoc", "close",
        "cursor back 42",
        "cursor", "open wineps.drv|PDF|CUPS:PDF", "doc 7 WindowCopy", "startpage",
        "map P7,- 400x600 on 2200x3300", "window copy", "endpage", "enddoc", "close", "release",
        "cursor back 42",
    };
    EXPECT_EQ(host.log.calls, expected);
}

TEST(Hardcopy, AFailedCopyWarnsAfterThePrinterIsClosed)
{
    PrintingFakeHost host;
    host.printer.copy_fails = true;
    host.answers = {BoxAnswer::Ok, BoxAnswer::Ok, BoxAnswer::Cancel};
    int code = run(host, {line(Tok::Print, "\"x\""), line(Tok::Screencopy), line(Tok::Wincopy, "85"),
                          line(Tok::Wincopy, "86")});
    // The second warning of WINCOPY is cancelled: the program ends there.
    EXPECT_EQ(code, 2);
    ASSERT_GE(host.boxes.size(), 3u);
    EXPECT_EQ(host.boxes[0].caption, "Fehler bei der HardCopy!");
    EXPECT_EQ(host.log.calls.back(), "cursor back 42");
    EXPECT_EQ(std::count(host.log.calls.begin(), host.log.calls.end(), "close"), 2);
}

} // namespace
} // namespace talven
