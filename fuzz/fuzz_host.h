// The host the fuzz targets run the runtime on: the program file is served
// from memory, there are no other files, every box is answered with OK, the
// input has ended, no window message ever comes, and area memory comes from
// malloc under a cap on the total. The pump ends the program after a fixed
// number of calls, which limits the lines an input may run. With the
// environment variable TALVEN_FUZZ_VERBOSE set, the output and the boxes go
// to standard error (for looking at one input).
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "host/host.h"

namespace talven::fuzzing {

// The name under which the program file is served.
inline constexpr std::string_view program_name = "FUZZ.TVC";

// The header of a plain program (line key 0).
inline std::string plain_header()
{
    std::string header = " ZUK-TALVEN5";
    header.resize(32, ' ');
    return header;
}

// Stops the process the way a sanitizer does, so that libFuzzer saves the
// input: for broken promises of the core towards the host.
[[noreturn]] inline void host_fault(const char* what)
{
    std::fprintf(stderr, "fuzz host: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

// The runtime ends with 0 (normal end), 1 (damaged program), 2 (fatal
// error) or 255 (broken off); anything else is a fault.
inline void check_exit_code(int code)
{
    if (code != 0 && code != 1 && code != 2 && code != 255)
        host_fault("the runtime ended with an exit code it never gives");
}

// Every library loads and has every function; a call adds its arguments up
// and runs nothing, so that declared calls reach their end.
class FuzzLibraries final : public LibraryHost {
public:
    std::uint32_t load_library(std::string_view name) override { return name.empty() ? 0 : 0x1000; }
    void* find_function(std::uint32_t, std::string_view name) override { return name.empty() ? nullptr : this; }
    std::uint32_t call_function(void* function, const std::uint32_t* arguments, int count) override
    {
        if (function != this || count < 0 || count > 12)
            host_fault("a library call that no lookup gave, or with a count beyond 12");
        std::uint32_t sum = 0;
        for (int i = 0; i < count; ++i)
            sum += arguments[i];
        return sum;
    }
};

class FuzzHost : public Host {
public:
    // The pump is called every 21st line; after this many calls it breaks
    // the program off (exit code 255).
    static constexpr int default_pump_limit = 500;
    // Area memory a program may hold at once.
    static constexpr std::size_t area_cap = 64u << 20;

    explicit FuzzHost(std::string program, int pump_limit = default_pump_limit)
        : m_program(std::move(program)), m_pump_limit(pump_limit), m_verbose(std::getenv("TALVEN_FUZZ_VERBOSE") != nullptr)
    {
    }

    ~FuzzHost() override
    {
        // The core frees its area blocks in the end-of-program clean-up; a
        // block still held here would be lost by a real runtime run again.
        if (!m_blocks.empty())
            host_fault("area blocks not returned at the end of the program");
    }

    const std::vector<ShortString>& command_line() const override { return m_arguments; }
    std::uint32_t appended_program_offset() override { return 0; }
    std::optional<ShortString> choose_program_file(std::string_view, std::string_view) override
    {
        return std::nullopt;
    }

    std::unique_ptr<HostFile> open_for_reading(std::string_view name) override
    {
        if (name != program_name)
            return nullptr;
        return std::make_unique<MemoryFile>(m_program);
    }

    BoxAnswer message_box(std::string_view text, std::string_view caption, BoxIcon, BoxButtons) override
    {
        ++boxes;
        touch(text);
        touch(caption);
        if (m_verbose)
            std::fprintf(stderr, "box: %.*s | %.*s\n", static_cast<int>(text.size()), text.data(),
                         static_cast<int>(caption.size()), caption.data());
        return BoxAnswer::Ok;
    }

    LocalTime local_time() override
    {
        LocalTime t;
        t.year = 1997;
        t.month = 3;
        t.day = 14;
        t.weekday = 5;
        t.hour = 12;
        t.minute = 34;
        t.second = 56;
        t.millisecond = 789;
        return t;
    }
    // Time moves on with every look at the clock, so that nothing waits
    // for it forever; the same input always sees the same times.
    std::uint32_t tick_count() override { return m_ticks += 55; }

    ShortString ansi_to_oem(std::string_view text) override { return ShortString(text); }
    ShortString oem_to_ansi(std::string_view text) override { return ShortString(text); }
    std::optional<ShortString> current_directory(char drive) override
    {
        if (drive == 'C' || drive == 'c' || drive == 0)
            return ShortString("C:\\FUZZ");
        return std::nullopt;
    }

    void write_text(std::string_view text) override
    {
        output_bytes += text.size();
        touch(text);
        if (m_verbose)
            std::fprintf(stderr, "%.*s", static_cast<int>(text.size()), text.data());
    }
    void beep() override {}
    bool wait_message() override { return false; }

    void* allocate_area(std::size_t size) override
    {
        if (size > area_cap - m_area_total)
            return nullptr;
        void* block = std::malloc(size == 0 ? 1 : size);
        if (!block)
            return nullptr;
        // Fresh blocks hold garbage, as on the real platform; a program that
        // reads before writing must not make the runtime misbehave.
        std::memset(block, 0xA5, size);
        m_blocks[block] = size;
        m_area_total += size;
        return block;
    }

    void free_area(void* block, std::size_t size) override
    {
        auto it = m_blocks.find(block);
        if (it == m_blocks.end())
            host_fault("free_area of a block the host never handed out");
        if (it->second != size)
            host_fault("free_area with another size than the block was allocated with");
        m_area_total -= it->second;
        m_blocks.erase(it);
        std::free(block);
    }

    LibraryHost& libraries() override { return m_libraries; }

    PumpResult pump_messages() override
    {
        ++pumps;
        return pumps > m_pump_limit ? PumpResult::Break : PumpResult::Continue;
    }

    int boxes = 0;
    int pumps = 0;
    std::size_t output_bytes = 0;

private:
    FuzzLibraries m_libraries;
    // Reads every byte of a text the core hands over, so that the sanitizers
    // see a text that points outside its buffer.
    void touch(std::string_view text)
    {
        unsigned sum = 0;
        for (char c : text)
            sum += static_cast<unsigned char>(c);
        m_checksum += sum;
    }

    class MemoryFile : public HostFile {
    public:
        explicit MemoryFile(const std::string& bytes) : m_bytes(bytes) {}
        std::size_t read(void* buffer, std::size_t size) override
        {
            std::size_t n = std::min(size, m_bytes.size() - m_pos);
            std::memcpy(buffer, m_bytes.data() + m_pos, n);
            m_pos += n;
            return n;
        }
        bool seek(std::uint64_t offset) override
        {
            if (offset > m_bytes.size())
                return false;
            m_pos = static_cast<std::size_t>(offset);
            return true;
        }

    private:
        const std::string& m_bytes;
        std::size_t m_pos = 0;
    };

    std::string m_program;
    int m_pump_limit;
    bool m_verbose;
    std::vector<ShortString> m_arguments{ShortString("talven"), ShortString(program_name)};
    std::map<void*, std::size_t> m_blocks;
    std::size_t m_area_total = 0;
    std::uint32_t m_ticks = 100000;
    unsigned m_checksum = 0;
};

} // namespace talven::fuzzing
