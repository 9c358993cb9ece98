// Function results: the value registers as the dispatch expects them after
// a function of each result type.
#pragma once

#include <cstdint>
#include <string_view>

namespace talven {

struct Runtime;

// A text with the numeric views a string variable holding it would have.
void result_text(Runtime& rt, std::string_view text);
void result_integer(Runtime& rt, std::int32_t value);
void result_long(Runtime& rt, std::int32_t value);

} // namespace talven
