// The test driver: starts the runtime, plays the user, and hands back the
// runtime's exit code, so that no test waits for a person.
//
//   tvdriver [--stdin FILE] [--answers FILE] [--actions FILE] [--timeout S]
//            -- RUNTIME [ARGUMENTS...]
//
// The runtime inherits the driver's standard input and error; its standard
// output passes through the driver, which copies it unchanged and keeps its
// lines, so that an action can wait for one (the runtime streams its text
// there with TALVEN_STREAM set). While it runs the driver answers its
// message boxes (the answers file: one button word per box, OK CANCEL YES
// NO ABORT RETRY IGNORE; afterwards the box's default button), cancels any
// other dialog once the actions are played; types the lines of the stdin file into the main window as
// key presses whenever the runtime waits for a line, each once the line
// before has been taken (its end echoed on the stream), and closes the
// window when it waits for more than the file holds; and plays the actions
// file, one action a line. Nothing waits for a time: an action that must
// come after something the runtime does waits for it to show.
//
//   window         wait until the main window exists
//   caret          wait until the runtime waits for a line
//   line TEXT      wait until the runtime has written the whole line TEXT,
//                  after the lines earlier `line` actions waited for
//   file NAME      wait until the file NAME exists
//   chars TEXT     WM_CHAR for each character
//   char N         WM_CHAR with code N
//   key N          WM_KEYDOWN and WM_KEYUP with virtual key N
//   f1 down        F1 pressed on the keyboard itself, and held
//   f1 up          F1 released (also when the runtime ends)
//   menu N         WM_COMMAND from the menu item N
//   click X Y      left button down and up at client X, Y
//   rclick X Y     the same with the right button
//   close          WM_CLOSE to the main window
//   invalidate     the whole main window needs painting again; waits until
//                  the runtime has painted it
//   syskey N       WM_SYSKEYDOWN with virtual key N (as Alt+key)
//   syscommand N   WM_SYSCOMMAND N posted to the main window
//
// Dialog steps name a window W of the runtime: a visible top-level window
// whose title or class is W, or that shows a static text W (a folder
// dialog's title). W is one word, or any text in double quotes. Each step
// first waits until W and the control exist, and returns once the runtime
// has handled what it did (a confirmed dialog is then hidden; a box that
// the runtime asks meanwhile is answered).
//
//   dialog W       wait until the window W is shown
//   gone W         wait until no window W is shown
//   type W ID TEXT type TEXT into the control ID of W, a WM_CHAR per
//                  character; "\n" is Enter, "\\" a backslash
//   press W B      click the button B of W (its id, or its caption with or
//                  without "&") once it is enabled
//   cancel W       click the Cancel button (id 2) of W
//   select W ID E  click the entry E of the list box ID of W: its text, or
//                  #N for the entry at index N
//   dblselect W ID E   the same with a double click
//   filename W NAME    type NAME into the file name field of the open or
//                  save dialog W and press its OK button
//   menukeys K...  keys for the main window's menu, one after another: f10
//                  or alt opens the menu bar; left right up down home end
//                  enter escape, or a character (a mnemonic); the other
//                  keys wait until a menu (the bar's, or a context menu)
//                  is open, and the step waits until it has closed
//
// With --dde-server APP the driver is also a DDE server for the application
// name APP (any topic): it acknowledges the runtime's initiate and each
// execute, and writes "dde: COMMAND" to standard output (after what the
// runtime wrote before) before it acknowledges an execute.
//
// Exit code: the runtime's, or 124 after the time-out (the runtime is then
// ended), or 125 when the driver itself fails.
#include <windows.h>

#include <dde.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

DWORD child_pid = 0;
DWORD child_tid = 0;
HANDLE child_process = nullptr;
DWORD deadline = 0;
std::vector<std::string> answers;
std::size_t next_answer = 0;
bool f1_held = false;

std::string dde_application;

