// The small services that connect a program with its system: entries of
// INI files, string values of the registry, the environment, starting other
// programs, ending the session, the help viewer and text on the clipboard.
// Each operation is one platform thing; which call a program's arguments
// pick, the warnings and the 255-character cut of results belong to the
// core. Texts cross in the ANSI code page.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "core/short_string.h"

namespace talven {

// The outcome of writing a registry string value: the key could not be
// created or opened, or the value could not be set.
enum class RegistryWrite : std::uint8_t { Written, KeyNotCreated, ValueNotSet };

// The outcome of reading one: the key does not open, or holds no such value.
enum class RegistryRead : std::uint8_t { Found, KeyNotOpened, ValueNotFound };

struct RegistryValue {
    RegistryRead status = RegistryRead::KeyNotOpened;
    // The value's text up to its terminating zero, at most 255 characters.
    ShortString text;
};

// The help viewer's commands the runtime uses.
enum class HelpCommand : std::uint32_t { Index = 3, HelpOnHelp = 4, Key = 0x105 };

// A host without a system (the fuzzing host) refuses everything: nothing
// is written, read, started or put on the clipboard.
class SystemHost {
public:
    virtual ~SystemHost() = default;

    // An entry of the INI file of that name, as the platform's private
    // profile functions keep them; false when the file was not written.
    virtual bool write_profile_string(std::string_view file, std::string_view section, std::string_view entry,
                                      std::string_view value)
    {
        return (void)file, (void)section, (void)entry, (void)value, false;
    }
    // The entry's value, at most 255 characters; empty when there is none.
    virtual ShortString read_profile_string(std::string_view file, std::string_view section, std::string_view entry)
    {
        return (void)file, (void)section, (void)entry, ShortString();
    }

    // A string value under a root key (0x80000000 + 0..6) and a subkey,
    // which is created when it does not exist.
    virtual RegistryWrite write_registry_string(std::uint32_t root, std::string_view subkey, std::string_view name,
                                                std::string_view value)
    {
        return (void)root, (void)subkey, (void)name, (void)value, RegistryWrite::KeyNotCreated;
    }
    virtual RegistryValue read_registry_string(std::uint32_t root, std::string_view subkey, std::string_view name)
    {
        return (void)root, (void)subkey, (void)name, RegistryValue{};
    }

    // The variable's value, at most 255 characters; nothing when not set.
    virtual std::optional<ShortString> environment_variable(std::string_view name)
    {
        return (void)name, std::nullopt;
    }

    // Starts a program with a show mode (0..9) and goes on: the platform's
    // WinExec result, 32 or more when it started, else the error code.
    virtual std::uint32_t start_program(std::string_view command_line, std::int32_t show)
    {
        return (void)command_line, (void)show, 2;
    }
    // Starts a program and returns once it has ended; false when it could
    // not be started.
    virtual bool run_program_and_wait(std::string_view command_line, std::int32_t show)
    {
        return (void)command_line, (void)show, false;
    }

    // Ends the session with the platform's flags.
    virtual void exit_windows(std::uint32_t flags) { (void)flags; }
    // The help viewer for the main window; the keyword is passed with the
    // Key command only.
    virtual void win_help(std::string_view file, HelpCommand command, std::string_view keyword)
    {
        (void)file, (void)command, (void)keyword;
    }

    // The text on the clipboard up to its terminating zero, at most 255
    // characters; nothing when it holds no text.
    virtual std::optional<ShortString> clipboard_text() { return std::nullopt; }
    // Puts text on the clipboard without emptying it first.
    virtual void put_clipboard_text(std::string_view text) { (void)text; }
    virtual void clear_clipboard() {}
};

inline SystemHost& no_system()
{
    static SystemHost none;
    return none;
}

} // namespace talven
