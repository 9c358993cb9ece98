#include "host/midi_file.h"

#include <vector>

namespace talven {
namespace {

constexpr long header_size = 14;
constexpr long track_length_at = header_size + 4;
constexpr long events_at = track_length_at + 4;

// 500 ticks a quarter at 500000 microseconds a quarter: a tick is 1 ms.
constexpr std::uint8_t file_start[] = {
    'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x01, 0xF4,
    'M', 'T', 'r', 'k', 0, 0, 0, 0,
    0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,
};
constexpr std::uint8_t end_of_track[] = {0x00, 0xFF, 0x2F, 0x00};

void variable_length(std::vector<std::uint8_t>& out, std::uint32_t n)
{
    std::uint8_t groups[5];
    int count = 0;
    do {
        groups[count++] = static_cast<std::uint8_t>(n & 0x7F);
        n >>= 7;
    } while (n != 0);
    while (count > 1)
        out.push_back(static_cast<std::uint8_t>(groups[--count] | 0x80));
    out.push_back(groups[0]);
}

// The data bytes a status byte takes; system messages are not recorded.
int data_bytes(std::uint8_t status)
{
    switch (status & 0xF0) {
    case 0xC0:
    case 0xD0:
        return 1;
    case 0xF0:
        return -1;
    default:
        return status < 0x80 ? -1 : 2;
    }
}

} // namespace

MidiFile::~MidiFile()
{
    if (m_file)
        std::fclose(m_file);
}

bool MidiFile::put(const std::uint8_t* bytes, std::size_t size)
{
    return std::fwrite(bytes, 1, size, m_file) == size;
}

bool MidiFile::start()
{
    m_started = true;
    m_file = std::fopen(m_path.c_str(), "wb");
    if (!m_file || !put(file_start, sizeof file_start)) {
        m_failed = true;
        return false;
    }
    m_end = static_cast<long>(sizeof file_start);
    return true;
}

bool MidiFile::record(std::uint32_t time, std::uint32_t message)
{
    if (!m_started && !start())
        return false;
    if (m_failed)
        return false;
    const auto status = static_cast<std::uint8_t>(message & 0xFF);
    const int data = data_bytes(status);
    if (data < 0)
        return true;
    std::vector<std::uint8_t> event;
    variable_length(event, m_end == static_cast<long>(sizeof file_start) ? 0 : time - m_last_time);
    m_last_time = time;
    event.push_back(status);
    for (int i = 1; i <= data; ++i)
        event.push_back(static_cast<std::uint8_t>((message >> (8 * i)) & 0x7F));
    const auto length = static_cast<std::uint32_t>(m_end + static_cast<long>(event.size()) +
                                                   static_cast<long>(sizeof end_of_track) - events_at);
    const std::uint8_t length_bytes[] = {static_cast<std::uint8_t>(length >> 24),
                                         static_cast<std::uint8_t>(length >> 16),
                                         static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)};
    bool ok = std::fseek(m_file, m_end, SEEK_SET) == 0 && put(event.data(), event.size()) &&
              put(end_of_track, sizeof end_of_track) && std::fseek(m_file, track_length_at, SEEK_SET) == 0 &&
              put(length_bytes, sizeof length_bytes) && std::fflush(m_file) == 0;
    m_end += static_cast<long>(event.size());
    m_failed = !ok;
    return ok;
}

} // namespace talven
