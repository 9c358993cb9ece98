// A table, memo or index file with its block cache. Positions count in
// records of the file's record size (1 for a table, 512 for a memo or an
// index file). Reads are served from the cache when it holds the whole
// range; writes always go to the file at once and keep the cache in step,
// so the cache never holds anything the file lacks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "core/short_string.h"
#include "host/host_files.h"

namespace talven {

struct DbError;

// The cache sizes of the three kinds of file.
namespace cache_size {
constexpr std::size_t table_header = 8192;  // while the header is read at open
constexpr std::size_t table = 4096;
constexpr std::size_t memo = 2048;
constexpr std::size_t index = 16384;
} // namespace cache_size

// The position right after the last request.
constexpr std::int64_t after_last_request = -1;

class BlockFile {
public:
    BlockFile(std::size_t cache_bytes = cache_size::table, std::uint32_t record_size = 1);
    BlockFile(const BlockFile&) = delete;
    BlockFile& operator=(const BlockFile&) = delete;
    ~BlockFile();

    // Binds the handle to a name; an open file is closed first.
    void bind(std::string_view name);
    const ShortString& name() const { return m_name; }

    // Opens the bound file with the access and sharing of a file-open mode
    // (FILEMODE). A failure is recorded in the dB error state and returned.
    FsCode open(HostFileSystem& fs, std::uint8_t mode, FileCreation creation, DbError& error);
    // A file made new is written whatever access the mode gives existing
    // files; it keeps the mode's sharing.
    FsCode create(HostFileSystem& fs, std::uint8_t mode, DbError& error);
    bool is_open() const { return m_file != nullptr; }
    FsCode close();

    void set_record_size(std::uint32_t size) { m_record_size = size; }
    std::uint32_t record_size() const { return m_record_size; }
    // Changes the cache size (at most 16384 bytes); the cache is emptied.
    void set_cache_size(std::size_t bytes);

    // Reads count records at position p into out; the number of whole
    // records obtained (fewer at the end of the file, 0 on a failure, which
    // goes to the dB error state). The bytes of out beyond them are left
    // as they were.
    std::size_t read(std::int64_t position, std::size_t count, void* out, DbError& error)
    {
        return read_bytes(position, count, out, error, Tail::Whole) / m_record_size;
    }
    // As read, but all or nothing: out is changed only when the whole range
    // was there (a table record that the file holds only in part).
    bool read_exact(std::int64_t position, std::size_t count, void* out, DbError& error)
    {
        return read_bytes(position, count, out, error, Tail::None) == count * m_record_size;
    }
    // The bytes obtained. Keep: a part of the last record too (the tail of a
    // memo file need not fill its block); Whole: whole records only; None:
    // nothing unless the whole range.
    enum class Tail { Keep, Whole, None };
    std::size_t read_bytes(std::int64_t position, std::size_t count, void* out, DbError& error,
                           Tail tail = Tail::Keep);
    // Writes count records at position p (or after the last request);
    // false on a failure, which goes to the dB error state.
    bool write(std::int64_t position, std::size_t count, const void* in, DbError& error);
    // Cuts the file at a byte position.
    bool truncate(std::uint64_t byte_position, DbError& error);
    // The file's size in bytes (0 when it is not open or on a failure).
    std::uint64_t size();

    // How often the file itself was read: tests check that the cache
    // serves what it holds.
    std::uint64_t file_reads() const { return m_file_reads; }

private:
    FsCode open_with(HostFileSystem& fs, FileAccess access, FileSharing sharing, FileCreation creation,
                     DbError& error);
    void io_failure(FsCode code, DbError& error);
    void drop_cache() { m_valid = 0; }

    ShortString m_name;
    std::unique_ptr<HostFileHandle> m_file;
    std::uint32_t m_record_size;
    std::vector<std::uint8_t> m_cache;
    std::uint16_t m_valid = 0;          // valid bytes in the cache (at most 16384)
    std::uint64_t m_cache_offset = 0;   // byte offset of the cached bytes
    std::uint64_t m_request_end = 0;    // byte offset after the last request
    std::uint64_t m_file_reads = 0;
};

} // namespace talven
