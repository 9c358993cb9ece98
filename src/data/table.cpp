// Opening, navigating, writing and closing a table, and keeping its
// indexes in step with the records.
#include "data/table.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>

#include "core/little_endian.h"
#include "data/ndx_index.h"
#include "data/numbered_files.h"
#include "values/conversions.h"

namespace talven {

namespace {

constexpr std::size_t header_size = 32;
constexpr std::size_t descriptor_size = 32;
constexpr std::uint16_t smallest_header = 65;  // one field

std::uint64_t record_offset(const Table& table, std::uint32_t n)
{
    return table.header_length + static_cast<std::uint64_t>(n - 1) * table.record_length;
}

// The memo file beside a table: the extension replaced by ".DBT".
ShortString memo_name(std::string_view table_name)
{
    std::size_t cut = table_name.size();
    std::size_t dot = table_name.find_last_of('.');
    std::size_t separator = table_name.find_last_of("\\/:");
    if (dot != std::string_view::npos && (separator == std::string_view::npos || dot > separator))
        cut = dot;
    ShortString name(table_name.substr(0, cut));
    name.append(".DBT");
    return name;
}

void record_failure(DbError& error, std::uint32_t n)
{
    char detail[64];
    std::snprintf(detail, sizeof detail, "Datensatz %u nicht in der gefunden.", static_cast<unsigned>(n));
    error.fail(db_code::record_range, detail);
}

// What the index layer reports goes into the dB error state.
void note(DbError& error, const NdxStatus& status)
{
    if (!status.ok())
        error.fail(static_cast<std::uint32_t>(status.code), status.detail.view());
}

void fail_open(Table& table, DbError& error, std::uint32_t code, std::string_view detail)
{
    error.fail(code, detail);
    table.dbf.close();
    table.dbt.close();
    table.status = TableStatus::Closed;
}

bool read_fields(Table& table, const std::vector<std::uint8_t>& descriptors)
{
    std::size_t count = descriptors.size() / descriptor_size;
    table.fields.clear();
    table.fields.reserve(count);
    std::uint32_t offset = 1;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* d = descriptors.data() + i * descriptor_size;
        FieldDescriptor f;
        std::size_t n = 0;
        while (n < 11 && d[n] != 0)
            ++n;
        std::string_view name(reinterpret_cast<const char*>(d), n);
        while (!name.empty() && name.back() == ' ')
            name.remove_suffix(1);
        f.name = name;
        f.type = static_cast<char>(d[11]);
        f.length = d[16];
        f.decimals = d[17];
        f.offset = static_cast<std::uint16_t>(std::min<std::uint32_t>(offset, 0xFFFF));
        if (f.length == 0)
            return false;
        offset += f.length;
        if (offset > table.record_length)
            return false;
        table.fields.push_back(f);
    }
    table.field_count = static_cast<std::uint16_t>(count);
    return count > 0;
}

} // namespace

Table::Table() = default;
Table::~Table()
{
    for (auto& index : indexes)
        if (index)
            index->close();
}

ShortString header_date_text(const std::array<std::uint8_t, 32>& header)
{
    // The year as its last two digits, so that 2012 and 2024 differ.
    char text[32];
    std::snprintf(text, sizeof text, "%02u.%02u.%02u", static_cast<unsigned>(header[3]), static_cast<unsigned>(header[2]),
                  static_cast<unsigned>((1900u + header[1]) % 100u));
    return ShortString(std::string_view(text).substr(0, 8));
}

std::optional<std::size_t> find_field(const Table& table, std::string_view name)
{
    name = trim_blanks(name);
    for (std::size_t i = 0; i < table.fields.size(); ++i)
        if (is_upper_ansi_equal(table.fields[i].name.view(), name))
            return i;
    return std::nullopt;
}

std::string_view field_bytes(const Table& table, const FieldDescriptor& field)
{
    return {reinterpret_cast<const char*>(table.record.data()) + field.offset, field.length};
}

