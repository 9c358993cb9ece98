// Evaluation of one argument once it has been split off, and the entry
// points of the function dispatcher and the system-variable evaluator.
#pragma once

#include <cstdint>
#include <string_view>

#include "values/value.h"

namespace talven {

struct Runtime;

// Classifies the argument (a literal, a variable, an array element, an area
// variable, a system variable) and loads its value into the registers.
// This is the text path: compiled arguments must evaluate exactly as it does.
void evaluate_argument(Runtime& rt, std::string_view argument, Expect expect);

// The warning for a name that is not declared (not given while declaring);
// the text view holds the name in upper case.
void report_undeclared(Runtime& rt, std::string_view argument);

// An array element reference ("NAME[i,j,k]") as written.
void evaluate_array_element(Runtime& rt, std::string_view argument);

// Runs the function of the token; it consumes its own arguments.
void call_function(Runtime& rt, std::uint8_t token);

// The views a function's result gets after its handler: the integer view
// from the long integer, the float view unless it is a float, and the text
// its number reads as.
inline void complete_result_views(Value& v, std::int32_t decimals, std::int32_t number_width);

// Evaluates a system variable; the type tag is already set from its prefix.
void evaluate_sysvar(Runtime& rt, std::uint8_t token);

inline void complete_result_views(Value& v, std::int32_t decimals, std::int32_t number_width)
{
    if (v.type != ValueType::String)
        v.integer = v.long_integer;
    if (v.type != ValueType::Float && v.type != ValueType::None)
        v.real = v.long_integer;
    // A numeric result reads as its number when its text is wanted (a
    // string assignment, a text argument), never as a leftover of its own
    // arguments.
    if (v.type == ValueType::Float)
        v.defer_float_text(v.real, decimals, number_width);
    else if (v.type == ValueType::Integer || v.type == ValueType::Long)
        v.defer_long_text(v.long_integer, number_width);
}

} // namespace talven
