// The list of every subsystem's registration tables. To find the handler of
// a token, look here for the table that lists it: each table is named after
// the file that defines it (core_statements_commands in
// core/core_statements.cpp, table_functions_sysvars in
// data/table_functions.cpp).
#include "core/dispatch.h"

namespace talven {

std::span<const std::span<const CommandEntry>> command_registries()
{
    static const std::span<const CommandEntry> registries[] = {
        core_statements_commands(),
        control_flow_commands(),
        declarations_commands(),
        text_commands(),
        screen_commands(),
        main_window_commands(),
        file_commands(),
        drawing_commands(),
        bitmap_commands(),
        printing_commands(),
        icon_commands(),
        event_commands(),
        table_functions_commands(),
        index_commands(),
        odbc_commands(),
        builtin_dialogs_commands(),
        controls_commands(),
        menus_commands(),
        system_services_commands(),
        keyboard_simulation_commands(),
        dll_calls_commands(),
        music_commands(),
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
        icon_commands_functions(),
        event_commands_functions(),
        table_functions(),
        index_commands_functions(),
        odbc_functions(),
        builtin_dialogs_functions(),
        controls_functions(),
        system_services_functions(),
        keyboard_simulation_functions(),
        dll_calls_functions(),
        music_functions(),
        serial_port_functions(),
    };
    return registries;
}

std::span<const std::span<const SysVarEntry>> sysvar_registries()
{
    static const std::span<const SysVarEntry> registries[] = {
        system_variables(),
        event_commands_sysvars(),
        platform_variables(),
        table_functions_sysvars(),
        odbc_sysvars(),
        drawing_sysvars(),
        builtin_dialogs_sysvars(),
        music_sysvars(),
    };
    return registries;
}

} // namespace talven
