// The test driver: starts the runtime, plays the user, and hands back the
// runtime's exit code, so that no test waits for a person.
//
//   tvdriver [--stdin FILE] [--answers FILE] [--actions FILE] [--timeout S]
//            -- RUNTIME [ARGUMENTS...]
//
// The runtime inherits the driver's standard handles. While it runs the
// driver answers its message boxes (the answers file: one button word per
// box, OK CANCEL YES NO ABORT RETRY IGNORE; afterwards the default button)
// and cancels any other dialog; types the lines of the stdin file into the
// main window as key presses whenever the runtime waits for a line, and
// closes the window when it waits for more than the file holds; and plays
// the actions file, one action a line:
//
//   wait MS        pause
//   window         wait until the main window exists
//   caret          wait until the runtime waits for a line
//   chars TEXT     WM_CHAR for each character
//   char N         WM_CHAR with code N
//   key N          WM_KEYDOWN and WM_KEYUP with virtual key N
//   f1             F1 pressed, held and released on the keyboard itself
//   menu N         WM_COMMAND from the menu item N
//   click X Y      left button down and up at client X, Y
//   rclick X Y     the same with the right button
//   close          WM_CLOSE to the main window
//   invalidate     the whole main window needs painting again
//   syskey N       WM_SYSKEYDOWN with virtual key N (as Alt+key)
//   syscommand N   WM_SYSCOMMAND N posted to the main window
//
// With --dde-server APP the driver is also a DDE server for the application
// name APP (any topic): it acknowledges the runtime's initiate and each
// execute, and writes "dde: COMMAND" to standard output before it
// acknowledges an execute.
//
// Exit code: the runtime's, or 124 after the time-out (the runtime is then
// ended), or 125 when the driver itself fails.
#include <windows.h>

#include <dde.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
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

std::string dde_application;

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
        std::string line = "dde: " + command + "\n";
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
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
    CreateWindowExA(0, "TvDdeServer", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, c.hInstance, nullptr);
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

bool timed_out() { return static_cast<LONG>(GetTickCount() - deadline) > 0; }
bool child_running() { return WaitForSingleObject(child_process, 0) == WAIT_TIMEOUT; }

struct Found {
    const char* class_name;
    HWND window = nullptr;
};

BOOL CALLBACK find_window(HWND w, LPARAM lp)
{
    auto* f = reinterpret_cast<Found*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != child_pid || !IsWindowVisible(w))
        return TRUE;
    char name[64] = {};
    GetClassNameA(w, name, sizeof name);
    if (std::strcmp(name, f->class_name) == 0) {
        f->window = w;
        return FALSE;
    }
    return TRUE;
}

HWND child_window(const char* class_name)
{
    Found f{class_name};
    EnumWindows(find_window, reinterpret_cast<LPARAM>(&f));
    return f.window;
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

bool has_child_class(HWND dialog, const char* class_name)
{
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char name[64] = {};
        GetClassNameA(c, name, sizeof name);
        if (_stricmp(name, class_name) == 0)
            return true;
    }
    return false;
}

// Answers one open dialog of the runtime; true when there was one.
bool answer_dialog()
{
    HWND dialog = child_window("#32770");
    if (!dialog)
        return false;
    int id = 0;
    if (has_child_class(dialog, "ComboBox") || has_child_class(dialog, "Edit")) {
        id = IDCANCEL;  // a file dialog or an input box
    } else {
        if (next_answer < answers.size())
            id = answer_id(answers[next_answer++]);
        if (!id || !GetDlgItem(dialog, id)) {
            // The default button, as a person pressing Enter would choose.
            for (int candidate : {IDOK, IDYES, IDRETRY, IDABORT}) {
                if (GetDlgItem(dialog, candidate)) {
                    id = candidate;
                    break;
                }
            }
        }
    }
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    for (int i = 0; i < 200 && IsWindow(dialog) && IsWindowVisible(dialog); ++i)
        Sleep(10);
    return true;
}

