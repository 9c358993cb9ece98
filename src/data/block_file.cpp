// The block cache of the table, memo and index files.
#include "data/block_file.h"

#include <algorithm>
#include <cstring>

#include "data/db_error.h"
#include "data/numbered_files.h"

namespace talven {

namespace {
constexpr std::size_t largest_cache = 16384;
}

BlockFile::BlockFile(std::size_t cache_bytes, std::uint32_t record_size) : m_record_size(record_size)
{
    set_cache_size(cache_bytes);
}

BlockFile::~BlockFile() { close(); }

void BlockFile::bind(std::string_view name)
{
    close();
    m_name = name;
}

void BlockFile::set_cache_size(std::size_t bytes)
{
    m_cache.assign(std::min(bytes, largest_cache), 0);
    drop_cache();
}

void BlockFile::io_failure(FsCode code, DbError& error) { error.fail(code, m_name.view()); }

FsCode BlockFile::open(HostFileSystem& fs, std::uint8_t mode, FileCreation creation, DbError& error)
{
    return open_with(fs, access_of_mode(mode), sharing_of_mode(mode), creation, error);
}

FsCode BlockFile::create(HostFileSystem& fs, std::uint8_t mode, DbError& error)
{
    return open_with(fs, FileAccess::ReadWrite, sharing_of_mode(mode), FileCreation::CreateAlways, error);
}

FsCode BlockFile::open_with(HostFileSystem& fs, FileAccess access, FileSharing sharing, FileCreation creation,
                            DbError& error)
{
    close();
    OpenResult opened = fs.open(m_name.view(), access, sharing, creation);
    if (!opened.file) {
        FsCode code = opened.code ? opened.code : fs_code::access_denied;
        io_failure(code, error);
        return code;
    }
    m_file = std::move(opened.file);
    drop_cache();
    m_request_end = 0;
    return fs_code::ok;
}

FsCode BlockFile::close()
{
    drop_cache();
    if (!m_file)
        return fs_code::ok;
    FsCode code = m_file->close();
    m_file.reset();
    return code;
}

std::size_t BlockFile::read_bytes(std::int64_t position, std::size_t count, void* out, DbError& error, Tail tail)
{
    if (!m_file || count == 0)
        return 0;
    std::uint64_t start = position < 0 ? m_request_end : static_cast<std::uint64_t>(position) * m_record_size;
    std::uint64_t length = static_cast<std::uint64_t>(count) * m_record_size;
    std::uint64_t end = start + length;
    m_request_end = end;
    auto* bytes = static_cast<std::uint8_t*>(out);
    if (start >= m_cache_offset && end <= m_cache_offset + m_valid) {
        std::memcpy(bytes, m_cache.data() + (start - m_cache_offset), length);
        return length;
    }
    if (FsCode code = m_file->seek(static_cast<std::int64_t>(start))) {
        io_failure(code, error);
        return 0;
    }
    ++m_file_reads;
    // A request larger than the cache (a long record) goes straight to its
    // target; the cache keeps what it held.
    if (length > m_cache.size()) {
        // A record that is not all there must not reach the target: only
        // the whole records the file holds are read.
        if (tail != Tail::Keep) {
            auto size = m_file->size();
            std::uint64_t available = size.ok() && size.value > start ? size.value - start : 0;
            available -= available % m_record_size;
            if (available < length && tail == Tail::None)
                return 0;
            length = std::min(length, available);
            if (length == 0)
                return 0;
        }
        Transfer got = m_file->read(bytes, length);
        if (got.code) {
            io_failure(got.code, error);
            return 0;
        }
        return got.bytes;
    }
    drop_cache();
    Transfer got = m_file->read(m_cache.data(), m_cache.size());
    if (got.code) {
        io_failure(got.code, error);
        return 0;
    }
    m_cache_offset = start;
    m_valid = static_cast<std::uint16_t>(got.bytes);
    std::size_t obtained = std::min<std::uint64_t>(got.bytes, length);
    // A record that is not all there leaves the target as it was.
    if (tail == Tail::Whole)
        obtained -= obtained % m_record_size;
    else if (tail == Tail::None && obtained < length)
        obtained = 0;
    std::memcpy(bytes, m_cache.data(), obtained);
    return obtained;
}

bool BlockFile::write(std::int64_t position, std::size_t count, const void* in, DbError& error)
{
    if (!m_file || m_record_size == 0) {
        io_failure(fs_code::access_denied, error);
        return false;
    }
    std::uint64_t start = position < 0 ? m_request_end : static_cast<std::uint64_t>(position) * m_record_size;
    std::uint64_t length = static_cast<std::uint64_t>(count) * m_record_size;
    std::uint64_t end = start + length;
    m_request_end = end;
    const auto* bytes = static_cast<const std::uint8_t*>(in);
    std::uint64_t cache_end = m_cache_offset + m_valid;
    if (start >= m_cache_offset && end <= cache_end)
        std::memcpy(m_cache.data() + (start - m_cache_offset), bytes, length);
    else if (start < cache_end && end > m_cache_offset)
        drop_cache();  // a write that covers the cache only in part would leave it stale
    if (FsCode code = m_file->seek(static_cast<std::int64_t>(start))) {
        drop_cache();
        io_failure(code, error);
        return false;
    }
    Transfer done = m_file->write(bytes, length);
    if (done.code || done.bytes != length) {
        // What reached the file is unknown; the cache must not claim it.
        drop_cache();
        io_failure(done.code ? done.code : file_code::write_short, error);
        return false;
    }
    return true;
}

bool BlockFile::truncate(std::uint64_t byte_position, DbError& error)
{
    if (!m_file) {
        io_failure(fs_code::access_denied, error);
        return false;
    }
    if (m_cache_offset + m_valid > byte_position)
        drop_cache();
    FsCode code = m_file->seek(static_cast<std::int64_t>(byte_position));
    if (!code)
        code = m_file->set_end();
    if (code) {
        io_failure(code, error);
        return false;
    }
    return true;
}

std::uint64_t BlockFile::size()
{
    if (!m_file)
        return 0;
    auto got = m_file->size();
    return got.ok() ? got.value : 0;
}

} // namespace talven