// --- the runtime's standard output -------------------------------------------

// A thread copies what the runtime writes to the driver's own standard
// output and keeps the lines. It reads only what the pipe holds, under the
// lock, so that whoever holds the lock has seen everything written so far.
struct Stream {
    HANDLE pipe = nullptr;
    HANDLE out = INVALID_HANDLE_VALUE;
    CRITICAL_SECTION lock;
    std::string partial;
    std::vector<std::string> lines;
    bool ended = false;
    volatile LONG stop = 0;
};
Stream stream;

// Copies what the pipe holds; the caller holds the lock.
void drain_stream()
{
    while (!stream.ended) {
        DWORD available = 0;
        if (!PeekNamedPipe(stream.pipe, nullptr, 0, nullptr, &available, nullptr)) {
            stream.ended = true;
            break;
        }
        if (available == 0)
            break;
        char buffer[4096];
        DWORD got = 0;
        if (!ReadFile(stream.pipe, buffer, std::min<DWORD>(available, sizeof buffer), &got, nullptr) || got == 0) {
            stream.ended = true;
            break;
        }
        DWORD written = 0;
        WriteFile(stream.out, buffer, got, &written, nullptr);
        for (DWORD i = 0; i < got; ++i) {
            if (buffer[i] != '\n') {
                stream.partial.push_back(buffer[i]);
                continue;
            }
            if (!stream.partial.empty() && stream.partial.back() == '\r')
                stream.partial.pop_back();
            stream.lines.push_back(stream.partial);
            stream.partial.clear();
        }
    }
}

DWORD WINAPI copy_stream(void*)
{
    for (;;) {
        EnterCriticalSection(&stream.lock);
        drain_stream();
        bool done = stream.ended || stream.stop;
        LeaveCriticalSection(&stream.lock);
        if (done)
            return 0;
        Sleep(2);
    }
}

// The whole lines written so far, what is still in the pipe included.
std::size_t stream_lines()
{
    EnterCriticalSection(&stream.lock);
    drain_stream();
    std::size_t n = stream.lines.size();
    LeaveCriticalSection(&stream.lock);
    return n;
}

// The index of the first line TEXT from line `from` on, or npos.
std::size_t find_line(const std::string& text, std::size_t from)
{
    EnterCriticalSection(&stream.lock);
    drain_stream();
    std::size_t found = std::string::npos;
    for (std::size_t i = from; i < stream.lines.size(); ++i) {
        if (stream.lines[i] == text) {
            found = i;
            break;
        }
    }
    LeaveCriticalSection(&stream.lock);
    return found;
}

// --- the DDE server ----------------------------------------------------------

