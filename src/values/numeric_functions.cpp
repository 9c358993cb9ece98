// Placeholder: the numeric functions arrive with their registration table.
#include "core/dispatch.h"

namespace talven {

std::span<const FunctionEntry> numeric_functions() { return {}; }

} // namespace talven
