// DECLARE and PARAMETERS: the statements that make variables exist.
#include "core/dispatch.h"
#include "core/runtime.h"
#include "values/fetch.h"
#include "values/variables.h"

namespace talven {
namespace {

// Walks the comma-separated list (depth zero) and declares each item; with
// parameters, the k-th item takes slot k of the current call.
void declare_list(Runtime& rt, bool parameters)
{
    rt.loop.handled = true;
    std::string_view text = rt.loop.args.view();
    int k = 1;
    while (!text.empty()) {
        std::size_t comma = find_at_depth_zero(text, ',');
        std::string_view item = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        // Parameters beyond the slots bind nothing; they are declared empty.
        int slot = parameters ? (k < parameter_slot_count ? k : -1) : 0;
        if (slot == -1)
            slot = parameter_slot_count;
        declare_item(rt, item, slot);
        ++k;
    }
}

void cmd_declare(Runtime& rt) { declare_list(rt, false); }
void cmd_parameters(Runtime& rt) { declare_list(rt, true); }

constexpr CommandEntry commands[] = {
    {Tok::Declare, "DECLARE", cmd_declare},
    {Tok::Parameters, "PARAMETERS", cmd_parameters},
};

} // namespace

std::span<const CommandEntry> declaration_commands() { return commands; }

} // namespace talven
