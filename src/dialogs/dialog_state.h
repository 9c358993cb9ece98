// What the built-in dialogs leave behind for the program: the dialog
// result, the last confirmed input and selection, and the last list index.
#pragma once

#include <cstdint>

#include "core/short_string.h"

namespace talven {

struct DialogState {
    // 1 after OK, 2 after Cancel; the pressed button's id after a message box.
    std::int32_t result = 0;
    ShortString last_input;
    // The last confirmed list selection, or the path of the last confirmed
    // open dialog.
    ShortString last_selected;
    std::int32_t last_list_index = 0;
};

} // namespace talven
