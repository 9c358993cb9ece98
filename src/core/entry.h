// The runtime's entry: load, run, clean up, and hand back the exit code.
#pragma once

namespace talven {

class Host;

// Runs the program the host's command line names (or the appended one) and
// returns the exit code. Every way the program ends comes back here.
int run_runtime(Host& host);

} // namespace talven
