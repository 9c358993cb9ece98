// DLL calls on the Win32 host: LoadLibrary and GetProcAddress, calls in the
// platform's convention for library functions, and the bridge program as a
// process whose end the runtime can see.
#pragma once

#include <windows.h>

#include <string_view>
#include <utility>
#include <vector>

#include "host/library_host.h"

namespace talven {

class Win32Libraries final : public LibraryHost {
public:
    Win32Libraries() = default;
    ~Win32Libraries() override;
    Win32Libraries(const Win32Libraries&) = delete;
    Win32Libraries& operator=(const Win32Libraries&) = delete;

    std::uint32_t load_library(std::string_view name) override;
    void free_library(std::uint32_t library) override;
    void* find_function(std::uint32_t library, std::string_view name) override;
    std::uint32_t call_function(void* function, const std::uint32_t* arguments, int count) override;
    std::uint32_t start_process(std::string_view command_line) override;
    bool process_ended(std::uint32_t process, std::uint32_t milliseconds) override;
    void release_process(std::uint32_t process) override;
    bool file_exists(std::string_view name) override;

private:
    // The module a program's handle names; null when none.
    HMODULE module(std::uint32_t library) const;
    HANDLE process_handle(std::uint32_t process) const;

#ifdef _WIN64
    // Module handles do not fit the program's 32-bit numbers: each loaded
    // module gets its handle's low half, or a number of its own when that
    // half is taken or too small.
    struct Loaded {
        std::uint32_t number;
        HMODULE module;
        int loads;
    };
    std::vector<Loaded> m_modules;
    std::uint32_t m_next_number = 0x1000;
#endif
    std::vector<std::pair<std::uint32_t, HANDLE>> m_processes;
};

} // namespace talven
