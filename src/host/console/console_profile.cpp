#include "host/console/console_profile.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "host/console/codepage.h"
#include "host/console/console_files.h"
#include "values/conversions.h"

namespace talven {

std::string console_windows_directory()
{
    if (const char* dir = std::getenv("TALVEN_WINDIR"); dir && *dir)
        return dir;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
        return std::string(config) + "/talven";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.config/talven";
}

std::optional<std::string> ini_entry(std::string_view text, std::string_view section, std::string_view key)
{
    bool in_section = false;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = trim_blanks(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.empty() || line.front() == ';')
            continue;
        if (line.front() == '[') {
            std::size_t close = line.find(']');
            in_section = close != std::string_view::npos && is_upper_ansi_equal(trim_blanks(line.substr(1, close - 1)), section);
            continue;
        }
        std::size_t equals = line.find('=');
        if (in_section && equals != std::string_view::npos && is_upper_ansi_equal(trim_blanks(line.substr(0, equals)), key))
            return std::string(trim_blanks(line.substr(equals + 1)));
    }
    return std::nullopt;
}

std::optional<std::string> profile_entry(const std::string& windows_directory, std::string_view section,
                                         std::string_view key)
{
    std::string path = resolve_native_path(utf8_to_ansi(windows_directory) + "/WIN.INI");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return ini_entry(utf8_to_ansi(text.str()), section, key);
}

std::optional<std::pair<std::string, std::string>> posix_number_separators()
{
    locale_t numbers = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
    if (numbers == static_cast<locale_t>(0))
        return std::nullopt;
    std::optional<std::pair<std::string, std::string>> separators;
    std::string decimal = nl_langinfo_l(RADIXCHAR, numbers);
    std::string thousands = nl_langinfo_l(THOUSEP, numbers);
    // The "C" locale has no thousands separator: it chose nothing.
    if (!(decimal == "." && thousands.empty()))
        separators.emplace(decimal, thousands);
    freelocale(numbers);
    return separators;
}

} // namespace talven
