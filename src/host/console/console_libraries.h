// DLL calls on the console host: shared objects loaded with dlopen under
// small handles of the runtime's own, called with the platform's C
// convention; the bridge program is a Linux process.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

#include "host/library_host.h"

namespace talven {

class ConsoleLibraries final : public LibraryHost {
public:
    std::uint32_t load_library(std::string_view name) override;
    void free_library(std::uint32_t library) override;
    void* find_function(std::uint32_t library, std::string_view name) override;
    std::uint32_t call_function(void* function, const std::uint32_t* arguments, int count) override;
    std::uint32_t start_process(std::string_view command_line) override;
    bool process_ended(std::uint32_t process, std::uint32_t milliseconds) override;
    void release_process(std::uint32_t process) override;
    bool file_exists(std::string_view name) override;

private:
    struct Loaded {
        std::uint32_t number;
        void* handle;
        int loads;
    };
    std::vector<Loaded> m_loaded;
    std::uint32_t m_next_number = 0x1000;
    // Processes that ended while watched, and released ones still running
    // (collected once they end).
    std::vector<pid_t> m_ended;
    std::vector<pid_t> m_unwatched;
};

// The files a library name may stand for, in the order they are tried: a
// name ending in ".DLL" (any case) or without an extension becomes
// "NAME.so", "libNAME.so" and both in lower case; any other name stays as
// it is. A folder in the name is kept in front of each.
std::vector<std::string> library_file_candidates(std::string_view ansi_name);

} // namespace talven
