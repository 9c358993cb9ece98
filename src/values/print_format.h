// How PRINT writes a value, to the text screen and to a text file alike: a
// string right-aligned in the string width, a number in the number width
// (floats fixed-point with the decimals).
#pragma once

#include "core/short_string.h"

namespace talven {

struct Runtime;

ShortString print_text(const Runtime& rt);

} // namespace talven
