// The main window: its class and creation, the two surfaces, the window
// procedures that record into the event state, the pump, the waits, the
// timer, the text screen drawn with the stock fonts, and the DDE client.
#include "host/win32/win32_handles.h"
#include "host/win32/win32_host.h"

#include <dde.h>

#include <algorithm>
#include <string>
#include <vector>

namespace talven {
namespace {

constexpr UINT_PTR timer_id = 1;
constexpr int text_fonts[4] = {ANSI_FIXED_FONT, OEM_FIXED_FONT, SYSTEM_FIXED_FONT, SYSTEM_FIXED_FONT};

// The text palette as COLORREFs.
constexpr COLORREF text_palette[16] = {
    RGB(0x00, 0x00, 0x00), RGB(0x00, 0x00, 0x88), RGB(0x00, 0x88, 0x00), RGB(0x88, 0x00, 0x88),
    RGB(0x88, 0x00, 0x00), RGB(0x00, 0x88, 0x88), RGB(0x88, 0x88, 0x00), RGB(0xCC, 0xCC, 0xCC),
    RGB(0x44, 0x44, 0x44), RGB(0x00, 0x00, 0xFF), RGB(0x00, 0xFF, 0x00), RGB(0xFF, 0x00, 0xFF),
    RGB(0xFF, 0x00, 0x00), RGB(0x00, 0xFF, 0xFF), RGB(0xFF, 0xFF, 0x00), RGB(0xFF, 0xFF, 0xFF),
};

Win32Host* the_host = nullptr;

LRESULT CALLBACK main_window_procedure(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    return the_host ? the_host->main_procedure(w, m, wp, lp) : DefWindowProcA(w, m, wp, lp);
}

LRESULT CALLBACK program_dialog_procedure(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    return the_host ? the_host->dialog_procedure(w, m, wp, lp) : DefDlgProcA(w, m, wp, lp);
}

std::int16_t low_word(LPARAM lp) { return static_cast<std::int16_t>(lp & 0xFFFF); }
std::int16_t high_word(LPARAM lp) { return static_cast<std::int16_t>((lp >> 16) & 0xFFFF); }

} // namespace

void Win32Host::bind_events(EventState* events)
{
    // Between runs the window procedures record into a spare state.
    m_events = events ? events : &m_spare_events;
    the_host = this;
}

// --- creation ----------------------------------------------------------------

// The class of the program's dialog windows exists from the start.
void Win32Host::register_dialog_class()
{
    the_host = this;
    WNDCLASSA dialog{};
    dialog.style = CS_CLASSDC;
    dialog.lpfnWndProc = program_dialog_procedure;
    dialog.cbWndExtra = 30 + DLGWINDOWEXTRA;
    dialog.hInstance = m_instance;
    dialog.hIcon = LoadIconA(m_instance, "TALVEN");
    dialog.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    dialog.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    dialog.lpszClassName = "DIALOG";
    RegisterClassA(&dialog);
}

std::optional<Host::TextCapacity> Win32Host::create_main_window(const WindowSetup& setup)
{
    if (m_main)
        return std::nullopt;
    the_host = this;
    HDC info = CreateICA("DISPLAY", nullptr, nullptr, nullptr);
    if (info) {
        m_screen_width = GetDeviceCaps(info, HORZRES);
        m_screen_height = GetDeviceCaps(info, VERTRES);
        DeleteDC(info);
    }
    m_flags = setup.flags;
    m_paint_mode = setup.paint_mode;
    HMENU menu = (setup.flags & window_style::no_menu) ? nullptr : LoadMenuA(m_instance, "LEER");
    bool dialog_style = setup.flags & window_style::dialog_style;
    if (!m_fenster_registered) {
        WNDCLASSA c{};
        c.style = CS_VREDRAW | CS_HREDRAW | CS_OWNDC | CS_BYTEALIGNWINDOW;
        c.lpfnWndProc = main_window_procedure;
        c.cbWndExtra = 30 + (dialog_style ? DLGWINDOWEXTRA : 0);
        c.hInstance = m_instance;
        c.hIcon = LoadIconA(m_instance, "TALVEN");
        c.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        bool hollow = setup.flags & window_style::hollow_background;
        c.hbrBackground = static_cast<HBRUSH>(GetStockObject(hollow ? HOLLOW_BRUSH : WHITE_BRUSH));
        c.lpszClassName = "FENSTER";
        m_fenster_registered = RegisterClassA(&c) != 0;
    }
    std::string title(setup.title);
    m_main = CreateWindowExA(0, "FENSTER", title.c_str(), setup.style, 0, 0, m_screen_width, m_screen_height,
                             nullptr, menu, m_instance, nullptr);
    if (!m_main)
        return std::nullopt;
    SetWindowPos(m_main, nullptr, setup.x, setup.y, setup.width, setup.height, SWP_NOZORDER);
    STARTUPINFOA start{};
    start.cb = sizeof start;
    GetStartupInfoA(&start);
    ShowWindow(m_main, (start.dwFlags & STARTF_USESHOWWINDOW) ? start.wShowWindow : SW_SHOWNORMAL);

    m_window_dc = GetDC(m_main);
    SetStretchBltMode(m_window_dc, COLORONCOLOR);
    m_backing_dc = CreateCompatibleDC(m_window_dc);
    m_backing_bitmap = CreateCompatibleBitmap(m_window_dc, m_screen_width, m_screen_height);
    m_old_bitmap = SelectObject(m_backing_dc, m_backing_bitmap);
    SetStretchBltMode(m_backing_dc, COLORONCOLOR);
    BitBlt(m_backing_dc, 0, 0, m_screen_width, m_screen_height, m_window_dc, 0, 0, SRCCOPY);
    // The window's own pixels are not yet painted under every display: the
    // surface starts white, as the window's background.
    if (!(setup.flags & window_style::hollow_background))
        PatBlt(m_backing_dc, 0, 0, m_screen_width, m_screen_height, WHITENESS);
    HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
    SetCursor(arrow);
    SetClassLongPtrA(m_main, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(arrow));
    compute_cell_metrics();
    // As many columns as cells of the text fonts fit on the screen.
    return TextCapacity{std::max(m_screen_width / m_cell_width, 1), std::max(m_screen_height / 15, 1)};
}

void Win32Host::destroy_main_window()
{
    if (m_main)
        DestroyWindow(m_main);
    // WM_DESTROY posted the quit message for a window closed by the user;
    // here the program itself ends, so it must not linger in the queue.
    MSG msg;
    PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

void Win32Host::compute_cell_metrics()
{
    HDC dc = m_window_dc ? m_window_dc : GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, GetStockObject(text_fonts[1]));
    int width = 0, height = 0, ascent = 0;
    for (int f = 1; f <= 2; ++f) {
        SelectObject(dc, GetStockObject(text_fonts[f]));
        TEXTMETRICA tm{};
        GetTextMetricsA(dc, &tm);
        // A fixed font advances by its average width; its widest glyph can
        // be wider (a font that stands in for the stock one), and cells that
        // wide would leave gaps between the characters.
        width = std::max(width, static_cast<int>(tm.tmAveCharWidth));
        ascent = std::max(ascent, static_cast<int>(tm.tmAscent));
        int h = tm.tmHeight + tm.tmExternalLeading - 2;
        if (h > height || f == 1) {
            height = h;
            m_tallest_font = f;
        }
    }
    SelectObject(dc, old);
    if (!m_window_dc)
        ReleaseDC(nullptr, dc);
    m_cell_width = std::max(width, 1);
    m_cell_height = std::max(height, 1);
    m_ascent = ascent;
}

void Win32Host::place_main_window(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                                  bool fill_white)
{
    if (!m_main)
        return;
    if (fill_white) {
        HGDIOBJ white = GetStockObject(WHITE_BRUSH);
        for (HDC dc : {m_window_dc, m_backing_dc}) {
            HGDIOBJ old = SelectObject(dc, white);
            PatBlt(dc, 0, 0, m_screen_width, m_screen_height, PATCOPY);
            SelectObject(dc, old);
        }
    }
    SetWindowPos(m_main, nullptr, x, y, width, height, SWP_NOZORDER);
    InvalidateRect(m_main, nullptr, TRUE);
    UpdateWindow(m_main);
}

void Win32Host::set_window_position(std::uint32_t window, std::int32_t x, std::int32_t y, std::int32_t width,
                                    std::int32_t height, std::uint32_t after)
{
    auto to_handle = [](std::uint32_t n) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(n)); };
    SetWindowPos(to_handle(window), to_handle(after), x, y, width, height, after == 0 ? SWP_NOZORDER : 0);
}

