// Message numbers of the catalogue. The texts are the system's own and are
// shown byte for byte (Windows-1252).
#pragma once

#include <string_view>

namespace talven {

// Made from the message list, where each message is named once.
enum class Msg : int {
#define TALVEN_MESSAGE(name, value, text) name = value,
#include "core/message_list.h"
};

// The text of a message number; "UNERWARTETER FEHLER!" for any number
// outside the catalogue.
std::string_view message_text(int number);
inline std::string_view message_text(Msg msg) { return message_text(static_cast<int>(msg)); }

} // namespace talven
