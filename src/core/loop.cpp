// The interpreter loop: one line after the other, the WHEN/UNLESS prefixes,
// dispatch through the token table, and the message pump every 21st line.
#include "core/loop.h"

#include <vector>

#include "core/dispatch.h"
#include "core/runtime.h"
#include "data/table_functions.h"
#include "values/arguments.h"
#include "window/printing.h"

namespace talven {
namespace {

constexpr std::uint8_t lines_between_pumps = 20;

// Applies the prefixes while the command token is one: every condition must
// hold. A prefix whose condition holds with nothing after it does nothing.
void apply_prefixes(Runtime& rt)
{
    LoopState& loop = rt.loop;
    while (!loop.handled && (loop.token == static_cast<std::uint8_t>(Tok::When) ||
                             loop.token == static_cast<std::uint8_t>(Tok::Unless))) {
        bool when = loop.token == static_cast<std::uint8_t>(Tok::When);
        bool nonzero = *arg_integer(rt, ':') != 0;
        if (!loop.args.empty() && loop.args.front() == ':')
            loop.args.drop_front(1);
        if (nonzero != when || loop.args.empty()) {
            loop.handled = true;
            return;
        }
        loop.token = static_cast<std::uint8_t>(loop.args.front());
        loop.args.drop_front(1);
    }
}

} // namespace

void pump(Runtime& rt)
{
    switch (rt.host.pump_messages()) {
    case PumpResult::Continue:
        if (rt.events.stop_requested)
            rt.end_program(exit_code::window_closed);
        return;
    case PumpResult::Quit:
    case PumpResult::Break:
        rt.end_program(exit_code::window_closed);
    }
}

namespace {

// What the loop needs of a line, found from its number with one load: its
// text, its token and the token's handler (null: a procedure call).
struct LineStart {
    const char* text = nullptr;
    std::uint32_t length = 0;
    CommandHandler handler = nullptr;
};

std::vector<LineStart> line_starts(const Runtime& rt)
{
    const auto& commands = command_table();
    std::vector<LineStart> starts(static_cast<std::size_t>(rt.program.line_count()) + 1);
    for (std::int32_t n = 1; n <= rt.program.line_count(); ++n) {
        std::string_view line = rt.program.line(n);
        LineStart& start = starts[static_cast<std::size_t>(n)];
        start.text = line.data();
        start.length = static_cast<std::uint32_t>(line.size());
        start.handler = line.empty() ? nullptr : commands[static_cast<std::uint8_t>(line[0])];
    }
    return starts;
}

} // namespace

void run_loop(Runtime& rt)
{
    LoopState& loop = rt.loop;
    const auto& commands = command_table();
    // Lines never change while the program runs, and neither does their count.
    const std::vector<LineStart> starts = line_starts(rt);
    const std::int32_t line_count = rt.program.line_count();
    while (loop.current_line < line_count && !loop.stop) {
        const LineStart& start = starts[static_cast<std::size_t>(++loop.current_line)];
        loop.line = std::string_view(start.text, start.length);
        loop.handled = false;
        if (rt.events.command == 255) [[unlikely]]
            rt.events.command = 254;
        if (start.length == 0) [[unlikely]] {
            // A line without a token byte does nothing.
            loop.handled = true;
        } else {
            loop.token = static_cast<std::uint8_t>(start.text[0]);
            loop.args = ArgText(std::string_view(start.text + 1, start.length - 1));
            CommandHandler handler = start.handler;
            if (loop.token == static_cast<std::uint8_t>(Tok::When) ||
                loop.token == static_cast<std::uint8_t>(Tok::Unless)) [[unlikely]] {
                apply_prefixes(rt);
                handler = commands[loop.token];
            }
            if (!loop.handled) {
                // A token that a handler claims is handled by it; a line
                // whose token nobody claims is a procedure call.
                if (handler) [[likely]] {
                    loop.handled = true;
                    handler(rt);
                } else {
                    call_procedure(rt);
                }
            }
        }
        if (loop.pump_counter < lines_between_pumps) [[likely]] {
            ++loop.pump_counter;
        } else {
            loop.pump_counter = 0;
            pump(rt);
        }
    }
}

void end_of_program_cleanup(Runtime& rt)
{
    // An open print job is finished, never abandoned: the spooler gets a
    // whole document also when the program ends on an error.
    end_print_job(rt);
    // Tables are closed on every way out, so that no header is left stale.
    close_all_tables(rt);
    // Area blocks go back to the host; the process end would release them
    // too, but a runtime embedded in a test or a fuzzer runs again.
    auto& areas = rt.variables.areas;
    for (int i = 0; i < areas.count; ++i) {
        AreaBlock& area = areas.entries[static_cast<std::size_t>(i)].value;
        if (area.block)
            rt.host.free_area(area.block, static_cast<std::size_t>(area.size) + 1);
        area = AreaBlock{};
    }
}

} // namespace talven
