// The open dBase III tables: for each table number the table record with
// its field descriptors, record buffer, files and attached indexes, and the
// operations on it that the table functions and the indexes share. Every
// failure goes into the dB error state; the handlers report it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "core/short_string.h"
#include "data/block_file.h"
#include "data/db_error.h"
#include "host/host.h"

namespace talven {

class NdxIndex;

constexpr int table_count = 15;
constexpr int index_capacity = 16;
constexpr int field_capacity = 128;
constexpr std::uint32_t memo_block_size = 512;
constexpr std::int32_t memo_line_width = 80;

constexpr std::uint8_t dbf_version = 0x03;
constexpr std::uint8_t dbf_version_memo = 0x83;
constexpr std::uint8_t descriptors_end = 0x0D;
constexpr std::uint8_t end_of_file_mark = 0x1A;

struct FieldDescriptor {
    ShortString name;  // upper case as stored, trailing blanks removed
    char type = 'C';
    std::uint16_t offset = 0;  // inside the record (0 is the deletion flag)
    std::uint8_t length = 0;
    std::uint8_t decimals = 0;
};

enum class TableStatus : std::uint8_t { Closed = 0, Open = 1, Changed = 2 };

// The field read or written last, for the field system variables.
struct LastField {
    char type = ' ';
    std::int32_t decimals = 0;
    std::int32_t length = 0;
    std::int32_t number = 0;
    ShortString name;
};

struct MemoState {
    std::uint32_t first_block = 0;  // of the memo read last
    std::uint32_t blocks = 0;       // blocks that memo occupies, as read
    std::int32_t line_width = memo_line_width;
    std::int32_t last_result = 0;
};

struct Table {
    Table();
    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    ShortString file_name;  // as opened, ".DBF" added when it had no extension
    BlockFile dbf{cache_size::table_header, 1};
    BlockFile dbt{cache_size::memo, memo_block_size};
    std::array<std::uint8_t, 32> header{};
    ShortString date_text;  // DD.MM.YY
    TableStatus status = TableStatus::Closed;
    bool has_memo = false;
    std::uint32_t record_count = 0;
    std::uint16_t header_length = 0;
    std::uint16_t record_length = 0;
    std::uint16_t field_count = 0;
    std::vector<FieldDescriptor> fields;
    std::uint32_t current = 0;  // 0 before the first read
    std::vector<std::uint8_t> record;
    // A record as the file holds it, for the indexes: found by its stored
    // key rather than by a walk through every leaf.
    std::vector<std::uint8_t> stored;
    bool deleted = false;
    bool at_end = false;
    bool found = false;
    // Attached indexes, numbered 1..index_count without gaps (slot 0 is
    // index 1); the first orders navigation, all are kept up to date.
    std::array<std::unique_ptr<NdxIndex>, index_capacity> indexes;
    int index_count = 0;
    bool indexes_active = false;
    LastField last_field;
    MemoState memo;
    // Whole records the DBF holds on disk. A header that claims more (a
    // damaged or cut file) gets no writes that would leave a gap.
    std::uint32_t records_in_file = 0;
};

// Table numbers 1..15; slot 0 is never used.
struct Tables {
    std::array<std::unique_ptr<Table>, table_count + 1> slots;
    std::int32_t current = 0;
    DbError error;

    Table* current_table()
    {
        return current >= 1 && current <= table_count ? slots[static_cast<std::size_t>(current)].get() : nullptr;
    }
};

// The first field of that name (compared after upper-casing, trailing
// blanks removed); its index, or nothing.
std::optional<std::size_t> find_field(const Table& table, std::string_view name);
// The field's bytes in the record buffer, unchanged.
std::string_view field_bytes(const Table& table, const FieldDescriptor& field);

// Opens the table file; the DBT too when it has memo fields. Reads record 1.
// On a failure the table is left closed and the dB error state tells why.
bool open_table(Table& table, HostFileSystem& fs, std::uint8_t mode, std::string_view name, DbError& error);
// Writes the header when the table was changed (date from today), closes
// the files and the indexes. The table is closed afterwards, also when a
// step failed.
void close_table(Table& table, const LocalTime& today, DbError& error);

enum class Move { First, Last, Next, Previous, Record };
// Navigation as @DBGO does it; n is used for Move::Record.
void go_to(Table& table, Move move, std::int64_t n, DbError& error);
// Reads record n into the buffer without any index (the caller checked it).
bool read_record(Table& table, std::uint32_t n, DbError& error);

// Writes the record buffer as record n (n <= 0 or beyond the last: a new
// record), then updates every attached index. Counts and state change
// only when the write went through.
bool write_record(Table& table, std::int64_t n, DbError& error);

// Closes and frees every attached index; indexes are no longer active.
void drop_indexes(Table& table, DbError& error);

// The date text of a header: DD.MM.YY from the day, month and year bytes.
ShortString header_date_text(const std::array<std::uint8_t, 32>& header);

} // namespace talven
