// The runtime's entry: load, run, clean up, and hand back the exit code.
#pragma once

#include <cstddef>

namespace talven {

class Host;

// Runs the program the host's command line names (or the appended one) and
// returns the exit code. Every way the program ends comes back here.
// stack_budget is how much of the machine stack evaluation may use; a
// program nesting deeper ends with the error of too deep calls.
//
// Lines are compiled on their first run, and every later run takes what
// the compilation remembered. With compilation off, every argument is read
// from its text each time: the reference the compiled path must match.
// FromEnvironment is on unless TALVEN_COMPILED is "0".
enum class Compilation { FromEnvironment, On, Off };
int run_runtime(Host& host, std::size_t stack_budget = std::size_t{6} << 20,
                Compilation compilation = Compilation::FromEnvironment);

} // namespace talven
