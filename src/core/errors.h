// Composition of the texts that error and warning boxes show.
#pragma once

#include <string_view>

#include "core/messages.h"
#include "core/short_string.h"

namespace talven {

struct Runtime;

// "Zeile" and the current line number right-aligned in six places, then
// "!"; before the program is loaded, the contents of the line buffer.
ShortString error_box_text(const Runtime& rt);

// The message text followed by the extra text, cut at 255 characters.
ShortString message_with_extra(Msg msg, std::string_view extra);

} // namespace talven
