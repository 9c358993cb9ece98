// The Win32 host's operations outside the window: command line, program
// file, message boxes, clock, code pages, the streams and area memory.
#include "host/win32/win32_host.h"

#include <commdlg.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/box_lines.h"
#include "window/text_stream.h"

namespace talven {
namespace {

class Win32ReadFile : public HostFile {
public:
    explicit Win32ReadFile(HANDLE handle) : m_handle(handle) {}
    ~Win32ReadFile() override { CloseHandle(m_handle); }
    std::size_t read(void* buffer, std::size_t size) override
    {
        DWORD got = 0;
        if (!ReadFile(m_handle, buffer, static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30)), &got, nullptr))
            return 0;
        return got;
    }
    bool seek(std::uint64_t offset) override
    {
        LARGE_INTEGER to;
        to.QuadPart = static_cast<LONGLONG>(offset);
        return SetFilePointerEx(m_handle, to, nullptr, FILE_BEGIN) != 0;
    }

private:
    HANDLE m_handle;
};


UINT box_flags(BoxIcon icon, BoxButtons buttons)
{
    UINT flags = 0;
    switch (icon) {
    case BoxIcon::Error: flags |= MB_ICONERROR; break;
    case BoxIcon::Warning: flags |= MB_ICONWARNING; break;
    case BoxIcon::Information: flags |= MB_ICONINFORMATION; break;
    case BoxIcon::Question: flags |= MB_ICONQUESTION; break;
    case BoxIcon::None: break;
    }
    switch (buttons) {
    case BoxButtons::Ok: flags |= MB_OK; break;
    case BoxButtons::OkCancel: flags |= MB_OKCANCEL; break;
    case BoxButtons::YesNo: flags |= MB_YESNO; break;
    case BoxButtons::YesNoCancel: flags |= MB_YESNOCANCEL; break;
    case BoxButtons::RetryCancel: flags |= MB_RETRYCANCEL; break;
    case BoxButtons::AbortRetryIgnore: flags |= MB_ABORTRETRYIGNORE; break;
    }
    return flags;
}



} // namespace

std::string ansi_to_utf8(std::string_view ansi)
{
    if (ansi.empty())
        return {};
    int wide_length = MultiByteToWideChar(1252, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wide_length), L'\0');
    MultiByteToWideChar(1252, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), wide_length);
    int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_length, out.data(), length, nullptr, nullptr);
    return out;
}

Win32Host::Win32Host(HINSTANCE instance) : m_instance(instance)
{
    for (int i = 0; i < __argc; ++i)
        m_command_line.emplace_back(__argv[i]);
    const char* stream = std::getenv("TALVEN_STREAM");
    m_stream = stream && *stream && std::strcmp(stream, "0") != 0;
    if (m_stream) {
        m_stdout = GetStdHandle(STD_OUTPUT_HANDLE);
        m_stderr = GetStdHandle(STD_ERROR_HANDLE);
    }
    if (const char* fixed = std::getenv("TALVEN_FIXED_TIME"))
        m_fixed_time = parse_fixed_time(fixed);
    if (const char* faults = std::getenv("TALVEN_FILE_FAULTS"); faults && *faults)
        m_faulty_files = std::make_unique<FaultyFiles>(m_files, faults);
    register_dialog_class();
}

Win32Host::~Win32Host() { destroy_main_window(); }

std::uint32_t Win32Host::appended_program_offset()
{
    // The binder writes where an appended program starts into the word at
    // offset 128 of the executable.
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path)
        return 0;
    auto file = open_for_reading(std::string_view(path, n));
    std::uint32_t offset = 0;
    if (!file || !file->seek(128) || file->read(&offset, 4) != 4)
        return 0;
    return offset;
}

std::optional<ShortString> Win32Host::choose_program_file(std::string_view filter, std::string_view caption)
{
    // "a|b|c|d" becomes the pairs a\0b\0c\0d\0\0 the dialog reads; the
    // string has room for both terminating NULs whatever its length.
    std::string pairs(filter);
    pairs += '|';
    for (auto& c : pairs)
        if (c == '|')
            c = '\0';
    pairs += '\0';
    std::string title(caption);
    char file[256] = {};
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = m_main;
    ofn.lpstrFilter = pairs.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrTitle = title.c_str();
    // No default extension: "*.*" would be appended to a typed name as
    // its first three characters.
    ofn.lpstrDefExt = nullptr;
    ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameA(&ofn))
        return std::nullopt;
    return ShortString(std::string_view(file, strnlen(file, sizeof file)));
}

std::unique_ptr<HostFile> Win32Host::open_for_reading(std::string_view name)
{
    std::string path(name.substr(0, MAX_PATH));
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return nullptr;
    return std::make_unique<Win32ReadFile>(h);
}

BoxAnswer Win32Host::message_box(std::string_view text, std::string_view caption, BoxIcon icon, BoxButtons buttons)
{
    int answer = show_box(text, caption, icon, box_flags(icon, buttons));
    if (m_main) {
        // The area under the box is repainted from the backing bitmap.
        InvalidateRect(m_main, nullptr, FALSE);
        UpdateWindow(m_main);
    }
    if (answer < 1 || answer > 7)
        return BoxAnswer::Cancel;
    return static_cast<BoxAnswer>(answer);
}

// The program's flags go to the platform unchanged; the core repaints.
std::int32_t Win32Host::program_box(std::string_view text, std::string_view caption, std::uint32_t type)
{
    return show_box(text, caption, decode_box_type(type).icon, type);
}

