// Memo texts in the DBT file of a table, and the packing of a table with
// its memo file.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/short_string.h"
#include "data/table.h"

namespace talven {

// The first block a memo field names: blanks mean none (0); nothing when
// the text is no number.
std::optional<std::uint32_t> memo_block_of(std::string_view field_text);

struct MemoLines {
    std::int32_t result = 0;   // blocks read plus the position after the end mark
    bool list_full = false;    // the list reached its capacity before the end
};

// Reads the memo the field names into lines, wrapped at the table's line
// width, at most capacity lines. The chain ends at the end mark or at the
// end of the file.
MemoLines read_memo(Table& table, const FieldDescriptor& field, std::vector<ShortString>& lines,
                    std::size_t capacity, DbError& error);

// Writes the lines as the memo of the field (in place when the memo read
// last occupies enough blocks, appended otherwise) and stores its first
// block into the record buffer. False on a failure.
bool write_memo(Table& table, std::size_t field, const std::vector<ShortString>& lines, DbError& error);

// Removes the records marked deleted and compacts the memo file. The old
// memo file is replaced only by a complete new one; on a failure before
// that, table and memos are as they were.
bool pack_table(Table& table, HostFileSystem& fs, std::uint8_t mode, DbError& error);

} // namespace talven
