// The program's side of the event state: the wait commands, SETEVENT, the
// timer, the key and mouse functions and the event system variables. The
// host records events while it pumps or waits; this code only reads and
// clears them.
#include "core/dispatch.h"
#include "core/loop.h"
#include "core/runtime.h"
#include "values/arguments.h"
#include "values/function_results.h"

namespace talven {
namespace {

// Pump, test, wait for the next message, until the test holds. A wait whose
// event can no longer come ends the program as if the window were closed.
template <typename Test>
void wait_until(Runtime& rt, Test holds)
{
    for (;;) {
        pump(rt);
        if (holds(rt.events))
            return;
        if (!rt.host.wait_message())
            rt.end_program(exit_code::window_closed);
    }
}

void cmd_waitscan(Runtime& rt)
{
    EventState& events = rt.events;
    events.last_virtual_key = 0;
    wait_until(rt, [](const EventState& e) { return e.last_virtual_key != 0; });
    events.wait_result_key = events.last_key;
}

void cmd_waitkey(Runtime& rt)
{
    EventState& events = rt.events;
    events.last_key = 0;
    events.last_virtual_key = 0;
    wait_until(rt, [](const EventState& e) { return e.last_key != 0 || e.last_virtual_key != 0; });
    events.wait_result_key = events.last_key;
}

void cmd_waitmouse(Runtime& rt)
{
    EventState& events = rt.events;
    events.left_button = events.right_button = false;
    events.command = 0;
    auto holds = [](const EventState& e) { return e.left_button || e.right_button || e.command != 0; };
    pump(rt);
    // Without a pointing device nothing can end this wait.
    if (!holds(events) && !rt.host.has_pointer())
        rt.end_program(exit_code::window_closed);
    wait_until(rt, holds);
}

void cmd_waitinput(Runtime& rt)
{
    EventState& events = rt.events;
    events.all_events_wait = true;
    events.left_button = events.right_button = false;
    events.command = 0;
    events.timer_tick = events.help_key = false;
    events.child_left_click = events.child_right_click = false;
    events.last_key = events.last_virtual_key = 0;
    wait_until(rt, [](const EventState& e) {
        return e.last_virtual_key != 0 || e.left_button || e.last_key != 0 || e.right_button ||
               e.child_left_click || e.child_right_click || e.paint_request || e.timer_tick || e.command != 0;
    });
    events.wait_result_key = events.last_key;
    events.all_events_wait = false;
}

void cmd_setevent(Runtime& rt)
{
    if (auto n = arg_integer(rt, rest_of_text))
        rt.events.command = static_cast<std::int16_t>(static_cast<std::uint16_t>(*n));
}

void cmd_settimer(Runtime& rt)
{
    auto milliseconds = arg_integer(rt, rest_of_text);
    if (!milliseconds)
        return;
    if (rt.events.timer_id != 0)
        rt.host.stop_timer();
    rt.host.start_timer(static_cast<std::uint32_t>(*milliseconds));
    rt.events.timer_id = 1;
}

void cmd_killtimer(Runtime& rt)
{
    if (rt.events.timer_id == 0) {
        rt.warning(Msg::SettimerMissing);
        return;
    }
    rt.host.stop_timer();
    rt.events.timer_id = 0;
}

// The key as a one-character text; no key (0) is the empty text.
void result_key(Runtime& rt, std::uint8_t key)
{
    char c = static_cast<char>(key);
    result_text(rt, key == 0 ? std::string_view() : std::string_view(&c, 1));
}

void result_flag(Runtime& rt, bool flag) { result_integer(rt, flag ? 1 : 0); }

void fn_inkey_str(Runtime& rt)
{
    std::uint8_t key = rt.events.last_key;
    rt.events.last_key = 0;
    result_key(rt, key);
}

void fn_waitkey_str(Runtime& rt)
{
    EventState& events = rt.events;
    events.last_key = 0;
    events.last_virtual_key = 0;
    wait_until(rt, [](const EventState& e) { return e.last_key != 0; });
    events.wait_result_key = events.last_key;
    result_key(rt, events.wait_result_key);
}

void fn_keyin(Runtime& rt)
{
    arg_value(rt, ')');
    ShortString set = rt.value.text();
    char key = static_cast<char>(rt.events.wait_result_key);
    result_flag(rt, set.view().find(key) != std::string_view::npos);
}

struct Rectangle {
    std::int32_t x1, y1, x2, y2;
};

Rectangle fetch_rectangle(Runtime& rt)
{
    Rectangle r{};
    r.x1 = *arg_long(rt, ',');
    r.y1 = *arg_long(rt, ',');
    r.x2 = *arg_long(rt, ',');
    r.y2 = *arg_long(rt, ')');
    return r;
}

bool inside(const Rectangle& r, std::int32_t x, std::int32_t y) { return r.x1 <= x && x <= r.x2 && r.y1 <= y && y <= r.y2; }

void fn_mousein(Runtime& rt)
{
    Rectangle r = fetch_rectangle(rt);
    result_flag(rt, inside(r, rt.events.mouse_x, rt.events.mouse_y));
}

// Text cells as the mouse functions count them: 8 by 13 pixels, 1-based.
void fn_mouseincell(Runtime& rt)
{
    Rectangle cells = fetch_rectangle(rt);
    std::int32_t row = rt.events.mouse_y / 13 + 1;
    std::int32_t column = rt.events.mouse_x / 8 + 1;
    // The rectangle is given as row1, column1, row2, column2.
    result_flag(rt, cells.x1 <= row && row <= cells.x2 && cells.y1 <= column && column <= cells.y2);
}

void fn_iscommand(Runtime& rt)
{
    std::int32_t n = *arg_long(rt, ')');
    result_flag(rt, rt.events.command == n);
}

void fn_iskey(Runtime& rt)
{
    std::int32_t n = *arg_long(rt, ')');
    result_flag(rt, rt.events.last_virtual_key == n);
}

// Buttons: 1 left, 2 right, 0 none.
std::int32_t button_state(const EventState& events)
{
    return events.left_button ? 1 : events.right_button ? 2 : 0;
}

void sys_mousex(Runtime& rt) { rt.value.integer = rt.events.mouse_x; }
void sys_mousey(Runtime& rt) { rt.value.integer = rt.events.mouse_y; }
void sys_command(Runtime& rt) { rt.value.integer = rt.events.command; }
void sys_waitkey(Runtime& rt) { rt.value.integer = rt.events.wait_result_key; }
void sys_virtkey(Runtime& rt) { rt.value.integer = rt.events.last_virtual_key; }
void sys_ddeserver(Runtime& rt) { rt.value.integer = static_cast<std::int32_t>(rt.events.dde_server); }

void sys_mousebutton(Runtime& rt)
{
    pump(rt);
    rt.value.integer = button_state(rt.events);
    rt.events.left_button = rt.events.right_button = false;
}

void sys_buttonstate(Runtime& rt)
{
    pump(rt);
    rt.value.integer = button_state(rt.events);
}

// Negated while F1 was pressed during the all-events wait.
void sys_focus(Runtime& rt)
{
    auto focus = static_cast<std::int32_t>(rt.events.focus);
    rt.value.integer = rt.events.help_key ? -focus : focus;
}

void take_flag(Runtime& rt, bool& flag)
{
    rt.value.integer = flag ? 1 : 0;
    flag = false;
}

void sys_activity(Runtime& rt) { take_flag(rt, rt.events.user_activity); }
void sys_timertick(Runtime& rt) { take_flag(rt, rt.events.timer_tick); }
void sys_paintrequest(Runtime& rt) { take_flag(rt, rt.events.paint_request); }

void sys_msgwaiting(Runtime& rt)
{
    auto message = rt.host.peek_message();
    if (message)
        rt.events.peeked_message = *message;
    rt.value.integer = message ? 1 : 0;
}

std::int32_t as_signed(std::uint32_t word) { return static_cast<std::int32_t>(word); }

void sys_msgwindow(Runtime& rt) { rt.value.integer = as_signed(rt.events.peeked_message.window); }
void sys_msgid(Runtime& rt) { rt.value.integer = as_signed(rt.events.peeked_message.message); }
void sys_msgwparam(Runtime& rt) { rt.value.long_integer = as_signed(rt.events.peeked_message.wparam); }
void sys_msglparam(Runtime& rt) { rt.value.long_integer = as_signed(rt.events.peeked_message.lparam); }

constexpr CommandEntry commands[] = {
    {Tok::Waitscan, cmd_waitscan},
    {Tok::Waitkey, cmd_waitkey},
    {Tok::Waitmouse, cmd_waitmouse},
    {Tok::Waitinput, cmd_waitinput},
    {Tok::Setevent, cmd_setevent},
    {Tok::Settimer, cmd_settimer},
    {Tok::Killtimer, cmd_killtimer},
};

constexpr FunctionEntry functions[] = {
    {Fn::InkeyStr, fn_inkey_str},
    {Fn::WaitkeyStr, fn_waitkey_str},
    {Fn::Keyin, fn_keyin},
    {Fn::Mousein, fn_mousein},
    {Fn::Mouseincell, fn_mouseincell},
    {Fn::Iscommand, fn_iscommand},
    {Fn::Iskey, fn_iskey},
};

constexpr SysVarEntry sysvars[] = {
    {SysVar::Mousex, sys_mousex},
    {SysVar::Mousey, sys_mousey},
    {SysVar::Mousebutton, sys_mousebutton},
    {SysVar::Command, sys_command},
    {SysVar::Waitkey, sys_waitkey},
    {SysVar::Virtkey, sys_virtkey},
    {SysVar::Focus, sys_focus},
    {SysVar::Activity, sys_activity},
    {SysVar::Buttonstate, sys_buttonstate},
    {SysVar::Msgwaiting, sys_msgwaiting},
    {SysVar::Msgwindow, sys_msgwindow},
    {SysVar::Msgid, sys_msgid},
    {SysVar::Msgwparam, sys_msgwparam},
    {SysVar::Msglparam, sys_msglparam},
    {SysVar::Ddeserver, sys_ddeserver},
    {SysVar::Timertick, sys_timertick},
    {SysVar::Paintrequest, sys_paintrequest},
};

} // namespace

std::span<const CommandEntry> event_commands() { return commands; }
std::span<const FunctionEntry> event_commands_functions() { return functions; }
std::span<const SysVarEntry> event_commands_sysvars() { return sysvars; }

} // namespace talven
