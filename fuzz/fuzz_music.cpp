// The music players on arbitrary bytes: the first byte picks a chord's
// length, the next two its dots and value count, the rest is the music
// string and the chord's values. Every message that reaches the MIDI
// output must be a note on or a program change with 7-bit data bytes and a
// channel the player chose, and the output is closed once the player ends.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "devices/music.h"
#include "host/device_host.h"

namespace {

class CheckedOutput : public talven::DeviceHost {
public:
    std::uint32_t midi_device_count() override { return 1; }
    bool midi_open() override
    {
        if (m_open)
            std::abort();
        return m_open = true;
    }
    void midi_send(std::uint32_t message) override
    {
        const std::uint32_t status = message & 0xF0;
        if (!m_open || (status != 0x90 && status != 0xC0) || (message & 0x8080'0000u) || (message & 0x8000u) ||
            message > 0xFF'FFFFu)
            std::abort();
    }
    void midi_close() override
    {
        if (!m_open)
            std::abort();
        m_open = false;
    }
    bool open() const { return m_open; }

private:
    bool m_open = false;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace talven;
    if (size < 3)
        return 0;
    CheckedOutput output;
    MusicState state;
    std::string_view music(reinterpret_cast<const char*>(data + 3), size - 3);
    play_music(output, state, music, [] {});
    if (output.open() || state.octave < 0 || state.octave > 6 || state.channel < 0 || state.channel > 15)
        std::abort();

    Chord chord;
    chord.length = static_cast<std::int8_t>(data[0]);
    chord.dots = data[1];
    chord.count = 1 + data[2] % 16;
    for (int i = 0; i < chord.count && static_cast<std::size_t>(3 + i) < size; ++i)
        chord.values[static_cast<std::size_t>(i)] = static_cast<std::int8_t>(data[3 + i]);
    sound_chord(output, chord, [] {});
    if (output.open())
        std::abort();
    return 0;
}
