// The byte range of an area for the block transfers.
#include "data/file_arguments.h"

#include "core/runtime.h"
#include "values/variables.h"

namespace talven {

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
