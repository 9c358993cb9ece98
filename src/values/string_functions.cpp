// Placeholder: the string functions arrive with their registration table.
#include "core/dispatch.h"

namespace talven {

std::span<const FunctionEntry> string_functions() { return {}; }

} // namespace talven
