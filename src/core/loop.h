// The interpreter loop and the end of the program.
#pragma once

namespace talven {

struct Runtime;

// Executes lines until the last one has run or the stop flag is set.
void run_loop(Runtime& rt);

// A line that no handler claimed: a call of the procedure whose line number
// the argument text begins with.
void call_procedure(Runtime& rt);

// Processes pending window messages; ends the program when the window was
// closed or the user broke it off.
void pump(Runtime& rt);

// Releases what the program holds, on every way the program ends.
void end_of_program_cleanup(Runtime& rt);

} // namespace talven
