// The index functions @DBINDEX and @DBSEEK and the command MAKEINDEX, as
// plain operations on a table: every failure goes into the dB error state,
// and the handlers decide what the program sees of it.
#pragma once

#include <cstdint>
#include <string_view>

#include "data/ndx_index.h"
#include "host/host_files.h"

namespace talven {

struct Table;
struct DbError;

// Attaches the index files named in the list (separated by blanks or
// commas, ".NDX" appended to each) in place of those attached; the table
// first moves to its first record. Up to 16 are attached; each further
// name is code 901. The indexes are active when at least one was attached.
void attach_indexes(Table& table, HostFileSystem& fs, std::uint8_t mode, std::string_view list, DbError& error);

// Searches the first index and reads the record found: its number, or 0
// (the current record stays). Sets the table's found flag.
std::int32_t seek_index(Table& table, std::string_view text, NdxMatch match, DbError& error);

// Creates the index file (name plus ".NDX") for the expression over all
// records and attaches it as the only index, active and on its first
// record. An empty expression only detaches the indexes.
void make_index(Table& table, HostFileSystem& fs, std::uint8_t mode, std::string_view expression,
                std::string_view name, DbError& error);

// A name for MAKEINDEX: no blank and no comma inside.
bool is_index_file_name(std::string_view name);

} // namespace talven
