// The function dispatcher: runs the handler of a function token and
// completes the views of its result.
#include "core/dispatch.h"
#include "core/runtime.h"
#include "values/evaluate.h"

namespace talven {
namespace {

// A call of a function that the program declares on a definition line.
void call_declared_function(Runtime& rt, std::uint8_t)
{
    rt.fatal(Msg::FunctionUnknown);
}

} // namespace

void call_function(Runtime& rt, std::uint8_t token)
{
    rt.current_function = token;
    if (FunctionHandler handler = function_table()[token])
        handler(rt);
    else
        call_declared_function(rt, token);
    Value& v = rt.value;
    if (v.type != ValueType::String)
        v.integer = v.long_integer;
    if (v.type != ValueType::Float && v.type != ValueType::None)
        v.real = v.long_integer;
}

} // namespace talven
