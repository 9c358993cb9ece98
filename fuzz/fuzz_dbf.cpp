// The DBF and DBT readers: a table and its memo file from the input, opened,
// walked, read field by field and memo by memo, then changed the way the
// table functions change it (a rewrite, an append, a memo write, a delete
// and a pack) and closed.
//
// Input: a 4-byte little-endian length n, then n bytes of the table file and
// the rest as the memo file. A damaged file must give the dB error state,
// never a wild access, an endless walk, or a write far beyond the file.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "data/table.h"
#include "data/table_memo.h"

namespace {

using namespace talven;

// Files in memory. A write that reaches far beyond where the file ended
// is a fault of the table code: tables grow by a few records here.
struct MemoryFile {
    std::vector<std::uint8_t> bytes;
    std::size_t limit = 0;
};

class MemoryHandle final : public HostFileHandle {
public:
    explicit MemoryHandle(MemoryFile& file) : m_file(file) {}
    Transfer read(void* out, std::size_t size) override
    {
        std::size_t n = m_at >= m_file.bytes.size() ? 0 : std::min(size, m_file.bytes.size() - m_at);
        if (n)
            std::memcpy(out, m_file.bytes.data() + m_at, n);
        m_at += n;
        return {n, 0};
    }
    Transfer write(const void* in, std::size_t size) override
    {
        if (m_at + size > m_file.limit)
            std::abort();
        if (m_at + size > m_file.bytes.size())
            m_file.bytes.resize(m_at + size);
        if (size)
            std::memcpy(m_file.bytes.data() + m_at, in, size);
        m_at += size;
        return {size, 0};
    }
    FsCode seek(std::int64_t offset) override
    {
        if (offset < 0)
            return fs_code::negative_seek;
        m_at = static_cast<std::size_t>(offset);
        return 0;
    }
    FsResult<std::uint64_t> position() override { return {m_at, 0}; }
    FsResult<std::uint64_t> size() override { return {m_file.bytes.size(), 0}; }
    FsCode set_end() override
    {
        m_file.bytes.resize(std::min(m_at, m_file.bytes.size()));
        return 0;
    }
    FileId id() const override { return {}; }
    FsCode close() override { return 0; }

private:
    MemoryFile& m_file;
    std::size_t m_at = 0;
};

class MemoryFileSystem final : public HostFileSystem {
public:
    std::map<std::string, MemoryFile> files;

    OpenResult open(std::string_view name, FileAccess, FileSharing, FileCreation creation) override
    {
        auto it = files.find(std::string(name));
        if (it == files.end()) {
            if (creation == FileCreation::OpenExisting)
                return {nullptr, fs_code::file_not_found};
            it = files.emplace(std::string(name), MemoryFile{{}, std::size_t{1} << 22}).first;
        }
        if (creation == FileCreation::CreateAlways)
            it->second.bytes.clear();
        return {std::make_unique<MemoryHandle>(it->second), 0};
    }
    FsCode remove(std::string_view name) override { return files.erase(std::string(name)) ? 0 : fs_code::file_not_found; }
    FsCode rename(std::string_view from, std::string_view to) override
    {
        auto it = files.find(std::string(from));
        if (it == files.end())
            return fs_code::file_not_found;
        if (files.count(std::string(to)))
            return fs_code::already_exists;
        MemoryFile moved = std::move(it->second);
        files.erase(it);
        files.emplace(std::string(to), std::move(moved));
        return 0;
    }
    FsCode change_directory(std::string_view) override { return fs_code::access_denied; }
    FsCode make_directory(std::string_view) override { return fs_code::access_denied; }
    FsCode remove_directory(std::string_view) override { return fs_code::access_denied; }
    FsResult<FileInfo> info(std::string_view name) override
    {
        auto it = files.find(std::string(name));
        if (it == files.end())
            return {{}, fs_code::file_not_found};
        FileInfo info;
        info.size = it->second.bytes.size();
        return {info, 0};
    }
    FsCode set_attributes(std::string_view, std::uint32_t) override { return fs_code::access_denied; }
    FsResult<std::vector<DirectoryEntry>> list(std::string_view) override { return {{}, fs_code::file_not_found}; }
    std::optional<DiskSpace> disk_space(char) override { return std::nullopt; }
    std::optional<ShortString> full_path(std::string_view) override { return std::nullopt; }
    std::optional<ShortString> short_path(std::string_view) override { return std::nullopt; }
};

// A table file may grow by the records appended below and a little more.
std::size_t growth_limit(std::size_t size) { return size + 4 * 65536 + 1; }

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 4)
        return 0;
    std::size_t split = std::min<std::size_t>(size - 4, data[0] | data[1] << 8 | data[2] << 16);
    MemoryFileSystem fs;
    MemoryFile& dbf = fs.files["T.DBF"];
    dbf.bytes.assign(data + 4, data + 4 + split);
    dbf.limit = growth_limit(dbf.bytes.size());
    MemoryFile& dbt = fs.files["T.DBT"];
    dbt.bytes.assign(data + 4 + split, data + size);
    dbt.limit = growth_limit(dbt.bytes.size()) + (std::size_t{1} << 20);

    DbError error;
    Table table;
    if (!open_table(table, fs, 2, "T.DBF", error))
        return 0;
    std::vector<ShortString> lines;
    // Every record once, each memo of it read; at most a few thousand.
    for (int step = 0; step < 4096 && !table.at_end; ++step) {
        std::uint32_t before = table.current;
        for (const FieldDescriptor& field : table.fields) {
            (void)field_bytes(table, field);
            if (field.type == 'M' && table.has_memo) {
                lines.clear();
                read_memo(table, field, lines, 32768, error);
            }
        }
        error.clear();
        go_to(table, Move::Next, 0, error);
        if (!table.at_end && table.current == before)
            break;
    }
    go_to(table, Move::Last, 0, error);
    go_to(table, Move::Previous, 0, error);
    error.clear();
    write_record(table, 0, error);
    error.clear();
    for (std::size_t i = 0; i < table.fields.size(); ++i) {
        if (table.fields[i].type == 'M' && table.has_memo) {
            lines.assign(3, ShortString("Zeile"));
            write_memo(table, i, lines, error);
            error.clear();
        }
    }
    write_record(table, 0, error);
    table.record[0] = '*';
    write_record(table, 1, error);
    error.clear();
    pack_table(table, fs, 2, error);
    error.clear();
    LocalTime today{2024, 3, 9};
    close_table(table, today, error);
    return 0;
}
