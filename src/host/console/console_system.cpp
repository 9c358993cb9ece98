#include "host/console/console_system.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "host/console/codepage.h"
#include "host/console/console_files.h"
#include "host/console/console_profile.h"
#include "host/host.h"
#include "values/conversions.h"

extern char** environ;

namespace talven {
namespace {

// --- INI texts ---------------------------------------------------------------

struct IniLine {
    std::string_view body;  // without its line end
    std::string_view end;   // "\r\n", "\n", or "" for a last line without one
};

std::vector<IniLine> ini_lines(std::string_view text)
{
    std::vector<IniLine> lines;
    while (!text.empty()) {
        std::size_t n = text.find('\n');
        if (n == std::string_view::npos) {
            lines.push_back({text, {}});
            break;
        }
        std::size_t body = n > 0 && text[n - 1] == '\r' ? n - 1 : n;
        lines.push_back({text.substr(0, body), text.substr(body, n + 1 - body)});
        text.remove_prefix(n + 1);
    }
    return lines;
}

// A section header's name, trimmed; nothing for other lines.
std::optional<std::string_view> section_name(std::string_view body)
{
    std::string_view line = trim_blanks(body);
    if (line.empty() || line.front() != '[')
        return std::nullopt;
    std::size_t close = line.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return trim_blanks(line.substr(1, close - 1));
}

struct IniEntry {
    std::string_view name;
    std::string_view value;
};

// An entry line's name and value, both trimmed; comments and lines without
// "=" are none.
std::optional<IniEntry> entry_of(std::string_view body)
{
    std::string_view line = trim_blanks(body);
    std::size_t equals = line.find('=');
    if (line.empty() || line.front() == ';' || equals == std::string_view::npos)
        return std::nullopt;
    return IniEntry{trim_blanks(line.substr(0, equals)), trim_blanks(line.substr(equals + 1))};
}

struct SectionSpan {
    std::size_t header;  // index of the header line
    std::size_t end;     // index after its last line
};

std::optional<SectionSpan> find_section(const std::vector<IniLine>& lines, std::string_view section)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        auto name = section_name(lines[i].body);
        if (!name || !is_upper_ansi_equal(*name, section))
            continue;
        std::size_t end = i + 1;
        while (end < lines.size() && !section_name(lines[end].body))
            ++end;
        return SectionSpan{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> find_entry(const std::vector<IniLine>& lines, SectionSpan span, std::string_view entry)
{
    for (std::size_t i = span.header + 1; i < span.end; ++i)
        if (auto e = entry_of(lines[i].body); e && is_upper_ansi_equal(e->name, entry))
            return i;
    return std::nullopt;
}

bool holds_line_break(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// --- the registry file ---------------------------------------------------------

constexpr const char* root_names[] = {
    "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER",    "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA",
};

// Performance data and dynamic data hold no keys of their own.
bool root_holds_keys(std::uint32_t index) { return index != 4 && index != 6; }

// Registry names and values may hold every character: those that the file
// would read otherwise ("%", control characters, the specials, blanks at
// either end, a quote at the start) are written as "%" and two hex digits.
std::string escaped(std::string_view text, std::string_view specials)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        bool at_edge = i == 0 || i + 1 == text.size();
        bool plain = c >= 32 && c != '%' && specials.find(static_cast<char>(c)) == std::string_view::npos &&
                     !(at_edge && c == ' ') && !(i == 0 && (c == '"' || c == '\''));
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string unescaped(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex_digit(text[i + 1]) >= 0 && hex_digit(text[i + 2]) >= 0) {
            out += static_cast<char>(hex_digit(text[i + 1]) * 16 + hex_digit(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string key_section(std::uint32_t index, std::string_view subkey)
{
    std::string name = root_names[index];
    if (!subkey.empty())
        name += "\\" + escaped(subkey, "]");
    return name;
}

// The empty name is the key's default value.
std::string value_entry(std::string_view name) { return name.empty() ? std::string("@") : escaped(name, "=[];@"); }

// A key exists when it was created, or a key below it was.
bool key_exists(std::string_view text, std::string_view section)
{
    for (const IniLine& line : ini_lines(text)) {
        auto name = section_name(line.body);
        if (!name)
            continue;
        if (is_upper_ansi_equal(*name, section))
            return true;
        if (name->size() > section.size() && (*name)[section.size()] == '\\' &&
            is_upper_ansi_equal(name->substr(0, section.size()), section))
            return true;
    }
    return false;
}

constexpr const char* registry_file = "REGISTRY.INI";

// --- programs --------------------------------------------------------------------

bool has_folder(std::string_view name)
{
    bool drive = name.size() >= 2 && name[1] == ':';
    return drive || name.find_first_of("\\/") != std::string_view::npos;
}

// The code the platform's WinExec gives for a program that did not start.
std::uint32_t start_error(int error)
{
    if (error == ENOEXEC)
        return 11;
    FsCode code = windows_code(error);
    return code > 0 && code < 32 ? code : 11;
}

class SpawnSetup {
public:
    SpawnSetup()
    {
        posix_spawn_file_actions_init(&actions);
        // The keyboard belongs to the runtime; nothing else of it is passed on.
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
        posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#endif
        posix_spawnattr_init(&attributes);
        sigset_t all, none;
        sigfillset(&all);
        sigemptyset(&none);
        posix_spawnattr_setsigdefault(&attributes, &all);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    }
    ~SpawnSetup()
    {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
};

// Starts the command line's program; its process id, or the errno value.
std::pair<pid_t, int> spawn(std::string_view command_line)
{
    std::vector<std::string> args = split_command_line(command_line);
    if (args.empty() || args[0].empty())
        return {0, ENOENT};
    std::string program = has_folder(args[0]) ? resolve_native_path(args[0]) : ansi_to_utf8(args[0]);
    return start_process(program, args);
}

} // namespace

std::pair<pid_t, int> start_process(const std::string& program, const std::vector<std::string>& args)
{
    std::vector<std::string> utf8;
    utf8.reserve(args.size());
    for (const std::string& a : args)
        utf8.push_back(ansi_to_utf8(a));
    std::vector<char*> argv;
    for (std::string& a : utf8)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    SpawnSetup setup;
    pid_t pid = 0;
    int error = posix_spawnp(&pid, program.c_str(), &setup.actions, &setup.attributes, argv.data(), environ);
    if (error != 0)
        return {0, error};
    return {pid, 0};
}

// --- INI texts ---------------------------------------------------------------

std::optional<std::string> ini_with_entry(std::string_view text, std::string_view section, std::string_view entry,
                                          std::string_view value)
{
    section = trim_blanks(section);
    entry = trim_blanks(entry);
    // Blanks around a value would be dropped when it is read.
    value = trim_blanks(value);
    // What would read back as another line, another section, a comment or
    // another entry is not written.
    if (holds_line_break(section) || holds_line_break(entry) || holds_line_break(value) ||
        section.find(']') != std::string_view::npos || entry.empty() ||
        entry.find('=') != std::string_view::npos || entry.front() == '[' || entry.front() == ';')
        return std::nullopt;

    std::vector<IniLine> lines = ini_lines(text);
    std::string_view style = "\r\n";
    if (!lines.empty() && !lines.front().end.empty())
        style = lines.front().end;

    std::string new_line;
    std::optional<std::size_t> replace;
    std::optional<std::size_t> after;  // insert after this line
    if (auto span = find_section(lines, section)) {
        if (auto at = find_entry(lines, *span, entry)) {
            // The entry keeps its name as the file spells it.
            new_line = std::string(entry_of(lines[*at].body)->name) + "=" + std::string(value);
            replace = at;
        } else {
            // After the section's last line that is not blank.
            std::size_t last = span->header;
            for (std::size_t i = span->header + 1; i < span->end; ++i)
                if (!trim_blanks(lines[i].body).empty())
                    last = i;
            new_line = std::string(entry) + "=" + std::string(value);
            after = last;
        }
    }

    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (replace && *replace == i) {
            out += new_line;
            out += lines[i].end;
            continue;
        }
        out += lines[i].body;
        if (after && *after == i) {
            out += lines[i].end.empty() ? style : lines[i].end;
            out += new_line;
            out += lines[i].end.empty() ? std::string_view() : lines[i].end;
            // A last line without an end keeps having none.
            continue;
        }
        out += lines[i].end;
    }
    if (!replace && !after) {
        if (!out.empty() && out.back() != '\n')
            out += style;
        out += "[";
        out += section;
        out += "]";
        out += style;
        out += entry;
        out += "=";
        out += value;
        out += style;
    }
    return out;
}

std::optional<std::string> ini_value(std::string_view text, std::string_view section, std::string_view entry)
{
    std::vector<IniLine> lines = ini_lines(text);
    auto span = find_section(lines, trim_blanks(section));
    if (!span)
        return std::nullopt;
    auto at = find_entry(lines, *span, trim_blanks(entry));
    if (!at)
        return std::nullopt;
    std::string_view value = entry_of(lines[*at].body)->value;
    // Quotes around the value are not part of it.
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

std::vector<std::string> split_command_line(std::string_view line)
{
    std::vector<std::string> args;
    std::size_t i = 0;
    auto blank = [&](std::size_t k) { return k < line.size() && (line[k] == ' ' || line[k] == '\t'); };
    while (blank(i))
        ++i;
    if (i >= line.size())
        return args;
    // The program's name: no backslash rules, quotes only group.
    std::string first;
    if (line[i] == '"') {
        ++i;
        while (i < line.size() && line[i] != '"')
            first += line[i++];
        if (i < line.size())
            ++i;
    } else {
        while (i < line.size() && !blank(i))
            first += line[i++];
    }
    args.push_back(first);
    while (blank(i))
        ++i;
    if (i >= line.size())
        return args;

    std::string current;
    int quotes = 0;        // odd while inside quotes
    std::size_t slashes = 0;
    while (i < line.size()) {
        char c = line[i];
        if ((c == ' ' || c == '\t') && quotes == 0) {
            args.push_back(current);
            current.clear();
            slashes = 0;
            while (blank(i))
                ++i;
            if (i >= line.size())
                return args;
            continue;
        }
        if (c == '\\') {
            current += c;
            ++slashes;
            ++i;
            continue;
        }
        if (c == '"') {
            // 2n backslashes: n of them, and the quote groups; 2n + 1: n and a
            // quote of the text.
            if (slashes % 2 == 0) {
                current.resize(current.size() - slashes / 2);
                ++quotes;
            } else {
                current.resize(current.size() - slashes / 2 - 1);
                current += '"';
            }
            slashes = 0;
            ++i;
            // Quotes in a row: every third is one of the text.
            while (i < line.size() && line[i] == '"') {
                if (++quotes == 3) {
                    current += '"';
                    quotes = 0;
                }
                ++i;
            }
            if (quotes == 2)
                quotes = 0;
            continue;
        }
        current += c;
        slashes = 0;
        ++i;
    }
    args.push_back(current);
    return args;
}

// --- the console's services ---------------------------------------------------------

ConsoleSystem::ConsoleSystem(Host& host) : m_host(host), m_windows_directory(console_windows_directory()) {}

std::string ConsoleSystem::profile_name(std::string_view file) const
{
    if (has_folder(file))
        return std::string(file);
    return utf8_to_ansi(m_windows_directory) + "/" + std::string(file);
}

std::optional<std::string> ConsoleSystem::read_file(const std::string& name, bool& missing)
{
    missing = false;
    OpenResult opened = m_host.files().open(name, FileAccess::Read, FileSharing::DenyNone, FileCreation::OpenExisting);
    if (!opened.file) {
        missing = opened.code == fs_code::file_not_found;
        return std::nullopt;
    }
    std::string text;
    char buffer[8192];
    for (;;) {
        Transfer t = opened.file->read(buffer, sizeof buffer);
        text.append(buffer, t.bytes);
        if (t.code != fs_code::ok) {
            opened.file->close();
            return std::nullopt;
        }
        if (t.bytes < sizeof buffer)
            break;
    }
    opened.file->close();
    return text;
}

bool ConsoleSystem::write_file(const std::string& name, std::string_view text)
{
    OpenResult opened =
        m_host.files().open(name, FileAccess::Write, FileSharing::DenyAll, FileCreation::CreateAlways);
    std::string directory = utf8_to_ansi(m_windows_directory) + "/";
    if (!opened.file && opened.code == fs_code::path_not_found && name.starts_with(directory)) {
        // The Windows directory is made on the first write into it.
        std::error_code ignored;
        std::filesystem::create_directories(m_windows_directory, ignored);
        opened = m_host.files().open(name, FileAccess::Write, FileSharing::DenyAll, FileCreation::CreateAlways);
    }
    if (!opened.file)
        return false;
    Transfer t = opened.file->write(text.data(), text.size());
    FsCode closed = opened.file->close();
    return t.code == fs_code::ok && t.bytes == text.size() && closed == fs_code::ok;
}

bool ConsoleSystem::write_profile_string(std::string_view file, std::string_view section, std::string_view entry,
                                         std::string_view value)
{
    if (trim_blanks(file).empty())
        return false;
    std::string name = profile_name(file);
    bool missing = false;
    std::optional<std::string> text = read_file(name, missing);
    if (!text && !missing)
        return false;
    std::optional<std::string> changed = ini_with_entry(text ? *text : std::string(), section, entry, value);
    return changed && write_file(name, *changed);
}

ShortString ConsoleSystem::read_profile_string(std::string_view file, std::string_view section,
                                               std::string_view entry)
{
    if (trim_blanks(file).empty())
        return {};
    bool missing = false;
    std::optional<std::string> text = read_file(profile_name(file), missing);
    if (!text)
        return {};
    std::optional<std::string> value = ini_value(*text, section, entry);
    return value ? ShortString(std::string_view(*value)) : ShortString();
}

RegistryWrite ConsoleSystem::write_registry_string(std::uint32_t root, std::string_view subkey,
                                                   std::string_view name, std::string_view value)
{
    std::uint32_t index = root - 0x80000000u;
    if (index > 6 || !root_holds_keys(index))
        return RegistryWrite::KeyNotCreated;
    std::string file = profile_name(registry_file);
    bool missing = false;
    std::optional<std::string> text = read_file(file, missing);
    if (!text && !missing)
        return RegistryWrite::KeyNotCreated;
    std::optional<std::string> changed = ini_with_entry(text ? *text : std::string(), key_section(index, subkey),
                                                        value_entry(name), escaped(value, ""));
    if (!changed || !write_file(file, *changed))
        return RegistryWrite::ValueNotSet;
    return RegistryWrite::Written;
}

RegistryValue ConsoleSystem::read_registry_string(std::uint32_t root, std::string_view subkey, std::string_view name)
{
    RegistryValue result;
    std::uint32_t index = root - 0x80000000u;
    if (index > 6 || !root_holds_keys(index))
        return result;
    bool missing = false;
    std::optional<std::string> text = read_file(profile_name(registry_file), missing);
    std::string section = key_section(index, subkey);
    // A root always opens.
    if (!subkey.empty() && !(text && key_exists(*text, section)))
        return result;
    result.status = RegistryRead::ValueNotFound;
    if (!text)
        return result;
    if (std::optional<std::string> value = ini_value(*text, section, value_entry(name))) {
        result.status = RegistryRead::Found;
        result.text = ShortString(std::string_view(unescaped(*value)));
    }
    return result;
}

std::optional<ShortString> ConsoleSystem::environment_variable(std::string_view name)
{
    if (name.empty() || name.find('=') != std::string_view::npos)
        return std::nullopt;
    std::string wanted = ansi_to_utf8(name);
    if (const char* value = std::getenv(wanted.c_str()))
        return ShortString(std::string_view(utf8_to_ansi(value)));
    // Names are found in any case, as on the platform the programs know.
    for (char** entry = environ; entry && *entry; ++entry) {
        std::string_view text(*entry);
        std::size_t equals = text.find('=');
        if (equals != std::string_view::npos &&
            is_upper_ansi_equal(utf8_to_ansi(text.substr(0, equals)), name))
            return ShortString(std::string_view(utf8_to_ansi(text.substr(equals + 1))));
    }
    return std::nullopt;
}

void ConsoleSystem::collect_ended()
{
    std::erase_if(m_started, [](pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) != 0; });
}

std::uint32_t ConsoleSystem::start_program(std::string_view command_line, std::int32_t)
{
    collect_ended();
    auto [pid, error] = spawn(command_line);
    if (error != 0)
        return start_error(error);
    m_started.push_back(pid);
    return 33;
}

bool ConsoleSystem::run_program_and_wait(std::string_view command_line, std::int32_t)
{
    auto [pid, error] = spawn(command_line);
    if (error != 0)
        return false;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return true;
}

std::optional<ShortString> ConsoleSystem::clipboard_text()
{
    if (!m_clipboard)
        return std::nullopt;
    // The clipboard's text ends at its first zero.
    std::string_view text = *m_clipboard;
    return ShortString(text.substr(0, text.find('\0')));
}

void ConsoleSystem::put_clipboard_text(std::string_view text) { m_clipboard = std::string(text); }

} // namespace talven
