// The area argument of the block transfers (BLOCKREAD, BLOCKWRITE): the
// byte range of a named area, checked as every area access is.
#pragma once

#include <cstdint>
#include <string_view>

namespace talven {

struct Runtime;

// The bytes [offset, offset + count) of the named area: errors 121, 215
// and 243 as for every area access, and 207 for a negative offset or count
// or a range beyond the area's size. Null after a report.
std::uint8_t* area_range(Runtime& rt, std::string_view name, std::int64_t offset, std::int64_t count);

} // namespace talven
