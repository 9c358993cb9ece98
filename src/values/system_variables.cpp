// The system variables that the evaluation core keeps itself, and the
// evaluator that completes the views of every system variable.
#include "core/dispatch.h"
#include "core/runtime.h"
#include "data/numbered_files.h"
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

// Reading the I/O result clears the pending file code and the search
// status; its type tag is string.
void sys_ioresult(Runtime& rt)
{
    rt.value.integer = take_io_result(rt.files);
    rt.value.type = ValueType::String;
}

void sys_lasterror(Runtime& rt) { rt.value.long_integer = rt.errors.last_number; }
void sys_one(Runtime& rt) { rt.value.integer = 1; }
void sys_version(Runtime& rt) { rt.value.set_text("6.0-32"); }
void sys_inputint(Runtime& rt) { rt.value.integer = rt.input.integer; }
void sys_inputlong(Runtime& rt) { rt.value.long_integer = rt.input.long_integer; }
void sys_inputfloat(Runtime& rt) { rt.value.real = rt.input.real; }
void sys_inputstr(Runtime& rt) { rt.value.set_text(rt.input.text); }
void sys_listlast(Runtime& rt) { rt.value.integer = rt.elements.highest(); }
void sys_paramcount(Runtime& rt) { rt.value.integer = rt.flow.parameter_count; }
void sys_ticks(Runtime& rt) { rt.value.long_integer = static_cast<std::int32_t>(rt.host.tick_count()); }

// Parameter 0 names the runtime itself and is not counted.
void sys_parcount(Runtime& rt)
{
    rt.value.integer = static_cast<std::int32_t>(rt.host.command_line().size()) - 1;
}

constexpr SysVarEntry sysvars[] = {
    {SysVar::Inputint, sys_inputint},
    {SysVar::Inputlong, sys_inputlong},
    {SysVar::Inputfloat, sys_inputfloat},
    {SysVar::Inputstr, sys_inputstr},
    {SysVar::Listlast, sys_listlast},
    {SysVar::Ioresult, sys_ioresult},
    {SysVar::Error, sys_error},
    {SysVar::Parcount, sys_parcount},
    {SysVar::Lasterror, sys_lasterror},
    {SysVar::One, sys_one},
    {SysVar::Ticks, sys_ticks},
    {SysVar::Version, sys_version},
    {SysVar::Paramcount, sys_paramcount},
    {SysVar::True, sys_one},
};

} // namespace

std::span<const SysVarEntry> system_variables() { return sysvars; }

void evaluate_sysvar(Runtime& rt, std::uint8_t token)
{
    Value& v = rt.value;
    // The type tag as the prefix set it; the string view is made from it below.
    ValueType prefix_type = v.type;
    v.integer = v.long_integer = 0;
    v.real = 0.0;
    v.set_text({});
    rt.current_sysvar = token;
    sysvar_table()[token](rt);
    if (v.long_integer == 0)
        v.long_integer = v.integer;
    if (v.integer == 0)
        v.integer = v.long_integer;
    if (v.real == 0.0)
        v.real = v.long_integer;
    if (prefix_type == ValueType::Float)
        v.defer_float_text(v.real, rt.format.decimals, rt.format.number_width);
    else if (prefix_type == ValueType::Integer || prefix_type == ValueType::Long)
        v.defer_long_text(v.long_integer, rt.format.number_width);
}

} // namespace talven
