// What the dialogs and menus keep between program lines: the dialog result
// and the last confirmed input and selection, the running control id and
// font switch, the popup menus being built, and the Alt latch of typed keys.
#pragma once

#include <array>
#include <cstdint>

#include "core/short_string.h"

namespace talven {

struct MenuState {
    static constexpr int max_depth = 11;

    // The drop-down or context menu that receives new items; 0 after
    // TRACKMENU has shown (and destroyed) a context menu.
    std::uint32_t current_popup = 0;
    // The current popup came from CONTEXTMENU: TRACKMENU destroys it. A
    // popup of the menu bar stays in the bar.
    bool current_is_context = false;
    // The parents SUBPOPUP saved, at depths 1..max_depth.
    std::array<std::uint32_t, max_depth + 1> parents{};
    std::array<bool, max_depth + 1> parent_is_context{};
    std::int32_t depth = 0;
};

struct DialogState {
    // 1 after OK, 2 after Cancel; the pressed button's id after a message box.
    std::int32_t result = 0;
    ShortString last_input;
    // The last confirmed list selection, or the path of the last confirmed
    // open dialog.
    ShortString last_selected;
    std::int32_t last_list_index = 0;

    // The id of the next button, edit, list, combo box or scroll bar; it
    // only grows, failed creations included.
    std::int32_t next_control_id = 1000;
    // CONTROLFONT: new controls get the current drawing font.
    bool control_font = false;

    MenuState menus;

    // @SENDVKEY sent Alt: the next single key goes with scan value 1.
    bool alt_latch = false;
};

} // namespace talven
