// Windows-1252, the runtime's character set, against UTF-8, the console's.
#pragma once

#include <string>
#include <string_view>

#include "core/short_string.h"

namespace talven {

std::string ansi_to_utf8(std::string_view ansi);

// Characters that Windows-1252 cannot hold become "?".
std::string utf8_to_ansi(std::string_view utf8);

// Code page 850, the OEM code page of the console host, against Windows-1252.
// Characters without a counterpart become "?".
std::string ansi_to_cp850(std::string_view ansi);
std::string cp850_to_ansi(std::string_view oem);

} // namespace talven
