// Controls, dialog windows, menus and the built-in dialogs on Win32. The
// built-in dialogs are modal DialogBoxParam loops over the runtime's dialog
// templates, owned by the main window: their loop dispatches the main
// window's messages too, so what happens there meanwhile is recorded.
#include "host/win32/win32_dialogs.h"

#include <commdlg.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "host/win32/win32_host.h"
#include "host/win32/win32_handles.h"
#include "host/win32/win32_modules.h"

namespace talven {
namespace {

// The controls of the built-in dialogs' templates.
constexpr int prompt_id = 100;
constexpr int field_id = 101;  // the input edit, the list, the editor
constexpr int copy_id = 102;
constexpr int cut_id = 103;
constexpr int paste_id = 104;

constexpr int input_limit = 254;
constexpr LRESULT most_editor_lines = 32767;
constexpr int list_extent_per_character = 9;

HWND window(std::uint32_t number) { return handle_of<HWND>(number); }
HMENU menu(std::uint32_t number) { return handle_of<HMENU>(number); }

// The program's wParam and lParam carry handles and negative numbers alike.
WPARAM wide_wparam(std::uint32_t n) { return static_cast<WPARAM>(static_cast<std::int32_t>(n)); }
LPARAM wide_lparam(std::uint32_t n) { return static_cast<LPARAM>(static_cast<std::int32_t>(n)); }

// A list box entry; empty when there is none or it is longer than a short
// string.
ShortString list_item(HWND list, std::int32_t index)
{
    LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (index < 0 || length < 0 || length > static_cast<LRESULT>(ShortString::capacity))
        return {};
    char text[ShortString::capacity + 1] = {};
    LRESULT n = SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    return ShortString(std::string_view(text, static_cast<std::size_t>(std::clamp<LRESULT>(n, 0, length))));
}

LPCSTR resource(const ResourceName& name, std::string& text)
{
    if (name.number >= 1)
        return MAKEINTRESOURCEA(name.number);
    text.assign(name.name.view());
    return text.c_str();
}

template <class State>
State* state_of(HWND dialog)
{
    return reinterpret_cast<State*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

template <class State>
State* start_state(HWND dialog, LPARAM lparam)
{
    SetWindowLongPtrA(dialog, DWLP_USER, lparam);
    return reinterpret_cast<State*>(lparam);
}

bool has_text(HWND edit) { return SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0) != 0; }

// --- "INPUT" -----------------------------------------------------------------

struct InputState {
    std::string prompt, title, text;
    ShortString answer;
};

INT_PTR CALLBACK input_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    auto* state = state_of<InputState>(dialog);
    HWND edit = GetDlgItem(dialog, field_id);
    switch (message) {
    case WM_COMMAND:
        if (!state)
            return FALSE;
        if (LOWORD(wparam) == field_id && HIWORD(wparam) == EN_CHANGE) {
            EnableWindow(GetDlgItem(dialog, IDOK), has_text(edit));
        } else if (LOWORD(wparam) == IDOK) {
            // Enter does not reach past a disabled OK.
            if (!IsWindowEnabled(GetDlgItem(dialog, IDOK)))
                return TRUE;
            char text[input_limit + 1] = {};
            int n = GetWindowTextA(edit, text, sizeof text);
            state->answer = std::string_view(text, static_cast<std::size_t>(std::max(n, 0)));
            EndDialog(dialog, 1);
        } else if (LOWORD(wparam) == IDCANCEL) {
            EndDialog(dialog, 0);
        }
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK input_start(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message != WM_INITDIALOG)
        return input_procedure(dialog, message, wparam, lparam);
    auto* state = start_state<InputState>(dialog, lparam);
    HWND edit = GetDlgItem(dialog, field_id);
    SetDlgItemTextA(dialog, prompt_id, state->prompt.c_str());
    SetWindowTextA(dialog, state->title.c_str());
    SendMessageA(edit, EM_LIMITTEXT, input_limit, 0);
    SetWindowTextA(edit, state->text.c_str());
    SendMessageA(edit, EM_SETSEL, 0, -1);
    EnableWindow(GetDlgItem(dialog, IDOK), has_text(edit));
    return TRUE;
}

// --- "LISTBOX1".."LISTBOX8" ----------------------------------------------------

struct SelectState {
    std::string title;
    std::span<const ShortString> entries;
    SelectionAnswer answer;
};

INT_PTR CALLBACK select_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_INITDIALOG) {
        auto* state = start_state<SelectState>(dialog, lparam);
        SetWindowTextA(dialog, state->title.c_str());
        HWND list = GetDlgItem(dialog, field_id);
        std::size_t longest = 0;
        for (const auto& entry : state->entries)
            longest = std::max(longest, entry.size());
        SendMessageA(list, LB_SETHORIZONTALEXTENT, longest * list_extent_per_character, 0);
        for (const auto& entry : state->entries) {
            std::string text(entry.view());
            SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        }
        return TRUE;
    }
    auto* state = state_of<SelectState>(dialog);
    if (message != WM_COMMAND || !state)
        return FALSE;
    int id = LOWORD(wparam);
    int code = HIWORD(wparam);
    if (id == field_id && (code == LBN_SELCHANGE || code == LBN_DBLCLK)) {
        HWND list = GetDlgItem(dialog, field_id);
        auto index = static_cast<std::int32_t>(SendMessageA(list, LB_GETCURSEL, 0, 0));
        state->answer.index = index;
        state->answer.text = list_item(list, index);
        if (code == LBN_DBLCLK)
            EndDialog(dialog, 1);
    } else if (id == IDOK) {
        EndDialog(dialog, 1);
    } else if (id == IDCANCEL) {
        EndDialog(dialog, 0);
    }
    return TRUE;
}

