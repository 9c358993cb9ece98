// The message catalogue: every number the runtime reports, with its German
// text exactly as the system shows it, made from the message list.
#include "core/messages.h"

namespace talven {

std::string_view message_text(int number)
{
    switch (number) {
#define TALVEN_MESSAGE(name, value, text) case value: return text;
#include "core/message_list.h"
    }
    return "UNERWARTETER FEHLER!";
}

} // namespace talven
