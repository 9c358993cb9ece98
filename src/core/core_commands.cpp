// Command handlers of the interpreter core that are neither control flow
// nor any other subsystem's: the error mode and the statement that only
// evaluates.
#include "core/dispatch.h"
#include "core/runtime.h"
#include "values/fetch.h"

namespace talven {
namespace {

// No range check: every value other than -1, 1 and 2 silences warnings.
void cmd_errormode(Runtime& rt)
{
    fetch(rt, rest_of_text);
    rt.errors.mode = rt.value.integer;
    rt.loop.handled = true;
}

// Token 0x5A evaluates one argument and does nothing else.
void cmd_fetch_one(Runtime& rt)
{
    fetch(rt, ',');
    rt.loop.handled = true;
}

constexpr CommandEntry commands[] = {
    {Tok::Errormode, "ERRORMODE", cmd_errormode},
    {Tok::FetchOne, "", cmd_fetch_one},
};

} // namespace

std::span<const CommandEntry> core_commands() { return commands; }

} // namespace talven
