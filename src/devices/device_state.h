// What the sound and port functions keep between calls.
#pragma once

#include <cstdint>

namespace talven {

// Kept between PLAY calls.
struct MusicState {
    std::int32_t tempo = 120;      // quarter notes per minute
    std::int32_t volume = 100;     // velocity
    std::int32_t length = 4;       // default note length, a fraction of a whole note
    std::int32_t octave = 4;       // 0..6
    char articulation = 'N';       // L legato, N normal, S staccato
    std::int32_t channel = 0;      // 0..15
    std::int32_t instrument = 0;
};

struct DeviceState {
    MusicState music;
    // The error code of the last MCI command.
    std::uint32_t mci_error = 0;
    // The port opened last; -1 when none (or after it was closed).
    std::int32_t last_port = -1;
};

} // namespace talven
