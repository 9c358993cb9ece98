// Registration tables: each subsystem lists the tokens it implements, and
// the dispatch tables are assembled from those lists. A token's handler is
// found by reading one registration table.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "core/tokens.h"

namespace talven {

struct Runtime;

using CommandHandler = void (*)(Runtime&);
using FunctionHandler = void (*)(Runtime&);
using SysVarHandler = void (*)(Runtime&);

// A row names its token and its handler; the keyword is the token list's.
struct CommandEntry {
    Tok token;
    CommandHandler handler;
};

struct FunctionEntry {
    Fn token;
    FunctionHandler handler;
};

struct SysVarEntry {
    SysVar token;
    SysVarHandler handler;
};

// The registration tables, each named after the file that defines it: the
// file's name, with the kind added unless the name already ends in it
// ("variables" standing for system variables).

// core/
std::span<const CommandEntry> core_statements_commands();
std::span<const CommandEntry> control_flow_commands();

// values/
std::span<const CommandEntry> declarations_commands();
std::span<const FunctionEntry> store_functions();
std::span<const FunctionEntry> numeric_functions();
std::span<const FunctionEntry> string_functions();
std::span<const SysVarEntry> system_variables();
std::span<const SysVarEntry> platform_variables();

// window/
std::span<const CommandEntry> text_commands();
std::span<const CommandEntry> screen_commands();
std::span<const CommandEntry> main_window_commands();
std::span<const CommandEntry> event_commands();
std::span<const FunctionEntry> event_commands_functions();
std::span<const SysVarEntry> event_commands_sysvars();
std::span<const CommandEntry> drawing_commands();
std::span<const FunctionEntry> drawing_functions();
std::span<const SysVarEntry> drawing_sysvars();
std::span<const CommandEntry> bitmap_commands();
std::span<const CommandEntry> printing_commands();
std::span<const CommandEntry> icon_commands();
std::span<const FunctionEntry> icon_commands_functions();

// dialogs/
std::span<const CommandEntry> builtin_dialogs_commands();
std::span<const FunctionEntry> builtin_dialogs_functions();
std::span<const SysVarEntry> builtin_dialogs_sysvars();
std::span<const CommandEntry> controls_commands();
std::span<const FunctionEntry> controls_functions();
std::span<const CommandEntry> menus_commands();

// data/
std::span<const CommandEntry> file_commands();
std::span<const FunctionEntry> file_functions();
std::span<const FunctionEntry> table_functions();
std::span<const CommandEntry> table_functions_commands();
std::span<const SysVarEntry> table_functions_sysvars();
std::span<const CommandEntry> index_commands();
std::span<const FunctionEntry> index_commands_functions();
std::span<const CommandEntry> odbc_commands();
std::span<const FunctionEntry> odbc_functions();
std::span<const SysVarEntry> odbc_sysvars();

// system/
std::span<const CommandEntry> system_services_commands();
std::span<const FunctionEntry> system_services_functions();
std::span<const CommandEntry> keyboard_simulation_commands();
std::span<const FunctionEntry> keyboard_simulation_functions();
std::span<const CommandEntry> dll_calls_commands();
std::span<const FunctionEntry> dll_calls_functions();

// devices/
std::span<const CommandEntry> music_commands();
std::span<const FunctionEntry> music_functions();
std::span<const SysVarEntry> music_sysvars();
std::span<const FunctionEntry> serial_port_functions();

// Every command registration table, in the order they are merged.
std::span<const std::span<const CommandEntry>> command_registries();
std::span<const std::span<const FunctionEntry>> function_registries();
std::span<const std::span<const SysVarEntry>> sysvar_registries();

// The assembled tables, indexed by token byte. A command token that no
// handler claims has a null entry (the line is a procedure call); a token
// whose subsystem is not built yet has a handler that reports the gap.
const std::array<CommandHandler, 256>& command_table();
const std::array<FunctionHandler, 256>& function_table();
const std::array<SysVarHandler, 256>& sysvar_table();

} // namespace talven
