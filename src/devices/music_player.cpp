// The music-string player and the chords: what each character of a music
// string does, the durations, and the MIDI messages in their order.
#include <algorithm>
#include <cstdint>
#include <string>

#include "devices/music.h"
#include "host/device_host.h"

namespace talven {
namespace {

// The MIDI output for the span of one note: closed on every way out, also
// when the program ends while the note waits.
class OpenMidi {
public:
    explicit OpenMidi(DeviceHost& devices) : m_devices(devices), m_open(devices.midi_open()) {}
    ~OpenMidi()
    {
        if (m_open)
            m_devices.midi_close();
    }
    OpenMidi(const OpenMidi&) = delete;
    OpenMidi& operator=(const OpenMidi&) = delete;
    explicit operator bool() const { return m_open; }

private:
    DeviceHost& m_devices;
    bool m_open;
};

constexpr std::int32_t rest = 255;
constexpr std::int32_t highest_octave = 6;

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Reads the music string from the front.
class MusicText {
public:
    explicit MusicText(std::string_view text)
    {
        m_text.reserve(text.size());
        for (char c : text)
            if (c != ' ')
                m_text += upper(c);
    }
    bool done() const { return m_pos >= m_text.size(); }
    char next() { return m_text[m_pos++]; }
    bool take(char c)
    {
        if (done() || m_text[m_pos] != c)
            return false;
        ++m_pos;
        return true;
    }
    bool digit_follows() const { return !done() && is_digit(m_text[m_pos]); }
    // The run of digits that follows, 0 when there is none; a run past the
    // largest long integer stays there.
    std::int32_t number()
    {
        std::int64_t n = 0;
        while (digit_follows()) {
            n = std::min<std::int64_t>(n * 10 + (m_text[m_pos] - '0'), INT32_MAX);
            ++m_pos;
        }
        return static_cast<std::int32_t>(n);
    }

private:
    std::string m_text;
    std::size_t m_pos = 0;
};

std::int32_t note_value(char c)
{
    switch (c) {
    case 'C': return 0;
    case 'D': return 2;
    case 'E': return 4;
    case 'F': return 5;
    case 'G': return 7;
    case 'A': return 9;
    case 'B': return 11;
    default: return rest;
    }
}

// Only keys 1..127 fit a message; the note still takes its time.
bool sendable(std::int64_t key) { return key > 0 && key <= 127; }

void play_note(DeviceHost& devices, MusicState& state, MusicText& text, char letter, const Idle& idle)
{
    const std::uint32_t start = devices.ticks();
    std::int64_t value = note_value(letter);
    const bool is_rest = value == rest;
    if (text.take('#') || text.take('+'))
        ++value;
    else if (text.take('-'))
        --value;
    std::int32_t length = text.digit_follows() ? text.number() : state.length;
    const bool dotted = text.take('.');
    if (state.volume > 127)
        state.volume = 127;

    OpenMidi midi(devices);
    if (!midi)
        return;
    double duration = 0;
    if (std::int64_t{state.tempo} * length > 0)
        duration = 240000.0 / state.tempo / length;
    if (dotted)
        duration *= 1.5;
    const auto d = static_cast<std::uint32_t>(duration);
    if (is_rest) {
        wait_until(devices, start + d, idle);
        return;
    }
    const std::int64_t key = value + 12 * std::int64_t{state.octave};
    const auto channel = static_cast<std::uint32_t>(state.channel);
    auto send = [&](std::int32_t velocity) {
        if (sendable(key))
            devices.midi_send(midi::message(midi::note_on + channel, static_cast<std::uint32_t>(key),
                                            static_cast<std::uint32_t>(velocity)));
    };
    switch (state.articulation) {
    case 'L':
        send(state.volume);
        wait_until(devices, start + d, idle);
        send(0);
        break;
    case 'N':
        send(state.volume);
        wait_until(devices, start + 7 * d / 8, idle);
        send(0);
        wait_until(devices, start + 7 * d / 8 + d / 8, idle);
        break;
    case 'S':
        send(state.volume);
        wait_until(devices, start + 4 * d / 8, idle);
        send(0);
        wait_until(devices, start + 4 * d / 8 + 4 * d / 8, idle);
        break;
    default:
        // Any other articulation letter sounds nothing and takes no time.
        break;
    }
}

void change_instrument(DeviceHost& devices, const MusicState& state)
{
    OpenMidi midi(devices);
    if (midi)
        devices.midi_send(midi::message(midi::program_change + static_cast<std::uint32_t>(state.channel),
                                        static_cast<std::uint32_t>(state.instrument) & 0x7F));
}

} // namespace

void wait_until(DeviceHost& devices, std::uint32_t target, const Idle& idle)
{
    constexpr std::int32_t slice = 10;
    for (;;) {
        auto left = static_cast<std::int32_t>(target - devices.ticks());
        if (left <= 0)
            return;
        idle();
        left = static_cast<std::int32_t>(target - devices.ticks());
        if (left <= 0)
            return;
        devices.pause(static_cast<std::uint32_t>(std::min(left, slice)));
    }
}

void play_music(DeviceHost& devices, MusicState& state, std::string_view music, const Idle& idle)
{
    MusicText text(music);
    while (!text.done()) {
        const char c = text.next();
        switch (c) {
        case 'A': case 'B': case 'C': case 'D': case 'E': case 'F': case 'G': case 'P':
            play_note(devices, state, text, c, idle);
            break;
        case '<':
            state.octave = std::max(0, state.octave - 1);
            break;
        case '>':
            state.octave = std::min(highest_octave, state.octave + 1);
            break;
        case 'O':
            state.octave = std::min(highest_octave, text.number());
            break;
        case 'T':
            state.tempo = text.number();
            break;
        case 'L':
            state.length = text.number();
            break;
        case 'V':
            state.volume = text.number();
            break;
        case 'K': {
            const std::int32_t channel = text.number();
            state.channel = channel <= 15 ? channel : 0;
            break;
        }
        case 'M':
            if (!text.done())
                state.articulation = text.next();
            break;
        case 'I':
            state.instrument = text.number();
            change_instrument(devices, state);
            break;
        default:
            // Anything else is no command of the language.
            break;
        }
        idle();
    }
}

ChordResult sound_chord(DeviceHost& devices, const Chord& chord, const Idle& idle)
{
    if (devices.midi_device_count() < 1)
        return ChordResult::NoDevice;
    OpenMidi midi(devices);
    if (!midi)
        return ChordResult::NoDevice;
    const std::uint32_t start = devices.ticks();
    auto send = [&](int i, std::uint32_t status, std::uint32_t first, std::uint32_t second) {
        devices.midi_send(midi::message(status + static_cast<std::uint32_t>(chord_channel(i)), first, second));
    };
    if (chord.length >= 0) {
        for (int i = 0; i < chord.count; ++i) {
            const int v = chord.values[static_cast<std::size_t>(i)];
            if (v > 0)
                send(i, midi::note_on, static_cast<std::uint32_t>(v - 1), 127);
            else if (v < 0)
                send(i, midi::note_on, static_cast<std::uint32_t>(-v - 1), 0);
        }
        if (chord.length > 0) {
            const std::uint32_t e = 2000u / static_cast<std::uint32_t>(chord.length);
            wait_until(devices, start + e + chord.dots * (e / 2), idle);
            for (int i = 0; i < chord.count; ++i) {
                const int v = chord.values[static_cast<std::size_t>(i)];
                if (v > 0)
                    send(i, midi::note_on, static_cast<std::uint32_t>(v - 1), 0);
            }
        }
    } else if (chord.length == -1) {
        // The percussion channel has no programs.
        for (int i = 0; i < chord.count; ++i)
            if (chord_channel(i) != 9)
                send(i, midi::program_change,
                     static_cast<std::uint32_t>(chord.values[static_cast<std::size_t>(i)]) & 0x7F, 0);
    }
    return ChordResult::Played;
}

std::uint32_t tone_milliseconds(double duration)
{
    const double ms = duration * 0.37999696;
    if (!(ms > 0))
        return 0;
    return ms >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<std::uint32_t>(ms);
}

} // namespace talven
