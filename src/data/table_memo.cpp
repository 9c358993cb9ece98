// Memo texts: reading a chain of 512-byte blocks into wrapped lines,
// writing lines back in place or at the end, and packing a table together
// with its memo file.
#include "data/table_memo.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

#include "core/little_endian.h"
#include "values/conversions.h"

namespace talven {

namespace {

constexpr std::uint8_t carriage_return = 13;
constexpr std::uint8_t line_feed = 10;
constexpr std::uint8_t soft_break = 0x8D;

using Block = std::array<std::uint8_t, memo_block_size>;

void block_failure(DbError& error, std::uint32_t block)
{
    char detail[64];
    std::snprintf(detail, sizeof detail, "Datensatz %u nicht in der gefunden.", static_cast<unsigned>(block));
    error.fail(db_code::record_range, detail);
}

std::uint64_t blocks_in_file(BlockFile& file)
{
    std::uint64_t size = file.size();
    // A fresh memo file is block 0 and a lone end mark; any longer tail is
    // a block of its own.
    std::uint64_t whole = size / memo_block_size;
    return size % memo_block_size > 1 ? whole + 1 : whole;
}

// Where a memo that does not fit in place goes: the next free block that
// block 0 names, which in a sound file is the end of the file. A damaged
// block 0 may name block 0 itself, a block inside other memos or one far
// beyond the file; the end of the file is right in every case.
std::uint32_t append_block(BlockFile& file)
{
    std::uint64_t at = std::max<std::uint64_t>(1, blocks_in_file(file));
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(at, UINT32_MAX - 1));
}

bool write_block_zero(BlockFile& file, std::uint32_t next_free, DbError& error)
{
    Block zero{};
    write_le32(zero.data(), next_free);
    return file.write(0, 1, zero.data(), error);
}

// Appends bytes to a memo being written block by block.
class MemoWriter {
public:
    MemoWriter(BlockFile& file, std::uint32_t first, DbError& error) : m_file(file), m_next(first), m_error(error) {}

    void put(const void* bytes, std::size_t count)
    {
        const auto* p = static_cast<const std::uint8_t*>(bytes);
        while (count && m_ok) {
            std::size_t n = std::min(count, m_block.size() - m_used);
            std::memcpy(m_block.data() + m_used, p, n);
            m_used += n;
            p += n;
            count -= n;
            if (m_used == m_block.size())
                flush();
        }
    }
    // The end mark and zeros to the end of its block. A text that filled
    // its last block exactly puts the mark at the start of the next one.
    // The mark is written twice, as other dBase III programs end their
    // memos: readers that look for the pair then stop where this one does.
    bool finish()
    {
        static constexpr std::uint8_t marks[2] = {end_of_file_mark, end_of_file_mark};
        put(marks, 2);
        if (m_used) {
            std::fill(m_block.begin() + static_cast<std::ptrdiff_t>(m_used), m_block.end(), 0);
            flush();
        }
        return m_ok;
    }
    std::uint32_t next() const { return m_next; }

private:
    void flush()
    {
        if (m_ok)
            m_ok = m_file.write(m_next, 1, m_block.data(), m_error);
        ++m_next;
        m_used = 0;
    }

    BlockFile& m_file;
    std::uint32_t m_next;
    DbError& m_error;
    Block m_block{};
    std::size_t m_used = 0;
    bool m_ok = true;
};

void store_block_number(Table& table, const FieldDescriptor& field, std::uint32_t block)
{
    char text[16];
    std::snprintf(text, sizeof text, "%*u", static_cast<int>(field.length), static_cast<unsigned>(block));
    std::string_view digits(text);
    std::uint8_t* at = table.record.data() + field.offset;
    std::memset(at, ' ', field.length);
    std::memcpy(at, digits.data(), std::min<std::size_t>(digits.size(), field.length));
}

// Copies one memo chain into the scratch file; the new first block, or 0
// for none. The text ends at the first end mark or at the end of the file,
// and gets end marks as every memo written here does.
std::uint32_t copy_memo(BlockFile& from, BlockFile& to, std::uint32_t first, std::uint32_t& next_free, DbError& error)
{
    std::uint64_t old_blocks = blocks_in_file(from);
    if (first == 0 || first >= old_blocks)
        return 0;
    MemoWriter writer(to, next_free, error);
    Block block;
    for (std::uint64_t b = first; b < old_blocks; ++b) {
        std::size_t got = from.read_bytes(static_cast<std::int64_t>(b), 1, block.data(), error);
        if (got == 0)
            return 0;
        auto* end = block.begin() + static_cast<std::ptrdiff_t>(got);
        auto* mark = std::find(block.begin(), end, end_of_file_mark);
        writer.put(block.data(), static_cast<std::size_t>(mark - block.begin()));
        if (mark != end)
            break;
    }
    if (!writer.finish())
        return 0;
    std::uint32_t start = next_free;
    next_free = writer.next();
    return start;
}

} // namespace

