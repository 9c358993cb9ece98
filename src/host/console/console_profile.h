// The console host's Windows directory and the user's profile in it: a
// WIN.INI file with the sections the runtime reads ("intl" for the date
// format and the number separators, "windows" for the printer).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace talven {

// $TALVEN_WINDIR, else talven/ under $XDG_CONFIG_HOME, else
// ~/.config/talven. The folder need not exist.
std::string console_windows_directory();

// The value of key in [section] of an INI text (names in any case, blanks
// around the value dropped, ";" lines are comments); nothing when absent.
std::optional<std::string> ini_entry(std::string_view text, std::string_view section, std::string_view key);

// The same for the WIN.INI file of a directory (its name in any case).
std::optional<std::string> profile_entry(const std::string& windows_directory, std::string_view section,
                                         std::string_view key);

// The decimal point and thousands separator of the POSIX locale, when one
// other than "C" is chosen for numbers (UTF-8 texts; nothing otherwise).
std::optional<std::pair<std::string, std::string>> posix_number_separators();

} // namespace talven
