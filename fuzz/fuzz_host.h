// The host the fuzz targets run the runtime on: the program file is served
// from memory, there are no other files, every box is answered with OK, the
// input has ended, no window message ever comes, and area memory comes from
// malloc under a cap on the total. The pump ends the program after a fixed
// number of calls, which limits the lines an input may run. With the
// environment variable TALVEN_FUZZ_VERBOSE set, the output and the boxes go
// to standard error (for looking at one input).
//
// A recording host (Recording::On) also keeps what the program showed (text,
// screen cells, boxes, beeps, library calls) in order, has a small file
// system in memory, and places area blocks at the same addresses in every
// run, so that two runs of one program can be compared.
#pragma once

#include <sys/mman.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/asan_interface.h>
#define TALVEN_FUZZ_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define TALVEN_FUZZ_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#endif
#endif
#ifndef TALVEN_FUZZ_POISON
#define TALVEN_FUZZ_POISON(p, n) ((void)(p), (void)(n))
#define TALVEN_FUZZ_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

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

// What a recording host saw, in order: one entry per event, consecutive
// text output joined into one (how the core cuts its output is not shown).
// Past a cap only the count of further bytes is kept.
class Transcript {
public:
    static constexpr std::size_t cap = 8u << 20;

    void add(char kind, std::string_view text, bool joins = false)
    {
        if (m_bytes + text.size() > cap) {
            m_dropped += text.size();
            return;
        }
        m_bytes += text.size();
        if (joins && !m_entries.empty() && m_entries.back().front() == kind) {
            m_entries.back() += text;
            return;
        }
        m_entries.emplace_back(1, kind);
        m_entries.back() += text;
    }
    const std::vector<std::string>& entries() const { return m_entries; }
    std::size_t dropped() const { return m_dropped; }

private:
    std::vector<std::string> m_entries;
    std::size_t m_bytes = 0;
    std::size_t m_dropped = 0;
};

inline std::string decimal(long long n) { return std::to_string(n); }

// Every library loads and has every function; a call adds its arguments up
// and runs nothing, so that declared calls reach their end.
class FuzzLibraries final : public LibraryHost {
public:
    explicit FuzzLibraries(Transcript* transcript) : m_transcript(transcript) {}
    std::uint32_t load_library(std::string_view name) override { return name.empty() ? 0 : 0x1000; }
    void* find_function(std::uint32_t, std::string_view name) override { return name.empty() ? nullptr : this; }
    std::uint32_t call_function(void* function, const std::uint32_t* arguments, int count) override
    {
        if (function != this || count < 0 || count > 12)
            host_fault("a library call that no lookup gave, or with a count beyond 12");
        std::uint32_t sum = 0;
        std::string call;
        for (int i = 0; i < count; ++i) {
            sum += arguments[i];
            if (m_transcript)
                call += ' ' + decimal(arguments[i]);
        }
        if (m_transcript)
            m_transcript->add('L', call);
        return sum;
    }

private:
    Transcript* m_transcript;
};

// A flat folder C:\FUZZ in memory: files only, no subfolders, names without
// regard to case, at most 16 MiB in all. Every open sees every other (no
// sharing rules); a read-only file refuses writes, a file open somewhere
// refuses to be deleted or renamed.
class MemoryFiles final : public HostFileSystem {
public:
    static constexpr std::uint64_t capacity = 16u << 20;

    struct File {
        std::string bytes;
        std::uint32_t attributes = file_attribute::archive;
        std::uint64_t index = 0;
        int open = 0;
    };

    const std::map<std::string, std::shared_ptr<File>>& all() const { return m_files; }

    OpenResult open(std::string_view name, FileAccess access, FileSharing, FileCreation creation) override
    {
        std::string key;
        if (FsCode code = key_of(name, key))
            return {nullptr, code};
        auto it = m_files.find(key);
        bool writes = access != FileAccess::Read;
        if (it == m_files.end()) {
            if (creation == FileCreation::OpenExisting)
                return {nullptr, fs_code::file_not_found};
            auto file = std::make_shared<File>();
            file->index = ++m_last_index;
            it = m_files.emplace(key, std::move(file)).first;
        } else {
            if (creation == FileCreation::CreateNew)
                return {nullptr, fs_code::already_exists};
            bool empties = creation == FileCreation::CreateAlways;
            if ((writes || empties) && (it->second->attributes & file_attribute::read_only))
                return {nullptr, fs_code::access_denied};
            if (empties) {
                m_used -= it->second->bytes.size();
                it->second->bytes.clear();
            }
        }
        return {std::make_unique<Handle>(*this, it->second, access), fs_code::ok};
    }

