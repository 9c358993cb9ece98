// The system services on Win32: the private profile functions, the
// registry, the environment, WinExec and CreateProcess, the session, the
// help viewer and the clipboard, each with the main window as owner where
// the system wants one.
#pragma once

#include "host/system_host.h"

namespace talven {

class Win32Host;

class Win32System final : public SystemHost {
public:
    explicit Win32System(Win32Host& host) : m_host(host) {}

    bool write_profile_string(std::string_view file, std::string_view section, std::string_view entry,
                              std::string_view value) override;
    ShortString read_profile_string(std::string_view file, std::string_view section, std::string_view entry) override;
    RegistryWrite write_registry_string(std::uint32_t root, std::string_view subkey, std::string_view name,
                                        std::string_view value) override;
    RegistryValue read_registry_string(std::uint32_t root, std::string_view subkey, std::string_view name) override;
    std::optional<ShortString> environment_variable(std::string_view name) override;
    std::uint32_t start_program(std::string_view command_line, std::int32_t show) override;
    bool run_program_and_wait(std::string_view command_line, std::int32_t show) override;
    void exit_windows(std::uint32_t flags) override;
    void win_help(std::string_view file, HelpCommand command, std::string_view keyword) override;
    std::optional<ShortString> clipboard_text() override;
    void put_clipboard_text(std::string_view text) override;
    void clear_clipboard() override;

private:
    Win32Host& m_host;
};

} // namespace talven
