// Control flow: the statements that the loop handles itself. Partner lines
// are found at run time by scanning the line table.
#include "core/dispatch.h"
#include "core/runtime.h"
#include "values/fetch.h"

namespace talven {
namespace {

void loop_nothing(Runtime& rt) { rt.loop.handled = true; }

// A function call as a statement: evaluate and discard.
void loop_function_statement(Runtime& rt)
{
    fetch(rt, rest_of_text);
    rt.loop.handled = true;
}

void cmd_end(Runtime& rt)
{
    rt.loop.stop = true;
    rt.loop.handled = true;
}

constexpr CommandEntry commands[] = {
    {Tok::Rem, "REM", loop_nothing},
    {Tok::FunctionStatement, "", loop_function_statement},
    {Tok::When, "WHEN", loop_nothing},
    {Tok::Unless, "UNLESS", loop_nothing},
    {Tok::Definition, "", loop_nothing},
    {Tok::End, "END", cmd_end},
    {Tok::Nop, "NOP", loop_nothing},
};

} // namespace

std::span<const CommandEntry> control_flow_commands() { return commands; }

} // namespace talven
