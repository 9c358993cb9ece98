// Libraries a program calls into, and the bridge program it starts for the
// libraries the platform cannot load itself. The host loads, looks up and
// calls; which arguments go in, the errors and the bridge's file protocol
// belong to the core. Names cross in the ANSI code page.
#pragma once

#include <cstdint>
#include <string_view>

namespace talven {

class LibraryHost {
public:
    virtual ~LibraryHost() = default;

    // Loads a library by the program's name for it and counts the load;
    // its handle as programs see it (32 or more), 0 when it does not load.
    virtual std::uint32_t load_library(std::string_view name) { return (void)name, 0; }
    // Takes back one load; a handle that names no loaded library is ignored.
    virtual void free_library(std::uint32_t library) { (void)library; }
    // The address of an exported function; null when there is none.
    virtual void* find_function(std::uint32_t library, std::string_view name)
    {
        return (void)library, (void)name, nullptr;
    }
    // Calls it with count (0..12) 32-bit arguments in the platform's
    // convention for library functions; its 32-bit result. A function that
    // takes another number of arguments, or cleans the stack the other way,
    // leaves the caller intact.
    virtual std::uint32_t call_function(void* function, const std::uint32_t* arguments, int count)
    {
        return (void)function, (void)arguments, (void)count, 0;
    }

    // Starts a program from a command line as the platform's WinExec finds
    // it; a number to watch it by, 0 when it did not start.
    virtual std::uint32_t start_process(std::string_view command_line) { return (void)command_line, 0; }
    // Waits up to the milliseconds for the process to end; true once it has.
    virtual bool process_ended(std::uint32_t process, std::uint32_t milliseconds)
    {
        return (void)process, (void)milliseconds, true;
    }
    // Stops watching; a process still running goes on alone.
    virtual void release_process(std::uint32_t process) { (void)process; }

    virtual bool file_exists(std::string_view name) { return (void)name, false; }
};

// A host without libraries (the fuzzing host): nothing loads or starts.
inline LibraryHost& no_libraries()
{
    static LibraryHost none;
    return none;
}

} // namespace talven
