// What both hosts write for tests and automation: a message box as one
// line "[kind] caption | text", and the fixed clock of TALVEN_FIXED_TIME.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "host/host.h"

namespace talven {

// "error", "warning", "info" or "question".
const char* box_kind_word(BoxIcon icon);

// Line breaks become one blank each; a CR LF pair is one line break.
std::string box_line_text(std::string_view text);

// "YYYY-MM-DD HH:MM:SS[.fraction]" (the time may be left out); nothing when
// the text is no such date.
std::optional<LocalTime> parse_fixed_time(const char* text);

} // namespace talven
