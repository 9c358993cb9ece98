// The argument fetch: takes the next argument off the front of the argument
// text, evaluates it and leaves the result in the value registers.
#pragma once

#include <cstddef>
#include <string_view>

#include "values/value.h"

namespace talven {

struct Runtime;

// Separators with a meaning of their own: print mode ends an argument at
// ",", ";" or "+"; a blank takes the whole rest of the text.
constexpr char print_mode = 'p';
constexpr char rest_of_text = ' ';

void fetch(Runtime& rt, char separator, Expect expect = Expect::Any);

// Position of ch at depth zero (outside quotes, parentheses and brackets),
// or npos. The byte after "@" is a function token and, for a declared
// function, two line-number bytes follow; none of them counts as a
// character.
std::size_t find_at_depth_zero(std::string_view text, char ch);

// Replaces the escapes of a string literal's contents (the quotes removed).
// With raw set only the doubled backslash is replaced.
void replace_escapes(std::string_view contents, bool raw, ShortString& out);

// Whether the argument is a string literal ("..." or a lone quote), and
// its contents with the escapes replaced.
bool is_string_literal(std::string_view argument);
void read_string_literal(std::string_view argument, Expect expect, ShortString& out);

// The string view of a numeric value, as its type formats it.
void format_numeric_text(Runtime& rt);

} // namespace talven