void Win32Host::show_main_window(WindowShow how)
{
    if (!m_main)
        return;
    ShowWindow(m_main, how == WindowShow::Maximized   ? SW_SHOWMAXIMIZED
                       : how == WindowShow::Minimized ? SW_SHOWMINIMIZED
                                                      : SW_SHOWNORMAL);
    UpdateWindow(m_main);
}

void Win32Host::repaint_main_window()
{
    if (!m_main)
        return;
    InvalidateRect(m_main, nullptr, FALSE);
    UpdateWindow(m_main);
}

// --- recording ---------------------------------------------------------------

void Win32Host::record_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    m_events->last_message = {number_of(window), message, static_cast<std::uint32_t>(wparam),
                              static_cast<std::uint32_t>(lparam)};
}

void Win32Host::command_event(WPARAM wparam, LPARAM lparam)
{
    if (lparam != 0)
        m_events->control_command(LOWORD(wparam), number_of(reinterpret_cast<HWND>(lparam)));
    else
        m_events->menu_command(LOWORD(wparam));
}

// WM_COMMAND as dialog windows (and a dialog-style main window) see it.
// Returns false for a menu command that the caller handles.
bool Win32Host::dialog_style_command(HWND window, WPARAM wparam, LPARAM lparam, bool menu_case)
{
    int id = LOWORD(wparam);
    int code = HIWORD(wparam);
    if (lparam == 0 && id == IDOK) {
        m_events->dialog_enter();
        HWND focus = GetFocus();
        if (focus)
            SetFocus(GetWindow(focus, GW_HWNDNEXT));
        return true;
    }
    if (lparam == 0 && id == IDCANCEL) {
        SetFocus(nullptr);
        m_events->dialog_escape();
        return true;
    }
    if (code == LBN_SELCHANGE) {
        m_events->selection_changed();
        return true;
    }
    if (code == BN_CLICKED && lparam != 0) {
        SetFocus(reinterpret_cast<HWND>(lparam));
        m_events->control_used(number_of(GetFocus()));
        return true;
    }
    (void)window;
    if (code == 0 && menu_case)
        return false;
    return true;
}

