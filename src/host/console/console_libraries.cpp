// Shared objects for the DLL calls of the console host, and the bridge
// program started as a process. A name without a folder is looked for as
// Windows looks for a DLL or a program: beside the runtime, in the current
// directory (names found regardless of case), then where the system looks
// (the dynamic loader's search path, or PATH for a program).
#include "host/console/console_libraries.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>

#include "host/console/codepage.h"
#include "host/console/console_files.h"
#include "host/console/console_system.h"

extern char** environ;

namespace talven {
namespace {

char lower_ascii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

std::string lower(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), lower_ascii);
    return out;
}

bool is_regular_file(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The folder of the runtime's executable, with a trailing "/".
std::string runtime_folder()
{
    char buffer[4096];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return {};
    std::string path(buffer, static_cast<std::size_t>(n));
    return path.substr(0, path.rfind('/') + 1);
}

// The program's name for a file in the current directory, as a path with a
// folder (so that neither dlopen nor exec searches elsewhere); nothing
// when no file of that name exists.
std::optional<std::string> in_current_directory(std::string_view ansi_name)
{
    std::string path = resolve_native_path(ansi_name);
    if (path.empty() || !is_regular_file(path))
        return std::nullopt;
    return path.front() == '/' ? path : "./" + path;
}

bool has_folder(std::string_view name) { return name.find_first_of("\\/:") != std::string_view::npos; }

// Where a program without a folder is found: beside the runtime, in the
// current directory, on PATH.
std::optional<std::string> find_program(std::string_view ansi_name)
{
    if (has_folder(ansi_name)) {
        std::string path = resolve_native_path(ansi_name);
        return is_regular_file(path) ? std::optional(path) : std::nullopt;
    }
    std::string name = ansi_to_utf8(ansi_name);
    for (const std::string& candidate : {name, lower(name)}) {
        std::string beside = runtime_folder() + candidate;
        if (is_regular_file(beside))
            return beside;
    }
    if (auto here = in_current_directory(ansi_name))
        return here;
    const char* path_variable = std::getenv("PATH");
    std::string_view folders = path_variable ? path_variable : "";
    while (!folders.empty()) {
        std::size_t colon = folders.find(':');
        std::string folder(folders.substr(0, colon));
        folders = colon == std::string_view::npos ? std::string_view() : folders.substr(colon + 1);
        if (folder.empty())
            continue;
        for (const std::string& candidate : {name, lower(name)}) {
            std::string full = folder + "/" + candidate;
            if (is_regular_file(full) && ::access(full.c_str(), X_OK) == 0)
                return full;
        }
    }
    return std::nullopt;
}

void* open_library(std::string_view ansi_name)
{
    constexpr int mode = RTLD_NOW | RTLD_LOCAL;
    std::vector<std::string> candidates = library_file_candidates(ansi_name);
    if (has_folder(ansi_name)) {
        for (const std::string& candidate : candidates) {
            std::string path = resolve_native_path(candidate);
            if (is_regular_file(path))
                if (void* handle = ::dlopen((path.front() == '/' ? path : "./" + path).c_str(), mode))
                    return handle;
        }
        return nullptr;
    }
    std::string folder = runtime_folder();
    for (const std::string& candidate : candidates) {
        std::string beside = folder + ansi_to_utf8(candidate);
        if (is_regular_file(beside))
            if (void* handle = ::dlopen(beside.c_str(), mode))
                return handle;
    }
    for (const std::string& candidate : candidates)
        if (auto here = in_current_directory(candidate))
            if (void* handle = ::dlopen(here->c_str(), mode))
                return handle;
    for (const std::string& candidate : candidates)
        if (void* handle = ::dlopen(ansi_to_utf8(candidate).c_str(), mode))
            return handle;
    return nullptr;
}

} // namespace