LRESULT CALLBACK dde_server_procedure(HWND w, UINT m, WPARAM wp, LPARAM lp)
{
    if (m == WM_DDE_INITIATE) {
        char application[256] = {};
        GlobalGetAtomNameA(LOWORD(lp), application, sizeof application);
        if (_stricmp(application, dde_application.c_str()) == 0) {
            ATOM a = GlobalAddAtomA(application);
            char topic[256] = {};
            GlobalGetAtomNameA(HIWORD(lp), topic, sizeof topic);
            ATOM t = GlobalAddAtomA(topic);
            SendMessageA(reinterpret_cast<HWND>(wp), WM_DDE_ACK, reinterpret_cast<WPARAM>(w), MAKELPARAM(a, t));
        }
        return 0;
    }
    if (m == WM_DDE_EXECUTE) {
        auto block = reinterpret_cast<HGLOBAL>(lp);
        std::string command;
        if (const char* p = static_cast<const char*>(GlobalLock(block))) {
            command = p;
            GlobalUnlock(block);
        }
        // The runtime's lines before the execute come first.
        std::string line = "dde: " + command + "\n";
        EnterCriticalSection(&stream.lock);
        drain_stream();
        DWORD written = 0;
        WriteFile(stream.out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        LeaveCriticalSection(&stream.lock);
        PostMessageA(reinterpret_cast<HWND>(wp), WM_DDE_ACK, reinterpret_cast<WPARAM>(w),
                     PackDDElParam(WM_DDE_ACK, 0x8000, reinterpret_cast<UINT_PTR>(block)));
        return 0;
    }
    if (m == WM_DDE_TERMINATE) {
        PostMessageA(reinterpret_cast<HWND>(wp), WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(w), 0);
        return 0;
    }
    return DefWindowProcA(w, m, wp, lp);
}

void start_dde_server()
{
    WNDCLASSA c{};
    c.lpfnWndProc = dde_server_procedure;
    c.hInstance = GetModuleHandleA(nullptr);
    c.lpszClassName = "TvDdeServer";
    RegisterClassA(&c);
    // Titled, so that a test can find a window of another program.
    std::string title = "DDE-Server " + dde_application;
    CreateWindowExA(0, "TvDdeServer", title.c_str(), WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, c.hInstance, nullptr);
}

// The driver's own windows (the DDE server) answer while it waits.
void pump_own()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// --- the runtime's windows ---------------------------------------------------

bool timed_out() { return static_cast<LONG>(GetTickCount() - deadline) > 0; }
bool child_running() { return WaitForSingleObject(child_process, 0) == WAIT_TIMEOUT; }

// A message sent to the runtime waits as long as the test may take.
DWORD time_left()
{
    LONG left = static_cast<LONG>(deadline - GetTickCount());
    return left > 0 ? static_cast<DWORD>(left) : 1;
}

// Looks after the driver's own windows for a moment.
void idle()
{
    pump_own();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    pump_own();
}

// True once the actions are played: from then on every dialog other than a
// message box is cancelled; before, the actions look after them.
bool actions_played = false;

std::string window_text(HWND w)
{
    char text[512] = {};
    GetWindowTextA(w, text, sizeof text);
    return text;
}

std::string class_of(HWND w)
{
    char name[64] = {};
    GetClassNameA(w, name, sizeof name);
    return name;
}

template <typename Test>
struct Search {
    Test& test;
    HWND window = nullptr;
};

template <typename Test>
BOOL CALLBACK search_step(HWND w, LPARAM lp)
{
    auto* s = reinterpret_cast<Search<Test>*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != child_pid || !IsWindowVisible(w) || !s->test(w))
        return TRUE;
    s->window = w;
    return FALSE;
}

// The first visible top-level window of the runtime that passes the test.
template <typename Test>
HWND runtime_window(Test test)
{
    Search<Test> search{test};
    EnumWindows(search_step<Test>, reinterpret_cast<LPARAM>(&search));
    return search.window;
}

HWND child_window(const char* class_name)
{
    return runtime_window([class_name](HWND w) { return class_of(w) == class_name; });
}

HWND main_window() { return child_window("FENSTER"); }

int answer_id(const std::string& word)
{
    std::string w;
    for (char c : word)
        w.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    if (w == "OK") return IDOK;
    if (w == "CANCEL") return IDCANCEL;
    if (w == "ABORT") return IDABORT;
    if (w == "RETRY") return IDRETRY;
    if (w == "IGNORE") return IDIGNORE;
    if (w == "YES") return IDYES;
    if (w == "NO") return IDNO;
    return 0;
}

