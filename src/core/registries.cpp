// The list of every subsystem's registration tables. To find the handler of
// a token, look here for the table that lists it.
#include "core/dispatch.h"

namespace talven {

std::span<const std::span<const CommandEntry>> command_registries()
{
    static const std::span<const CommandEntry> registries[] = {
        core_commands(),
        control_flow_commands(),
        declaration_commands(),
        text_commands(),
        screen_commands(),
        window_commands(),
        file_commands(),
        drawing_commands(),
        bitmap_commands(),
        event_commands(),
        table_commands(),
        index_commands(),
    };
    return registries;
}

std::span<const std::span<const FunctionEntry>> function_registries()
{
    static const std::span<const FunctionEntry> registries[] = {
        store_functions(),
        numeric_functions(),
        string_functions(),
        file_functions(),
        drawing_functions(),
        event_functions(),
        table_functions(),
        index_functions(),
    };
    return registries;
}

std::span<const std::span<const SysVarEntry>> sysvar_registries()
{
    static const std::span<const SysVarEntry> registries[] = {
        core_sysvars(),
        event_sysvars(),
        platform_sysvars(),
        table_sysvars(),
        drawing_sysvars(),
    };
    return registries;
}

} // namespace talven
