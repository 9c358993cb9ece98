// The services that connect a program with its system: INI entries and
// registry string values (the first argument picks which), the environment,
// starting programs with or without waiting, ending the session, the help
// viewer and text on the clipboard. The host does each platform call; the
// argument conventions and the warnings are here.
#include <string>

#include "core/dispatch.h"
#include "core/runtime.h"
#include "values/arguments.h"
#include "values/conversions.h"
#include "values/function_results.h"

namespace talven {
namespace {

SystemHost& sys(Runtime& rt) { return rt.host.system(); }

// "%s" replaced by each argument in turn, as the runtime formats its
// registry texts; the result is cut to a short string.
ShortString format_text(std::string_view pattern, std::string_view first, std::string_view second = {})
{
    std::string text;
    std::string_view arguments[] = {first, second};
    std::size_t next = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's' && next < 2) {
            text += arguments[next++];
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return ShortString(std::string_view(text));
}

void registry_warning(Runtime& rt, const ShortString& text) { rt.warning(Msg::Registry, text.view()); }

bool names_registry(std::string_view first)
{
    return first.size() >= 5 && is_upper_ansi_equal(first.substr(0, 5), "HKEY_");
}

// "HKEY_" and a decimal number 0..6 in any case: the root key's handle.
// Any other text after "HKEY_" names no root; that is a warning.
std::optional<std::uint32_t> root_key(Runtime& rt, std::string_view first)
{
    std::string_view number = first.substr(5);
    std::uint32_t n = 0;
    bool valid = !number.empty() && number.size() <= 9;
    for (char c : number) {
        if (c < '0' || c > '9') {
            valid = false;
            break;
        }
        n = n * 10 + static_cast<std::uint32_t>(c - '0');
    }
    if (valid && n <= 6)
        return 0x80000000u + n;
    ShortString text("Ung\xFCltiger HKEY: ");
    text.append(first);
    registry_warning(rt, text);
    return std::nullopt;
}

void write_registry(Runtime& rt, std::string_view first, std::string_view subkey, std::string_view name,
                    std::string_view value)
{
    auto root = root_key(rt, first);
    if (!root)
        return;
    switch (sys(rt).write_registry_string(*root, subkey, name, value)) {
    case RegistryWrite::Written:
        break;
    case RegistryWrite::KeyNotCreated:
        registry_warning(rt, format_text("RegCreateKeyEx scheiterte f\xFCr \"%s\".", subkey));
        break;
    case RegistryWrite::ValueNotSet:
        registry_warning(rt, format_text("RegSetValueEX scheiterte f\xFCr \"%s\" : \"%s\".", subkey, name));
        break;
    }
}

// File or root key, section or subkey, entry or value name "=" value.
void cmd_writeini(Runtime& rt)
{
    auto first = arg_text(rt, ',');
    if (!first)
        return;
    auto section = arg_text(rt, ',');
    if (!section)
        return;
    auto entry = arg_text(rt, '=');
    if (!entry)
        return;
    auto value = arg_text(rt, rest_of_text);
    if (!value)
        return;
    if (names_registry(first->view())) {
        write_registry(rt, first->view(), section->view(), entry->view(), value->view());
        return;
    }
    if (!sys(rt).write_profile_string(first->view(), section->view(), entry->view(), value->view()))
        rt.warning(Msg::WriteError, first->view());
}

// The registry value, or the empty text after a warning.
ShortString read_registry(Runtime& rt, std::string_view first, std::string_view subkey, std::string_view name)
{
    auto root = root_key(rt, first);
    if (!root)
        return {};
    RegistryValue value = sys(rt).read_registry_string(*root, subkey, name);
    switch (value.status) {
    case RegistryRead::Found:
        return value.text;
    case RegistryRead::KeyNotOpened:
        registry_warning(rt, format_text("RegOpenkeyEx scheiterte f\xFCr \"%s\".", subkey));
        break;
    case RegistryRead::ValueNotFound:
        registry_warning(rt, format_text("\"%s\" nicht in \"%s\" gefunden.", name, subkey));
        break;
    }
    return {};
}

// File or root key, section or subkey, entry or value name. Blanks and
// control characters around the value are dropped.
void fn_readini_str(Runtime& rt)
{
    ShortString first = *arg_text(rt, ',');
    ShortString section = *arg_text(rt, ',');
    ShortString entry = *arg_text(rt, ')');
    ShortString value = names_registry(first.view())
                            ? read_registry(rt, first.view(), section.view(), entry.view())
                            : sys(rt).read_profile_string(first.view(), section.view(), entry.view());
    result_text(rt, trim_blanks(value.view()));
}

void fn_getenv_str(Runtime& rt)
{
    ShortString name = *arg_text(rt, ')');
    std::optional<ShortString> value = sys(rt).environment_variable(name.view());
    result_text(rt, value ? value->view() : std::string_view());
}

constexpr std::int32_t show_normal = 1;

// Show modes outside 0..9 hide the program.
std::int32_t show_mode(std::int32_t mode) { return mode >= 0 && mode <= 9 ? mode : 0; }

void cmd_run(Runtime& rt)
{
    auto command = arg_text(rt, rest_of_text);
    if (command)
        sys(rt).start_program(command->view(), show_normal);
}

// The program is started, then this one ends as END ends it.
void cmd_runend(Runtime& rt)
{
    auto command = arg_text(rt, rest_of_text);
    if (!command)
        return;
    sys(rt).start_program(command->view(), show_normal);
    rt.loop.stop = true;
}

// Command line, show mode: the platform's result, 32 or more when the
// program started, else its error code.
void fn_winexec(Runtime& rt)
{
    ShortString command = *arg_text(rt, ',');
    std::int32_t show = *arg_integer(rt, ')');
    result_long(rt, static_cast<std::int32_t>(sys(rt).start_program(command.view(), show_mode(show))));
}

// Command line, show mode: 1 once the program has ended, 0 when it could
// not be started.
void fn_runwait(Runtime& rt)
{
    ShortString command = *arg_text(rt, ',');
    std::int32_t show = *arg_integer(rt, ')');
    result_integer(rt, sys(rt).run_program_and_wait(command.view(), show_mode(show)) ? 1 : 0);
}

constexpr std::uint32_t exit_shutdown = 1;           // EWX_SHUTDOWN
constexpr std::uint32_t exit_reboot_forced = 66;     // EWX_REBOOT | EWX_FORCEIFHUNG

void cmd_exitwindows(Runtime& rt)
{
    auto mode = arg_long(rt, rest_of_text);
    if (mode)
        sys(rt).exit_windows(*mode != 0 ? exit_reboot_forced : exit_shutdown);
}

// Help file, topic: "?" the help on help, "*" the index, anything else a
// keyword to look up.
void cmd_winhelp(Runtime& rt)
{
    auto file = arg_text(rt, ',');
    if (!file)
        return;
    auto topic = arg_text(rt, rest_of_text);
    if (!topic)
        return;
    if (topic->view() == "?")
        sys(rt).win_help(file->view(), HelpCommand::HelpOnHelp, {});
    else if (topic->view() == "*")
        sys(rt).win_help(file->view(), HelpCommand::Index, {});
    else
        sys(rt).win_help(file->view(), HelpCommand::Key, topic->view());
}

void fn_getclip_str(Runtime& rt)
{
    std::optional<ShortString> text = sys(rt).clipboard_text();
    result_text(rt, text ? text->view() : std::string_view());
}

void cmd_clearclip(Runtime& rt) { sys(rt).clear_clipboard(); }

void cmd_putclip(Runtime& rt)
{
    auto text = arg_text(rt, rest_of_text);
    if (text)
        sys(rt).put_clipboard_text(text->view());
}

constexpr CommandEntry commands[] = {
    {Tok::Writeini, cmd_writeini},
    {Tok::Run, cmd_run},
    {Tok::Runend, cmd_runend},
    {Tok::Exitwindows, cmd_exitwindows},
    {Tok::Winhelp, cmd_winhelp},
    {Tok::Clearclip, cmd_clearclip},
    {Tok::Putclip, cmd_putclip},
};

constexpr FunctionEntry functions[] = {
    {Fn::ReadiniStr, fn_readini_str},
    {Fn::GetenvStr, fn_getenv_str},
    {Fn::Winexec, fn_winexec},
    {Fn::Runwait, fn_runwait},
    {Fn::GetclipStr, fn_getclip_str},
};

} // namespace

std::span<const CommandEntry> system_services_commands() { return commands; }
std::span<const FunctionEntry> system_services_functions() { return functions; }

} // namespace talven