// --- "EDITBOX1" / "EDITBOX2" ---------------------------------------------------

struct EditState {
    std::string title, text;
    std::vector<std::string> lines;
};

// OK while the editor holds text; copying and cutting while its selection
// is not the empty one at the start.
void editor_buttons(HWND dialog, bool text_changed)
{
    HWND edit = GetDlgItem(dialog, field_id);
    if (text_changed)
        EnableWindow(GetDlgItem(dialog, IDOK), has_text(edit));
    bool selection = SendMessageA(edit, EM_GETSEL, 0, 0) != 0;
    EnableWindow(GetDlgItem(dialog, copy_id), selection);
    EnableWindow(GetDlgItem(dialog, cut_id), selection);
}

// Every line whole: EM_GETLINE counts its buffer in a 16-bit word, so a
// longer line is taken from the whole text instead.
std::vector<std::string> editor_lines(HWND edit)
{
    std::vector<std::string> lines;
    LRESULT count = std::min(SendMessageA(edit, EM_GETLINECOUNT, 0, 0), most_editor_lines);
    std::string whole;
    for (LRESULT line = 0; line < count; ++line) {
        LRESULT start = SendMessageA(edit, EM_LINEINDEX, static_cast<WPARAM>(line), 0);
        LRESULT length = start < 0 ? 0 : SendMessageA(edit, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
        if (length > 0xFFFF) {
            if (whole.empty()) {
                whole.resize(static_cast<std::size_t>(SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0)) + 1);
                whole.resize(static_cast<std::size_t>(std::max<LRESULT>(
                    SendMessageA(edit, WM_GETTEXT, whole.size(), reinterpret_cast<LPARAM>(whole.data())), 0)));
            }
            lines.emplace_back(std::string_view(whole).substr(static_cast<std::size_t>(start),
                                                              static_cast<std::size_t>(length)));
            continue;
        }
        std::string text(static_cast<std::size_t>(std::max<LRESULT>(length, 2)), '\0');
        auto size = static_cast<WORD>(length);
        std::memcpy(text.data(), &size, sizeof size);
        LRESULT got = length == 0 ? 0
                                  : SendMessageA(edit, EM_GETLINE, static_cast<WPARAM>(line),
                                                 reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(std::clamp<LRESULT>(got, 0, length)));
        lines.push_back(std::move(text));
    }
    return lines;
}

INT_PTR CALLBACK edit_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_INITDIALOG) {
        auto* state = start_state<EditState>(dialog, lparam);
        SetWindowTextA(dialog, state->title.c_str());
        HWND edit = GetDlgItem(dialog, field_id);
        // No limit: every entry of the list fits, so OK never loses one.
        SendMessageA(edit, EM_SETLIMITTEXT, 0, 0);
        SetWindowTextA(edit, state->text.c_str());
        SendMessageA(edit, EM_SETSEL, 0, -1);
        editor_buttons(dialog, true);
        SetFocus(edit);
        return FALSE;
    }
    auto* state = state_of<EditState>(dialog);
    if (message != WM_COMMAND || !state)
        return FALSE;
    int id = LOWORD(wparam);
    HWND edit = GetDlgItem(dialog, field_id);
    switch (id) {
    case field_id: editor_buttons(dialog, HIWORD(wparam) == EN_CHANGE); break;
    case copy_id: SendMessageA(edit, WM_COPY, 0, 0); break;
    case cut_id: SendMessageA(edit, WM_CUT, 0, 0); break;
    case paste_id: SendMessageA(edit, WM_PASTE, 0, 0); break;
    case IDOK:
        if (!IsWindowEnabled(GetDlgItem(dialog, IDOK)))
            break;
        state->lines = editor_lines(edit);
        EndDialog(dialog, 1);
        break;
    case IDCANCEL: EndDialog(dialog, 0); break;
    default: break;
    }
    return TRUE;
}

} // namespace

