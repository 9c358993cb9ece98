#include "dialogs/resource_argument.h"

#include "core/runtime.h"
#include "values/arguments.h"

namespace talven {

ResourceName arg_resource_name(Runtime& rt, char separator)
{
    ResourceName name;
    if (!arg_value(rt, separator))
        return name;
    const Value& v = rt.value;
    name.name = v.text();
    if (v.type != ValueType::String && v.type != ValueType::None && v.long_integer >= 1)
        name.number = static_cast<std::uint32_t>(v.long_integer);
    return name;
}

} // namespace talven
