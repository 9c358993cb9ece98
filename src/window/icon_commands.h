// The cursor table of SETCURSOR, for the handler and its tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace talven {

// The platform's ids of its first system icon and cursor, and its last cursor.
constexpr std::uint32_t system_icon_base = 32512;
constexpr std::uint32_t system_cursor_base = 32512;
constexpr std::uint32_t system_cursor_last = 32651;

// A cursor of the runtime by name, or a system cursor by id (name empty).
struct CursorChoice {
    std::string_view name;
    std::uint32_t system_id = 0;
};

// The cursor a program's number names; nothing outside the table.
std::optional<CursorChoice> cursor_of_number(std::int32_t n);

} // namespace talven