HINSTANCE Win32Dialogs::module(std::uint32_t instance) const { return module_of_number(m_instance, instance); }

HWND Win32Dialogs::owner() const { return m_host.main_window(); }

// --- windows and controls ------------------------------------------------------

std::uint32_t Win32Dialogs::create_window(const WindowSpec& spec)
{
    HINSTANCE instance = module(spec.instance);
    if (!instance)
        return 0;
    std::string class_name(spec.class_name), text(spec.text);
    return number_of(CreateWindowExA(0, class_name.c_str(), text.c_str(), spec.style, spec.x, spec.y, spec.width,
                                  spec.height, window(spec.parent), menu(spec.id), instance, nullptr));
}

std::uint32_t Win32Dialogs::create_icon_control(std::uint32_t parent, std::string_view icon, std::int32_t x,
                                                std::int32_t y)
{
    // A static icon control loads the named icon from the instance and
    // takes its size.
    std::string name(icon);
    return number_of(CreateWindowExA(0, "STATIC", name.c_str(), WS_CHILD | WS_VISIBLE | SS_ICON, x, y, 0, 0,
                                  window(parent), nullptr, m_instance, nullptr));
}

std::uint32_t Win32Dialogs::create_template_dialog(std::uint32_t parent, std::string_view title, std::int32_t x,
                                                   std::int32_t y, std::int32_t width, std::int32_t height)
{
    HWND dialog = CreateDialogParamA(m_instance, "LDIALOG", window(parent), template_dialog_procedure, 0);
    if (!dialog)
        return 0;
    std::string text(title);
    SetWindowTextA(dialog, text.c_str());
    SetWindowPos(dialog, nullptr, x, y, width, height, SWP_NOZORDER);
    ShowWindow(dialog, SW_SHOWNORMAL);
    return number_of(dialog);
}

std::uint32_t Win32Dialogs::create_dialog_window(std::uint32_t parent, std::string_view title, std::uint32_t style,
                                                 std::int32_t x, std::int32_t y, std::int32_t width,
                                                 std::int32_t height)
{
    std::string text(title);
    HWND dialog = CreateWindowExA(0, "DIALOG", text.c_str(), style, x, y, width, height, window(parent), nullptr,
                                  m_instance, nullptr);
    if (dialog)
        ShowWindow(dialog, SW_SHOWNORMAL);
    return number_of(dialog);
}

std::uint32_t Win32Dialogs::load_dialog(std::uint32_t instance, std::uint32_t parent, const ResourceName& name)
{
    HINSTANCE from = module(instance);
    if (!from)
        return 0;
    std::string text;
    HWND dialog = CreateDialogParamA(from, resource(name, text), window(parent), template_dialog_procedure, 0);
    if (dialog)
        ShowWindow(dialog, SW_SHOWNORMAL);
    return number_of(dialog);
}

