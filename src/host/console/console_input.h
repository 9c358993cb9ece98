// Keys and timer ticks on the console: standard input is the keyboard and a
// monotonic clock drives the timer. Keys are read one at a time and only
// when the program has taken the previous one, so that input piped in all
// at once is never dropped by the 64-key queue. Ctrl+] (byte 0x1D), a
// menu item's id and Enter choose that menu item.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "window/events.h"

struct termios;

namespace talven {

class ConsoleInput {
public:
    ConsoleInput();
    ~ConsoleInput();
    ConsoleInput(const ConsoleInput&) = delete;
    ConsoleInput& operator=(const ConsoleInput&) = delete;

    void bind(EventState* events) { m_events = events; }
    EventState* events() const { return m_events; }
    // Standard input is a terminal (read in raw mode, without echo).
    bool terminal() const { return m_terminal; }
    // The input has ended and every key of it has been recorded.
    bool ended() const { return m_ended && m_start >= m_end && !m_line_open; }

    // Records a due timer tick and, if the previous key was taken and one
    // is ready, the next key. Never blocks.
    void pump();
    // Blocks until a key or a timer tick is recorded; false when neither
    // can come any more (input ended and no timer runs).
    bool wait();

    void start_timer(std::uint32_t milliseconds);
    // A key the program typed itself, recorded at once as a key of the
    // terminal would be, with the character it types if any.
    void record_typed_key(std::uint8_t virtual_key, std::optional<unsigned char> character);
    void stop_timer() { m_timer_period.reset(); }

private:
    using Clock = std::chrono::steady_clock;

    bool tick_if_due();
    // Whether a byte can be read at once; waits up to timeout_ms for one
    // (-1: without limit).
    bool byte_ready(int timeout_ms);
    std::optional<unsigned char> next_byte(int timeout_ms);
    // Reads and records one key; false at the end of the input.
    bool read_key();
    void record_character(unsigned char c);
    void record_escape_sequence();
    // A byte of a menu command being typed; false when the byte ends the
    // command without belonging to it.
    bool take_menu_command_byte(unsigned char c);
    void enter_raw_mode();

    EventState* m_events = nullptr;
    bool m_terminal = false;
    bool m_raw = false;
    bool m_ended = false;
    // The last byte delivered was not a line end: the end of the input
    // first ends that line.
    bool m_line_open = false;
    termios* m_saved_mode = nullptr;
    unsigned char m_buffer[4096];
    std::size_t m_start = 0;
    std::size_t m_end = 0;
    std::optional<Clock::duration> m_timer_period;
    Clock::time_point m_next_tick{};
    Clock::time_point m_next_input_check{};
    int m_quiet_pumps = 0;
    // The digits of a menu command after Ctrl+], while it is typed.
    std::optional<std::uint32_t> m_menu_digits;
    // The command number a menu command left: the pump reads on once the
    // program has taken it, as with a key.
    std::optional<std::int16_t> m_command_given;
};

} // namespace talven
