// PRINT and INPUT on a numbered file: the text commands hand a line whose
// argument text starts with "#" over to these.
#pragma once

namespace talven {

struct Runtime;

// When the argument text starts with "#", writes the print list to that
// file's text channel and returns true; otherwise returns false.
bool print_to_file(Runtime& rt);

// When the argument text starts with "#", reads one line of that file into
// the variable named after it and returns true; otherwise returns false.
bool input_from_file(Runtime& rt);

} // namespace talven
