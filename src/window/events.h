// What the user did, as the window procedures (or the console's input
// reader) record it: the key queue and the event state. The host writes here
// while it pumps or waits; the program reads it through system variables,
// the key functions and the wait commands. Nothing here runs program lines.
// The recording side reports plain events (a key, a command id) through the
// operations of EventState, which hold the rules of what each one means.
#pragma once

#include <array>
#include <cstdint>

namespace talven {

// Keys the runtime queues for events that are not typed characters.
namespace event_key {
constexpr std::uint8_t selection_changed = 1;  // a list or combo box in a dialog
constexpr std::uint8_t dialog_escape = 2;
constexpr std::uint8_t break_key = 3;          // Ctrl+C; as a virtual key, Ctrl+Break
constexpr std::uint8_t window_sized = 4;
constexpr std::uint8_t help = 5;               // F1
constexpr std::uint8_t dialog_enter = 13;
constexpr std::uint8_t control = 255;          // a control was clicked or scrolled
} // namespace event_key

// The menu item whose id programs see as command number 255.
constexpr std::uint16_t menu_item_255 = 32767;

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
    bool queue_key(std::uint8_t key);
    // A key pressed, as its virtual-key code. Ctrl+Break (code 3) ends the
    // program while break checking is on.
    bool key_down(std::uint8_t virtual_key);

    // F1 was pressed: the help key is queued (and marked during the
    // all-events wait), whatever else the key does.
    void help_key_pressed();
    // The main window or a program dialog changed its size.
    void window_sized();
    // A menu item (or a system key or command taken as one) was chosen.
    void menu_command(std::uint16_t item);
    // A control of the main window sent a notification; control is its
    // window, which takes the focus field.
    void control_command(std::uint16_t id, std::uint32_t control);

    // In a dialog-style window: a button was clicked or a scroll bar moved
    // (focus is the window that has the focus now), Enter, Escape, and a
    // list or combo box whose selection changed.
    void control_used(std::uint32_t focus_window);
    void dialog_enter();
    void dialog_escape();
    void selection_changed();
};

} // namespace talven