    FsCode remove(std::string_view name) override
    {
        auto found = find(name);
        if (found.code)
            return found.code;
        File& file = *found.value->second;
        if (file.open)
            return fs_code::sharing_violation;
        if (file.attributes & file_attribute::read_only)
            return fs_code::access_denied;
        m_used -= file.bytes.size();
        m_files.erase(found.value);
        return fs_code::ok;
    }

    FsCode rename(std::string_view from, std::string_view to) override
    {
        auto found = find(from);
        if (found.code)
            return found.code;
        std::string key;
        if (FsCode code = key_of(to, key))
            return code;
        if (found.value->second->open)
            return fs_code::sharing_violation;
        if (key == found.value->first)
            return fs_code::ok;
        if (m_files.count(key))
            return fs_code::already_exists;
        auto file = found.value->second;
        m_files.erase(found.value);
        m_files.emplace(key, std::move(file));
        return fs_code::ok;
    }

    FsCode change_directory(std::string_view) override { return fs_code::access_denied; }
    FsCode make_directory(std::string_view) override { return fs_code::access_denied; }
    FsCode remove_directory(std::string_view) override { return fs_code::access_denied; }

    FsResult<FileInfo> info(std::string_view name) override
    {
        auto found = find(name);
        if (found.code)
            return {{}, found.code};
        const File& file = *found.value->second;
        FileInfo info;
        info.size = file.bytes.size();
        info.attributes = file.attributes;
        info.modified = {1997, 3, 14};
        info.id = {1, file.index};
        return {info, fs_code::ok};
    }

    FsCode set_attributes(std::string_view name, std::uint32_t attributes) override
    {
        auto found = find(name);
        if (found.code)
            return found.code;
        found.value->second->attributes =
            attributes & (file_attribute::read_only | file_attribute::hidden | file_attribute::system |
                          file_attribute::archive);
        return fs_code::ok;
    }

    FsResult<std::vector<DirectoryEntry>> list(std::string_view pattern) override
    {
        std::string mask;
        if (FsCode code = key_of(pattern, mask, Wildcards::Allowed))
            return {{}, code};
        std::vector<DirectoryEntry> entries;
        for (const auto& [name, file] : m_files)
            if (matches(mask, name))
                entries.push_back({ShortString(name), file->attributes, false});
        return {std::move(entries), fs_code::ok};
    }

    std::optional<DiskSpace> disk_space(char drive) override
    {
        if (drive != 0 && drive != 'C' && drive != 'c')
            return std::nullopt;
        return DiskSpace{capacity - m_used, capacity};
    }

    std::optional<ShortString> full_path(std::string_view name) override
    {
        std::string key;
        if (key_of(name, key) || key.size() + folder.size() > ShortString::capacity)
            return std::nullopt;
        return ShortString(std::string(folder) + key);
    }

    std::optional<ShortString> short_path(std::string_view name) override
    {
        auto found = find(name);
        if (found.code)
            return std::nullopt;
        return ShortString(found.value->first);
    }

private:
    static constexpr std::string_view folder = "C:\\FUZZ\\";
    enum class Wildcards { Refused, Allowed };
    using Entry = std::map<std::string, std::shared_ptr<File>>::iterator;