bool open_table(Table& table, HostFileSystem& fs, std::uint8_t mode, std::string_view name, DbError& error)
{
    table.file_name = name;
    table.dbf.bind(name);
    table.dbf.set_record_size(1);
    table.dbf.set_cache_size(cache_size::table_header);
    if (table.dbf.open(fs, mode, FileCreation::OpenExisting, error) != fs_code::ok) {
        table.status = TableStatus::Closed;
        return false;
    }
    if (table.dbf.read(0, header_size, table.header.data(), error) != header_size ||
        (table.header[0] != dbf_version && table.header[0] != dbf_version_memo)) {
        fail_open(table, error, db_code::not_dbase, "Keine dBase III-Datei");
        return false;
    }
    table.has_memo = table.header[0] == dbf_version_memo;
    table.date_text = header_date_text(table.header);
    table.record_count = read_le32(&table.header[4]);
    table.header_length = read_le16(&table.header[8]);
    table.record_length = read_le16(&table.header[10]);
    // A header that does not describe at least one field inside the record
    // is refused before anything is read by it.
    bool sound = table.header_length >= smallest_header && table.record_length >= 2;
    if (sound) {
        std::vector<std::uint8_t> descriptors(table.header_length - 33u);
        sound = table.dbf.read(header_size, descriptors.size(), descriptors.data(), error) == descriptors.size() &&
                read_fields(table, descriptors);
    }
    if (!sound) {
        fail_open(table, error, db_code::not_dbase, "Keine dBase III-Datei");
        return false;
    }
    std::uint64_t size = table.dbf.size();
    std::uint64_t in_file = size > table.header_length ? (size - table.header_length) / table.record_length : 0;
    table.records_in_file = static_cast<std::uint32_t>(std::min<std::uint64_t>(in_file, table.record_count));
    table.record.assign(table.record_length, ' ');
    table.stored.assign(table.record_length, ' ');
    table.dbf.set_cache_size(cache_size::table);
    table.index_count = 0;
    table.indexes_active = false;
    table.memo = MemoState{};
    if (table.has_memo) {
        table.dbt.bind(memo_name(name).view());
        table.dbt.set_record_size(memo_block_size);
        table.dbt.set_cache_size(cache_size::memo);
        if (table.dbt.open(fs, mode, FileCreation::OpenExisting, error) != fs_code::ok) {
            fail_open(table, error, db_code::none, {});
            return false;
        }
    }
    table.status = TableStatus::Open;
    table.current = 0;
    table.deleted = table.at_end = table.found = false;
    go_to(table, Move::First, 0, error);
    return true;
}

bool read_record(Table& table, std::uint32_t n, DbError& error)
{
    if (n < 1 || n > table.record_count) {
        record_failure(error, n);
        return false;
    }
    // A record the file does not hold (a cut file) is no record: the buffer
    // keeps what it had rather than half of something else.
    if (!table.dbf.read_exact(static_cast<std::int64_t>(record_offset(table, n)), table.record_length,
                              table.record.data(), error)) {
        record_failure(error, n);
        return false;
    }
    table.current = n;
    table.deleted = table.record[0] == '*';
    return true;
}

void go_to(Table& table, Move move, std::int64_t n, DbError& error)
{
    if (table.record_count == 0) {
        table.at_end = true;
        return;
    }
    // Every move starts afresh; only running past the last record sets the
    // flag again, so that a table is not stuck at its end.
    table.at_end = false;
    if (table.indexes_active && table.index_count > 0) {
        NdxIndex& index = *table.indexes[0];
        if (move == Move::Record) {
            if (n >= 1 && n <= table.record_count) {
                std::uint32_t number = static_cast<std::uint32_t>(n);
                bool have = table.dbf.read_exact(static_cast<std::int64_t>(record_offset(table, number)),
                                                 table.record_length, table.stored.data(), error);
                bool found = false;
                NdxStatus status = index.go_to_record(static_cast<std::int32_t>(n), found,
                                                      have ? std::span<const std::uint8_t>(table.stored)
                                                           : std::span<const std::uint8_t>());
                note(error, status);
                if (!status.ok() || !found)
                    return;
            }
        } else {
            NdxStatus status;
            switch (move) {
            case Move::First: status = index.first(); break;
            case Move::Last: status = index.last(); break;
            case Move::Next: status = index.next(); break;
            default: status = index.previous(); break;
            }
            note(error, status);
            if (!status.ok())
                return;
            if (index.at_end() || (move != Move::Previous && index.record() == 0)) {
                table.at_end = true;
                return;
            }
            n = index.record();
        }
    } else {
        switch (move) {
        case Move::First: n = 1; break;
        case Move::Last: n = table.record_count; break;
        case Move::Previous: n = table.current < 2 ? 1 : static_cast<std::int64_t>(table.current) - 1; break;
        case Move::Next:
            n = static_cast<std::int64_t>(table.current) + 1;
            if (n > table.record_count) {
                table.at_end = true;
                return;
            }
            break;
        case Move::Record: break;
        }
    }
    if (n < 1 || n > table.record_count) {
        char detail[64];
        std::snprintf(detail, sizeof detail, "Datensatz %lld nicht in der gefunden.", static_cast<long long>(n));
        error.fail(db_code::record_range, detail);
        return;
    }
    read_record(table, static_cast<std::uint32_t>(n), error);
}

