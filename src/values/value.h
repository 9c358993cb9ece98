// The value registers: the result of every argument evaluation, with its
// type tag and the four views a handler may pick from.
#pragma once

#include <cstdint>
#include <string_view>

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

    // The string view. A number read from a variable or computed by a
    // function gets its text only when someone reads it: most never do, and
    // making it is the dearest part of a variable read.
    const ShortString& text() const
    {
        if (m_deferred != Deferred::None)
            make_text();
        return m_text;
    }
    // For writers that build the text in place; any deferred number is
    // dropped.
    ShortString& text_for_writing()
    {
        m_deferred = Deferred::None;
        return m_text;
    }
    void set_text(std::string_view text)
    {
        m_deferred = Deferred::None;
        m_text.assign(text);
    }
    // The text a long integer has: its digits right-aligned in width.
    void defer_long_text(std::int32_t value, std::int32_t width)
    {
        m_deferred = Deferred::Long;
        m_deferred_long = value;
        m_width = width;
    }
    // The text a float has: fixed-point with decimals, right-aligned.
    void defer_float_text(double value, std::int32_t decimals, std::int32_t width)
    {
        m_deferred = Deferred::Float;
        m_deferred_real = value;
        m_decimals = decimals;
        m_width = width;
    }

private:
    enum class Deferred : std::uint8_t { None, Long, Float };
    void make_text() const;

    mutable Deferred m_deferred = Deferred::None;
    mutable ShortString m_text;
    std::int32_t m_deferred_long = 0;
    std::int32_t m_width = 0;
    std::int32_t m_decimals = 0;
    double m_deferred_real = 0.0;
};

} // namespace talven
