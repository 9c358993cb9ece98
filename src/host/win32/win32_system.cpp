#include "host/win32/win32_system.h"

#include <windows.h>

#include <string>
#include <vector>

#include "host/win32/win32_host.h"

namespace talven {
namespace {

// Every text the system takes ends in a zero; a program's text may not.
std::string z(std::string_view text) { return std::string(text); }

// A text the system filled, up to its first zero and cut to a short string.
ShortString filled(const char* bytes, std::size_t size)
{
    std::string_view text(bytes, size);
    return ShortString(text.substr(0, text.find('\0')));
}

struct KeyCloser {
    HKEY key;
    ~KeyCloser() { RegCloseKey(key); }
};

} // namespace

bool Win32System::write_profile_string(std::string_view file, std::string_view section, std::string_view entry,
                                       std::string_view value)
{
    return WritePrivateProfileStringA(z(section).c_str(), z(entry).c_str(), z(value).c_str(), z(file).c_str()) != 0;
}

ShortString Win32System::read_profile_string(std::string_view file, std::string_view section, std::string_view entry)
{
    char buffer[256] = {};
    DWORD n = GetPrivateProfileStringA(z(section).c_str(), z(entry).c_str(), "", buffer, sizeof buffer,
                                       z(file).c_str());
    return filled(buffer, n);
}

RegistryWrite Win32System::write_registry_string(std::uint32_t root, std::string_view subkey,
                                                 std::string_view name, std::string_view value)
{
    HKEY key = nullptr;
    HKEY root_key = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(root));
    if (RegCreateKeyExA(root_key, z(subkey).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return RegistryWrite::KeyNotCreated;
    KeyCloser closer{key};
    std::string data = z(value);
    // The length counts the text without its terminating zero.
    if (RegSetValueExA(key, z(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       static_cast<DWORD>(data.size())) != ERROR_SUCCESS)
        return RegistryWrite::ValueNotSet;
    return RegistryWrite::Written;
}

RegistryValue Win32System::read_registry_string(std::uint32_t root, std::string_view subkey, std::string_view name)
{
    RegistryValue result;
    HKEY key = nullptr;
    HKEY root_key = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(root));
    // Reading needs no more rights than reading: keys a user may only read
    // open too.
    if (RegOpenKeyExA(root_key, z(subkey).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return result;
    KeyCloser closer{key};
    std::string value_name = z(name);
    std::vector<char> buffer(256, '\0');
    DWORD size = static_cast<DWORD>(buffer.size());
    LONG status = RegQueryValueExA(key, value_name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()),
                                   &size);
    // A longer value is fetched whole and cut afterwards.
    while (status == ERROR_MORE_DATA) {
        buffer.assign(size + 1, '\0');
        size = static_cast<DWORD>(buffer.size());
        status = RegQueryValueExA(key, value_name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()),
                                  &size);
    }
    result.status = RegistryRead::ValueNotFound;
    if (status != ERROR_SUCCESS)
        return result;
    // The data need not end in a zero: only the bytes the system gave count.
    result.status = RegistryRead::Found;
    result.text = filled(buffer.data(), std::min<std::size_t>(size, buffer.size()));
    return result;
}

std::optional<ShortString> Win32System::environment_variable(std::string_view name)
{
    std::string wanted = z(name);
    std::vector<char> buffer(256, '\0');
    SetLastError(ERROR_SUCCESS);
    DWORD n = GetEnvironmentVariableA(wanted.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    // A longer value is fetched whole: the first call left the buffer
    // undefined and gave the size it needs.
    while (n >= buffer.size()) {
        buffer.assign(n + 1, '\0');
        n = GetEnvironmentVariableA(wanted.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    }
    if (n == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND)
        return std::nullopt;
    return filled(buffer.data(), n);
}

std::uint32_t Win32System::start_program(std::string_view command_line, std::int32_t show)
{
    return WinExec(z(command_line).c_str(), static_cast<UINT>(show));
}

bool Win32System::run_program_and_wait(std::string_view command_line, std::int32_t show)
{
    std::string command = z(command_line);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(show);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                        &startup, &process))
        return false;
    // No messages are handled meanwhile: the runtime's windows wait with
    // the program. The process handle says when it has ended, whatever its
    // exit code.
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

void Win32System::exit_windows(std::uint32_t flags) { ExitWindowsEx(flags, 0); }

void Win32System::win_help(std::string_view file, HelpCommand command, std::string_view keyword)
{
    std::string help_file = z(file);
    std::string key = z(keyword);
    ULONG_PTR data = command == HelpCommand::Key ? reinterpret_cast<ULONG_PTR>(key.c_str()) : 0;
    WinHelpA(m_host.main_window(), help_file.c_str(), static_cast<UINT>(command), data);
}

std::optional<ShortString> Win32System::clipboard_text()
{
    if (!OpenClipboard(m_host.main_window()))
        return std::nullopt;
    std::optional<ShortString> text;
    if (IsClipboardFormatAvailable(CF_TEXT)) {
        if (HANDLE data = GetClipboardData(CF_TEXT)) {
            if (const char* bytes = static_cast<const char*>(GlobalLock(data))) {
                // The text ends at its zero, and within its block.
                std::size_t size = std::min<std::size_t>(GlobalSize(data), ShortString::capacity);
                text = filled(bytes, size);
                GlobalUnlock(data);
            }
        }
    }
    CloseClipboard();
    return text;
}

void Win32System::put_clipboard_text(std::string_view text)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE | GMEM_ZEROINIT, text.size() + 1);
    if (!block)
        return;
    if (char* bytes = static_cast<char*>(GlobalLock(block))) {
        std::copy(text.begin(), text.end(), bytes);
        GlobalUnlock(block);
    }
    bool handed_over = false;
    if (OpenClipboard(m_host.main_window())) {
        handed_over = SetClipboardData(CF_TEXT, block) != nullptr;
        CloseClipboard();
    }
    // Once handed over, the block is the clipboard's.
    if (!handed_over)
        GlobalFree(block);
}

void Win32System::clear_clipboard()
{
    if (OpenClipboard(m_host.main_window())) {
        EmptyClipboard();
        CloseClipboard();
    }
}

} // namespace talven
