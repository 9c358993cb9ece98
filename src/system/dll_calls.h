// Calls into libraries: the declared functions of 32-bit DLLs, the bridge
// program for 16-bit ones, @LOADDLL, FREEDLL, @MODULEUSAGE, and port I/O,
// which no platform of ours lets a program do.
#pragma once

#include <cstdint>

namespace talven {

struct Runtime;

struct DllState {
    // The handle @LOADDLL gave last; an empty name asks for it again.
    std::uint32_t last_loaded = 0;
    // The number of the bridge's last parameter file: the next is greater.
    std::uint32_t last_parameter_file = 0;
};

// The rest of a definition line after "!" (or "*") is the argument text;
// the call's arguments are in parameter slots 1..count. Both leave the
// result in the value registers.
void call_library_function(Runtime& rt, std::int32_t count);
void call_through_bridge(Runtime& rt, std::int32_t count);

} // namespace talven
