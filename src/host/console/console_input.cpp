#include "host/console/console_input.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "host/console/codepage.h"

namespace talven {
namespace {

// Virtual-key codes of the keys a terminal can tell apart.
namespace vk {
constexpr std::uint8_t back = 0x08, tab = 0x09, enter = 0x0D, escape = 0x1B, space = 0x20;
constexpr std::uint8_t page_up = 0x21, page_down = 0x22, end = 0x23, home = 0x24;
constexpr std::uint8_t left = 0x25, up = 0x26, right = 0x27, down = 0x28;
constexpr std::uint8_t insert = 0x2D, del = 0x2E, f1 = 0x70;
} // namespace vk

// How long the rest of an escape sequence may take to arrive after ESC.
constexpr int escape_wait_ms = 30;

// Ctrl+]: what follows up to Enter is the id of a menu item.
constexpr unsigned char menu_command_key = 0x1D;
constexpr std::uint32_t highest_menu_id = 0xFFFF;

// The virtual key of a character, where the keyboard layout does not
// matter: letters, digits and the control keys. Punctuation has none.
std::uint8_t virtual_key_of(unsigned char c)
{
    if (c >= 'a' && c <= 'z')
        return static_cast<std::uint8_t>(c - 'a' + 'A');
    if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))
        return c;
    switch (c) {
    case 8: return vk::back;
    case 9: return vk::tab;
    case 13: return vk::enter;
    case 27: return vk::escape;
    case ' ': return vk::space;
    default: return 0;
    }
}

// The key of a CSI sequence "ESC [ n ~" by its number.
std::uint8_t tilde_key(int n)
{
    switch (n) {
    case 1: case 7: return vk::home;
    case 2: return vk::insert;
    case 3: return vk::del;
    case 4: case 8: return vk::end;
    case 5: return vk::page_up;
    case 6: return vk::page_down;
    case 11: case 12: case 13: case 14: case 15: return static_cast<std::uint8_t>(vk::f1 + n - 11);
    case 17: case 18: case 19: case 20: case 21: return static_cast<std::uint8_t>(vk::f1 + 5 + n - 17);
    case 23: case 24: return static_cast<std::uint8_t>(vk::f1 + 10 + n - 23);
    default: return 0;
    }
}

// The key of the final letter of "ESC [ x" or "ESC O x".
std::uint8_t letter_key(unsigned char c)
{
    switch (c) {
    case 'A': return vk::up;
    case 'B': return vk::down;
    case 'C': return vk::right;
    case 'D': return vk::left;
    case 'H': return vk::home;
    case 'F': return vk::end;
    case 'P': case 'Q': case 'R': case 'S': return static_cast<std::uint8_t>(vk::f1 + c - 'P');
    default: return 0;
    }
}

} // namespace

ConsoleInput::ConsoleInput() : m_terminal(isatty(STDIN_FILENO) == 1) {}

ConsoleInput::~ConsoleInput()
{
    if (m_saved_mode) {
        tcsetattr(STDIN_FILENO, TCSANOW, m_saved_mode);
        delete m_saved_mode;
    }
}

// Keys are read without line editing or echo; the program echoes what it
// wants. Ctrl+C still raises the interrupt that breaks the program off.
void ConsoleInput::enter_raw_mode()
{
    if (m_raw || !m_terminal)
        return;
    m_raw = true;
    termios mode{};
    if (tcgetattr(STDIN_FILENO, &mode) != 0)
        return;
    m_saved_mode = new termios(mode);
    mode.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    mode.c_cc[VMIN] = 1;
    mode.c_cc[VTIME] = 0;
    tcsetattr(STDIN_FILENO, TCSANOW, &mode);
}

void ConsoleInput::start_timer(std::uint32_t milliseconds)
{
    // As with a window timer, a period below 10 ms is 10 ms.
    m_timer_period = std::chrono::milliseconds(std::max<std::uint32_t>(milliseconds, 10));
    m_next_tick = Clock::now() + *m_timer_period;
}

bool ConsoleInput::tick_if_due()
{
    if (!m_timer_period || Clock::now() < m_next_tick)
        return false;
    m_next_tick = Clock::now() + *m_timer_period;
    if (m_events)
        m_events->timer_tick = true;
    return true;
}

bool ConsoleInput::byte_ready(int timeout_ms)
{
    if (m_start < m_end)
        return true;
    if (m_ended)
        return false;
    enter_raw_mode();
    // A signal ends the wait too, so that the host sees a break at once.
    pollfd fd{STDIN_FILENO, POLLIN, 0};
    if (::poll(&fd, 1, timeout_ms) <= 0)
        return false;
    ssize_t got;
    do
        got = ::read(STDIN_FILENO, m_buffer, sizeof m_buffer);
    while (got < 0 && errno == EINTR);
    if (got <= 0) {
        m_ended = true;
        return false;
    }
    m_start = 0;
    m_end = static_cast<std::size_t>(got);
    return true;
}

std::optional<unsigned char> ConsoleInput::next_byte(int timeout_ms)
{
    if (!byte_ready(timeout_ms))
        return std::nullopt;
    return m_buffer[m_start++];
}

void ConsoleInput::record_character(unsigned char c)
{
    if (std::uint8_t key = virtual_key_of(c); key != 0)
        if (!m_events->key_down(key))
            return;
    m_events->queue_key(c);
}

