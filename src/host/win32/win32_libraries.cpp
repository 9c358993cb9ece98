// The Win32 host's DLL calls. The i686 build calls through a small thunk
// that restores the stack pointer from its frame, so that a declaration
// with the wrong number of arguments or a C-convention export costs
// nothing; the x86_64 convention has the caller clean up anyway.
#include "host/win32/win32_libraries.h"

#include <algorithm>
#include <cstdint>
#include <string>

#if defined(__i386__)
// talven_call32(function, arguments, count): copies the arguments onto a
// 16-byte aligned stack (first argument lowest), calls, and takes the stack
// pointer back from the frame, whoever removed the arguments.
extern "C" std::uint32_t talven_call32(void* function, const std::uint32_t* arguments, int count);
asm(R"(
    .text
    .globl _talven_call32
_talven_call32:
    pushl %ebp
    movl %esp, %ebp
    pushl %esi
    pushl %edi
    movl 8(%ebp), %eax
    movl 12(%ebp), %esi
    movl 16(%ebp), %ecx
    leal 0(,%ecx,4), %edx
    subl %edx, %esp
    andl $-16, %esp
1:  testl %ecx, %ecx
    jz 2f
    decl %ecx
    movl (%esi,%ecx,4), %edx
    movl %edx, (%esp,%ecx,4)
    jmp 1b
2:  call *%eax
    leal -8(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebp
    ret
)");
#endif

namespace talven {
namespace {

std::string z(std::string_view text) { return std::string(text); }

std::uint32_t low_half(const void* handle) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(handle)); }

} // namespace

Win32Libraries::~Win32Libraries()
{
    for (auto& [id, handle] : m_processes)
        CloseHandle(handle);
}

std::uint32_t Win32Libraries::load_library(std::string_view name)
{
    HMODULE loaded = LoadLibraryA(z(name).c_str());
    if (!loaded)
        return 0;
#ifdef _WIN64
    for (Loaded& m : m_modules) {
        if (m.module == loaded) {
            ++m.loads;
            return m.number;
        }
    }
    std::uint32_t number = low_half(loaded);
    bool taken = std::any_of(m_modules.begin(), m_modules.end(), [&](const Loaded& m) { return m.number == number; });
    if (number < 32 || taken) {
        number = m_next_number;
        m_next_number += 0x10;
    }
    m_modules.push_back({number, loaded, 1});
    return number;
#else
    return low_half(loaded);
#endif
}

HMODULE Win32Libraries::module(std::uint32_t library) const
{
#ifdef _WIN64
    for (const Loaded& m : m_modules)
        if (m.number == library)
            return m.module;
    return nullptr;
#else
    return reinterpret_cast<HMODULE>(static_cast<std::uintptr_t>(library));
#endif
}

void Win32Libraries::free_library(std::uint32_t library)
{
    HMODULE m = module(library);
    if (!m)
        return;
    FreeLibrary(m);
#ifdef _WIN64
    // The number goes with the last load the program took back.
    auto it = std::find_if(m_modules.begin(), m_modules.end(), [&](const Loaded& e) { return e.number == library; });
    if (--it->loads == 0)
        m_modules.erase(it);
#endif
}

void* Win32Libraries::find_function(std::uint32_t library, std::string_view name)
{
    HMODULE m = module(library);
    if (!m)
        return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(m, z(name).c_str()));
}

std::uint32_t Win32Libraries::call_function(void* function, const std::uint32_t* arguments, int count)
{
    count = std::clamp(count, 0, 12);
#if defined(__i386__)
    return talven_call32(function, arguments, count);
#else
    // Handles and addresses go sign-extended, as the platform widens a
    // 32-bit handle.
    using Twelve = std::intptr_t (*)(std::intptr_t, std::intptr_t, std::intptr_t, std::intptr_t, std::intptr_t,
                                     std::intptr_t, std::intptr_t, std::intptr_t, std::intptr_t, std::intptr_t,
                                     std::intptr_t, std::intptr_t);
    std::intptr_t a[12] = {};
    for (int i = 0; i < count; ++i)
        a[i] = static_cast<std::int32_t>(arguments[i]);
    auto call = reinterpret_cast<Twelve>(function);
    return static_cast<std::uint32_t>(call(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9], a[10], a[11]));
#endif
}

std::uint32_t Win32Libraries::start_process(std::string_view command_line)
{
    // WinExec's search and show mode, but with a handle that tells when
    // the program has ended.
    std::string command = z(command_line);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                        &startup, &process))
        return 0;
    CloseHandle(process.hThread);
    m_processes.emplace_back(process.dwProcessId, process.hProcess);
    return process.dwProcessId;
}

HANDLE Win32Libraries::process_handle(std::uint32_t process) const
{
    for (auto& [id, handle] : m_processes)
        if (id == process)
            return handle;
    return nullptr;
}

bool Win32Libraries::process_ended(std::uint32_t process, std::uint32_t milliseconds)
{
    HANDLE handle = process_handle(process);
    if (!handle)
        return true;
    // Returns early when a message arrives, so that the window is served.
    return MsgWaitForMultipleObjects(1, &handle, FALSE, milliseconds, QS_ALLINPUT) == WAIT_OBJECT_0;
}

void Win32Libraries::release_process(std::uint32_t process)
{
    auto it = std::find_if(m_processes.begin(), m_processes.end(), [&](const auto& p) { return p.first == process; });
    if (it == m_processes.end())
        return;
    CloseHandle(it->second);
    m_processes.erase(it);
}

bool Win32Libraries::file_exists(std::string_view name)
{
    return GetFileAttributesA(z(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace talven
