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

// Evaluates a system variable; the type tag is already set from its prefix.
void evaluate_sysvar(Runtime& rt, std::uint8_t token);

} // namespace talven