std::optional<std::uint32_t> memo_block_of(std::string_view field_text)
{
    std::string_view digits = trim_blanks(field_text);
    std::uint64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > UINT32_MAX)
            return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

MemoLines read_memo(Table& table, const FieldDescriptor& field, std::vector<ShortString>& lines, std::size_t capacity,
                    DbError& error)
{
    MemoLines out;
    std::uint32_t first = memo_block_of(field_bytes(table, field)).value_or(0);
    table.memo.first_block = first;
    table.memo.blocks = 0;
    if (first == 0) {
        table.memo.last_result = 0;
        return out;
    }
    std::uint64_t blocks = blocks_in_file(table.dbt);
    if (first >= blocks) {
        block_failure(error, first);
        table.memo.last_result = 0;
        return out;
    }
    const std::size_t width = static_cast<std::size_t>(table.memo.line_width);
    ShortString line;
    auto emit = [&](std::string_view text) {
        if (lines.size() >= capacity) {
            out.list_full = true;
            return false;
        }
        lines.emplace_back(text);
        return true;
    };
    Block block;
    std::uint32_t read = 0;
    std::int32_t after_mark = 0;
    bool ended = false;
    for (std::uint64_t b = first; b < blocks && !ended && !out.list_full; ++b) {
        std::size_t got = table.dbt.read_bytes(static_cast<std::int64_t>(b), 1, block.data(), error);
        if (got == 0)
            break;
        ++read;
        for (std::size_t i = 0; i < got; ++i) {
            std::uint8_t c = block[i];
            if (c == line_feed)
                continue;
            if (c == carriage_return) {
                if (!emit(line.view()))
                    break;
                line.clear();
                continue;
            }
            if (c == end_of_file_mark) {
                after_mark = static_cast<std::int32_t>(i + 1);
                ended = true;
                break;
            }
            if (c == soft_break) {
                if (!line.empty() && line[line.size() - 1] != ' ' && line[line.size() - 1] != '-')
                    line.push_back(' ');
            } else {
                line.push_back(static_cast<char>(c));
            }
            if (line.size() > width) {
                std::string_view v = line.view();
                std::size_t cut = v.find_last_of(" -");
                std::size_t keep = cut == std::string_view::npos ? width : cut + 1;
                if (!emit(v.substr(0, keep)))
                    break;
                ShortString rest(v.substr(keep));
                line = rest;
            }
        }
    }
    // The text before the end mark is the last line; a memo that ended with
    // a line break has none, so a write and a read give back the same list.
    if (!line.empty() && !out.list_full)
        emit(line.view());
    table.memo.blocks = read;
    out.result = static_cast<std::int32_t>(read) + after_mark;
    table.memo.last_result = out.result;
    return out;
}

bool write_memo(Table& table, std::size_t field_index, const std::vector<ShortString>& lines, DbError& error)
{
    const FieldDescriptor& field = table.fields[field_index];
    std::uint32_t present = memo_block_of(field_bytes(table, field)).value_or(0);
    std::uint64_t size = 0;
    for (const ShortString& line : lines)
        size += line.size() + 2;
    // Room for the text and both end marks.
    std::uint64_t needed = (size + 2 + memo_block_size - 1) / memo_block_size;
    bool in_place = present != 0 && present == table.memo.first_block && table.memo.blocks >= needed;
    std::uint32_t first = in_place ? present : append_block(table.dbt);
    MemoWriter writer(table.dbt, first, error);
    static constexpr char line_end[2] = {'\r', '\n'};
    for (const ShortString& line : lines) {
        writer.put(line.data(), line.size());
        writer.put(line_end, 2);
    }
    if (!writer.finish())
        return false;
    std::uint32_t next_free = static_cast<std::uint32_t>(std::max<std::uint64_t>(blocks_in_file(table.dbt), writer.next()));
    if (!write_block_zero(table.dbt, next_free, error))
        return false;
    store_block_number(table, field, first);
    return true;
}

namespace {

// A name for a file beside the memo file that does not exist yet.
std::optional<ShortString> scratch_name(HostFileSystem& fs, std::string_view beside, std::string_view extension)
{
    std::size_t separator = beside.find_last_of("\\/:");
    std::string_view directory = separator == std::string_view::npos ? std::string_view() : beside.substr(0, separator + 1);
    for (int i = 0; i < 1000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "DB3$%03d%s", i, extension.data());
        ShortString path(directory);
        path.append(name);
        if (fs.info(path.view()).code == fs_code::file_not_found)
            return path;
    }
    return std::nullopt;
}

constexpr std::uint32_t no_new_block = UINT32_MAX;

// The name a file has in its directory, which may differ in case from the
// name it was opened by: the new memo file takes it, so that programs that
// look for the file by that name on a case-sensitive system still find it.
ShortString stored_name(HostFileSystem& fs, std::string_view name)
{
    auto listing = fs.list(name);
    if (!listing.ok() || listing.value.size() != 1)
        return ShortString(name);
    std::size_t separator = name.find_last_of("\\/:");
    ShortString path(separator == std::string_view::npos ? std::string_view() : name.substr(0, separator + 1));
    path.append(listing.value.front().name.view());
    return path;
}