    // The key of a name in the folder: upper case, without the folder's
    // own path in front; 3 for a name in another folder, 123 for an empty
    // name or one with wildcards.
    static FsCode key_of(std::string_view name, std::string& key, Wildcards wildcards = Wildcards::Refused)
    {
        key.clear();
        for (char c : name)
            key.push_back(c == '/' ? '\\' : (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c);
        for (std::string_view prefix : {folder, std::string_view("C:"), std::string_view(".\\")})
            if (std::string_view(key).substr(0, prefix.size()) == prefix)
                key.erase(0, prefix.size());
        if (key.find_first_of("\\:") != std::string::npos)
            return fs_code::path_not_found;
        if (key.empty() || (wildcards == Wildcards::Refused && key.find_first_of("*?") != std::string::npos))
            return 123;
        return fs_code::ok;
    }

    FsResult<Entry> find(std::string_view name)
    {
        std::string key;
        if (FsCode code = key_of(name, key))
            return {m_files.end(), code};
        auto it = m_files.find(key);
        return {it, it == m_files.end() ? fs_code::file_not_found : fs_code::ok};
    }

    static bool matches(std::string_view mask, std::string_view name)
    {
        if (mask.empty())
            return name.empty();
        if (mask.front() == '*')
            return matches(mask.substr(1), name) || (!name.empty() && matches(mask, name.substr(1)));
        if (name.empty() || (mask.front() != '?' && mask.front() != name.front()))
            return false;
        return matches(mask.substr(1), name.substr(1));
    }

    class Handle final : public HostFileHandle {
    public:
        Handle(MemoryFiles& files, std::shared_ptr<File> file, FileAccess access)
            : m_files(files), m_file(std::move(file)), m_access(access)
        {
            ++m_file->open;
        }
        ~Handle() override
        {
            if (m_file)
                --m_file->open;
        }
        Transfer read(void* buffer, std::size_t size) override
        {
            if (m_access == FileAccess::Write)
                return {0, fs_code::access_denied};
            const std::string& bytes = m_file->bytes;
            std::size_t n = m_position >= bytes.size() ? 0 : std::min<std::size_t>(size, bytes.size() - m_position);
            std::memcpy(buffer, bytes.data() + m_position, n);
            m_position += n;
            return {n, fs_code::ok};
        }
        Transfer write(const void* buffer, std::size_t size) override
        {
            if (m_access == FileAccess::Read)
                return {0, fs_code::access_denied};
            std::string& bytes = m_file->bytes;
            std::uint64_t end = m_position + size;
            std::uint64_t growth = end > bytes.size() ? end - bytes.size() : 0;
            if (growth > capacity - m_files.m_used)
                return {0, 112}; // the disk is full
            if (growth) {
                bytes.resize(end, '\0');
                m_files.m_used += growth;
            }
            std::memcpy(bytes.data() + m_position, buffer, size);
            m_position = end;
            return {size, fs_code::ok};
        }
        FsCode seek(std::int64_t offset) override
        {
            if (offset < 0)
                return fs_code::negative_seek;
            m_position = static_cast<std::uint64_t>(offset);
            return fs_code::ok;
        }
        FsResult<std::uint64_t> position() override { return {m_position, fs_code::ok}; }
        FsResult<std::uint64_t> size() override { return {m_file->bytes.size(), fs_code::ok}; }
        FsCode set_end() override
        {
            if (m_access == FileAccess::Read)
                return fs_code::access_denied;
            std::string& bytes = m_file->bytes;
            if (m_position < bytes.size()) {
                m_files.m_used -= bytes.size() - m_position;
                bytes.resize(m_position);
            } else if (m_position > bytes.size()) {
                if (m_position - bytes.size() > capacity - m_files.m_used)
                    return 112;
                m_files.m_used += m_position - bytes.size();
                bytes.resize(m_position, '\0');
            }
            return fs_code::ok;
        }
        FileId id() const override { return {1, m_file->index}; }
        FsCode close() override
        {
            if (m_file)
                --m_file->open;
            m_file.reset();
            return fs_code::ok;
        }

    private:
        MemoryFiles& m_files;
        std::shared_ptr<File> m_file;
        FileAccess m_access;
        std::uint64_t m_position = 0;
    };

    std::map<std::string, std::shared_ptr<File>> m_files;
    std::uint64_t m_used = 0;
    std::uint64_t m_last_index = 0;
};

// Area blocks of recording hosts: one region reserved once for the process
// (below 2 GiB where the system allows, as the console host's blocks are)
// and handed out first-fit. Runs one after another get the same addresses
// for the same requests, and programs see their areas' addresses. Unused
// bytes stay poisoned for AddressSanitizer, with a gap after every block.
class AreaArena {
public:
    static AreaArena& instance()
    {
        static AreaArena arena;
        return arena;
    }

    void* allocate(std::size_t size)
    {
        std::size_t need = span(size);
        for (auto it = m_free.begin(); it != m_free.end(); ++it) {
            if (it->second < need)
                continue;
            std::size_t offset = it->first;
            std::size_t rest = it->second - need;
            m_free.erase(it);
            if (rest)
                m_free[offset + need] = rest;
            TALVEN_FUZZ_UNPOISON(m_base + offset, size);
            return m_base + offset;
        }
        return nullptr;
    }

    void release(void* block, std::size_t size)
    {
        std::size_t offset = static_cast<std::size_t>(static_cast<std::uint8_t*>(block) - m_base);
        std::size_t length = span(size);
        TALVEN_FUZZ_POISON(m_base + offset, size);
        // Large blocks give their pages back; a new block is filled anyway.
        if (length >= (1u << 20)) {
            std::size_t page = 4096;
            std::size_t first = (offset + page - 1) / page * page;
            std::size_t last = (offset + length) / page * page;
            if (last > first)
                madvise(m_base + first, last - first, MADV_DONTNEED);
        }
        auto next = m_free.lower_bound(offset);
        if (next != m_free.end() && next->first == offset + length) {
            length += next->second;
            next = m_free.erase(next);
        }
        if (next != m_free.begin()) {
            auto before = std::prev(next);
            if (before->first + before->second == offset) {
                before->second += length;
                return;
            }
        }
        m_free[offset] = length;
    }

private:
    static constexpr std::size_t reserved = std::size_t{160} << 20;

