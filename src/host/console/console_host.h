// The console host: the runtime on a POSIX system without a screen. Boxes
// are lines on standard error, answered with their default button unless a
// file of answers is named. Standard output carries what the program writes;
// when it is a terminal, it shows the text screen's cells instead.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "host/console/console_devices.h"
#include "host/console/console_dialogs.h"
#include "host/console/console_drawing.h"
#include "host/console/console_files.h"
#include "host/console/console_input.h"
#include "host/console/console_libraries.h"
#include "host/console/console_odbc_library.h"
#include "host/console/console_pictures.h"
#include "host/console/console_system.h"
#include "host/faulty_files.h"
#include "host/host.h"

namespace talven {

class ConsoleHost : public Host {
public:
    ConsoleHost(int argc, char** argv);
    ~ConsoleHost() override;
    ConsoleHost(const ConsoleHost&) = delete;
    ConsoleHost& operator=(const ConsoleHost&) = delete;

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
    PictureHost& pictures() override { return m_pictures; }
    DialogHost& dialogs() override { return m_dialogs; }
    SystemHost& system() override { return m_system; }
    OdbcLibrary& odbc_library() override { return m_odbc; }
    LibraryHost& libraries() override { return m_libraries; }
    DeviceHost& devices() override { return m_devices; }
    BoxAnswer message_box(std::string_view text, std::string_view caption, BoxIcon icon, BoxButtons buttons) override;
    std::int32_t program_box(std::string_view text, std::string_view caption, std::uint32_t type) override;
    LocalTime local_time() override;
    std::uint32_t tick_count() override;
    ShortString ansi_to_oem(std::string_view text) override;
    ShortString oem_to_ansi(std::string_view text) override;
    std::optional<ShortString> current_directory(char drive) override;
    void write_text(std::string_view text) override;
    void show_cells(std::int32_t row, std::int32_t column, std::string_view text, std::uint8_t attribute,
                    std::int32_t font) override;
    void scroll_rows(std::int32_t rows) override;
    void beep() override {}
    bool wait_message() override;
    void bind_events(EventState* events) override { m_input.bind(events); }
    void start_timer(std::uint32_t milliseconds) override { m_input.start_timer(milliseconds); }
    void stop_timer() override { m_input.stop_timer(); }
    bool has_pointer() const override { return false; }
    PlatformFacts platform_facts() override;
    std::optional<ShortString> profile_string(std::string_view section, std::string_view key) override;
    NumberSeparators number_separators() override;
    void* allocate_area(std::size_t size) override;
    void free_area(void* block, std::size_t size) override;
    PumpResult pump_messages() override;

private:
    // Writes the box line and takes the next answer of the answer file, or
    // the fallback.
    BoxAnswer answer_box(std::string_view text, std::string_view caption, BoxIcon icon, BoxAnswer fallback);

    std::vector<ShortString> m_command_line;
    AnswerFile m_answers;
    std::optional<LocalTime> m_fixed_time;
    ConsoleFiles m_files;
    // Over m_files while TALVEN_FILE_FAULTS names calls to fail.
    std::unique_ptr<FaultyFiles> m_faulty_files;
    ConsoleDrawing m_drawing;
    ConsoleInput m_input;
    ConsoleDialogs m_dialogs;
    ConsoleSystem m_system{*this};
    ConsolePictures m_pictures{m_drawing, m_system};
    ConsoleOdbcLibrary m_odbc;
    ConsoleLibraries m_libraries;
    ConsoleDevices m_devices{*this};
    std::string m_windows_directory;
    // Standard output is a terminal: the text screen is shown on it with
    // cursor positioning and colours instead of being written as a stream.
    bool m_terminal = false;
    bool m_screen_shown = false;
};

// A program file name as the console sees it: UTF-8, "/" for "\".
std::string native_path(std::string_view ansi_name);

} // namespace talven