void Win32Host::scroll_bar(HWND bar, WPARAM wparam)
{
    if (!bar)
        return;
    int low = 0, high = 0;
    GetScrollRange(bar, SB_CTL, &low, &high);
    int at = GetScrollPos(bar, SB_CTL);
    int page = std::max((high - low + 1) / 10, 1);
    switch (LOWORD(wparam)) {
    case SB_LINEUP: if (at > low) --at; break;
    case SB_LINEDOWN: if (at < high) ++at; break;
    case SB_PAGEUP: at = std::max(at - page, low); break;
    case SB_PAGEDOWN: at = std::min(at + page, high); break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: at = static_cast<std::int16_t>(HIWORD(wparam)); break;
    case SB_TOP: at = low; break;
    case SB_BOTTOM: at = high; break;
    default: return;
    }
    SetScrollPos(bar, SB_CTL, at, TRUE);
}

void Win32Host::paint(HWND window)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (m_paint_mode > 0 && m_backing_dc)
        BitBlt(dc, 0, 0, m_screen_width, m_screen_height, m_backing_dc, 0, 0, SRCCOPY);
    else
        m_events->paint_request = true;
    EndPaint(window, &ps);
}

LRESULT Win32Host::main_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    record_message(window, message, wparam, lparam);
    bool dialog_style = m_flags & window_style::dialog_style;
    auto fallback = [&] {
        return dialog_style ? DefDlgProcA(window, message, wparam, lparam)
                            : DefWindowProcA(window, message, wparam, lparam);
    };
    EventState& e = *m_events;
    switch (message) {
    case WM_DESTROY:
        if (window == m_main) {
            if (m_backing_dc) {
                SelectObject(m_backing_dc, m_old_bitmap);
                DeleteDC(m_backing_dc);
            }
            if (m_backing_bitmap)
                DeleteObject(m_backing_bitmap);
            if (m_window_dc)
                ReleaseDC(window, m_window_dc);
            m_backing_dc = m_window_dc = nullptr;
            m_backing_bitmap = nullptr;
            m_main = nullptr;
            m_caret = false;
            // A timer of the window ends with it.
            if (m_timer && m_timer_window == window) {
                m_timer = 0;
                m_timer_window = nullptr;
            }
            PostQuitMessage(0);
        }
        return 0;
    case WM_SIZE:
        e.window_sized();
        return fallback();
    case WM_SETFOCUS:
        e.focus = number_of(GetFocus());
        e.focused = true;
        return 0;
    case WM_KILLFOCUS:
        e.focused = false;
        return 0;
    case WM_PAINT:
        paint(window);
        return 0;
    case WM_GETMINMAXINFO:
        compute_cell_metrics();
        return fallback();
    case WM_KEYDOWN:
        e.key_down(static_cast<std::uint8_t>(wparam));
        return 0;
    case WM_CHAR:
        e.queue_key(static_cast<std::uint8_t>(wparam));
        return 0;
    case WM_COMMAND:
        if (!dialog_style || !dialog_style_command(window, wparam, lparam, true))
            command_event(wparam, lparam);
        return 0;
    case WM_TIMER:
        if (wparam == timer_id)
            e.timer_tick = true;
        return 0;
    case WM_HSCROLL:
    case WM_VSCROLL: {
        std::uint32_t focus = number_of(GetFocus());
        scroll_bar(reinterpret_cast<HWND>(lparam), wparam);
        e.control_used(focus);
        return 0;
    }
    case WM_MOUSEMOVE:
        e.mouse_x = low_word(lparam);
        e.mouse_y = high_word(lparam);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        e.mouse_x = low_word(lparam);
        e.mouse_y = high_word(lparam);
        if (message == WM_LBUTTONDOWN) {
            e.left_button = true;
            e.right_button = false;
        } else if (message == WM_RBUTTONDOWN) {
            e.right_button = true;
            e.left_button = false;
        } else if (message == WM_LBUTTONUP) {
            e.left_button = false;
        } else {
            e.right_button = false;
        }
        SetFocus(m_main);
        e.focus = number_of(m_main);
        return 0;
    case WM_PARENTNOTIFY:
        if (dialog_style)
            return dialog_procedure(window, message, wparam, lparam);
        if (LOWORD(wparam) == WM_LBUTTONDOWN || LOWORD(wparam) == WM_RBUTTONDOWN) {
            bool left = LOWORD(wparam) == WM_LBUTTONDOWN;
            e.child_left_click = left;
            e.child_right_click = !left;
            e.mouse_x = low_word(lparam);
            e.mouse_y = high_word(lparam);
            e.focus = number_of(GetFocus());
        }
        return 0;
    case WM_DDE_ACK:
        e.dde_server = number_of(reinterpret_cast<HWND>(wparam));
        m_dde_server = reinterpret_cast<HWND>(wparam);
        // The atoms of an answer to the initiate belong to the server; an
        // acknowledged execute hands its block back to be freed by us.
        return 0;
    default:
        return fallback();
    }
}

