// The lister of talvenc: program lines back to source text that compiles
// to exactly the same lines.
#pragma once

#include <string>
#include <vector>

namespace talven::tools {

// UTF-8 source, one source line per program line. Each line gets its most
// readable form; a line whose readable form does not compile back to the
// same bytes is written as a raw line (its token and text as bytes).
std::string list_program(const std::vector<std::string>& lines);

} // namespace talven::tools
