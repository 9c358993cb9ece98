#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devices/music.h"
#include "host/device_host.h"

namespace talven {
namespace {

struct Sent {
    std::uint32_t time;
    std::uint32_t status, first, second;
    bool operator==(const Sent&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Sent& s)
{
    return out << s.time << ": " << std::hex << s.status << std::dec << ' ' << s.first << ' ' << s.second;
}

// One MIDI device on the virtual clock; every message with its time.
class Recorder : public DeviceHost {
public:
    std::uint32_t midi_device_count() override { return devices; }
    bool midi_open() override
    {
        ++opens;
        return opens_fail ? false : (open = true);
    }
    void midi_send(std::uint32_t m) override
    {
        EXPECT_TRUE(open);
        sent.push_back({ticks() - origin, m & 0xFF, (m >> 8) & 0xFF, m >> 16});
    }
    void midi_close() override { open = false; }

    std::vector<Sent> sent;
    std::uint32_t origin = ticks();
    std::uint32_t devices = 1;
    bool opens_fail = false;
    bool open = false;
    int opens = 0;
};

struct Played {
    std::vector<Sent> sent;
    std::uint32_t took;
    MusicState state;
};

Played play(std::string_view music, MusicState state = {})
{
    Recorder r;
    int idles = 0;
    play_music(r, state, music, [&] { ++idles; });
    EXPECT_FALSE(r.open);
    EXPECT_GE(idles, 1);
    return {r.sent, r.ticks() - r.origin, state};
}

TEST(Music, NotesSoundAndWaitByArticulation)
{
    // A quarter at tempo 120: released after 7/8 of 500 ms, then 62 ms more.
    auto p = play("C");
    EXPECT_EQ(p.sent, (std::vector<Sent>{{0, 0x90, 48, 100}, {437, 0x90, 48, 0}}));
    EXPECT_EQ(p.took, 499u);
    // Legato holds the whole length, staccato half of it.
    p = play("ML C MS D");
    EXPECT_EQ(p.sent, (std::vector<Sent>{{0, 0x90, 48, 100}, {500, 0x90, 48, 0}, {500, 0x90, 50, 100},
                                         {750, 0x90, 50, 0}}));
    EXPECT_EQ(p.took, 1000u);
    // A dotted quarter lasts 750 ms; a length after the note is its own.
    p = play("ml c. c8 c");
    EXPECT_EQ(p.sent[1].time, 750u);
    EXPECT_EQ(p.sent[3].time, 1000u);
    EXPECT_EQ(p.sent[5].time, 1500u);
    // Rests wait and send nothing, with any modifier.
    p = play("P P# P-2 C");
    EXPECT_EQ(p.sent.front().time, 500u + 500u + 1000u);
}

TEST(Music, KeysOctavesAndSettings)
{
    struct Case {
        std::string_view music;
        std::uint32_t status, key, velocity;
    } cases[] = {
        {"B#", 0x90, 60, 100},          // 12 × octave + 12
        {"C-", 0x90, 47, 100},
        {"E+", 0x90, 53, 100},
        {"O0 D", 0x90, 2, 100},
        {"O9 C", 0x90, 72, 100},        // octaves stop at 6
        {"O0 << C#", 0x90, 1, 100},     // and at 0
        {">>>>> C", 0x90, 72, 100},
        {"K20 C", 0x90, 48, 100},       // a channel outside 0..15 is 0
        {"K9 C", 0x99, 48, 100},
        {"V200 C", 0x90, 48, 127},      // velocity at most 127
        {"V5 C", 0x90, 48, 5},
        {"I300", 0xC0, 300 & 0x7F, 0},  // program change, data bytes 7 bits
        {"K3 I12", 0xC3, 12, 0},
        {"X$%&C", 0x90, 48, 100},       // anything else is skipped
    };
    for (const Case& c : cases) {
        auto p = play(c.music);
        ASSERT_FALSE(p.sent.empty()) << c.music;
        EXPECT_EQ(p.sent.front(), (Sent{0, c.status, c.key, c.velocity})) << c.music;
    }
    // Only keys 1..127 are sent; the notes still take their time.
    auto p = play("O0 C C-");
    EXPECT_TRUE(p.sent.empty());
    EXPECT_EQ(p.took, 2 * 499u);
    // The state stays for the next string.
    p = play("T60 L8 O2 V90 MS K4");
    EXPECT_EQ(p.state.tempo, 60);
    EXPECT_EQ(p.state.length, 8);
    EXPECT_EQ(p.state.octave, 2);
    EXPECT_EQ(p.state.volume, 90);
    EXPECT_EQ(p.state.articulation, 'S');
    EXPECT_EQ(p.state.channel, 4);
}

TEST(Music, LengthsOfNothingAndHugeNumbers)
{
    // Tempo or length 0: the note has no duration.
    EXPECT_EQ(play("T0 C").took, 0u);
    EXPECT_EQ(play("C0").took, 0u);
    // Digits past the largest long integer stay there: a tiny duration.
    auto p = play("T99999999999999999999 C L99999999999999999999 D");
    EXPECT_EQ(p.state.tempo, 2147483647);
    EXPECT_EQ(p.took, 0u);
    EXPECT_EQ(p.sent.size(), 4u);
    // A long string of everything is played through.
    std::string tune;
    for (int i = 0; i < 10000; ++i)
        tune += static_cast<char>(i % 256);
    p = play(tune);
    EXPECT_GT(p.sent.size(), 0u);
}

TEST(Music, WithoutADeviceNotesAreSkipped)
{
    Recorder r;
    r.opens_fail = true;
    MusicState state;
    play_music(r, state, "C D P I5", [] {});
    EXPECT_TRUE(r.sent.empty());
    EXPECT_EQ(r.ticks() - r.origin, 0u);
    EXPECT_EQ(r.opens, 4);
}

TEST(Music, ChordsOnChannelsWithThePercussionExchanged)
{
    Recorder r;
    Chord chord;
    chord.values = {61, 65, 68, 70};
    chord.count = 4;
    chord.length = 4;
    ASSERT_EQ(sound_chord(r, chord, [] {}), ChordResult::Played);
    EXPECT_EQ(r.sent, (std::vector<Sent>{{0, 0x90, 60, 127},
                                         {0, 0x91, 64, 127},
                                         {0, 0x92, 67, 127},
                                         {0, 0x99, 69, 127},
                                         {500, 0x90, 60, 0},
                                         {500, 0x91, 64, 0},
                                         {500, 0x92, 67, 0},
                                         {500, 0x99, 69, 0}}));
    EXPECT_FALSE(r.open);

    // Two dots add half the length twice; negative values release.
    Recorder dotted;
    chord = Chord{};
    chord.values = {40, -41};
    chord.count = 2;
    chord.length = 2;
    chord.dots = 2;
    sound_chord(dotted, chord, [] {});
    EXPECT_EQ(dotted.sent, (std::vector<Sent>{{0, 0x90, 39, 127}, {0, 0x91, 40, 0}, {2000, 0x90, 39, 0}}));

    // Length 0 leaves the notes sounding; -1 changes programs except on
    // the percussion channel.
    Recorder held;
    chord = Chord{};
    chord.values = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    chord.count = 10;
    sound_chord(held, chord, [] {});
    EXPECT_EQ(held.sent.size(), 10u);
    EXPECT_EQ(held.ticks() - held.origin, 0u);
    EXPECT_EQ(held.sent[9], (Sent{0, 0x93, 9, 127}));
    Recorder programs;
    chord.length = -1;
    sound_chord(programs, chord, [] {});
    ASSERT_EQ(programs.sent.size(), 9u);
    EXPECT_EQ(programs.sent[3], (Sent{0, 0xC4, 5, 0}));
    EXPECT_EQ(programs.sent[8], (Sent{0, 0xC3, 10, 0}));
}

TEST(Music, ChordsNeedADevice)
{
    Recorder none;
    none.devices = 0;
    Chord chord;
    chord.count = 1;
    chord.values[0] = 60;
    chord.length = 4;
    EXPECT_EQ(sound_chord(none, chord, [] {}), ChordResult::NoDevice);
    Recorder closed;
    closed.opens_fail = true;
    EXPECT_EQ(sound_chord(closed, chord, [] {}), ChordResult::NoDevice);
    EXPECT_TRUE(none.sent.empty() && closed.sent.empty());
}

TEST(Music, ToneDurations)
{
    EXPECT_EQ(tone_milliseconds(1000), 379u);
    EXPECT_EQ(tone_milliseconds(0), 0u);
    EXPECT_EQ(tone_milliseconds(-5), 0u);
    EXPECT_EQ(tone_milliseconds(1e30), 0xFFFFFFFFu);
}

} // namespace
} // namespace talven
