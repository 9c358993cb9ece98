// The value registers: the result of every argument evaluation, with its
// type tag and the four views a handler may pick from.
#pragma once

#include <cstdint>

#include "core/short_string.h"

namespace talven {

enum class ValueType : std::uint8_t { None = 0, String = 1, Integer = 2, Long = 3, Float = 4 };

// What a caller of the argument fetch expects. RawString takes a string
// literal without replacing its escapes (the doubled backslash excepted).
enum class Expect : std::uint8_t { Any = 0, String = 1, Numeric = 2, RawString = 9 };

struct Value {
    ValueType type = ValueType::None;
    std::int32_t integer = 0;
    std::int32_t long_integer = 0;
    double real = 0.0;
    ShortString text;
};

} // namespace talven
