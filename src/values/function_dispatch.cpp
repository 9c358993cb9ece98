// The function dispatcher: runs the handler of a function token and
// completes the views of its result.
#include "core/control_flow.h"
#include "core/dispatch.h"
#include "core/runtime.h"
#include "values/evaluate.h"

namespace talven {

void call_function(Runtime& rt, std::uint8_t token)
{
    rt.current_function = token;
    static const auto& handlers = function_table();
    if (FunctionHandler handler = handlers[token])
        handler(rt);
    else
        call_declared_function(rt, token);
    Value& v = rt.value;
    if (v.type != ValueType::String)
        v.integer = v.long_integer;
    if (v.type != ValueType::Float && v.type != ValueType::None)
        v.real = v.long_integer;
    // A numeric result reads as its number when its text is wanted (a
    // string assignment, a text argument), never as a leftover of its own
    // arguments.
    if (v.type == ValueType::Float)
        v.defer_float_text(v.real, rt.format.decimals, rt.format.number_width);
    else if (v.type == ValueType::Integer || v.type == ValueType::Long)
        v.defer_long_text(v.long_integer, rt.format.number_width);
}

} // namespace talven
