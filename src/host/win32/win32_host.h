// The Win32 host: the runtime at home. One main window that is a character
// terminal and a drawing surface at once; every pixel goes to the window
// and to a screen-sized backing bitmap, from which the window repaints.
// The window procedures only record into the bound event state.
//
// With TALVEN_STREAM set in the environment, the program's text output also
// goes to the standard output handle (UTF-8) and every message box's text to
// the standard error handle, one line each, as the console host writes them;
// the window and the boxes themselves are unchanged.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "host/faulty_files.h"
#include "host/host.h"
#include "host/win32/win32_devices.h"
#include "host/win32/win32_dialogs.h"
#include "host/win32/win32_drawing.h"
#include "host/win32/win32_files.h"
#include "host/win32/win32_libraries.h"
#include "host/win32/win32_odbc_library.h"
#include "host/win32/win32_printing.h"
#include "host/win32/win32_pictures.h"
#include "host/win32/win32_system.h"

namespace talven {

class Win32Host : public Host {
public:
    explicit Win32Host(HINSTANCE instance);
    ~Win32Host() override;
    Win32Host(const Win32Host&) = delete;
    Win32Host& operator=(const Win32Host&) = delete;

    const std::vector<ShortString>& command_line() const override { return m_command_line; }
    std::uint32_t appended_program_offset() override;
    std::optional<ShortString> choose_program_file(std::string_view filter, std::string_view caption) override;
    std::unique_ptr<HostFile> open_for_reading(std::string_view name) override;
    HostFileSystem& files() override
    {
        if (m_faulty_files)
            return *m_faulty_files;
        return m_files;
    }
    DrawingHost& drawing() override { return m_drawing; }
    PrintHost& printing() override { return m_printing; }
    PictureHost& pictures() override { return m_pictures; }
    DialogHost& dialogs() override { return m_dialogs; }
    SystemHost& system() override { return m_system; }
    OdbcLibrary& odbc_library() override { return m_odbc; }
    LibraryHost& libraries() override { return m_libraries; }
    DeviceHost& devices() override { return m_devices; }
    BoxAnswer message_box(std::string_view text, std::string_view caption, BoxIcon icon, BoxButtons buttons) override;
    std::int32_t program_box(std::string_view text, std::string_view caption, std::uint32_t type) override;
    LocalTime local_time() override;
    std::uint32_t tick_count() override { return GetTickCount(); }
    ShortString ansi_to_oem(std::string_view text) override;
    ShortString oem_to_ansi(std::string_view text) override;
    std::optional<ShortString> current_directory(char drive) override;
    void write_text(std::string_view text) override;
    void show_cells(std::int32_t row, std::int32_t column, std::string_view text, std::uint8_t attribute,
                    std::int32_t font) override;
    void scroll_rows(std::int32_t rows) override;
    void show_caret(std::int32_t row, std::int32_t column) override;
    void hide_caret() override;
    void beep() override { MessageBeep(0); }
    bool wait_message() override;
    bool wait_one_message() override;
    void bind_events(EventState* events) override;
    void start_timer(std::uint32_t milliseconds) override;
    void stop_timer() override;
    std::optional<LastMessage> peek_message() override;
    PlatformFacts platform_facts() override;
    std::optional<ShortString> profile_string(std::string_view section, std::string_view key) override;
    NumberSeparators number_separators() override;
    void* allocate_area(std::size_t size) override;
    void free_area(void* block, std::size_t size) override;
    PumpResult pump_messages() override;

    std::optional<TextCapacity> create_main_window(const WindowSetup& setup) override;
    bool main_window_alive() override { return m_main != nullptr; }
    void place_main_window(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                           bool fill_white) override;
    void set_window_position(std::uint32_t window, std::int32_t x, std::int32_t y, std::int32_t width,
                             std::int32_t height, std::uint32_t after) override;
    void show_main_window(WindowShow how) override;
    void set_paint_mode(std::int32_t mode) override { m_paint_mode = mode; }
    void repaint_main_window() override;
    void dde_initiate(std::string_view application, std::string_view topic) override;
    void dde_execute(std::string_view command) override;
    void dde_terminate() override;

    // The main window after the program: destroyed, with its surfaces.
    void destroy_main_window();

    // For the drawing side: the main window and its two surfaces (null
    // while the window does not exist), and the screen size.
    HWND main_window() const { return m_main; }
    HDC window_dc() const { return m_window_dc; }
    HDC backing_dc() const { return m_backing_dc; }
    int screen_width() const { return m_screen_width; }
    int screen_height() const { return m_screen_height; }

    // The window procedures; public for the class registration.
    LRESULT main_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT dialog_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    // The procedure of dialogs made from templates: it records as the
    // program-dialog procedure does, except a change of size, and leaves
    // every message to the dialog's own handling.
    INT_PTR template_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

private:
    // The box line on the stream, then the platform's box; its answer.
    int show_box(std::string_view text, std::string_view caption, BoxIcon icon, UINT flags);
    void record_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    void command_event(WPARAM wparam, LPARAM lparam);
    bool dialog_style_command(HWND window, WPARAM wparam, LPARAM lparam, bool menu_case);
    // What both dialog procedures record; true when the message is finished.
    bool record_dialog_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam, bool sizes);
    void scroll_bar(HWND bar, WPARAM wparam);
    void paint(HWND window);
    void compute_cell_metrics();
    void register_dialog_class();
    // Dispatches one message as the pump does; false for WM_QUIT.
    bool dispatch(MSG& msg);
    void stream(HANDLE handle, std::string_view ansi);

    HINSTANCE m_instance;
    std::vector<ShortString> m_command_line;
    Win32Files m_files;
    // Over m_files while TALVEN_FILE_FAULTS names calls to fail.
    std::unique_ptr<FaultyFiles> m_faulty_files;
    Win32Drawing m_drawing{*this};
    Win32Printing m_printing{*this};
    Win32Pictures m_pictures{*this, m_drawing};
    Win32Dialogs m_dialogs{*this, m_instance};
    Win32System m_system{*this};
    Win32OdbcLibrary m_odbc;
    Win32Libraries m_libraries;
    Win32Devices m_devices;
    EventState m_spare_events;  // records while no program is bound
    EventState* m_events = &m_spare_events;

    HWND m_main = nullptr;
    HWND m_current_dialog = nullptr;
    HDC m_window_dc = nullptr;
    HDC m_backing_dc = nullptr;
    HBITMAP m_backing_bitmap = nullptr;
    HGDIOBJ m_old_bitmap = nullptr;
    int m_screen_width = 640;
    int m_screen_height = 480;
    bool m_fenster_registered = false;
    std::int32_t m_flags = 0;
    std::int32_t m_paint_mode = 2;
    UINT_PTR m_timer = 0;
    HWND m_timer_window = nullptr;
    HWND m_dde_server = nullptr;

    // The text screen's cell metrics and where its cursor is shown.
    int m_cell_width = 8;
    int m_cell_height = 15;
    int m_ascent = 12;
    int m_tallest_font = 2;
    bool m_caret = false;

    std::optional<LocalTime> m_fixed_time;
    bool m_stream = false;
    HANDLE m_stdout = INVALID_HANDLE_VALUE;
    HANDLE m_stderr = INVALID_HANDLE_VALUE;
};

// The dialog procedure of the template dialogs, for CreateDialogParam.
INT_PTR CALLBACK template_dialog_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Windows-1252 to UTF-8, for the streams.
std::string ansi_to_utf8(std::string_view ansi);

} // namespace talven
