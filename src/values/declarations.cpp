// DECLARE and PARAMETERS: the statements that make variables exist.
#include "core/dispatch.h"
#include "core/runtime.h"
#include "values/arguments.h"
#include "values/variables.h"

namespace talven {
namespace {

bool is_plain_name(std::string_view upper)
{
    if (upper.empty() || upper.size() > max_name_length || upper.find_first_of(" []") != std::string_view::npos)
        return false;
    char suffix = upper.back();
    return suffix == '%' || suffix == '&' || suffix == '!' || suffix == '$' || suffix == '#';
}

// A list of plain names declared before is declared again from what its
// text said: a procedure's PARAMETERS line runs on every call.
bool declare_remembered(Runtime& rt)
{
    auto& lists = rt.flow_cache.declarations;
    std::size_t line = static_cast<std::size_t>(rt.loop.current_line);
    if (line >= lists.size() || !lists[line].args || lists[line].args != rt.loop.args.begin())
        return false;
    for (const auto& [name, slot] : lists[line].names)
        if (slot >= 0)
            declare_scalar(rt, name.view(), slot);
    return true;
}

// Walks the comma-separated list (depth zero) and declares each item; with
// parameters, the k-th item takes slot k of the current call.
void declare_list(Runtime& rt, bool parameters)
{
    if (declare_remembered(rt))
        return;
    const char* args = rt.loop.args.begin();
    std::string_view text = rt.loop.args.view();
    FatalWatch watch(rt);
    DeclarationList list;
    bool plain = args != nullptr;
    int k = 1;
    while (!text.empty()) {
        std::size_t comma = find_at_depth_zero(text, ',');
        std::string_view item = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        // Parameters beyond the slots bind nothing; they are declared empty.
        int slot = parameters ? (k < parameter_slot_count ? k : -1) : 0;
        if (slot == -1)
            slot = parameter_slot_count;
        ShortString name = upper_trimmed(item);
        if (plain && is_plain_name(name.view())) {
            VarName stored;
            stored.set(name.view());
            bool passed_over = parameters && name[name.size() - 1] == '#';
            list.names.emplace_back(stored, passed_over ? -1 : slot);
        } else {
            plain = false;
        }
        declare_item(rt, item, slot);
        ++k;
    }
    if (plain && rt.compiled && !watch.reported()) {
        auto& lists = rt.flow_cache.declarations;
        if (lists.size() != static_cast<std::size_t>(rt.program.line_count()) + 1)
            lists.assign(static_cast<std::size_t>(rt.program.line_count()) + 1, DeclarationList{});
        std::size_t line = static_cast<std::size_t>(rt.loop.current_line);
        if (line < lists.size()) {
            list.args = args;
            lists[line] = std::move(list);
        }
    }
}

void cmd_declare(Runtime& rt) { declare_list(rt, false); }
void cmd_parameters(Runtime& rt) { declare_list(rt, true); }

constexpr CommandEntry commands[] = {
    {Tok::Declare, cmd_declare},
    {Tok::Parameters, cmd_parameters},
};

} // namespace

std::span<const CommandEntry> declarations_commands() { return commands; }

} // namespace talven
