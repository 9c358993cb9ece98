// The evaluation of arguments seen before: a literal, or a variable whose
// slot is remembered. Inline, because almost every argument comes this way.
#pragma once

#include "core/runtime.h"
#include "values/arg_cache.h"
#include "values/variables.h"

namespace talven {

// Loads a scalar through the remembered slot while the store's epoch is the
// one it was found at. False when the name is not declared.
[[gnu::always_inline]] inline bool load_remembered_scalar(Runtime& rt, ArgEntry& entry)
{
    VariableStore& store = rt.variables;
    if (entry.epoch != store.epoch) [[unlikely]] {
        entry.slot = find_scalar_slot(store, entry.suffix, entry.name.view());
        entry.epoch = store.epoch;
    }
    if (!entry.slot)
        return false;
    Value& v = rt.value;
    switch (entry.suffix) {
    case '%':
    case '&': {
        std::int32_t value = *static_cast<std::int32_t*>(entry.slot);
        v.integer = v.long_integer = value;
        v.real = value;
        v.defer_long_text(value, rt.format.number_width);
        break;
    }
    case '!': load_float_views(rt, *static_cast<double*>(entry.slot)); break;
    default: load_string_views(rt, *static_cast<ShortString*>(entry.slot)); break;
    }
    return true;
}

// The evaluation of a remembered literal or known variable, without any
// further fetch; false when the entry needs the full evaluation.
[[gnu::always_inline]] inline bool evaluate_quickly(Runtime& rt, ArgEntry& entry)
{
    Value& v = rt.value;
    switch (entry.kind) {
    case ArgKind::PlainNumber:
        // Its text is the number's own digits, made only when read.
        v.type = entry.literal.type;
        v.integer = v.long_integer = entry.literal.long_integer;
        v.real = entry.literal.real;
        v.defer_long_text(entry.literal.long_integer, 0);
        return true;
    case ArgKind::Literal:
        v.type = entry.literal.type;
        v.integer = entry.literal.integer;
        v.long_integer = entry.literal.long_integer;
        v.real = entry.literal.real;
        v.set_text(entry.literal.text().view());
        return true;
    case ArgKind::StringLiteral:
        v.type = ValueType::String;
        v.set_text(entry.literal.text().view());
        return true;
    case ArgKind::Scalar:
        v.type = entry.type;
        return load_remembered_scalar(rt, entry);
    default:
        return false;
    }
}

} // namespace talven
