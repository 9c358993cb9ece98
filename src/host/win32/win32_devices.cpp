#include "host/win32/win32_devices.h"

#include <windows.h>
#include <mmsystem.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace talven {
namespace {

// The program holds kernel handles as 32-bit numbers; they are significant
// in their low 32 bits on 64-bit Windows too.
HANDLE to_handle(std::int32_t handle) { return reinterpret_cast<HANDLE>(static_cast<INT_PTR>(handle)); }
std::int32_t from_handle(HANDLE handle) { return static_cast<std::int32_t>(reinterpret_cast<INT_PTR>(handle)); }

// The bit fields of the device-control block follow its length and baud rate.
constexpr std::size_t dcb_flags_offset = 2 * sizeof(DWORD);

} // namespace

Win32Devices::Win32Devices()
{
    if (const char* file = std::getenv("TALVEN_MIDI_FILE"); file && *file)
        m_record = std::make_unique<MidiFile>(file);
}

Win32Devices::~Win32Devices()
{
    for (std::int32_t handle : m_ports)
        CloseHandle(to_handle(handle));
    if (m_midi)
        midiOutClose(static_cast<HMIDIOUT>(m_midi));
}

std::uint32_t Win32Devices::ticks() { return m_record ? m_virtual_ticks : GetTickCount(); }

// Wakes early for a window message, so that the player pumps at once.
void Win32Devices::pause(std::uint32_t milliseconds)
{
    if (m_record)
        m_virtual_ticks += milliseconds;
    else
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds, QS_ALLINPUT);
}

std::uint32_t Win32Devices::midi_device_count() { return m_record ? 1 : midiOutGetNumDevs(); }

bool Win32Devices::midi_open()
{
    if (m_record)
        return true;
    HMIDIOUT out = nullptr;
    if (midiOutOpen(&out, MIDI_MAPPER, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR)
        return false;
    m_midi = out;
    return true;
}

void Win32Devices::midi_send(std::uint32_t message)
{
    if (m_record)
        m_record->record(m_virtual_ticks, message);
    else if (m_midi)
        midiOutShortMsg(static_cast<HMIDIOUT>(m_midi), message);
}

void Win32Devices::midi_close()
{
    if (m_midi)
        midiOutClose(static_cast<HMIDIOUT>(m_midi));
    m_midi = nullptr;
}

void Win32Devices::tone(std::uint32_t frequency, std::uint32_t milliseconds) { Beep(frequency, milliseconds); }

bool Win32Devices::play_wave(std::string_view name, std::uint32_t flags)
{
    return sndPlaySoundA(std::string(name).c_str(), flags) != FALSE;
}

MciAnswer Win32Devices::mci_command(std::string_view command)
{
    char answer[256] = {};
    MciAnswer result;
    result.error = mciSendStringA(std::string(command).c_str(), answer, sizeof answer - 1, nullptr);
    answer[sizeof answer - 1] = 0;
    result.text = ShortString(std::string_view(answer, std::strlen(answer)));
    return result;
}

ShortString Win32Devices::mci_error_text(std::uint32_t error)
{
    char text[256] = {};
    if (!mciGetErrorStringA(error, text, sizeof text - 1))
        return {};
    text[sizeof text - 1] = 0;
    return ShortString(std::string_view(text, std::strlen(text)));
}

std::int32_t Win32Devices::serial_open(std::string_view name, std::uint32_t input_queue, std::uint32_t output_queue)
{
    HANDLE port = CreateFileA(std::string(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (port == INVALID_HANDLE_VALUE)
        return -1;
    SetupComm(port, input_queue, output_queue);
    m_ports.insert(from_handle(port));
    return from_handle(port);
}

// The mode text changes the port's present settings.
bool Win32Devices::serial_setup(std::int32_t handle, std::string_view definition)
{
    if (!m_ports.count(handle))
        return false;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    COMMTIMEOUTS timeouts{};
    HANDLE port = to_handle(handle);
    if (!GetCommState(port, &dcb) || !GetCommTimeouts(port, &timeouts))
        return false;
    if (!BuildCommDCBAndTimeoutsA(std::string(definition).c_str(), &dcb, &timeouts))
        return false;
    return SetCommState(port, &dcb) != FALSE;
}

bool Win32Devices::serial_set_state(std::int32_t handle, std::int32_t flags, std::uint32_t xon_limit,
                                    std::uint32_t xoff_limit)
{
    if (!m_ports.count(handle))
        return false;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    HANDLE port = to_handle(handle);
    if (!GetCommState(port, &dcb))
        return false;
    if (flags != -1) {
        const auto bits = static_cast<std::uint32_t>(flags);
        std::memcpy(reinterpret_cast<char*>(&dcb) + dcb_flags_offset, &bits, sizeof bits);
    }
    if (xon_limit != 0xFFFF)
        dcb.XonLim = static_cast<WORD>(xon_limit);
    if (xoff_limit != 0xFFFF)
        dcb.XoffLim = static_cast<WORD>(xoff_limit);
    return SetCommState(port, &dcb) != FALSE;
}

std::uint32_t Win32Devices::serial_write(std::int32_t handle, std::string_view bytes)
{
    if (!m_ports.count(handle))
        return 0;
    DWORD written = 0;
    if (!WriteFile(to_handle(handle), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        return 0;
    return written;
}

std::int32_t Win32Devices::serial_waiting(std::int32_t handle)
{
    if (!m_ports.count(handle))
        return -1;
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(to_handle(handle), &errors, &status))
        return -1;
    return static_cast<std::int32_t>(status.cbInQue);
}

std::size_t Win32Devices::serial_read(std::int32_t handle, char* buffer, std::size_t size)
{
    if (!m_ports.count(handle))
        return 0;
    DWORD read = 0;
    if (!ReadFile(to_handle(handle), buffer, static_cast<DWORD>(size), &read, nullptr))
        return 0;
    return read;
}

std::uint32_t Win32Devices::serial_errors(std::int32_t handle)
{
    if (!m_ports.count(handle))
        return 0;
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(to_handle(handle), &errors, &status))
        return 0;
    return errors;
}

bool Win32Devices::serial_close(std::int32_t handle)
{
    if (!m_ports.erase(handle))
        return false;
    return CloseHandle(to_handle(handle)) != FALSE;
}

} // namespace talven
