// The argument conventions of the file commands: "#n" file numbers, file
// names of any value type, and area names taken as written.
#include "data/file_arguments.h"

#include "core/runtime.h"
#include "data/file_state.h"
#include "values/fetch.h"
#include "values/variables.h"

namespace talven {

std::optional<ShortString> fetch_text(Runtime& rt, char separator)
{
    bool call = !rt.loop.args.empty() && rt.loop.args.front() == '@';
    std::uint32_t fatals = rt.errors.fatal_count;
    fetch(rt, separator);
    if (rt.errors.fatal_count != fatals)
        return std::nullopt;
    if (call && rt.value.type != ValueType::String)
        format_numeric_text(rt);
    return rt.value.text();
}

std::optional<std::int32_t> fetch_integer(Runtime& rt, char separator)
{
    std::uint32_t fatals = rt.errors.fatal_count;
    fetch(rt, separator);
    if (rt.errors.fatal_count != fatals)
        return std::nullopt;
    return rt.value.integer;
}

std::optional<std::int32_t> fetch_long(Runtime& rt, char separator)
{
    std::uint32_t fatals = rt.errors.fatal_count;
    fetch(rt, separator);
    if (rt.errors.fatal_count != fatals)
        return std::nullopt;
    return rt.value.long_integer;
}

std::uint8_t* area_range(Runtime& rt, std::string_view name, std::int64_t offset, std::int64_t count)
{
    AreaBlock* area = area_for_access(rt, name, 0, 0);
    if (!area)
        return nullptr;
    // In 64 bits, so that no sum of two 32-bit values wraps past the test.
    if (offset < 0 || count < 0 || offset + count > area->size) {
        rt.fatal(Msg::BoundExceeded);
        return nullptr;
    }
    return area->block + offset;
}

} // namespace talven
