// The rules of the recorded events: what a key, a command or a size change
// leaves in the event state for the program to see.
#include "window/events.h"

namespace talven {

bool EventState::queue_key(std::uint8_t key)
{
    if (break_checking && key == event_key::break_key) {
        stop_requested = true;
        return false;
    }
    last_key = key == 0 ? 1 : key;
    help_key = key == event_key::help && all_events_wait;
    keys.push(key);
    return true;
}

bool EventState::key_down(std::uint8_t virtual_key)
{
    if (break_checking && virtual_key == event_key::break_key) {
        stop_requested = true;
        return false;
    }
    last_virtual_key = virtual_key;
    return true;
}

void EventState::help_key_pressed() { queue_key(event_key::help); }

void EventState::window_sized() { queue_key(event_key::window_sized); }

void EventState::menu_command(std::uint16_t item)
{
    focus = 0;
    mouse_x = mouse_y = 0;
    left_button = right_button = false;
    command = static_cast<std::int16_t>(item == menu_item_255 ? 255 : item);
}

void EventState::control_command(std::uint16_t id, std::uint32_t control)
{
    focus = control;
    command = static_cast<std::int16_t>(-static_cast<int>(id));
}

void EventState::control_used(std::uint32_t focus_window)
{
    focus = focus_window;
    queue_key(event_key::control);
}

void EventState::dialog_enter() { queue_key(event_key::dialog_enter); }

void EventState::dialog_escape() { queue_key(event_key::dialog_escape); }

void EventState::selection_changed() { queue_key(event_key::selection_changed); }

} // namespace talven
