// The module a program's instance number names: 0 and the runtime's own
// number are the runtime; otherwise a module loaded in the process, or null.
#pragma once

#include <windows.h>
#include <tlhelp32.h>

#include <cstdint>

namespace talven {

inline HINSTANCE module_of_number(HINSTANCE runtime, std::uint32_t instance)
{
    auto number = [](HMODULE h) { return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(h)); };
    if (instance == 0 || instance == number(runtime))
        return runtime;
    HMODULE found = nullptr;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return nullptr;
    MODULEENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Module32First(snapshot, &entry); more; more = Module32Next(snapshot, &entry)) {
        if (number(entry.hModule) == instance) {
            found = entry.hModule;
            break;
        }
    }
    CloseHandle(snapshot);
    return found;
}

} // namespace talven
