// The music players: the music-string language of PLAY, the chords of
// MIDINOTES, their MIDI messages and their timing. They wait on the device
// host's clock and call idle while they wait and after every command of a
// music string, so that the window stays responsive.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>

#include "devices/device_state.h"

namespace talven {

class DeviceHost;

using Idle = std::function<void()>;

namespace midi {
constexpr std::uint32_t note_on = 0x90;
constexpr std::uint32_t program_change = 0xC0;
// A short message as the platform's MIDI output takes it.
constexpr std::uint32_t message(std::uint32_t status, std::uint32_t first, std::uint32_t second = 0)
{
    return status | (first << 8) | (second << 16);
}
} // namespace midi

// Waits on the host's clock until target, calling idle between pauses.
void wait_until(DeviceHost& devices, std::uint32_t target, const Idle& idle);

// Plays a music string note by note; notes are skipped silently when the
// MIDI output does not open.
void play_music(DeviceHost& devices, MusicState& state, std::string_view music, const Idle& idle);

// A chord of MIDINOTES: up to 16 signed values, the length (a whole note
// lasts 2000 ms; 0 leaves the notes sounding, -1 changes programs) and the
// number of dots.
struct Chord {
    std::array<std::int8_t, 16> values{};
    int count = 0;
    std::int32_t length = 0;
    std::uint8_t dots = 0;
};

enum class ChordResult { Played, NoDevice };

ChordResult sound_chord(DeviceHost& devices, const Chord& chord, const Idle& idle);

// The channel of a chord's i-th value: the fourth plays on the percussion
// channel 9, the tenth on channel 3.
constexpr int chord_channel(int i) { return i == 3 ? 9 : i == 9 ? 3 : i; }

// SOUND's duration in milliseconds (the duration divided by 2.6316).
std::uint32_t tone_milliseconds(double duration);

} // namespace talven
