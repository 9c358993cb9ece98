// The text commands: PRINT writes values to the text screen (or, after
// "#n,", to a numbered file), INPUT reads a typed line into a variable, and
// DECIMALS, STRWIDTH and NUMWIDTH set how PRINT formats values.
#include "core/dispatch.h"
#include "core/loop.h"
#include "core/runtime.h"
#include "window/main_window.h"
#include "window/printing.h"
#include "data/file_commands.h"
#include "values/conversions.h"
#include "values/print_format.h"
#include "values/arguments.h"
#include "values/variables.h"

namespace talven {
namespace {

constexpr std::string_view newline = "\r\n";
constexpr int line_reader_capacity = 126;

// "#n," in front selects a numbered file, which the files subsystem serves.
bool redirected_to_file(Runtime& rt, std::string_view keyword)
{
    return keyword == "PRINT" ? print_to_file(rt) : input_from_file(rt);
}

void cmd_print(Runtime& rt)
{
    if (!arguments_left(rt)) {
        if (refused_while_printing(rt, "PRINT"))
            return;
        ensure_window(rt);
        rt.screen.write(rt.host, newline);
        return;
    }
    if (redirected_to_file(rt, "PRINT") || refused_while_printing(rt, "PRINT"))
        return;
    ensure_window(rt);
    rt.fetch.last_argument = false;
    while (!rt.fetch.last_argument) {
        if (!arg_value(rt, print_mode))
            return;
        rt.screen.write(rt.host, print_text(rt).view());
        if (rt.fetch.separator == ',')
            rt.screen.write(rt.host, " ");
        else if (rt.fetch.separator == ' ')
            rt.screen.write(rt.host, newline);
    }
}

// The oldest typed key; waits (pumping) while none is queued.
std::uint8_t next_typed_key(Runtime& rt)
{
    EventState& events = rt.events;
    while (events.keys.empty()) {
        pump(rt);
        if (!events.keys.empty())
            break;
        TextCursor cursor = rt.screen.cursor();
        rt.host.show_caret(cursor.row, cursor.column);
        bool more = rt.host.wait_message();
        rt.host.hide_caret();
        // Input that has ended can never answer: as if the window were closed.
        if (!more)
            rt.end_program(exit_code::window_closed);
    }
    return events.keys.pop();
}

// The line reader: typed characters are echoed on the text screen,
// backspace takes back a typed one, Enter ends the line.
ShortString read_typed_line(Runtime& rt)
{
    ShortString typed;
    for (;;) {
        std::uint8_t key = next_typed_key(rt);
        if (key == 13)
            return typed;
        if (key == 8) {
            if (!typed.empty()) {
                typed.resize(typed.size() - 1);
                rt.screen.write(rt.host, "\b");
            }
        } else if (key >= 32 && typed.size() < line_reader_capacity) {
            char c = static_cast<char>(key);
            typed.push_back(c);
            rt.screen.write(rt.host, std::string_view(&c, 1));
        }
    }
}

void cmd_input(Runtime& rt)
{
    if (redirected_to_file(rt, "INPUT") || refused_while_printing(rt, "INPUT"))
        return;
    ensure_window(rt);
    ShortString name = upper_trimmed(rt.loop.args.view());
    char suffix = name.empty() ? '\0' : name[name.size() - 1];
    VariableStore& store = rt.variables;
    bool declared = false;
    switch (suffix) {
    case '%': declared = store.integers.find(name.view()) != nullptr; break;
    case '&': declared = store.longs.find(name.view()) != nullptr; break;
    case '!': declared = store.floats.find(name.view()) != nullptr; break;
    case '$': declared = store.strings.find(name.view()) != nullptr; break;
    default: break;
    }
    if (!declared) {
        rt.fatal(Msg::VariableNotDeclared, name.view());
        return;
    }
    ShortString typed = read_typed_line(rt);
    rt.screen.write(rt.host, newline);

    InputState& input = rt.input;
    Value& v = rt.value;
    switch (suffix) {
    case '%':
        v.integer = input.integer = long_from_text(typed.view());
        break;
    case '&':
        v.long_integer = input.long_integer = long_from_text(typed.view());
        break;
    case '!':
        v.real = input.real = float_prefix_of_text(typed.view());
        break;
    default:
        input.text = typed;
        break;
    }
    store_scalar(rt, name.view(), typed);
}

void set_format(Runtime& rt, std::int32_t FormatSettings::*field)
{
    rt.format.*field = *arg_integer(rt, rest_of_text);
}

void cmd_decimals(Runtime& rt) { set_format(rt, &FormatSettings::decimals); }
void cmd_strwidth(Runtime& rt) { set_format(rt, &FormatSettings::string_width); }
void cmd_numwidth(Runtime& rt) { set_format(rt, &FormatSettings::number_width); }

constexpr CommandEntry commands[] = {
    {Tok::Print, cmd_print},
    {Tok::Decimals, cmd_decimals},
    {Tok::Strwidth, cmd_strwidth},
    {Tok::Numwidth, cmd_numwidth},
    {Tok::Input, cmd_input},
};

} // namespace

std::span<const CommandEntry> text_commands() { return commands; }

} // namespace talven