void Win32Dialogs::use_current_font(std::uint32_t control)
{
    auto font = handle_of<HFONT>(m_host.drawing().font_handle());
    SendMessageA(window(control), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

std::int32_t Win32Dialogs::send_message(std::uint32_t target, std::uint32_t message, std::uint32_t wparam,
                                        std::uint32_t lparam)
{
    return static_cast<std::int32_t>(SendMessageA(window(target), message, wide_wparam(wparam), wide_lparam(lparam)));
}

bool Win32Dialogs::post_message(std::uint32_t target, std::uint32_t message, std::uint32_t wparam,
                                std::uint32_t lparam)
{
    return PostMessageA(window(target), message, wide_wparam(wparam), wide_lparam(lparam)) != 0;
}

std::int32_t Win32Dialogs::send_text(std::uint32_t target, std::uint32_t message, std::uint32_t wparam,
                                     std::string_view text)
{
    std::string copy(text);
    return static_cast<std::int32_t>(
        SendMessageA(window(target), message, wide_wparam(wparam), reinterpret_cast<LPARAM>(copy.c_str())));
}

// 256-byte buffers: a text of 255 characters comes back whole.
ShortString Win32Dialogs::control_text(std::uint32_t control, ControlText which, std::int32_t index)
{
    HWND w = window(control);
    char text[ShortString::capacity + 1] = {};
    LRESULT n = 0;
    switch (which) {
    case ControlText::Window:
        n = SendMessageA(w, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
        break;
    case ControlText::ListItem:
        return list_item(w, index);
    case ControlText::EditLine: {
        if (index < 0)
            return {};
        auto size = static_cast<WORD>(ShortString::capacity);
        std::memcpy(text, &size, sizeof size);
        n = SendMessageA(w, EM_GETLINE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
        break;
    }
    }
    n = std::clamp<LRESULT>(n, 0, static_cast<LRESULT>(ShortString::capacity));
    return ShortString(std::string_view(text, static_cast<std::size_t>(n)));
}

void Win32Dialogs::set_window_text(std::uint32_t target, std::string_view text)
{
    std::string copy(text);
    SetWindowTextA(window(target), copy.c_str());
}

std::uint32_t Win32Dialogs::active_window() { return number_of(GetActiveWindow()); }
std::uint32_t Win32Dialogs::activate(std::uint32_t target) { return number_of(SetActiveWindow(window(target))); }

bool Win32Dialogs::show_window(std::uint32_t target, std::int32_t mode)
{
    if (mode < 0 || mode > 9)
        mode = SW_HIDE;
    return ShowWindow(window(target), mode) != 0;
}

std::uint32_t Win32Dialogs::focus_window() { return number_of(GetFocus()); }
std::uint32_t Win32Dialogs::set_focus(std::uint32_t target) { return number_of(SetFocus(window(target))); }
bool Win32Dialogs::destroy_window(std::uint32_t target) { return DestroyWindow(window(target)) != 0; }

std::int32_t Win32Dialogs::client_width(std::uint32_t target)
{
    RECT r{0, 0, 0, 0};
    return GetClientRect(window(target), &r) ? r.right : 0;
}

std::int32_t Win32Dialogs::client_height(std::uint32_t target)
{
    RECT r{0, 0, 0, 0};
    return GetClientRect(window(target), &r) ? r.bottom : 0;
}

std::uint32_t Win32Dialogs::dialog_item(std::uint32_t target, std::int32_t id)
{
    return number_of(GetDlgItem(window(target), id));
}

ShortString Win32Dialogs::load_string(std::uint32_t instance, std::uint32_t id)
{
    HINSTANCE from = module(instance);
    if (!from)
        return {};
    char text[ShortString::capacity + 1] = {};
    int n = LoadStringA(from, id, text, sizeof text);
    return ShortString(std::string_view(text, static_cast<std::size_t>(std::max(n, 0))));
}

std::int32_t Win32Dialogs::scroll_position(std::uint32_t bar) { return GetScrollPos(window(bar), SB_CTL); }

void Win32Dialogs::set_scroll_position(std::uint32_t bar, std::int32_t position, bool redraw)
{
    SetScrollPos(window(bar), SB_CTL, position, redraw);
}

void Win32Dialogs::set_scroll_range(std::uint32_t bar, std::int32_t low, std::int32_t high, bool redraw)
{
    SetScrollRange(window(bar), SB_CTL, low, high, redraw);
}

void Win32Dialogs::enable_window(std::uint32_t target, bool enabled) { EnableWindow(window(target), enabled); }

namespace {

struct TitleSearch {
    std::string prefix;  // in upper case
    HWND found = nullptr;
};

BOOL CALLBACK title_begins(HWND w, LPARAM lparam)
{
    auto* search = reinterpret_cast<TitleSearch*>(lparam);
    char title[ShortString::capacity + 1] = {};
    int n = GetWindowTextA(w, title, sizeof title);
    if (n < static_cast<int>(search->prefix.size()))
        return TRUE;
    CharUpperBuffA(title, static_cast<DWORD>(search->prefix.size()));
    if (std::memcmp(title, search->prefix.data(), search->prefix.size()) != 0)
        return TRUE;
    search->found = w;
    return FALSE;
}

} // namespace

std::uint32_t Win32Dialogs::find_window(std::string_view title_prefix)
{
    TitleSearch search{std::string(title_prefix)};
    CharUpperBuffA(search.prefix.data(), static_cast<DWORD>(search.prefix.size()));
    EnumWindows(title_begins, reinterpret_cast<LPARAM>(&search));
    return number_of(search.found);
}

// The desktop's children in their order. A window that does not answer
// within a second is read as untitled rather than stopping the runtime.
std::vector<ShortString> Win32Dialogs::top_level_titles()
{
    std::vector<ShortString> titles;
    HWND w = GetWindow(GetDesktopWindow(), GW_CHILD);
    if (w)
        w = GetWindow(w, GW_HWNDFIRST);
    for (; w; w = GetWindow(w, GW_HWNDNEXT)) {
        char title[ShortString::capacity] = {};
        DWORD_PTR length = 0;
        if (!SendMessageTimeoutA(w, WM_GETTEXT, sizeof title, reinterpret_cast<LPARAM>(title),
                                 SMTO_ABORTIFHUNG | SMTO_BLOCK, 1000, &length))
            length = 0;
        titles.emplace_back(std::string_view(title, std::min<std::size_t>(length, sizeof title - 1)));
    }
    return titles;
}

// --- typed keys -------------------------------------------------------------------

namespace {

BOOL CALLBACK remember_edit(HWND w, LPARAM lparam)
{
    char name[8] = {};
    if (GetClassNameA(w, name, sizeof name) >= 4 && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name, 4,
                                                                    "Edit", 4) == CSTR_EQUAL)
        *reinterpret_cast<HWND*>(lparam) = w;
    return TRUE;
}

} // namespace

std::uint32_t Win32Dialogs::last_edit_descendant(std::uint32_t target)
{
    HWND last = nullptr;
    if (target != 0)
        EnumChildWindows(window(target), remember_edit, reinterpret_cast<LPARAM>(&last));
    return number_of(last);
}

bool Win32Dialogs::window_enabled(std::uint32_t target) { return IsWindowEnabled(window(target)) != 0; }

std::int16_t Win32Dialogs::key_for_character(char c) { return VkKeyScanA(c); }

void Win32Dialogs::key_event(std::uint8_t virtual_key, std::uint8_t scan, bool released)
{
    keybd_event(virtual_key, scan, released ? KEYEVENTF_KEYUP : 0, 0);
}

// --- menus ---------------------------------------------------------------------

std::uint32_t Win32Dialogs::create_menu() { return number_of(CreateMenu()); }
std::uint32_t Win32Dialogs::create_popup_menu() { return number_of(CreatePopupMenu()); }

bool Win32Dialogs::append_menu(std::uint32_t target, MenuItemKind kind, std::uint32_t id, std::string_view text)
{
    std::string copy(text);
    switch (kind) {
    case MenuItemKind::String: return AppendMenuA(menu(target), MF_STRING, id, copy.c_str()) != 0;
    case MenuItemKind::Popup:
        return AppendMenuA(menu(target), MF_POPUP, reinterpret_cast<UINT_PTR>(menu(id)), copy.c_str()) != 0;
    case MenuItemKind::Separator: return AppendMenuA(menu(target), MF_SEPARATOR, 0, nullptr) != 0;
    }
    return false;
}

bool Win32Dialogs::insert_menu(std::uint32_t target, std::uint32_t before_id, std::uint32_t id,
                               std::string_view text)
{
    std::string copy(text);
    return InsertMenuA(menu(target), before_id, MF_BYCOMMAND | MF_STRING, id, copy.c_str()) != 0;
}

void Win32Dialogs::check_menu_item(std::uint32_t target, std::uint32_t id, bool checked)
{
    CheckMenuItem(menu(target), id, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void Win32Dialogs::enable_menu_item(std::uint32_t target, std::uint32_t id, std::uint32_t flags)
{
    EnableMenuItem(menu(target), id, MF_BYCOMMAND | flags);
}

void Win32Dialogs::remove_menu(std::uint32_t target, std::uint32_t id) { RemoveMenu(menu(target), id, MF_BYCOMMAND); }
void Win32Dialogs::destroy_menu(std::uint32_t target) { DestroyMenu(menu(target)); }

std::uint32_t Win32Dialogs::window_menu()
{
    HWND main = m_host.main_window();
    return main ? number_of(GetMenu(main)) : 0;
}

void Win32Dialogs::set_window_menu(std::uint32_t bar)
{
    if (HWND main = m_host.main_window())
        SetMenu(main, menu(bar));
}

void Win32Dialogs::draw_menu_bar()
{
    if (HWND main = m_host.main_window())
        DrawMenuBar(main);
}

void Win32Dialogs::track_popup_menu(std::uint32_t popup, std::int32_t x, std::int32_t y)
{
    HWND main = m_host.main_window();
    POINT at{x, y};
    if (main)
        ClientToScreen(main, &at);
    TrackPopupMenu(menu(popup), TPM_RIGHTBUTTON, at.x, at.y, 0, main, nullptr);
}

std::uint32_t Win32Dialogs::load_menu(std::uint32_t instance, const ResourceName& name)
{
    HINSTANCE from = module(instance);
    if (!from)
        return 0;
    std::string text;
    return number_of(LoadMenuA(from, resource(name, text)));
}

// --- the built-in dialogs --------------------------------------------------------

std::optional<ShortString> Win32Dialogs::input_box(std::string_view prompt, std::string_view title,
                                                   std::string_view default_text)
{
    InputState state{std::string(prompt), std::string(title), std::string(default_text), {}};
    if (DialogBoxParamA(m_instance, "INPUT", owner(), input_start, reinterpret_cast<LPARAM>(&state)) != 1)
        return std::nullopt;
    return state.answer;
}

SelectionAnswer Win32Dialogs::select_box(std::int32_t template_number, std::string_view title,
                                         std::span<const ShortString> entries)
{
    if (template_number < 1 || template_number > 8)
        template_number = 7;
    std::string name = "LISTBOX" + std::to_string(template_number);
    SelectState state{std::string(title), entries, {}};
    state.answer.confirmed =
        DialogBoxParamA(m_instance, name.c_str(), owner(), select_procedure, reinterpret_cast<LPARAM>(&state)) == 1;
    return state.answer;
}

std::optional<std::vector<std::string>> Win32Dialogs::edit_box(std::int32_t template_number, std::string_view title,
                                                               std::string_view text)
{
    EditState state{std::string(title), std::string(text), {}};
    const char* name = template_number == 2 ? "EDITBOX2" : "EDITBOX1";
    if (DialogBoxParamA(m_instance, name, owner(), edit_procedure, reinterpret_cast<LPARAM>(&state)) != 1)
        return std::nullopt;
    return std::move(state.lines);
}

std::optional<ShortString> Win32Dialogs::file_dialog(const FileDialogRequest& request)
{
    // Pairs of description and pattern, each ended by a NUL, the list by a
    // second one; the string has room for both whatever its length.
    std::string filter(request.filter);
    for (char& c : filter)
        if (c == '|')
            c = '\0';
    filter.append(2, '\0');
    std::string title(request.title), extension(request.default_extension);
    char file[ShortString::capacity + 1] = {};
    std::memcpy(file, request.initial_name.data(), std::min(request.initial_name.size(), ShortString::capacity));
    OPENFILENAMEA ofn{};
    // The record as every version of the platform knows it.
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.hwndOwner = owner();
    ofn.lpstrFilter = request.filter.empty() ? nullptr : filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = ShortString::capacity;
    ofn.lpstrTitle = title.c_str();
    ofn.lpstrDefExt = extension.empty() ? nullptr : extension.c_str();
    ofn.Flags = request.flags;
    BOOL chosen = request.save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    if (!chosen)
        return std::nullopt;
    return ShortString(std::string_view(file, strnlen(file, sizeof file)));
}

std::optional<ShortString> Win32Dialogs::folder_dialog(std::string_view title)
{
    // The browser's tree is built from shell objects.
    static const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    (void)com;
    LPITEMIDLIST computer = nullptr;
    SHGetSpecialFolderLocation(owner(), CSIDL_DRIVES, &computer);
    std::string text(title);
    BROWSEINFOA info{};
    info.hwndOwner = owner();
    info.pidlRoot = computer;
    info.lpszTitle = text.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
    char path[MAX_PATH] = {};
    bool found = chosen && SHGetPathFromIDListA(chosen, path);
    if (chosen)
        CoTaskMemFree(chosen);
    if (computer)
        CoTaskMemFree(computer);
    if (!found)
        return std::nullopt;
    SetCurrentDirectoryA(path);
    std::size_t n = strnlen(path, sizeof path);
    if (n > 0 && path[n - 1] == '\\')
        --n;
    return ShortString(std::string_view(path, n));
}

} // namespace talven
