// The narrow layer through which the core touches the operating system and
// the screen. Host operations are primitive: they never see tokens, message
// numbers or interpreter state. Texts cross this boundary in the ANSI code
// page (Windows-1252); each host converts at its own edges.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "core/short_string.h"
#include "host/device_host.h"
#include "host/dialog_host.h"
#include "host/drawing_host.h"
#include "host/host_files.h"
#include "host/library_host.h"
#include "host/odbc_library.h"
#include "host/print_host.h"
#include "host/picture_host.h"
#include "host/system_host.h"
#include "window/events.h"
#include "window/window_style.h"

namespace talven {

enum class BoxIcon { None, Error, Warning, Information, Question };
enum class BoxButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
// The values are the button identifiers programs see.
// The window was closed (a quit message) or the user broke the program off.
enum class PumpResult { Continue, Quit, Break };
enum class BoxAnswer { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

struct LocalTime {
    int year = 1970;
    int month = 1;       // 1..12
    int day = 1;         // 1..31
    int weekday = 4;     // 0 Sunday .. 6 Saturday
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// What the display and the platform are, as system variables report them.
struct PlatformFacts {
    std::uint32_t main_window = 0;
    std::uint32_t desktop = 0;
    std::int32_t screen_width = 640;
    std::int32_t screen_height = 480;
    std::int32_t color_depth = 24;
    // The program's module handle.
    std::uint32_t instance = 0;
    // The platform version number: low word Windows major/minor, high
    // word the DOS version.
    std::uint32_t version = 0;
    // The main window's rectangle on the screen.
    std::int32_t window_left = 0;
    std::int32_t window_top = 0;
    std::int32_t window_right = 640;
    std::int32_t window_bottom = 480;
    ShortString windows_directory;
    ShortString system_directory;
};

struct NumberSeparators {
    char decimal_point = ',';
    char thousands_separator = '.';
};

class HostFile {
public:
    virtual ~HostFile() = default;
    // Reads up to size bytes; returns how many were read (0 at the end).
    virtual std::size_t read(void* buffer, std::size_t size) = 0;
    virtual bool seek(std::uint64_t offset) = 0;
};

class Host {
public:
    virtual ~Host() = default;

    // Parameter 0 is the runtime's executable, the others follow as given.
    virtual const std::vector<ShortString>& command_line() const = 0;

    // Where a program appended to the runtime's own executable starts;
    // 0 when nothing is appended.
    virtual std::uint32_t appended_program_offset() = 0;

    // The file-open dialog for choosing a program. The filter uses "|"
    // between its parts. No value means the user cancelled.
    virtual std::optional<ShortString> choose_program_file(std::string_view filter, std::string_view caption) = 0;

    virtual std::unique_ptr<HostFile> open_for_reading(std::string_view name) = 0;

    // The file system of the numbered files and the file commands. A host
    // without one (a fuzzing or test host) refuses every operation.
    virtual HostFileSystem& files() { return no_file_system(); }

    // The drawing operations; a host without a display accepts them and
    // draws nothing.
    virtual DrawingHost& drawing() { return no_drawing(); }
    // The memory bitmap, the clipboard's picture, icons and cursors.
    virtual PictureHost& pictures() { return no_pictures(); }

    // The default printer; a host without one refuses every print job.
    virtual PrintHost& printing() { return no_printing(); }

    // Controls, dialog windows, menus and the built-in dialogs; a host
    // without a user interface creates nothing and cancels every dialog.
    virtual DialogHost& dialogs() { return no_dialogs(); }

    virtual BoxAnswer message_box(std::string_view text, std::string_view caption, BoxIcon icon, BoxButtons buttons) = 0;

    // A message box the program asks for: its type is the platform's box
    // flags as the program gave them. The pressed button's id. A host that
    // shows boxes its own way answers through message_box.
    virtual std::int32_t program_box(std::string_view text, std::string_view caption, std::uint32_t type);

    // The local date and time, and the milliseconds since the system started.
    virtual LocalTime local_time() = 0;
    virtual std::uint32_t tick_count() = 0;

    // The platform's conversion between the ANSI and the OEM code page.
    virtual ShortString ansi_to_oem(std::string_view text) = 0;
    virtual ShortString oem_to_ansi(std::string_view text) = 0;

    // The current directory of a drive ("C:\\..." on Windows); nothing when
    // the drive does not exist.
    virtual std::optional<ShortString> current_directory(char drive) = 0;

    // The program's text output.
    virtual void write_text(std::string_view text) = 0;

    // The text screen on a display. show_cells shows text at a 0-based row
    // and column in the colours of an attribute (low nibble foreground, high
    // nibble background palette index) with a text font (0..3; font 1 holds
    // the OEM code page, the others the ANSI one) and leaves the visible
    // cursor after it; an empty text only moves the cursor. scroll_rows moves the first
    // rows up by one row; the last of them is shown anew afterwards. A host
    // without a display ignores both: its stream carries write_text alone.
    virtual void show_cells(std::int32_t row, std::int32_t column, std::string_view text, std::uint8_t attribute,
                            std::int32_t font)
    {
        (void)row, (void)column, (void)text, (void)attribute, (void)font;
    }
    virtual void scroll_rows(std::int32_t rows) { (void)rows; }
    // The input caret of the text screen, shown while INPUT waits for a key
    // at a 0-based row and column, and hidden again.
    virtual void show_caret(std::int32_t row, std::int32_t column) { (void)row, (void)column; }
    virtual void hide_caret() {}

