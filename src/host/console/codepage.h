// Windows-1252, the runtime's character set, against UTF-8, the console's.
#pragma once

#include <string>
#include <string_view>

#include "core/short_string.h"

namespace talven {

std::string ansi_to_utf8(std::string_view ansi);

// Characters that Windows-1252 cannot hold become "?".
std::string utf8_to_ansi(std::string_view utf8);

} // namespace talven
