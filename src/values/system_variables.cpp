// The system variables that the evaluation core keeps itself, and the
// evaluator that completes the views of every system variable.
#include "core/dispatch.h"
#include "core/runtime.h"
#include "values/conversions.h"
#include "values/evaluate.h"
#include "values/fetch.h"

namespace talven {
namespace {

// Reading the error level clears it; its type tag is string.
void sys_error(Runtime& rt)
{
    rt.value.integer = rt.errors.level;
    rt.errors.level = 0;
    rt.value.type = ValueType::String;
}

void sys_lasterror(Runtime& rt) { rt.value.long_integer = rt.errors.last_number; }
void sys_one(Runtime& rt) { rt.value.integer = 1; }
void sys_version(Runtime& rt) { rt.value.text = "6.0-32"; }

constexpr SysVarEntry sysvars[] = {
    {SysVar::Error, "%ERROR", sys_error},
    {SysVar::Lasterror, "&LASTERROR", sys_lasterror},
    {SysVar::One, "%ONE", sys_one},
    {SysVar::Version, "$VERSION", sys_version},
    {SysVar::True, "%TRUE", sys_one},
};

} // namespace

std::span<const SysVarEntry> core_sysvars() { return sysvars; }

void evaluate_sysvar(Runtime& rt, std::uint8_t token)
{
    Value& v = rt.value;
    // The type tag as the prefix set it; the string view is made from it below.
    ValueType prefix_type = v.type;
    v.integer = v.long_integer = 0;
    v.real = 0.0;
    v.text.clear();
    rt.current_sysvar = token;
    sysvar_table()[token](rt);
    if (v.long_integer == 0)
        v.long_integer = v.integer;
    if (v.integer == 0)
        v.integer = v.long_integer;
    if (v.real == 0.0)
        v.real = v.long_integer;
    if (prefix_type == ValueType::Float)
        v.text = float_to_text(v.real, rt.format.decimals, rt.format.number_width);
    else if (prefix_type == ValueType::Integer || prefix_type == ValueType::Long)
        v.text = long_to_text(v.long_integer, rt.format.number_width);
}

} // namespace talven
