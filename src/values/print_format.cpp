// How PRINT writes a value, to the text screen and to a text file alike.
#include "values/print_format.h"

#include "core/runtime.h"
#include "values/conversions.h"

namespace talven {

namespace {

ShortString right_aligned(std::string_view text, std::int32_t width)
{
    ShortString out;
    for (std::int32_t i = static_cast<std::int32_t>(text.size()); i < width && out.size() < ShortString::capacity; ++i)
        out.push_back(' ');
    out.append(text);
    return out;
}

} // namespace

ShortString print_text(const Runtime& rt)
{
    const Value& v = rt.value;
    switch (v.type) {
    case ValueType::Integer:
    case ValueType::Long:
        return long_to_text(v.long_integer, rt.format.number_width);
    case ValueType::Float:
        return float_to_text(v.real, rt.format.decimals, rt.format.number_width);
    default:
        return right_aligned(v.text().view(), rt.format.string_width);
    }
}

} // namespace talven
