// The WINDOWSTYLE bits beyond the frame bits 0x000F: the core keeps them
// for the main window, and the host builds and runs the window by them.
#pragma once

#include <cstdint>

namespace talven::window_style {

constexpr std::int32_t no_menu = 0x0010;
constexpr std::int32_t hollow_background = 0x0020;
constexpr std::int32_t popup = 0x0040;
// WM_SYSKEYDOWN and WM_SYSCOMMAND reach the program as menu commands.
constexpr std::int32_t system_keys = 0x0080;
// WM_SYSCOMMAND reaches the program as a menu command.
constexpr std::int32_t system_commands = 0x0100;
constexpr std::int32_t dialog_style = 0x0200;

} // namespace talven::window_style