bool Win32Host::record_dialog_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam, bool sizes)
{
    record_message(window, message, wparam, lparam);
    m_current_dialog = window;
    EventState& e = *m_events;
    switch (message) {
    case WM_PAINT:
        if (m_paint_mode < 2)
            e.paint_request = true;
        return false;
    case WM_SIZE:
        if (sizes)
            e.window_sized();
        return false;
    case WM_SETFOCUS:
        e.focus = number_of(GetFocus());
        e.focused = true;
        return false;
    case WM_COMMAND:
        dialog_style_command(window, wparam, lparam, false);
        return true;
    case WM_TIMER:
        if (wparam == timer_id)
            e.timer_tick = true;
        return true;
    case WM_HSCROLL:
    case WM_VSCROLL: {
        std::uint32_t focus = number_of(GetFocus());
        scroll_bar(reinterpret_cast<HWND>(lparam), wparam);
        e.control_used(focus);
        return true;
    }
    case WM_PARENTNOTIFY:
        if (LOWORD(wparam) == WM_LBUTTONDOWN) {
            char name[8] = {};
            GetClassNameA(GetFocus(), name, sizeof name);
            if (name[0] == 'S' || name[0] == 's') {
                e.mouse_x = low_word(lparam);
                e.mouse_y = high_word(lparam);
            }
        } else if (LOWORD(wparam) == WM_RBUTTONDOWN) {
            SetFocus(nullptr);
            e.child_right_click = true;
            e.child_left_click = false;
            e.mouse_x = low_word(lparam);
            e.mouse_y = high_word(lparam);
        }
        return true;
    default:
        return false;
    }
}

