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
    complete_result_views(rt.value, rt.format.decimals, rt.format.number_width);
}

} // namespace talven