int Win32Host::show_box(std::string_view text, std::string_view caption, BoxIcon icon, UINT flags)
{
    if (m_stream)
        stream(m_stderr, box_line(icon, caption, text));
    std::string t(text), c(caption);
    return MessageBoxA(m_main, t.c_str(), c.c_str(), flags);
}

LocalTime Win32Host::local_time()
{
    if (m_fixed_time)
        return *m_fixed_time;
    SYSTEMTIME st{};
    GetLocalTime(&st);
    LocalTime t;
    t.year = st.wYear;
    t.month = st.wMonth;
    t.day = st.wDay;
    t.weekday = st.wDayOfWeek;
    t.hour = st.wHour;
    t.minute = st.wMinute;
    t.second = st.wSecond;
    t.millisecond = st.wMilliseconds;
    return t;
}

// Both convert in place, on the text as a short string keeps it.
ShortString Win32Host::ansi_to_oem(std::string_view text)
{
    ShortString converted(text);
    CharToOemBuffA(converted.data(), converted.data(), static_cast<DWORD>(converted.size()));
    return converted;
}

ShortString Win32Host::oem_to_ansi(std::string_view text)
{
    ShortString converted(text);
    OemToCharBuffA(converted.data(), converted.data(), static_cast<DWORD>(converted.size()));
    return converted;
}

std::optional<ShortString> Win32Host::current_directory(char drive)
{
    char buffer[MAX_PATH * 2];
    DWORD n = 0;
    if (drive == 0) {
        n = GetCurrentDirectoryA(sizeof buffer, buffer);
    } else {
        // "X:" names the current directory of drive X.
        char name[3] = {drive, ':', 0};
        if (GetDriveTypeA((std::string(name) + "\\").c_str()) <= DRIVE_NO_ROOT_DIR)
            return std::nullopt;
        n = GetFullPathNameA(name, sizeof buffer, buffer, nullptr);
    }
    if (n == 0 || n > ShortString::capacity)
        return std::nullopt;
    return ShortString(std::string_view(buffer, n));
}

void Win32Host::stream(HANDLE handle, std::string_view ansi)
{
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr)
        return;
    std::string utf8 = ansi_to_utf8(ansi);
    DWORD written = 0;
    WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

void Win32Host::write_text(std::string_view text)
{
    if (m_stream)
        stream(m_stdout, stream_text(text));
}

PlatformFacts Win32Host::platform_facts()
{
    PlatformFacts facts;
    facts.main_window = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(m_main));
    facts.desktop = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(GetDesktopWindow()));
    facts.screen_width = GetSystemMetrics(SM_CXSCREEN);
    facts.screen_height = GetSystemMetrics(SM_CYSCREEN);
    HDC dc = GetDC(nullptr);
    facts.color_depth = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
    ReleaseDC(nullptr, dc);
    facts.instance = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(m_instance));
    facts.version = GetVersion();
    char path[MAX_PATH];
    UINT n = GetWindowsDirectoryA(path, sizeof path);
    if (n > 0 && n < sizeof path)
        facts.windows_directory = ShortString(std::string_view(path, n));
    n = GetSystemDirectoryA(path, sizeof path);
    if (n > 0 && n < sizeof path)
        facts.system_directory = ShortString(std::string_view(path, n));
    RECT r{0, 0, 0, 0};
    if (m_main && GetWindowRect(m_main, &r)) {
        facts.window_left = r.left;
        facts.window_top = r.top;
        facts.window_right = r.right;
        facts.window_bottom = r.bottom;
    }
    return facts;
}

std::optional<ShortString> Win32Host::profile_string(std::string_view section, std::string_view key)
{
    std::string s(section), k(key);
    char buffer[256];
    constexpr const char* absent = "\x01";
    DWORD n = GetProfileStringA(s.c_str(), k.c_str(), absent, buffer, sizeof buffer);
    if (std::string_view(buffer, n) == absent)
        return std::nullopt;
    return ShortString(std::string_view(buffer, n));
}

NumberSeparators Win32Host::number_separators()
{
    NumberSeparators separators;
    char buffer[8];
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, sizeof buffer) > 1)
        separators.decimal_point = buffer[0];
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, buffer, sizeof buffer) > 1)
        separators.thousands_separator = buffer[0];
    return separators;
}

void* Win32Host::allocate_area(std::size_t size)
{
    // Programs see a block's address as a 32-bit number: look for room
    // below 2 GiB first.
#ifdef _WIN64
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    std::uintptr_t step = info.dwAllocationGranularity;
    std::uintptr_t at = 0x10000000;
    while (at + size < 0x7FFF0000) {
        MEMORY_BASIC_INFORMATION mbi{};
        if (!VirtualQuery(reinterpret_cast<void*>(at), &mbi, sizeof mbi))
            break;
        auto end = reinterpret_cast<std::uintptr_t>(mbi.BaseAddress) + mbi.RegionSize;
        if (mbi.State == MEM_FREE && end - at >= size) {
            if (void* block = VirtualAlloc(reinterpret_cast<void*>(at), size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE))
                return block;
        }
        at = (std::max(end, at + 1) + step - 1) / step * step;
    }
    return nullptr;
#else
    return VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
#endif
}

void Win32Host::free_area(void* block, std::size_t) { VirtualFree(block, 0, MEM_RELEASE); }

} // namespace talven
