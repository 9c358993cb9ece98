// Sound, MIDI, MCI and serial ports: the platform calls behind the players
// and the port functions. The music-string language, the MIDI timing and
// the message layout belong to the core; a host opens the MIDI output,
// sends packed short messages, sounds tones and wave files, passes MCI
// command strings on and drives serial ports by their handles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/short_string.h"

namespace talven {

struct MciAnswer {
    std::uint32_t error = 0;   // 0: done
    ShortString text;          // the answer, at most 255 characters
};

// A host without devices (the fuzzing host) has no MIDI output, no sound,
// no MCI and no ports; its clock is virtual, so a wait costs no time.
class DeviceHost {
public:
    virtual ~DeviceHost() = default;

    // The clock the players wait with, in milliseconds, and a pause of at
    // most that long (a host may wake early for a window message).
    virtual std::uint32_t ticks() { return m_virtual_ticks; }
    virtual void pause(std::uint32_t milliseconds) { m_virtual_ticks += milliseconds; }

    // MIDI output through the platform's mapper. A message is status +
    // first data byte × 256 + second data byte × 65536.
    virtual std::uint32_t midi_device_count() { return 0; }
    virtual bool midi_open() { return false; }
    virtual void midi_send(std::uint32_t message) { (void)message; }
    virtual void midi_close() {}

    // A tone of the speaker, returning when it has sounded.
    virtual void tone(std::uint32_t frequency, std::uint32_t milliseconds) { pause(milliseconds); (void)frequency; }
    // A wave file or a system sound name with the platform's flags; false
    // when it could not be played.
    virtual bool play_wave(std::string_view name, std::uint32_t flags) { return (void)name, (void)flags, false; }

    // An MCI command string; its error text for a code.
    virtual MciAnswer mci_command(std::string_view command);
    virtual ShortString mci_error_text(std::uint32_t error);

    // Serial ports by the handle the program sees: -1 when the port could
    // not be opened. Every call on a handle that is no open port fails.
    virtual std::int32_t serial_open(std::string_view name, std::uint32_t input_queue, std::uint32_t output_queue)
    {
        return (void)name, (void)input_queue, (void)output_queue, -1;
    }
    // The platform's "mode" text: baud, parity, data bits, stop bits.
    virtual bool serial_setup(std::int32_t handle, std::string_view definition)
    {
        return (void)handle, (void)definition, false;
    }
    // The flags word of the device-control block (unless -1) and the XON
    // and XOFF limits (unless 65535).
    virtual bool serial_set_state(std::int32_t handle, std::int32_t flags, std::uint32_t xon_limit,
                                  std::uint32_t xoff_limit)
    {
        return (void)handle, (void)flags, (void)xon_limit, (void)xoff_limit, false;
    }
    // Bytes written; 0 on failure.
    virtual std::uint32_t serial_write(std::int32_t handle, std::string_view bytes)
    {
        return (void)handle, (void)bytes, 0;
    }
    // The bytes waiting in the input queue; -1 when the port can't tell.
    virtual std::int32_t serial_waiting(std::int32_t handle) { return (void)handle, -1; }
    // Reads up to size bytes without waiting; how many were read.
    virtual std::size_t serial_read(std::int32_t handle, char* buffer, std::size_t size)
    {
        return (void)handle, (void)buffer, (void)size, 0;
    }
    // The error bits of the port (the platform's CE_ flags), cleared.
    virtual std::uint32_t serial_errors(std::int32_t handle) { return (void)handle, 0; }
    virtual bool serial_close(std::int32_t handle) { return (void)handle, false; }

private:
    std::uint32_t m_virtual_ticks = 0;
};

// What a host without MCI answers: no device is installed.
constexpr std::uint32_t mci_device_not_installed = 306;

inline MciAnswer DeviceHost::mci_command(std::string_view command)
{
    (void)command;
    return {mci_device_not_installed, {}};
}

inline ShortString DeviceHost::mci_error_text(std::uint32_t error)
{
    if (error == mci_device_not_installed)
        return ShortString("Auf diesem System ist kein MCI-Ger\xE4t installiert.");
    return ShortString("Unbekannter MCI-Fehler.");
}

inline DeviceHost& no_devices()
{
    static DeviceHost none;
    return none;
}

} // namespace talven