std::vector<std::string> library_file_candidates(std::string_view ansi_name)
{
    std::size_t slash = ansi_name.find_last_of("\\/:");
    std::string_view folder = slash == std::string_view::npos ? std::string_view() : ansi_name.substr(0, slash + 1);
    std::string_view file = ansi_name.substr(folder.size());
    std::size_t dot = file.rfind('.');
    std::string_view stem = file;
    if (dot != std::string_view::npos) {
        if (lower(file.substr(dot)) != ".dll")
            return {std::string(ansi_name)};
        stem = file.substr(0, dot);
    }
    std::vector<std::string> names;
    for (const std::string& s : {std::string(stem), lower(stem)}) {
        for (const std::string& name : {s + ".so", "lib" + s + ".so"}) {
            std::string full = std::string(folder) + name;
            if (std::find(names.begin(), names.end(), full) == names.end())
                names.push_back(full);
        }
    }
    return names;
}

std::uint32_t ConsoleLibraries::load_library(std::string_view name)
{
    void* handle = open_library(name);
    if (!handle)
        return 0;
    // dlopen counts the loads of one library itself; the program sees one
    // handle for it, as on Windows.
    for (Loaded& loaded : m_loaded) {
        if (loaded.handle == handle) {
            ++loaded.loads;
            return loaded.number;
        }
    }
    m_loaded.push_back({m_next_number, handle, 1});
    m_next_number += 0x10;
    return m_loaded.back().number;
}

void ConsoleLibraries::free_library(std::uint32_t library)
{
    auto it = std::find_if(m_loaded.begin(), m_loaded.end(), [&](const Loaded& l) { return l.number == library; });
    if (it == m_loaded.end())
        return;
    ::dlclose(it->handle);
    if (--it->loads == 0)
        m_loaded.erase(it);
}

void* ConsoleLibraries::find_function(std::uint32_t library, std::string_view name)
{
    auto it = std::find_if(m_loaded.begin(), m_loaded.end(), [&](const Loaded& l) { return l.number == library; });
    if (it == m_loaded.end())
        return nullptr;
    return ::dlsym(it->handle, std::string(name).c_str());
}

std::uint32_t ConsoleLibraries::call_function(void* function, const std::uint32_t* arguments, int count)
{
    // The C convention has the caller clean up, so passing all twelve
    // suits a function of any number of integer arguments. Each goes
    // sign-extended, as the platform widens a 32-bit int.
    using Twelve = std::intptr_t (*)(std::intptr_t, std::intptr_t, std::intptr_t, std::intptr_t, std::intptr_t,
                                     std::intptr_t, std::intptr_t, std::intptr_t, std::intptr_t, std::intptr_t,
                                     std::intptr_t, std::intptr_t);
    std::intptr_t a[12] = {};
    for (int i = 0; i < count && i < 12; ++i)
        a[i] = static_cast<std::int32_t>(arguments[i]);
    auto call = reinterpret_cast<Twelve>(function);
    return static_cast<std::uint32_t>(call(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9], a[10], a[11]));
}

std::uint32_t ConsoleLibraries::start_process(std::string_view command_line)
{
    std::erase_if(m_unwatched, [](pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) != 0; });
    std::vector<std::string> args = split_command_line(command_line);
    if (args.empty())
        return 0;
    auto program = find_program(args[0]);
    if (!program)
        return 0;
    auto [pid, error] = talven::start_process(*program, args);
    return error == 0 ? static_cast<std::uint32_t>(pid) : 0;
}

bool ConsoleLibraries::process_ended(std::uint32_t process, std::uint32_t milliseconds)
{
    pid_t pid = static_cast<pid_t>(process);
    if (std::find(m_ended.begin(), m_ended.end(), pid) != m_ended.end())
        return true;
    for (std::uint32_t waited = 0;; ++waited) {
        pid_t done = ::waitpid(pid, nullptr, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR)) {
            m_ended.push_back(pid);
            return true;
        }
        if (waited >= milliseconds)
            return false;
        timespec pause{0, 1000000};
        ::nanosleep(&pause, nullptr);
    }
}

void ConsoleLibraries::release_process(std::uint32_t process)
{
    pid_t pid = static_cast<pid_t>(process);
    auto ended = std::find(m_ended.begin(), m_ended.end(), pid);
    if (ended != m_ended.end()) {
        m_ended.erase(ended);
        return;
    }
    if (::waitpid(pid, nullptr, WNOHANG) == 0)
        m_unwatched.push_back(pid);
}

bool ConsoleLibraries::file_exists(std::string_view name)
{
    std::string path = resolve_native_path(name);
    struct stat st;
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

} // namespace talven