LRESULT Win32Host::dialog_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (record_dialog_message(window, message, wparam, lparam, true))
        return 0;
    return DefDlgProcA(window, message, wparam, lparam);
}

INT_PTR Win32Host::template_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    record_dialog_message(window, message, wparam, lparam, false);
    return FALSE;
}

INT_PTR CALLBACK template_dialog_procedure(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    return the_host ? the_host->template_procedure(w, m, wp, lp) : FALSE;
}

// --- the pump ----------------------------------------------------------------

bool Win32Host::dispatch(MSG& msg)
{
    if ((msg.message >= 0x100 && msg.message <= 0x108) || (msg.message >= 0x200 && msg.message <= 0x209))
        m_events->user_activity = true;
    if (msg.message == WM_QUIT)
        return false;
    // A thread timer (started before the window existed) has no window
    // procedure to tell.
    if (msg.message == WM_TIMER && msg.hwnd == nullptr && m_timer_window == nullptr && msg.wParam == m_timer) {
        m_events->timer_tick = true;
        return true;
    }
    if ((m_flags & window_style::dialog_style) && m_main && IsDialogMessageA(m_main, &msg))
        return true;
    if (m_current_dialog && m_current_dialog != m_main) {
        if (!IsWindow(m_current_dialog))
            m_current_dialog = nullptr;
        else if (IsDialogMessageA(m_current_dialog, &msg))
            return true;
    }
    bool system_keys = m_flags & window_style::system_keys;
    bool system_commands = m_flags & window_style::system_commands;
    if ((system_keys && (msg.message == WM_SYSKEYDOWN || msg.message == WM_SYSCOMMAND)) ||
        (system_commands && msg.message == WM_SYSCOMMAND)) {
        msg.message = WM_COMMAND;
        msg.wParam &= 0xFFFF;
        msg.lParam = 0;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return true;
}

PumpResult Win32Host::pump_messages()
{
    // Down now, and pressed since the last look.
    if ((GetAsyncKeyState(VK_F1) & 0x8001) == 0x8001)
        m_events->help_key_pressed();
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!dispatch(msg))
            return PumpResult::Quit;
    }
    return PumpResult::Continue;
}

bool Win32Host::wait_message()
{
    // Without a window or a timer no message can come.
    if (!m_main && !m_timer && !m_current_dialog)
        return false;
    WaitMessage();
    if (pump_messages() == PumpResult::Quit) {
        m_events->stop_requested = true;
        return false;
    }
    return true;
}

bool Win32Host::wait_one_message()
{
    if (!m_main && !m_timer && !m_current_dialog) {
        MSG peeked;
        if (!PeekMessageA(&peeked, nullptr, 0, 0, PM_NOREMOVE))
            return false;
    }
    MSG msg{};
    GetMessageA(&msg, nullptr, 0, 0);
    m_events->last_message = {number_of(msg.hwnd), msg.message, static_cast<std::uint32_t>(msg.wParam),
                              static_cast<std::uint32_t>(msg.lParam)};
    // A quit message is dispatched like any other: to no window.
    if (msg.message == WM_QUIT)
        return true;
    dispatch(msg);
    return true;
}

void Win32Host::start_timer(std::uint32_t milliseconds)
{
    stop_timer();
    // Before the window exists the timer belongs to the thread.
    m_timer_window = m_main;
    m_timer = SetTimer(m_main, timer_id, milliseconds, nullptr);
    m_events->timer_id = 1;
}

void Win32Host::stop_timer()
{
    if (m_timer)
        KillTimer(m_timer_window, m_timer);
    m_timer = 0;
    m_events->timer_id = 0;
}

// --- the text screen ---------------------------------------------------------