    // The system beep.
    virtual void beep() = 0;
    // Waits for the next window message (on a console: the next key or
    // timer tick) and records it; false when none can come any more.
    virtual bool wait_message() = 0;
    // WAITMESSAGE: waits for exactly one message, records it as the last
    // message and dispatches it as the pump does; a quit message too, and
    // the program goes on. False when no message can come any more.
    virtual bool wait_one_message() { return wait_message(); }

    // Where the host records what the user does (keys, mouse, commands,
    // timer ticks); bound by the core before the program runs and unbound
    // (nullptr) when the run ends. A host sets stop_requested there instead
    // of ending the program from inside a window procedure.
    virtual void bind_events(EventState* events) { (void)events; }
    // Timer id 1: a tick (timer_tick in the event state) every period until
    // stopped. Starting it again restarts it with the new period.
    virtual void start_timer(std::uint32_t milliseconds) { (void)milliseconds; }
    virtual void stop_timer() {}
    // Whether a pointing device can send events: a wait for the mouse
    // without one could never end.
    virtual bool has_pointer() const { return true; }
    // The next waiting window message, left in the queue; nothing when the
    // queue is empty.
    virtual std::optional<LastMessage> peek_message() { return std::nullopt; }

    virtual PlatformFacts platform_facts() { return {}; }
    // An entry of the user's profile (WIN.INI); nothing when it is absent.
    virtual std::optional<ShortString> profile_string(std::string_view section, std::string_view key)
    {
        (void)section, (void)key;
        return std::nullopt;
    }
    // The separators of formatted numbers in the user's locale.
    virtual NumberSeparators number_separators() { return {}; }
    // INI files, registry, environment, programs and clipboard text.
    virtual SystemHost& system() { return no_system(); }
    // The ODBC driver manager, loaded on demand.
    virtual OdbcLibrary& odbc_library() { return no_odbc_library(); }
    // Libraries for DLL calls, and the bridge program's process.
    virtual LibraryHost& libraries() { return no_libraries(); }
    // Sound, MIDI, MCI and serial ports.
    virtual DeviceHost& devices() { return no_devices(); }

    // The main window. A host without a display keeps a window that exists
    // once created and shows nothing; its text capacity is the console's.
    struct WindowSetup {
        std::int32_t x = 0, y = 0, width = 640, height = 480;
        std::uint32_t style = 0x000F0000;  // WS_* frame bits
        std::int32_t flags = 0;            // window_style bits
        std::int32_t paint_mode = 2;
        std::string_view title;
    };
    struct TextCapacity {
        std::int32_t columns = 80;
        std::int32_t rows = 32;
    };
    // Creates the main window when it does not exist; returns the text-screen
    // capacity of the display when it was created now.
    virtual std::optional<TextCapacity> create_main_window(const WindowSetup& setup)
    {
        (void)setup;
        return TextCapacity{};
    }
    // False once the window has been closed or destroyed.
    virtual bool main_window_alive() { return true; }
    // Moves and sizes the main window; fill_white clears its surface first.
    virtual void place_main_window(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                                   bool fill_white)
    {
        (void)x, (void)y, (void)width, (void)height, (void)fill_white;
    }
    // Places any window; after is the window to insert it after (0: keep
    // the z-order).
    virtual void set_window_position(std::uint32_t window, std::int32_t x, std::int32_t y, std::int32_t width,
                                     std::int32_t height, std::uint32_t after)
    {
        (void)window, (void)x, (void)y, (void)width, (void)height, (void)after;
    }
    enum class WindowShow { Maximized, Minimized, Normal };
    virtual void show_main_window(WindowShow how) { (void)how; }
    // 0: the program repaints everything; 1: the main window repaints
    // itself; 2: dialog windows too.
    virtual void set_paint_mode(std::int32_t mode) { (void)mode; }
    virtual void repaint_main_window() {}
    // A DDE conversation of the main window: the answering server is kept
    // in the event state (dde_server).
    virtual void dde_initiate(std::string_view application, std::string_view topic)
    {
        (void)application, (void)topic;
    }
    virtual void dde_execute(std::string_view command) { (void)command; }
    virtual void dde_terminate() {}

    // Memory for area variables. Programs see a block's address as a 32-bit
    // number, so blocks lie below 2 GiB where the platform allows it.
    virtual void* allocate_area(std::size_t size) = 0;
    virtual void free_area(void* block, std::size_t size) = 0;

    // Processes pending window messages without waiting and says whether
    // the program may go on; the core ends it otherwise.
    virtual PumpResult pump_messages() = 0;
};

} // namespace talven
