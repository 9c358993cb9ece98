// The system services of the console host. INI files are real files kept
// by the rules of the platform's private profile functions that a program
// can see; the registry is a file REGISTRY.INI of its own in the Windows
// directory; the environment is the process's; programs are started
// without a shell; the clipboard is the runtime's own and lives as long as
// it runs. Ending the session and the help viewer do nothing: a runtime
// never shuts the machine down.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/system_host.h"
#include "window/bmp.h"

namespace talven {

class Host;

// Starts a program (a path, or a name looked for on the PATH) with the
// arguments (Windows-1252, the first one its name); its standard input is
// /dev/null and no other descriptor of the runtime is passed on. The
// process id, or 0 and the errno value.
std::pair<pid_t, int> start_process(const std::string& program, const std::vector<std::string>& args);

class ConsoleSystem final : public SystemHost {
public:
    // Files go through the host's file system, so that names are found as
    // the numbered files find them.
    explicit ConsoleSystem(Host& host);

    bool write_profile_string(std::string_view file, std::string_view section, std::string_view entry,
                              std::string_view value) override;
    ShortString read_profile_string(std::string_view file, std::string_view section, std::string_view entry) override;
    RegistryWrite write_registry_string(std::uint32_t root, std::string_view subkey, std::string_view name,
                                        std::string_view value) override;
    RegistryValue read_registry_string(std::uint32_t root, std::string_view subkey, std::string_view name) override;
    std::optional<ShortString> environment_variable(std::string_view name) override;
    std::uint32_t start_program(std::string_view command_line, std::int32_t show) override;
    bool run_program_and_wait(std::string_view command_line, std::int32_t show) override;
    std::optional<ShortString> clipboard_text() override;
    void put_clipboard_text(std::string_view text) override;
    void clear_clipboard() override
    {
        m_clipboard.reset();
        m_clipboard_picture.reset();
    }
    // The clipboard's picture, beside its text. Putting one there empties
    // the clipboard first, as putting text does not.
    const std::optional<Dib>& clipboard_picture() const { return m_clipboard_picture; }
    void set_clipboard_picture(Dib picture)
    {
        clear_clipboard();
        m_clipboard_picture = std::move(picture);
    }

private:
    // The program's name for an INI file: one without a folder lives in the
    // Windows directory.
    std::string profile_name(std::string_view file) const;
    std::optional<std::string> read_file(const std::string& name, bool& missing);
    bool write_file(const std::string& name, std::string_view text);
    // Started programs not waited for, collected when they have ended.
    void collect_ended();

    Host& m_host;
    std::string m_windows_directory;
    std::optional<std::string> m_clipboard;
    std::optional<Dib> m_clipboard_picture;
    std::vector<pid_t> m_started;
};

// The arguments of a command line as the platform's CommandLineToArgv
// splits it: the program name runs to the next blank, or in quotes to the
// closing quote; the others are separated by blanks and tabs outside quotes,
// with the backslash rules before a quote.
std::vector<std::string> split_command_line(std::string_view command_line);

// An INI text with entry set to value in section; nothing when the names or
// the value cannot be held by the file without changing its other entries.
// Line ends are those of the text (CR LF for a new one).
std::optional<std::string> ini_with_entry(std::string_view text, std::string_view section, std::string_view entry,
                                          std::string_view value);
// The value of entry in the first section of that name; quotes around it
// are dropped. Nothing when absent.
std::optional<std::string> ini_value(std::string_view text, std::string_view section, std::string_view entry);

} // namespace talven