bool write_record(Table& table, std::int64_t n, DbError& error)
{
    bool append = n <= 0 || n > table.record_count;
    std::uint32_t target = append ? table.record_count + 1 : static_cast<std::uint32_t>(n);
    // A header that claims records the file lacks gets no write that would
    // leave a gap of unknown bytes before the record.
    if (target - 1 > table.records_in_file || (append && table.record_count == UINT32_MAX)) {
        record_failure(error, target);
        return false;
    }
    // The indexes find a rewritten record by the key it had.
    bool replaced = !append && table.indexes_active &&
                    table.dbf.read_exact(static_cast<std::int64_t>(record_offset(table, target)),
                                         table.record_length, table.stored.data(), error);
    if (!table.dbf.write(static_cast<std::int64_t>(record_offset(table, target)), table.record_length,
                         table.record.data(), error))
        return false;
    // Only a record that reached the file is counted.
    if (append)
        table.record_count = target;
    table.records_in_file = std::max(table.records_in_file, target);
    table.current = target;
    table.status = TableStatus::Changed;
    table.deleted = table.record[0] == '*';
    if (table.indexes_active) {
        std::int32_t previous = append ? 0 : static_cast<std::int32_t>(target);
        for (int i = 0; i < table.index_count; ++i) {
            if (!table.indexes[static_cast<std::size_t>(i)])
                continue;
            note(error, table.indexes[static_cast<std::size_t>(i)]->update(
                            table.record, static_cast<std::int32_t>(target), previous, NdxUpdate::Reposition,
                            replaced ? std::span<const std::uint8_t>(table.stored) : std::span<const std::uint8_t>()));
        }
    }
    return true;
}

void drop_indexes(Table& table, DbError& error)
{
    for (auto& index : table.indexes) {
        if (index)
            note(error, index->close());
        index.reset();
    }
    table.index_count = 0;
    table.indexes_active = false;
}

void close_table(Table& table, const LocalTime& today, DbError& error)
{
    if (table.status == TableStatus::Changed && table.dbf.is_open()) {
        std::uint8_t head[8];
        head[0] = table.header[0];
        head[1] = static_cast<std::uint8_t>(today.year - 1900);
        head[2] = static_cast<std::uint8_t>(today.month);
        head[3] = static_cast<std::uint8_t>(today.day);
        write_le32(head + 4, table.record_count);
        std::uint8_t mark = end_of_file_mark;
        // The end mark goes after the last record, but never beyond what the
        // file holds: a header that claims more records gets no mark far out.
        if (table.dbf.write(0, sizeof head, head, error)) {
            std::memcpy(table.header.data(), head, sizeof head);
            if (table.record_count <= table.records_in_file)
                table.dbf.write(static_cast<std::int64_t>(record_offset(table, table.record_count + 1)), 1, &mark,
                                error);
        }
    }
    if (FsCode code = table.dbf.close())
        error.fail(code, table.dbf.name().view());
    if (FsCode code = table.dbt.close())
        error.fail(code, table.dbt.name().view());
    drop_indexes(table, error);
    table.status = TableStatus::Closed;
}

} // namespace talven
