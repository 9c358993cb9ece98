#include "values/function_results.h"

#include "core/runtime.h"
#include "values/conversions.h"

namespace talven {

void result_text(Runtime& rt, std::string_view text)
{
    Value& v = rt.value;
    v.type = ValueType::String;
    v.set_text(text);
    v.long_integer = long_from_text(v.text().view());
    v.integer = v.long_integer;
}

void result_integer(Runtime& rt, std::int32_t value)
{
    Value& v = rt.value;
    v.type = ValueType::Integer;
    v.integer = v.long_integer = value;
}

void result_long(Runtime& rt, std::int32_t value)
{
    Value& v = rt.value;
    v.type = ValueType::Long;
    v.integer = v.long_integer = value;
}

} // namespace talven
