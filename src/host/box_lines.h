// What both hosts write for tests and automation: a message box as one
// line "[kind] caption | text", and the fixed clock of TALVEN_FIXED_TIME.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "host/host.h"

namespace talven {

// "error", "warning", "info", "question", or "message" for a box without
// an icon.
const char* box_kind_word(BoxIcon icon);

// A program's box type, the platform's flags: the button set in the low four
// bits, the icon in the next four, the default button (0 = the first) in the
// next. Button sets the hosts do not name count as OK alone.
struct BoxType {
    BoxIcon icon;
    BoxButtons buttons;
    int default_button;
};
BoxType decode_box_type(std::uint32_t type);

// The button that answers a box nobody is asked about: the default one.
BoxAnswer default_answer(const BoxType& type);

// Line breaks become one blank each; a CR LF pair is one line break.
std::string box_line_text(std::string_view text);

// "[kind] caption | text" and a line feed, in the bytes given, with the line
// breaks of caption and text as box_line_text makes them.
std::string box_line(BoxIcon icon, std::string_view caption, std::string_view text);

// "YYYY-MM-DD HH:MM:SS[.fraction]" (the time may be left out); nothing when
// the text is no such date.
std::optional<LocalTime> parse_fixed_time(const char* text);

} // namespace talven
