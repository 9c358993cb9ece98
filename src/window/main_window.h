// The main window as the core sees it: its placement and style settings,
// the paint mode, and the two checks every window command starts with.
// The window itself lives in the host; the core asks the host to create it
// on first use and learns the text-screen capacity from it.
#pragma once

#include <cstdint>
#include <span>

#include "core/dispatch.h"
#include "window/window_style.h"

namespace talven {

struct Runtime;

struct MainWindowState {
    // The core asked the host for the window and got it; the host may have
    // lost it since (a closed or destroyed window), see window_exists.
    bool created = false;
    // A STARTPAINT target is active: drawing commands work without the
    // window. Set and cleared by the drawing side.
    bool paint_target = false;
    // The window rectangle and the print-area size.
    std::int32_t x = 0, y = 0, width = 640, height = 480;
    std::int32_t print_width = 640, print_height = 480;
    // Window style bits (WS_*): maximize, minimize, thick frame, system menu.
    std::uint32_t style = 0x000F0000;
    // The WINDOWSTYLE bits 0x0010..0x0200 as given.
    std::int32_t flags = 0;
    std::int32_t paint_mode = 2;
};

// Creates the main window if it does not exist (the text writer, TBOX, CLS,
// WINDOW, menus and printing call it first). A window created now gets a
// text screen of the display's capacity.
void ensure_window(Runtime& rt);

// Whether the window exists now.
bool window_exists(Runtime& rt);

// For drawing commands: true when the window exists or a STARTPAINT target
// is active; otherwise runtime error 237 and false.
bool window_required(Runtime& rt);

} // namespace talven
