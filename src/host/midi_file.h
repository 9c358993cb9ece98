// A Standard MIDI File (format 0, one track) that records short MIDI
// messages with their times, for hosts that record instead of sounding.
// One tick is one millisecond. The file is complete after every message:
// the end of the track and its length are written each time, so that a
// program that ends in any way leaves a file every reader takes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace talven {

class MidiFile {
public:
    explicit MidiFile(std::string path) : m_path(std::move(path)) {}
    ~MidiFile();
    MidiFile(const MidiFile&) = delete;
    MidiFile& operator=(const MidiFile&) = delete;

    // Records a packed short message (status + data1 × 256 + data2 × 65536)
    // at a time in milliseconds; the first message's time is the file's 0.
    // False when the file could not be written.
    bool record(std::uint32_t time, std::uint32_t message);

private:
    bool start();
    bool put(const std::uint8_t* bytes, std::size_t size);

    std::string m_path;
    std::FILE* m_file = nullptr;
    bool m_failed = false;
    bool m_started = false;
    std::uint32_t m_last_time = 0;
    // Where the next event goes: the end-of-track event follows it.
    long m_end = 0;
};

} // namespace talven
