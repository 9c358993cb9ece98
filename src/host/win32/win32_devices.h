// Sound, MIDI, MCI and serial ports on Win32: the MIDI mapper, Beep,
// sndPlaySound and MCI command strings of the multimedia library, and the
// communications functions on the port handles the program holds. With
// TALVEN_MIDI_FILE set the MIDI messages are recorded into that Standard
// MIDI File instead, on a virtual clock, as on the console host.
#pragma once

#include <memory>
#include <set>

#include "host/device_host.h"
#include "host/midi_file.h"

namespace talven {

class Win32Devices final : public DeviceHost {
public:
    Win32Devices();
    ~Win32Devices() override;
    Win32Devices(const Win32Devices&) = delete;
    Win32Devices& operator=(const Win32Devices&) = delete;

    std::uint32_t ticks() override;
    void pause(std::uint32_t milliseconds) override;
    std::uint32_t midi_device_count() override;
    bool midi_open() override;
    void midi_send(std::uint32_t message) override;
    void midi_close() override;
    void tone(std::uint32_t frequency, std::uint32_t milliseconds) override;
    bool play_wave(std::string_view name, std::uint32_t flags) override;
    MciAnswer mci_command(std::string_view command) override;
    ShortString mci_error_text(std::uint32_t error) override;

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
    std::unique_ptr<MidiFile> m_record;
    std::uint32_t m_virtual_ticks = 0;
    void* m_midi = nullptr;  // HMIDIOUT
    // The handles serial_open gave: no other handle of the process is
    // written, read or closed through the port functions.
    std::set<std::int32_t> m_ports;
};

} // namespace talven