// One step of looking after the runtime: answer its boxes. False once it
// has ended or the time is up.
bool tend()
{
    if (!child_running() || timed_out())
        return false;
    answer_dialog();
    pump_own();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    pump_own();
    return true;
}

bool waiting_for_line()
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(child_tid, &info))
        return false;
    return info.hwndCaret != nullptr;
}

// Waits until the runtime waits for a line; false when it never does.
bool wait_for_caret(DWORD ms)
{
    DWORD until = GetTickCount() + ms;
    while (tend()) {
        if (waiting_for_line())
            return true;
        if (static_cast<LONG>(GetTickCount() - until) > 0)
            return false;
    }
    return false;
}

HWND wait_for_window()
{
    while (tend()) {
        if (HWND w = main_window())
            return w;
    }
    return nullptr;
}

void send_char(unsigned char c)
{
    HWND w = main_window();
    DWORD_PTR result = 0;
    if (w)
        SendMessageTimeoutA(w, WM_CHAR, c, 1, SMTO_NORMAL, 5000, &result);
}

void post(UINT message, WPARAM wp, LPARAM lp)
{
    if (HWND w = main_window())
        PostMessageA(w, message, wp, lp);
}

void act(const std::string& line)
{
    std::istringstream in(line);
    std::string verb;
    in >> verb;
    if (verb.empty() || verb[0] == '#')
        return;
    if (verb == "wait") {
        int ms = 0;
        in >> ms;
        DWORD until = GetTickCount() + static_cast<DWORD>(ms);
        while (tend() && static_cast<LONG>(GetTickCount() - until) < 0) {
        }
    } else if (verb == "window") {
        wait_for_window();
    } else if (verb == "caret") {
        wait_for_caret(10000);
    } else if (verb == "chars") {
        std::string rest;
        std::getline(in, rest);
        if (!rest.empty() && rest[0] == ' ')
            rest.erase(0, 1);
        for (char c : rest)
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
        // Held for a moment, as a person presses it: the runtime looks for
        // F1 being down and pressed since it last looked.
        INPUT key{};
        key.type = INPUT_KEYBOARD;
        key.ki.wVk = VK_F1;
        SendInput(1, &key, sizeof(INPUT));
        DWORD until = GetTickCount() + 200;
        while (tend() && static_cast<LONG>(GetTickCount() - until) < 0) {
        }
        key.ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(1, &key, sizeof(INPUT));
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
        if (HWND w = main_window())
            InvalidateRect(w, nullptr, TRUE);
    } else if (verb == "close") {
        post(WM_CLOSE, 0, 0);
    } else {
        std::fprintf(stderr, "driver: unknown action %s\n", verb.c_str());
    }
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

    if (!dde_application.empty())
        start_dde_server();

    STARTUPINFOA start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    start.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    start.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start, &process)) {
        std::fprintf(stderr, "driver: cannot start %s (%lu)\n", command.c_str(), GetLastError());
        return 125;
    }
    child_pid = process.dwProcessId;
    child_tid = process.dwThreadId;
    child_process = process.hProcess;
    deadline = GetTickCount() + static_cast<DWORD>(seconds) * 1000;

    for (const auto& line : read_lines(actions_path)) {
        if (!child_running() || timed_out())
            break;
        act(line);
    }
    if (stdin_path) {
        // A line is typed when the runtime waits for one; when it waits for
        // more than there is, the input has ended: the window is closed.
        for (const auto& line : read_lines(stdin_path)) {
            if (!wait_for_caret(3000) && !child_running())
                break;
            for (char c : line)
                send_char(static_cast<unsigned char>(c));
            send_char(13);
        }
        if (wait_for_caret(2000))
            post(WM_CLOSE, 0, 0);
    }
    while (tend()) {
    }
    DWORD code = 124;
    if (child_running()) {
        std::fprintf(stderr, "driver: time-out after %d seconds\n", seconds);
        TerminateProcess(child_process, 124);
        WaitForSingleObject(child_process, 5000);
    } else {
        GetExitCodeProcess(child_process, &code);
    }
    CloseHandle(process.hThread);
    CloseHandle(child_process);
    return static_cast<int>(code);
}