void ConsoleInput::record_typed_key(std::uint8_t virtual_key, std::optional<unsigned char> character)
{
    if (!m_events || !m_events->key_down(virtual_key))
        return;
    if (virtual_key == vk::f1)
        m_events->help_key_pressed();
    if (character)
        m_events->queue_key(*character);
}

void ConsoleInput::record_escape_sequence()
{
    auto introducer = next_byte(escape_wait_ms);
    if (!introducer || (*introducer != '[' && *introducer != 'O')) {
        // A lone Escape; a byte after it that starts no sequence is a key
        // of its own.
        record_character(27);
        if (introducer)
            --m_start;
        return;
    }
    int number = 0;
    std::optional<unsigned char> c;
    while ((c = next_byte(escape_wait_ms)) && ((*c >= '0' && *c <= '9') || *c == ';'))
        number = *c == ';' ? 0 : std::min(number * 10 + (*c - '0'), 1000);
    if (!c)
        return;
    std::uint8_t key = *c == '~' ? tilde_key(number) : letter_key(*c);
    if (key == 0)
        return;
    if (!m_events->key_down(key))
        return;
    if (key == vk::f1)
        m_events->help_key_pressed();
}

bool ConsoleInput::take_menu_command_byte(unsigned char c)
{
    if (c >= '0' && c <= '9') {
        *m_menu_digits = std::min<std::uint32_t>(*m_menu_digits * 10 + (c - '0'), highest_menu_id + 1);
        return true;
    }
    if (c == 8 || c == 127) {
        *m_menu_digits /= 10;
        return true;
    }
    std::uint32_t id = *m_menu_digits;
    m_menu_digits.reset();
    if (c != '\r' && c != '\n')
        return false;
    if (c == '\r' && byte_ready(0) && m_buffer[m_start] == '\n')
        ++m_start;
    if (id >= 1 && id <= highest_menu_id) {
        m_events->menu_command(static_cast<std::uint16_t>(id));
        m_command_given = m_events->command;
    }
    return true;
}

bool ConsoleInput::read_key()
{
    auto c = next_byte(-1);
    if (!c) {
        // A menu command that was never finished is dropped; input that
        // ends inside a line ends that line first.
        m_menu_digits.reset();
        if (m_line_open) {
            m_line_open = false;
            record_character(13);
            return true;
        }
        return false;
    }
    m_events->user_activity = true;
    if (m_menu_digits && take_menu_command_byte(*c))
        return true;
    if (*c == menu_command_key) {
        m_menu_digits = 0;
        return true;
    }
    if (*c == '\r' || *c == '\n') {
        // CR LF and a lone LF both are one Enter.
        if (*c == '\r' && byte_ready(0) && m_buffer[m_start] == '\n')
            ++m_start;
        m_line_open = false;
        record_character(13);
        return true;
    }
    m_line_open = true;
    if (*c == 27 && m_raw) {
        record_escape_sequence();
        return true;
    }
    if (*c == 127 && m_raw) {
        record_character(8);
        return true;
    }
    if (*c < 0x80) {
        record_character(*c);
        return true;
    }
    // A UTF-8 sequence is one character of the runtime's code page.
    std::string sequence(1, static_cast<char>(*c));
    while (byte_ready(0) && (m_buffer[m_start] & 0xC0) == 0x80 && sequence.size() < 4)
        sequence.push_back(static_cast<char>(m_buffer[m_start++]));
    std::string ansi = utf8_to_ansi(sequence);
    for (char a : ansi)
        record_character(static_cast<unsigned char>(a));
    return true;
}

void ConsoleInput::pump()
{
    if (!m_events)
        return;
    tick_if_due();
    bool taken = m_events->keys.empty() || m_events->last_key == 0;
    if (m_command_given && m_events->command != *m_command_given)
        m_command_given.reset();
    if (!taken || m_command_given)
        return;
    if (m_start < m_end || (m_ended && m_line_open)) {
        read_key();
        return;
    }
    // Asking the system, even the clock, costs more than the lines between
    // two pumps: the clock is read every 16th pump, the input at most every
    // few milliseconds.
    if (m_ended || ++m_quiet_pumps < 16)
        return;
    m_quiet_pumps = 0;
    auto now = Clock::now();
    if (now < m_next_input_check)
        return;
    m_next_input_check = now + std::chrono::milliseconds(5);
    if (byte_ready(0))
        read_key();
}

bool ConsoleInput::wait()
{
    if (!m_events)
        return false;
    if (tick_if_due())
        return true;
    if (m_start < m_end || (m_ended && m_line_open))
        return read_key();
    int timeout = -1;
    if (m_timer_period) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(m_next_tick - Clock::now()).count();
        timeout = static_cast<int>(std::clamp<long long>(left + 1, 0, 1000000));
    }
    if (m_ended) {
        if (!m_timer_period)
            return false;
        ::poll(nullptr, 0, timeout);
        tick_if_due();
        return true;
    }
    if (byte_ready(timeout) || m_ended)
        return read_key() || m_timer_period.has_value();
    // The time ran out, or a signal came: either is for the caller to see.
    tick_if_due();
    return true;
}

} // namespace talven
