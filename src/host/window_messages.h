// The platform's numbers for the messages, styles and flags the core sends
// or passes through, so that the core needs no platform header and an
// in-memory host understands the same numbers a program gives @SENDMSG.
#pragma once

#include <cstdint>

namespace talven::winmsg {

constexpr std::uint32_t get_text_length = 0x000E;  // WM_GETTEXTLENGTH

constexpr std::uint32_t button_get_check = 0x00F0;  // BM_GETCHECK
constexpr std::uint32_t button_set_check = 0x00F1;  // BM_SETCHECK

constexpr std::uint32_t edit_get_line_count = 0x00BA;  // EM_GETLINECOUNT

constexpr std::uint32_t list_add_string = 0x0180;     // LB_ADDSTRING
constexpr std::uint32_t list_insert_string = 0x0181;  // LB_INSERTSTRING
constexpr std::uint32_t list_delete_string = 0x0182;  // LB_DELETESTRING
constexpr std::uint32_t list_reset = 0x0184;          // LB_RESETCONTENT
constexpr std::uint32_t list_set_cur_sel = 0x0186;    // LB_SETCURSEL
constexpr std::uint32_t list_get_cur_sel = 0x0188;    // LB_GETCURSEL
constexpr std::uint32_t list_get_text = 0x0189;       // LB_GETTEXT
constexpr std::uint32_t list_get_text_len = 0x018A;   // LB_GETTEXTLEN
constexpr std::uint32_t list_get_count = 0x018B;      // LB_GETCOUNT
constexpr std::uint32_t list_select_string = 0x018C;  // LB_SELECTSTRING
constexpr std::uint32_t list_find_string = 0x018F;    // LB_FINDSTRING

constexpr std::uint32_t combo_add_string = 0x0143;     // CB_ADDSTRING
constexpr std::uint32_t combo_delete_string = 0x0144;  // CB_DELETESTRING
constexpr std::uint32_t combo_get_count = 0x0146;      // CB_GETCOUNT
constexpr std::uint32_t combo_get_cur_sel = 0x0147;    // CB_GETCURSEL
constexpr std::uint32_t combo_set_cur_sel = 0x014E;    // CB_SETCURSEL

// Window styles the in-memory host tells controls apart by.
constexpr std::uint32_t style_visible = 0x10000000;  // WS_VISIBLE
constexpr std::uint32_t style_disabled = 0x08000000; // WS_DISABLED
constexpr std::uint32_t list_sort = 0x0002;          // LBS_SORT
constexpr std::uint32_t combo_sort = 0x0100;         // CBS_SORT
constexpr std::uint32_t edit_multiline = 0x0004;     // ES_MULTILINE

// LB_ERR / CB_ERR.
constexpr std::int32_t list_error = -1;

} // namespace talven::winmsg
