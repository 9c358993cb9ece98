// Sound, MIDI, MCI and serial ports of the console host. MIDI goes to
// ALSA's sequencer where one is there (libasound, loaded when first asked
// for), to the port TALVEN_MIDI_PORT names or else the first synthesizer.
// When TALVEN_MIDI_FILE names a Standard MIDI File, that file is the one
// MIDI device instead and the players' clock is virtual, so a tune is
// recorded at the times the players schedule and takes no time. A tone
// rings the terminal bell; wave files and MCI have no device. Serial ports
// are terminal devices driven through termios.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "host/device_host.h"
#include "host/midi_file.h"

namespace talven {

// A mode text as the platform's BuildCommDCB reads it, in the old form
// ("COM1: 96,n,8,1") or the new one ("baud=9600 parity=n data=8 stop=1").
// What it leaves out keeps the port's setting.
struct SerialMode {
    std::optional<std::uint32_t> baud;
    std::optional<char> parity;          // N, O, E, M, S
    std::optional<int> data_bits;        // 5..8
    std::optional<int> stop_halves;      // 2: one, 3: one and a half, 4: two
    std::optional<bool> xon_xoff;
    std::optional<bool> hardware_flow;   // CTS output flow and RTS handshake
};

std::optional<SerialMode> parse_serial_mode(std::string_view text);

// The device path of a port name: "COMn" (also "\\.\COMn" and "COMn:") is
// $TALVEN_COMn when set, else /dev/ttyS(n-1); any other name is a path.
std::string serial_device_path(std::string_view name);

class AlsaSequencer;
class Host;

class ConsoleDevices final : public DeviceHost {
public:
    // The host's clock times the notes unless a recording runs.
    explicit ConsoleDevices(Host& host);
    ~ConsoleDevices() override;
    ConsoleDevices(const ConsoleDevices&) = delete;
    ConsoleDevices& operator=(const ConsoleDevices&) = delete;

    std::uint32_t ticks() override;
    void pause(std::uint32_t milliseconds) override;
    std::uint32_t midi_device_count() override;
    bool midi_open() override { return midi_device_count() > 0; }
    void midi_send(std::uint32_t message) override;
    void tone(std::uint32_t frequency, std::uint32_t milliseconds) override;

    std::int32_t serial_open(std::string_view name, std::uint32_t input_queue, std::uint32_t output_queue) override;
    bool serial_setup(std::int32_t handle, std::string_view definition) override;
    bool serial_set_state(std::int32_t handle, std::int32_t flags, std::uint32_t xon_limit,
                          std::uint32_t xoff_limit) override;
    std::uint32_t serial_write(std::int32_t handle, std::string_view bytes) override;
    std::int32_t serial_waiting(std::int32_t handle) override;
    std::size_t serial_read(std::int32_t handle, char* buffer, std::size_t size) override;
    std::uint32_t serial_errors(std::int32_t handle) override;
    bool serial_close(std::int32_t handle) override;

private:
    struct Port {
        int fd = -1;
        bool terminal = false;
        // The line's error counters when they were last cleared.
        std::uint32_t frame = 0, overrun = 0, parity = 0, brk = 0, buffer_overrun = 0;
    };
    Port* port(std::int32_t handle);

    Host& m_host;
    std::unique_ptr<MidiFile> m_midi;
    std::unique_ptr<AlsaSequencer> m_sequencer;
    bool m_sequencer_tried = false;
    std::uint32_t m_virtual_ticks = 0;
    std::map<std::int32_t, Port> m_ports;
    std::int32_t m_next_handle = 0x5000;
};

} // namespace talven