// The button Enter would press: the one drawn as the default.
int default_button(HWND dialog)
{
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char name[64] = {};
        GetClassNameA(c, name, sizeof name);
        if (_stricmp(name, "Button") == 0 && (GetWindowLongA(c, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            return GetDlgCtrlID(c);
    }
    return 0;
}

// A message box shows its text in a static control of id 0xFFFF.
bool is_message_box(HWND dialog)
{
    HWND text = GetDlgItem(dialog, 0xFFFF);
    return text && _stricmp(class_of(text).c_str(), "Static") == 0;
}

// Answers one open box of the runtime (or, once the actions are played,
// cancels another dialog) and waits until it has gone, so that no box is
// answered twice; true when there was one.
bool answer_dialog()
{
    HWND dialog = runtime_window([](HWND w) {
        return class_of(w) == "#32770" && (is_message_box(w) || (actions_played && GetDlgItem(w, IDCANCEL)));
    });
    if (!dialog)
        return false;
    int id = 0;
    if (!is_message_box(dialog)) {
        id = IDCANCEL;
    } else {
        if (next_answer < answers.size())
            id = answer_id(answers[next_answer++]);
        if (!id || !GetDlgItem(dialog, id))
            id = default_button(dialog);
        if (!id || !GetDlgItem(dialog, id)) {
            for (int candidate : {IDOK, IDYES, IDRETRY, IDABORT}) {
                if (GetDlgItem(dialog, candidate)) {
                    id = candidate;
                    break;
                }
            }
        }
    }
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    while (IsWindow(dialog) && IsWindowVisible(dialog) && child_running() && !timed_out())
        idle();
    return true;
}

// One step of looking after the runtime: answer its boxes. False once it
// has ended or the time is up.
bool tend()
{
    if (!child_running() || timed_out())
        return false;
    answer_dialog();
    idle();
    return true;
}

// Tends the runtime until `done` holds; false when it ended (or the time
// ran out) before.
template <typename Done>
bool wait_until(Done done)
{
    while (tend()) {
        if (done())
            return true;
    }
    return false;
}

bool waiting_for_line()
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(child_tid, &info))
        return false;
    return info.hwndCaret != nullptr;
}

bool wait_for_caret() { return wait_until(waiting_for_line); }

void send_char(unsigned char c)
{
    HWND w = main_window();
    DWORD_PTR result = 0;
    if (w)
        SendMessageTimeoutA(w, WM_CHAR, c, 1, SMTO_NORMAL, time_left(), &result);
}

void post(UINT message, WPARAM wp, LPARAM lp)
{
    if (HWND w = main_window())
        PostMessageA(w, message, wp, lp);
}

void press_f1(bool down)
{
    INPUT key{};
    key.type = INPUT_KEYBOARD;
    key.ki.wVk = VK_F1;
    key.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &key, sizeof(INPUT));
    f1_held = down;
}

std::string rest_of(std::istringstream& in)
{
    std::string rest;
    std::getline(in, rest);
    if (!rest.empty() && rest[0] == ' ')
        rest.erase(0, 1);
    return rest;
}

// --- the dialog steps -----------------------------------------------------------

// A word of an action, or a text in double quotes.
std::string next_word(std::istringstream& in)
{
    in >> std::ws;
    std::string word;
    if (in.peek() == '"') {
        in.get();
        std::getline(in, word, '"');
    } else {
        in >> word;
    }
    return word;
}

// A message that the runtime has handled when it returns.
LRESULT send(HWND w, UINT message, WPARAM wp, LPARAM lp)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(w, message, wp, lp, SMTO_NORMAL, time_left(), &result);
    return static_cast<LRESULT>(result);
}

void CALLBACK message_handled(HWND, UINT, ULONG_PTR done, LRESULT)
{
    *reinterpret_cast<bool*>(done) = true;
}

// The same for a message without pointers whose handling may ask the user
// (a click on OK that brings up a box): the runtime's boxes are answered
// until it has been handled.
// A person's key or click comes through the queue and ends a wait for one
// message (WAITMESSAGE); a sent message does not, so a harmless message
// follows it into the queue.
void send_and_tend(HWND w, UINT message, WPARAM wp, LPARAM lp)
{
    bool done = false;
    if (SendMessageCallbackA(w, message, wp, lp, message_handled, reinterpret_cast<ULONG_PTR>(&done)))
        wait_until([&done] { return done; });
    if (IsWindow(w))
        PostMessageA(w, WM_NULL, 0, 0);
}