    AreaArena()
    {
        void* region = MAP_FAILED;
#ifdef MAP_32BIT
        region = mmap(nullptr, reserved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE | MAP_32BIT,
                      -1, 0);
#endif
        if (region == MAP_FAILED)
            region = mmap(nullptr, reserved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (region == MAP_FAILED)
            host_fault("cannot reserve the area region");
        m_base = static_cast<std::uint8_t*>(region);
        TALVEN_FUZZ_POISON(m_base, reserved);
        m_free[0] = reserved;
    }

    static std::size_t span(std::size_t size) { return (size + 15) / 16 * 16 + 16; }

    std::uint8_t* m_base = nullptr;
    std::map<std::size_t, std::size_t> m_free; // offset, length
};

class FuzzHost : public Host {
public:
    // The pump is called every 21st line; after this many calls it breaks
    // the program off (exit code 255).
    static constexpr int default_pump_limit = 500;
    // Area memory a program may hold at once.
    static constexpr std::size_t area_cap = 64u << 20;

    enum class Recording { Off, On };

    explicit FuzzHost(std::string program, int pump_limit = default_pump_limit, Recording recording = Recording::Off)
        : m_program(std::move(program)), m_pump_limit(pump_limit), m_verbose(std::getenv("TALVEN_FUZZ_VERBOSE") != nullptr),
          m_recording(recording == Recording::On), m_libraries(m_recording ? &m_transcript : nullptr)
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

    BoxAnswer message_box(std::string_view text, std::string_view caption, BoxIcon icon, BoxButtons buttons) override
    {
        ++boxes;
        touch(text);
        touch(caption);
        if (m_recording) {
            m_transcript.add('B', decimal(static_cast<int>(icon)) + ',' + decimal(static_cast<int>(buttons)) + ' ' +
                                      std::string(caption) + " | " + std::string(text));
        }
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
        if (m_recording)
            m_transcript.add('T', text, true);
        if (m_verbose)
            std::fprintf(stderr, "%.*s", static_cast<int>(text.size()), text.data());
    }
    void show_cells(std::int32_t row, std::int32_t column, std::string_view text, std::uint8_t attribute,
                    std::int32_t font) override
    {
        touch(text);
        if (m_recording) {
            m_transcript.add('C', decimal(row) + ',' + decimal(column) + ' ' + decimal(attribute) + ',' +
                                      decimal(font) + ' ' + std::string(text));
        }
    }
    void scroll_rows(std::int32_t rows) override
    {
        if (m_recording)
            m_transcript.add('S', decimal(rows));
    }
    void beep() override
    {
        if (m_recording)
            m_transcript.add('!', {});
    }
    bool wait_message() override { return false; }

    void* allocate_area(std::size_t size) override
    {
        if (size > area_cap - m_area_total)
            return nullptr;
        void* block = m_recording ? AreaArena::instance().allocate(size == 0 ? 1 : size) : std::malloc(size == 0 ? 1 : size);
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
        if (m_recording)
            AreaArena::instance().release(block, size == 0 ? 1 : size);
        else
            std::free(block);
    }

    LibraryHost& libraries() override { return m_libraries; }
    HostFileSystem& files() override { return m_recording ? m_files : no_file_system(); }

    // What a recording host saw, and the files it holds.
    const Transcript& transcript() const { return m_transcript; }
    const MemoryFiles& memory_files() const { return m_files; }

    PumpResult pump_messages() override
    {
        ++pumps;
        return pumps > m_pump_limit ? PumpResult::Break : PumpResult::Continue;
    }

    int boxes = 0;
    int pumps = 0;
    std::size_t output_bytes = 0;

private:
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
    bool m_recording;
    Transcript m_transcript;
    FuzzLibraries m_libraries;
    MemoryFiles m_files;
    std::vector<ShortString> m_arguments{ShortString("talven"), ShortString(program_name)};
    std::map<void*, std::size_t> m_blocks;
    std::size_t m_area_total = 0;
    std::uint32_t m_ticks = 100000;
    unsigned m_checksum = 0;
};

} // namespace talven::fuzzing
