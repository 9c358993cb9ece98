// Functions that read the variable store directly: the parameter slots of
// the current call, the global arrays and the bytes of area variables.
#include "core/dispatch.h"
#include "core/runtime.h"
#include "values/conversions.h"
#include "values/arguments.h"
#include "values/variables.h"

namespace talven {
namespace {

void load_parameter(Runtime& rt, ValueType type)
{
    std::int32_t n = *arg_integer(rt, ')');
    if (n < 0 || n > 12) {
        rt.fatal(Msg::ParameterCountRange);
        n = 0;
    }
    rt.value = rt.flow.slots[static_cast<std::size_t>(n)];
    rt.value.type = type;
}

void fn_param_str(Runtime& rt) { load_parameter(rt, ValueType::String); }
void fn_param_int(Runtime& rt) { load_parameter(rt, ValueType::Integer); }
void fn_param_long(Runtime& rt) { load_parameter(rt, ValueType::Long); }
void fn_param_float(Runtime& rt) { load_parameter(rt, ValueType::Float); }

// The index of a global array element, or -1 after error 207.
template <class T>
std::int32_t global_index(Runtime& rt, const ElementTable<T>& table)
{
    std::int32_t n = *arg_integer(rt, ')');
    if (n < 0 || n > table.highest) {
        rt.fatal(Msg::BoundExceeded, long_to_text(table.highest, 0).view());
        return -1;
    }
    return n;
}

void fn_getdim_int(Runtime& rt)
{
    const auto& table = rt.variables.global_integers;
    std::int32_t n = global_index(rt, table);
    rt.value.type = ValueType::Integer;
    rt.value.long_integer = n >= 0 ? table.slots[static_cast<std::size_t>(n)] : 0;
    rt.value.defer_long_text(rt.value.long_integer, rt.format.number_width);
}

void fn_getdim_long(Runtime& rt)
{
    const auto& table = rt.variables.global_longs;
    std::int32_t n = global_index(rt, table);
    rt.value.type = ValueType::Long;
    rt.value.long_integer = n >= 0 ? table.slots[static_cast<std::size_t>(n)] : 0;
    rt.value.defer_long_text(rt.value.long_integer, rt.format.number_width);
}

void fn_getdim_float(Runtime& rt)
{
    const auto& table = rt.variables.global_floats;
    std::int32_t n = global_index(rt, table);
    double value = n >= 0 ? table.slots[static_cast<std::size_t>(n)] : 0.0;
    rt.value.type = ValueType::Float;
    rt.value.real = value;
    rt.value.long_integer = truncate_to_long(value);
    rt.value.defer_float_text(value, rt.format.decimals, rt.format.number_width);
}

void fn_getdim_str(Runtime& rt)
{
    const auto& table = rt.variables.global_strings;
    std::int32_t n = global_index(rt, table);
    rt.value.type = ValueType::String;
    rt.value.set_text(n >= 0 ? table.slots[static_cast<std::size_t>(n)] : ShortString());
    rt.value.long_integer = long_from_text(rt.value.text().view());
}

// The area name is the text up to the first ","; the offset follows.
struct AreaRead {
    ShortString name;
    std::int64_t offset = 0;
    std::int64_t limit = 255;
};

AreaRead fetch_area_read(Runtime& rt, bool with_limit)
{
    AreaRead read;
    read.name = arg_area_name(rt);
    read.offset = *arg_long(rt, with_limit ? ',' : ')');
    if (with_limit)
        read.limit = *arg_long(rt, ')');
    return read;
}

void read_area_number(Runtime& rt, int bytes, bool is_signed)
{
    AreaRead read = fetch_area_read(rt, false);
    AreaBlock* area = area_for_access(rt, read.name.view(), read.offset, bytes);
    std::uint32_t value = 0;
    if (area)
        for (int i = 0; i < bytes; ++i)
            value |= static_cast<std::uint32_t>(area->block[read.offset + i]) << (8 * i);
    rt.value.type = ValueType::Long;
    rt.value.long_integer = is_signed ? static_cast<std::int32_t>(value) : static_cast<std::int32_t>(value);
    rt.value.defer_long_text(rt.value.long_integer, rt.format.number_width);
}

void fn_areabyte(Runtime& rt) { read_area_number(rt, 1, false); }
void fn_areaword(Runtime& rt) { read_area_number(rt, 2, false); }
void fn_arealong(Runtime& rt) { read_area_number(rt, 4, true); }

// Bytes from the offset up to a 0 byte, the end of the block or the limit.
void read_area_string(Runtime& rt, bool with_limit)
{
    AreaRead read = fetch_area_read(rt, with_limit);
    AreaBlock* area = area_for_access(rt, read.name.view(), read.offset, 1);
    rt.value.type = ValueType::String;
    ShortString& text = rt.value.text_for_writing();
    text.clear();
    if (!area)
        return;
    std::int64_t limit = std::min<std::int64_t>(read.limit, 255);
    for (std::int64_t i = read.offset; i <= area->size && i - read.offset < limit; ++i) {
        char c = static_cast<char>(area->block[i]);
        if (c == 0)
            break;
        text.push_back(c);
    }
}

void fn_areastr_str(Runtime& rt) { read_area_string(rt, false); }
void fn_areachars_str(Runtime& rt) { read_area_string(rt, true); }

constexpr FunctionEntry functions[] = {
    {Fn::ParamFloat, fn_param_float},
    {Fn::ParamStr, fn_param_str},
    {Fn::ParamInt, fn_param_int},
    {Fn::ParamLong, fn_param_long},
    {Fn::AreacharsStr, fn_areachars_str},
    {Fn::AreastrStr, fn_areastr_str},
    {Fn::Arealong, fn_arealong},
    {Fn::Areaword, fn_areaword},
    {Fn::Areabyte, fn_areabyte},
    {Fn::GetdimInt, fn_getdim_int},
    {Fn::GetdimLong, fn_getdim_long},
    {Fn::GetdimFloat, fn_getdim_float},
    {Fn::GetdimStr, fn_getdim_str},
};

} // namespace

std::span<const FunctionEntry> store_functions() { return functions; }

} // namespace talven
