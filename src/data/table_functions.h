// The table functions' shared argument rules, for the index functions too.
#pragma once

#include <string_view>

#include "core/short_string.h"
#include "values/arguments.h"

namespace talven {

struct Runtime;
struct Table;

// "#n" at the front of the argument text: the "#" is required (runtime
// error 105), n must lie in 1..15 (609). Not ok after a report, and then
// nothing else of the argument is fetched.
Arg<int> fetch_table_number(Runtime& rt, char separator);

// The current table; runtime error 610 (and null) when its number holds
// no table.
Table* current_table_or_error(Runtime& rt);

// Texts pass between program and table in the table's character set: the
// OEM code page while the text font is the OEM font, unchanged otherwise.
ShortString text_to_table(Runtime& rt, std::string_view text);
ShortString text_from_table(Runtime& rt, std::string_view text);

// Closes every open table as @DBCLOSE does, so that no header stays stale
// when the program ends, whichever way it ends.
void close_all_tables(Runtime& rt);

} // namespace talven