struct KeptRecord {
    std::uint32_t number;
    std::uint32_t memo_start;  // first of its new memo blocks in the list below
};

} // namespace

namespace {

bool pack(Table& table, HostFileSystem& fs, std::uint8_t mode, DbError& error)
{
    drop_indexes(table, error);
    std::vector<std::size_t> memo_fields;
    for (std::size_t i = 0; i < table.fields.size(); ++i)
        if (table.fields[i].type == 'M')
            memo_fields.push_back(i);
    bool with_memos = table.has_memo && !memo_fields.empty() && table.dbt.is_open();

    // First the new memo file, complete, while the table is untouched.
    BlockFile scratch(cache_size::memo, memo_block_size);
    std::vector<KeptRecord> kept;
    std::vector<std::uint32_t> new_blocks;
    kept.reserve(std::min(table.record_count, table.records_in_file));
    std::uint32_t next_free = 1;
    auto abandon = [&] {
        scratch.close();
        if (!scratch.name().empty())
            fs.remove(scratch.name().view());
        return false;
    };
    if (with_memos) {
        auto name = scratch_name(fs, table.dbt.name().view(), ".D$$");
        if (!name) {
            error.fail(fs_code::already_exists, table.dbt.name().view());
            return false;
        }
        scratch.bind(name->view());
        if (scratch.create(fs, mode, error) != fs_code::ok || !write_block_zero(scratch, 1, error))
            return abandon();
    }
    for (std::uint32_t j = 1; j <= table.record_count; ++j) {
        if (!read_record(table, j, error))
            return abandon();
        if (table.deleted)
            continue;
        kept.push_back({j, static_cast<std::uint32_t>(new_blocks.size())});
        for (std::size_t f : memo_fields) {
            if (!with_memos)
                break;
            auto first = memo_block_of(field_bytes(table, table.fields[f]));
            if (!first) {
                ShortString detail("Kein numerischer Wert in NumberGetN - ");
                detail.append(field_bytes(table, table.fields[f]));
                error.fail(db_code::not_numeric, detail.view());
                return abandon();
            }
            // A field without a memo keeps its text; a chain that is gone
            // (beyond the file) becomes "no memo".
            new_blocks.push_back(*first == 0 ? no_new_block : copy_memo(table.dbt, scratch, *first, next_free, error));
            if (error.is_set())
                return abandon();
        }
    }
    if (with_memos) {
        if (!write_block_zero(scratch, next_free, error))
            return abandon();
        // Replace the memo file only now: the old one goes aside, the new one
        // takes its name, and only then is the old one deleted.
        ShortString memo(table.dbt.name());
        ShortString stored = stored_name(fs, memo.view());
        auto aside = scratch_name(fs, memo.view(), ".O$$");
        table.dbt.close();
        scratch.close();
        FsCode code = aside ? fs.rename(memo.view(), aside->view()) : fs_code::already_exists;
        if (code == fs_code::ok) {
            code = fs.rename(scratch.name().view(), stored.view());
            if (code != fs_code::ok)
                fs.rename(aside->view(), stored.view());
        }
        if (code != fs_code::ok) {
            error.fail(code, memo.view());
            fs.remove(scratch.name().view());
            table.dbt.bind(memo.view());
            table.dbt.open(fs, mode, FileCreation::OpenExisting, error);
            return false;
        }
        fs.remove(aside->view());
        table.dbt.bind(memo.view());
        if (table.dbt.open(fs, mode, FileCreation::OpenExisting, error) != fs_code::ok)
            return false;
    }
    // Then the records, each moved down to its new number; a record is
    // never written above one not yet read.
    std::uint32_t a = 0;
    for (const KeptRecord& k : kept) {
        if (!read_record(table, k.number, error))
            return false;
        if (with_memos)
            for (std::size_t m = 0; m < memo_fields.size(); ++m)
                if (new_blocks[k.memo_start + m] != no_new_block)
                    store_block_number(table, table.fields[memo_fields[m]], new_blocks[k.memo_start + m]);
        if (!write_record(table, a + 1, error))
            return false;
        ++a;
    }
    if (a < table.record_count) {
        table.record_count = a;
        table.records_in_file = std::min(table.records_in_file, a);
        table.status = TableStatus::Changed;
        table.dbf.truncate(table.header_length + static_cast<std::uint64_t>(a) * table.record_length + 1, error);
    }
    table.memo = MemoState{};
    table.current = 0;
    table.deleted = false;
    std::fill(table.record.begin(), table.record.end(), static_cast<std::uint8_t>(' '));
    go_to(table, Move::First, 0, error);
    return !error.is_set();
}

} // namespace

bool pack_table(Table& table, HostFileSystem& fs, std::uint8_t mode, DbError& error)
{
    DbError mine;
    bool packed = pack(table, fs, mode, mine);
    error.absorb(mine);
    return packed;
}

} // namespace talven