void Win32Host::show_cells(std::int32_t row, std::int32_t column, std::string_view text, std::uint8_t attribute,
                           std::int32_t font)
{
    if (text.empty() || !m_main)
        return;
    font &= 3;
    int x = column * m_cell_width;
    int y = row * m_cell_height;
    // Every character advances by exactly one cell, whatever the font's own
    // advance, so that a glyph stands in its cell however the text is split.
    int count = static_cast<int>(text.size());
    std::vector<INT> advances(static_cast<std::size_t>(count), m_cell_width);
    for (HDC dc : {m_window_dc, m_backing_dc}) {
        HGDIOBJ old = SelectObject(dc, GetStockObject(text_fonts[m_tallest_font]));
        SetTextColor(dc, text_palette[attribute & 15]);
        SetBkColor(dc, text_palette[attribute >> 4]);
        SetBkMode(dc, OPAQUE);
        // A smaller font leaves part of a taller glyph standing: blank the
        // cells with the tallest font first.
        if (font != m_tallest_font) {
            std::string blanks(static_cast<std::size_t>(count), ' ');
            ExtTextOutA(dc, x, y, 0, nullptr, blanks.data(), count, advances.data());
            SelectObject(dc, GetStockObject(text_fonts[font]));
        }
        if (font == 1) {
            // The OEM font's bytes in the OEM code page, given as characters:
            // a font that stands in for the OEM font then still shows them.
            std::wstring wide(text.size(), L' ');
            int n = MultiByteToWideChar(CP_OEMCP, 0, text.data(), count, wide.data(), count);
            ExtTextOutW(dc, x, y, 0, nullptr, wide.data(), static_cast<UINT>(n), advances.data());
        } else {
            ExtTextOutA(dc, x, y, 0, nullptr, text.data(), static_cast<UINT>(count), advances.data());
        }
        SelectObject(dc, old);
    }
}

void Win32Host::scroll_rows(std::int32_t rows)
{
    if (!m_main || rows < 1)
        return;
    int height = rows * m_cell_height;
    // The backing bitmap moves with the window, so that the strip the
    // scroll uncovers repaints from it.
    BitBlt(m_backing_dc, 0, 0, m_screen_width, height - m_cell_height, m_backing_dc, 0, m_cell_height, SRCCOPY);
    RECT area{0, 0, m_screen_width, height};
    ScrollWindow(m_main, 0, -m_cell_height, &area, &area);
    UpdateWindow(m_main);
}

void Win32Host::show_caret(std::int32_t row, std::int32_t column)
{
    // Only a window with the focus shows a caret.
    if (!m_main || !m_events || !m_events->focused)
        return;
    if (!m_caret)
        CreateCaret(m_main, nullptr, m_cell_width, 2);
    SetCaretPos(column * m_cell_width, row * m_cell_height + m_ascent);
    ShowCaret(m_main);
    m_caret = true;
}

void Win32Host::hide_caret()
{
    if (m_caret)
        DestroyCaret();
    m_caret = false;
}

std::optional<LastMessage> Win32Host::peek_message()
{
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE))
        return std::nullopt;
    return LastMessage{number_of(msg.hwnd), msg.message, static_cast<std::uint32_t>(msg.wParam),
                       static_cast<std::uint32_t>(msg.lParam)};
}

// --- DDE ---------------------------------------------------------------------

void Win32Host::dde_initiate(std::string_view application, std::string_view topic)
{
    std::string a(application), t(topic);
    ATOM app_atom = GlobalAddAtomA(a.c_str());
    ATOM topic_atom = GlobalAddAtomA(t.c_str());
    SendMessageA(HWND_BROADCAST, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(m_main), MAKELPARAM(app_atom, topic_atom));
    GlobalDeleteAtom(app_atom);
    GlobalDeleteAtom(topic_atom);
}

void Win32Host::dde_execute(std::string_view command)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, command.size() + 1);
    if (!block)
        return;
    if (auto* p = static_cast<char*>(GlobalLock(block))) {
        std::copy(command.begin(), command.end(), p);
        p[command.size()] = 0;
        GlobalUnlock(block);
    }
    // Without a server, or once it is gone, no acknowledgement can come.
    HWND server = m_dde_server;
    if (!server || !IsWindow(server) ||
        !PostMessageA(server, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(m_main), reinterpret_cast<LPARAM>(block))) {
        GlobalFree(block);
        return;
    }
    for (;;) {
        MSG msg;
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!IsWindow(server))
                break;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
            continue;
        }
        if (msg.message == WM_QUIT) {
            m_events->stop_requested = true;
            break;
        }
        bool ack = msg.message == WM_DDE_ACK;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        if (ack)
            break;
    }
    GlobalFree(block);
}

void Win32Host::dde_terminate()
{
    if (m_dde_server && IsWindow(m_dde_server))
        PostMessageA(m_dde_server, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(m_main), 0);
    m_dde_server = nullptr;
    m_events->dde_server = 0;
}

} // namespace talven
