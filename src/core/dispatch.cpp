// Assembles the dispatch tables from the subsystems' registration tables.
// Tokens whose subsystem is not built yet report themselves, so that a gap
// is never a silent no-op.
#include "core/dispatch.h"

#include "core/runtime.h"

namespace talven {
namespace {

void cmd_not_built(Runtime& rt)
{
    rt.fatal(Msg::CommandUnknown, command_keyword(rt.loop.token));
}

// The dispatchers note the token they run, so that the fallbacks can name
// the function or system variable that is missing.
void fn_not_built(Runtime& rt)
{
    rt.fatal(Msg::FunctionUnknown, function_name(rt.current_function));
    rt.value.type = ValueType::None;
}

void sys_not_built(Runtime& rt)
{
    rt.fatal(Msg::SysVarUnknown, sysvar_name(rt.current_sysvar));
}

template <class Handler, class Entry>
std::array<Handler, 256> assemble(std::span<const std::span<const Entry>> registries, Handler fallback,
                                  std::string_view (*name_of)(std::uint8_t))
{
    std::array<Handler, 256> table{};
    for (int token = 0; token < 256; ++token)
        if (!name_of(static_cast<std::uint8_t>(token)).empty())
            table[token] = fallback;
    for (auto registry : registries)
        for (const auto& entry : registry)
            table[static_cast<std::uint8_t>(entry.token)] = entry.handler;
    return table;
}

} // namespace

const std::array<CommandHandler, 256>& command_table()
{
    static const auto table = [] {
        auto t = assemble<CommandHandler>(command_registries(), cmd_not_built, command_keyword);
        // Outside 0x27..0xFE nothing is dispatched: such lines are procedure calls.
        for (int token = 0; token < first_command_token; ++token)
            t[token] = nullptr;
        t[0xFF] = nullptr;
        return t;
    }();
    return table;
}

const std::array<FunctionHandler, 256>& function_table()
{
    static const auto table = assemble<FunctionHandler>(function_registries(), fn_not_built, function_name);
    return table;
}

const std::array<SysVarHandler, 256>& sysvar_table()
{
    static const auto table = assemble<SysVarHandler>(sysvar_registries(), sys_not_built, sysvar_name);
    return table;
}

} // namespace talven
