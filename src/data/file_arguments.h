// Taking the arguments of the file commands and functions off the argument
// text, and handing function results back.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "core/short_string.h"
#include "values/arguments.h"
#include "values/function_results.h"

namespace talven {

struct Runtime;

// The file commands' own names for the fetches of the argument interface,
// in the optional form they were written against.
inline std::optional<int> fetch_file_number(Runtime& rt, HashMark hash, char separator)
{
    auto n = arg_file_number(rt, hash, separator);
    return n ? std::optional<int>(*n) : std::nullopt;
}

// A text argument (a file name, a pattern): any value, a number as the
// text it has as a value.
std::optional<ShortString> fetch_text(Runtime& rt, char separator);
std::optional<std::int32_t> fetch_integer(Runtime& rt, char separator);
std::optional<std::int32_t> fetch_long(Runtime& rt, char separator);

inline ShortString take_area_name(Runtime& rt) { return arg_area_name(rt); }

// The bytes [offset, offset + count) of the named area: errors 121, 215
// and 243 as for every area access, and 207 for a negative offset or count
// or a range beyond the area's size. Null after a report.
std::uint8_t* area_range(Runtime& rt, std::string_view name, std::int64_t offset, std::int64_t count);

} // namespace talven
