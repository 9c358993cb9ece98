// The ODBC state of a run: one connection at a time through the platform's
// driver manager, the row count of the last statement and the settings
// that shape the result lines.
#pragma once

#include <cstdint>
#include <memory>

#include "core/short_string.h"

namespace talven {

// The loaded driver manager with its environment and connection; defined
// in data/odbc.cpp. Destroying it disconnects and unloads.
struct OdbcSession;

struct OdbcState {
    OdbcState();
    ~OdbcState();
    OdbcState(const OdbcState&) = delete;
    OdbcState& operator=(const OdbcState&) = delete;

    // Set while connected.
    std::unique_ptr<OdbcSession> session;
    // The row count of the last statement, -1 after a failure.
    std::int32_t row_count = 0;
    // One character each, or empty for none.
    ShortString separator{"|"};
    ShortString quote;
    ShortString null_text{"NULL"};
};

// The width a column takes in the lines of the window and the element
// list, from its SQL type, its size and the length of its name; never more
// than the largest text buffer a column gets.
std::int32_t odbc_display_width(std::int16_t sql_type, std::uint64_t size, std::size_t name_length);

} // namespace talven