bool shows_static(HWND w, const std::string& text)
{
    for (HWND c = GetWindow(w, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (_stricmp(class_of(c).c_str(), "Static") == 0 && window_text(c) == text)
            return true;
    }
    return false;
}

HWND named_window(const std::string& name)
{
    return runtime_window(
        [&name](HWND w) { return window_text(w) == name || class_of(w) == name || shows_static(w, name); });
}

struct ChildSearch {
    std::function<bool(HWND)> test;
    HWND found = nullptr;
};

BOOL CALLBACK child_step(HWND w, LPARAM lp)
{
    auto* s = reinterpret_cast<ChildSearch*>(lp);
    if (!s->test(w))
        return TRUE;
    s->found = w;
    return FALSE;
}

// A control anywhere inside the window.
HWND descendant(HWND w, std::function<bool(HWND)> test)
{
    ChildSearch search{std::move(test)};
    EnumChildWindows(w, child_step, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND control_of(HWND w, int id)
{
    if (HWND c = GetDlgItem(w, id))
        return c;
    return descendant(w, [id](HWND c) { return GetDlgCtrlID(c) == id; });
}

// A caption as it reads, without the mnemonic marks, in upper case.
std::string plain_caption(const std::string& caption)
{
    std::string plain;
    for (char c : caption)
        if (c != '&')
            plain.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
    return plain;
}

bool is_number(const std::string& word)
{
    return !word.empty() && std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Waits until the window W shows the control that `find` picks; null when
// the runtime ended (or the time ran out) first.
template <typename Find>
HWND wait_for_control(const std::string& name, Find find)
{
    HWND found = nullptr;
    wait_until([&] {
        HWND w = named_window(name);
        found = w ? find(w) : nullptr;
        return found != nullptr;
    });
    return found;
}

HWND wait_for_control(const std::string& name, int id)
{
    return wait_for_control(name, [id](HWND w) { return control_of(w, id); });
}

HWND wait_for_button(const std::string& name, const std::string& button)
{
    if (is_number(button))
        return wait_for_control(name, std::atoi(button.c_str()));
    std::string caption = plain_caption(button);
    return wait_for_control(name, [&caption](HWND w) {
        return descendant(w, [&caption](HWND c) {
            return _stricmp(class_of(c).c_str(), "Button") == 0 && plain_caption(window_text(c)) == caption;
        });
    });
}

// A click as the button takes it from the mouse, once a person could.
void click_button(HWND button)
{
    if (!button || !wait_until([button] { return !IsWindow(button) || IsWindowEnabled(button); }))
        return;
    send_and_tend(button, BM_CLICK, 0, 0);
}

void type_text(HWND control, const std::string& text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\\' && i + 1 < text.size()) {
            char next = text[++i];
            c = next == 'n' ? 13 : static_cast<unsigned char>(next);
        }
        send_and_tend(control, WM_CHAR, c, 1);
    }
}

void select_entry(HWND list, const std::string& entry, bool twice)
{
    LRESULT index = -1;
    if (entry.size() > 1 && entry[0] == '#' && is_number(entry.substr(1)))
        index = std::atoi(entry.c_str() + 1);
    else
        index = send(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(entry.c_str()));
    if (index < 0 || index >= send(list, LB_GETCOUNT, 0, 0)) {
        std::fprintf(stderr, "driver: no entry %s\n", entry.c_str());
        return;
    }
    send(list, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
    RECT r{};
    send(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
    LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    send_and_tend(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    send_and_tend(list, WM_LBUTTONUP, 0, at);
    if (twice) {
        send_and_tend(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        send_and_tend(list, WM_LBUTTONUP, 0, at);
    }
}

// The file name field: an edit of its own, or the edit of a combo box.
HWND file_name_field(HWND dialog)
{
    HWND field = control_of(dialog, 0x480);  // edt1
    if (!field) {
        if (HWND combo = control_of(dialog, 0x47C))  // cmb13
            field = descendant(combo, [](HWND c) { return _stricmp(class_of(c).c_str(), "Edit") == 0; });
    }
    return field;
}

// The window that tracks the open menu (the main window for its menu bar,
// the menu's own window for a context menu), or none.
HWND menu_owner()
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(child_tid, &info))
        return nullptr;
    return info.hwndMenuOwner;
}

bool in_menu() { return menu_owner() != nullptr; }

int menu_key(const std::string& name)
{
    static const struct {
        const char* name;
        int key;
    } keys[] = {{"left", VK_LEFT}, {"right", VK_RIGHT}, {"up", VK_UP},         {"down", VK_DOWN},
                {"home", VK_HOME}, {"end", VK_END},     {"enter", VK_RETURN}, {"escape", VK_ESCAPE}};
    for (const auto& k : keys)
        if (name == k.name)
            return k.key;
    return 0;
}

// The menu is closed when its tracker has gone: the program may open the
// next one (a context menu) at once.
void menu_keys(std::istringstream& in)
{
    HWND tracker = nullptr;
    for (std::string key; in >> key;) {
        bool opens = key == "f10" || key == "alt";
        if (opens) {
            int vk = key == "f10" ? VK_F10 : VK_MENU;
            post(WM_SYSKEYDOWN, static_cast<WPARAM>(vk), vk == VK_MENU ? 0x20000001 : 1);
            post(WM_SYSKEYUP, static_cast<WPARAM>(vk), 0xC0000001);
        }
        if (!wait_until(in_menu))
            return;
        if (!tracker)
            tracker = menu_owner();
        if (opens)
            continue;
        if (int vk = menu_key(key)) {
            post(WM_KEYDOWN, static_cast<WPARAM>(vk), 1);
            post(WM_KEYUP, static_cast<WPARAM>(vk), 0xC0000001);
        } else if (key.size() == 1) {
            post(WM_CHAR, static_cast<unsigned char>(key[0]), 1);
        } else {
            std::fprintf(stderr, "driver: unknown menu key %s\n", key.c_str());
        }
    }
    if (tracker)
        wait_until([tracker] { return menu_owner() != tracker; });
}

std::size_t lines_waited_for = 0;

void act(const std::string& line)
{
    std::istringstream in(line);
    std::string verb;
    in >> verb;
    if (verb.empty() || verb[0] == '#')
        return;
    if (verb == "window") {
        wait_until(main_window);
    } else if (verb == "caret") {
        wait_for_caret();
    } else if (verb == "line") {
        std::string text = rest_of(in);
        std::size_t at = std::string::npos;
        wait_until([&] {
            at = find_line(text, lines_waited_for);
            return at != std::string::npos;
        });
        if (at != std::string::npos)
            lines_waited_for = at + 1;
    } else if (verb == "file") {
        std::string name = rest_of(in);
        wait_until([&] { return GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES; });
    } else if (verb == "chars") {
        for (char c : rest_of(in))
            send_char(static_cast<unsigned char>(c));
    } else if (verb == "char") {
        int n = 0;
        in >> n;
        send_char(static_cast<unsigned char>(n));
    } else if (verb == "key") {
        int vk = 0;
        in >> vk;
        post(WM_KEYDOWN, static_cast<WPARAM>(vk), 1);
        post(WM_KEYUP, static_cast<WPARAM>(vk), 0xC0000001);
    } else if (verb == "f1") {
        // The runtime looks for F1 being down and pressed since it last
        // looked: it is held until the test has seen the runtime take it.
        std::string how;
        in >> how;
        press_f1(how == "down");
    } else if (verb == "menu") {
        int id = 0;
        in >> id;
        post(WM_COMMAND, MAKEWPARAM(id, 0), 0);
    } else if (verb == "click" || verb == "rclick") {
        int x = 0, y = 0;
        in >> x >> y;
        bool left = verb == "click";
        post(left ? WM_LBUTTONDOWN : WM_RBUTTONDOWN, left ? MK_LBUTTON : MK_RBUTTON, MAKELPARAM(x, y));
        post(left ? WM_LBUTTONUP : WM_RBUTTONUP, 0, MAKELPARAM(x, y));
    } else if (verb == "syskey") {
        int vk = 0;
        in >> vk;
        post(WM_SYSKEYDOWN, static_cast<WPARAM>(vk), 0x20000001);
        post(WM_SYSKEYUP, static_cast<WPARAM>(vk), 0xE0000001);
    } else if (verb == "syscommand") {
        int command = 0;
        in >> command;
        post(WM_SYSCOMMAND, static_cast<WPARAM>(command), 0);
    } else if (verb == "invalidate") {
        // Painted once the window has no region left to paint.
        if (HWND w = main_window()) {
            InvalidateRect(w, nullptr, TRUE);
            wait_until([w] { return !IsWindow(w) || !GetUpdateRect(w, nullptr, FALSE); });
        }
    } else if (verb == "close") {
        post(WM_CLOSE, 0, 0);
    } else if (verb == "dialog") {
        std::string name = next_word(in);
        wait_until([&name] { return named_window(name) != nullptr; });
    } else if (verb == "gone") {
        std::string name = next_word(in);
        wait_until([&name] { return named_window(name) == nullptr; });
    } else if (verb == "type") {
        std::string name = next_word(in);
        int id = std::atoi(next_word(in).c_str());
        std::string text = rest_of(in);
        if (HWND control = wait_for_control(name, id))
            type_text(control, text);
    } else if (verb == "press") {
        std::string name = next_word(in);
        click_button(wait_for_button(name, next_word(in)));
    } else if (verb == "cancel") {
        click_button(wait_for_control(next_word(in), IDCANCEL));
    } else if (verb == "select" || verb == "dblselect") {
        std::string name = next_word(in);
        int id = std::atoi(next_word(in).c_str());
        std::string entry = rest_of(in);
        if (HWND list = wait_for_control(name, id))
            select_entry(list, entry, verb == "dblselect");
    } else if (verb == "filename") {
        std::string name = next_word(in);
        std::string file = rest_of(in);
        if (HWND field = wait_for_control(name, file_name_field)) {
            HWND dialog = GetAncestor(field, GA_ROOT);
            send(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(file.c_str()));
            click_button(GetDlgItem(dialog, IDOK));
        }
    } else if (verb == "menukeys") {
        menu_keys(in);
    } else {
        std::fprintf(stderr, "driver: unknown action %s\n", verb.c_str());
    }
}

// Types the lines of the stdin file, each when the runtime waits for a
// line; when it waits for more than there is, the input has ended: the
// window is closed.
void type_lines(const std::vector<std::string>& lines)
{
    for (const auto& line : lines) {
        if (!wait_for_caret())
            return;
        // The caret stays until the runtime has taken the keys: the line
        // is taken once the end of its echo is on the stream.
        std::size_t before = stream_lines();
        for (char c : line)
            send_char(static_cast<unsigned char>(c));
        send_char(13);
        if (!wait_until([before] { return stream_lines() > before; }))
            return;
    }
    if (wait_for_caret())
        post(WM_CLOSE, 0, 0);
}

std::vector<std::string> read_lines(const char* path)
{
    std::vector<std::string> lines;
    if (!path)
        return lines;
    std::ifstream in(path, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string quoted(const char* argument)
{
    std::string out = "\"";
    for (const char* p = argument; *p; ++p) {
        if (*p == '"')
            out += '\\';
        out += *p;
    }
    return out + "\"";
}

// Starts the runtime. Wine's process creation now and then fails with an
// internal error while the machine is busy; such a start is tried again,
// while a runtime that is missing fails at once.
bool start_runtime(std::string& command, STARTUPINFOA& start, PROCESS_INFORMATION& process)
{
    for (int attempt = 1;; ++attempt) {
        if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &process))
            return true;
        DWORD error = GetLastError();
        if (attempt == 10 || error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
            error == ERROR_BAD_EXE_FORMAT) {
            SetLastError(error);
            return false;
        }
        Sleep(100);
    }
}

} // namespace

int main(int argc, char** argv)
{
    const char* stdin_path = nullptr;
    const char* answers_path = nullptr;
    const char* actions_path = nullptr;
    int seconds = 20;
    int i = 1;
    for (; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--" ) {
            ++i;
            break;
        }
        if (i + 1 >= argc)
            break;
        if (a == "--stdin") stdin_path = argv[++i];
        else if (a == "--answers") answers_path = argv[++i];
        else if (a == "--actions") actions_path = argv[++i];
        else if (a == "--timeout") seconds = std::atoi(argv[++i]);
        else if (a == "--dde-server") dde_application = argv[++i];
    }
    if (i >= argc) {
        std::fprintf(stderr, "driver: no runtime named\n");
        return 125;
    }
    std::string command;
    for (int k = i; k < argc; ++k) {
        if (!command.empty())
            command += ' ';
        command += quoted(argv[k]);
    }
    answers.clear();
    for (auto& line : read_lines(answers_path)) {
        while (!line.empty() && line.back() == ' ')
            line.pop_back();
        if (!line.empty())
            answers.push_back(line);
    }

    InitializeCriticalSection(&stream.lock);
    stream.out = GetStdHandle(STD_OUTPUT_HANDLE);
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE child_out = nullptr;
    if (!CreatePipe(&stream.pipe, &child_out, &inherited, 1 << 16)) {
        std::fprintf(stderr, "driver: no pipe (%lu)\n", GetLastError());
        return 125;
    }
    SetHandleInformation(stream.pipe, HANDLE_FLAG_INHERIT, 0);

    if (!dde_application.empty())
        start_dde_server();

    // The pointer waits in the corner of the screen, outside the runtime's
    // windows: a window that appeared under it would get a mouse move that
    // nobody made.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);

    STARTUPINFOA start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    start.hStdOutput = child_out;
    start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    if (!start_runtime(command, start, process)) {
        std::fprintf(stderr, "driver: cannot start %s (%lu)\n", command.c_str(), GetLastError());
        return 125;
    }
    CloseHandle(child_out);
    HANDLE copier = CreateThread(nullptr, 0, copy_stream, nullptr, 0, nullptr);
    child_pid = process.dwProcessId;
    child_tid = process.dwThreadId;
    child_process = process.hProcess;
    deadline = GetTickCount() + static_cast<DWORD>(seconds) * 1000;

    for (const auto& line : read_lines(actions_path)) {
        if (!child_running() || timed_out())
            break;
        act(line);
    }
    actions_played = true;
    if (stdin_path)
        type_lines(read_lines(stdin_path));
    while (tend()) {
    }
    if (f1_held)
        press_f1(false);
    DWORD code = 124;
    if (child_running()) {
        std::fprintf(stderr, "driver: time-out after %d seconds\n", seconds);
        TerminateProcess(child_process, 124);
        WaitForSingleObject(child_process, 5000);
    } else {
        GetExitCodeProcess(child_process, &code);
    }
    // Everything the runtime wrote is in the pipe now.
    InterlockedExchange(&stream.stop, 1);
    WaitForSingleObject(copier, INFINITE);
    EnterCriticalSection(&stream.lock);
    drain_stream();
    LeaveCriticalSection(&stream.lock);
    CloseHandle(copier);
    CloseHandle(process.hThread);
    CloseHandle(child_process);
    return static_cast<int>(code);
}
