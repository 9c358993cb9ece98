// What the user did, as the window procedures (or the console's input
// reader) record it: the key queue and the event state. The host writes here
// while it pumps or waits; the program reads it through system variables,
// the key functions and the wait commands. Nothing here runs program lines.
#pragma once

#include <array>
#include <cstdint>

namespace talven {

// Keys typed and not yet taken, oldest first. Keys arriving when it is full
// are dropped.
class KeyQueue {
public:
    static constexpr int capacity = 64;

    int size() const { return m_count; }
    bool empty() const { return m_count == 0; }
    void clear() { m_count = 0; }
    bool push(std::uint8_t key)
    {
        if (m_count >= capacity)
            return false;
        m_keys[static_cast<std::size_t>(m_count++)] = key;
        return true;
    }
    // The oldest key, or 0 when there is none.
    std::uint8_t pop()
    {
        if (m_count == 0)
            return 0;
        std::uint8_t key = m_keys[0];
        for (int i = 1; i < m_count; ++i)
            m_keys[static_cast<std::size_t>(i - 1)] = m_keys[static_cast<std::size_t>(i)];
        --m_count;
        return key;
    }

private:
    std::array<std::uint8_t, capacity> m_keys{};
    std::int32_t m_count = 0;
};

// The last message any window procedure saw, kept for the program.
struct LastMessage {
    std::uint32_t window = 0;
    std::uint32_t message = 0;
    std::uint32_t wparam = 0;
    std::uint32_t lparam = 0;
};

struct EventState {
    std::uint8_t last_key = 0;
    std::uint8_t last_virtual_key = 0;
    std::uint8_t wait_result_key = 0;
    std::int16_t mouse_x = 0;
    std::int16_t mouse_y = 0;
    bool left_button = false;
    bool right_button = false;
    bool child_left_click = false;
    bool child_right_click = false;
    // Menu item id, the negated id of a control, or 255 for the item 32767.
    std::int16_t command = 0;
    std::uint32_t focus = 0;
    bool paint_request = false;
    bool timer_tick = false;
    bool help_key = false;
    bool all_events_wait = false;
    bool user_activity = false;
    std::uint32_t dde_server = 0;
    std::int32_t timer_id = 0;
    bool focused = false;
    LastMessage last_message;
    // The message %MSGWAITING saw waiting, for the %MSG... variables.
    LastMessage peeked_message;
    KeyQueue keys;

    // Ctrl+C and Ctrl+Break end the program while this is on; it is off
    // during the end-of-program wait.
    bool break_checking = true;
    // Set by the recording side when the program must end (a break key,
    // the window closed); the core ends the program at its next look.
    bool stop_requested = false;

    // A typed character. Returns false when it was a break key that ends the
    // program (stop_requested is then set).
    bool queue_key(std::uint8_t key)
    {
        if (break_checking && key == 3) {
            stop_requested = true;
            return false;
        }
        last_key = key == 0 ? 1 : key;
        help_key = key == 5 && all_events_wait;
        keys.push(key);
        return true;
    }

    // A key pressed, as its virtual-key code. Ctrl+Break (code 3) ends the
    // program while break checking is on.
    bool key_down(std::uint8_t virtual_key)
    {
        if (break_checking && virtual_key == 3) {
            stop_requested = true;
            return false;
        }
        last_virtual_key = virtual_key;
        return true;
    }
};

} // namespace talven
