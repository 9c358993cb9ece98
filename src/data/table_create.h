// DBCREATE: a new, empty table (and memo file) from a description file
// of one field per line: name, type, length, decimals.
#pragma once

#include <cstdint>
#include <string_view>

#include "data/db_error.h"
#include "host/host.h"

namespace talven {

// Nothing is created when a line fails; the dB error state tells which.
bool create_table(HostFileSystem& fs, std::uint8_t mode, std::string_view description, std::string_view table_name,
                  const LocalTime& today, DbError& error);

} // namespace talven
