// Every token of the compiled program: command tokens (byte 1 of a line),
// function tokens (the byte after "@") and system variable tokens (the byte
// after a type prefix). The runtime dispatches on these; the developer tool
// compiles and lists with the same names, so both always agree.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace talven {

// The enumerations are made from the token lists, where each token is
// named once.
enum class Tok : std::uint8_t {
#define TALVEN_COMMAND(name, value, text) name = value,
#include "core/command_list.h"
};

enum class Fn : std::uint8_t {
#define TALVEN_FUNCTION(name, value, text) name = value,
#include "core/function_list.h"
};

enum class SysVar : std::uint8_t {
#define TALVEN_SYSVAR(name, value, text) name = value,
#include "core/sysvar_list.h"
};

constexpr std::uint8_t token_byte(Tok token) { return static_cast<std::uint8_t>(token); }
constexpr std::uint8_t token_byte(Fn token) { return static_cast<std::uint8_t>(token); }
constexpr std::uint8_t token_byte(SysVar token) { return static_cast<std::uint8_t>(token); }

// The keyword of a command token ("PRINT"), the name of a function token
// with its "@" ("@LEFT$"), the name of a system variable with its type
// prefix ("%HWND"); empty for a token without one.
constexpr std::string_view command_keyword(Tok token)
{
    switch (token) {
#define TALVEN_COMMAND(name, value, text) case Tok::name: return text;
#include "core/command_list.h"
    }
    return {};
}

constexpr std::string_view function_name(Fn token)
{
    switch (token) {
#define TALVEN_FUNCTION(name, value, text) case Fn::name: return text;
#include "core/function_list.h"
    }
    return {};
}

constexpr std::string_view sysvar_name(SysVar token)
{
    switch (token) {
#define TALVEN_SYSVAR(name, value, text) case SysVar::name: return text;
#include "core/sysvar_list.h"
    }
    return {};
}

constexpr std::uint8_t first_command_token = 0x27;
constexpr std::uint8_t last_command_token = 0xFE;
constexpr int dispatch_table_size = last_command_token - first_command_token + 1; // 216
constexpr std::uint8_t first_sysvar_token = 0x81;
constexpr std::uint8_t last_sysvar_token = 0xC9;
constexpr std::uint8_t procedure_call_token = 0x28; // the unclaimed token our compiler uses
constexpr std::uint8_t declared_call_token = 0x60;  // the unassigned function token our compiler uses

// The same for any token byte.
std::string_view command_keyword(std::uint8_t token);
std::string_view function_name(std::uint8_t token);
std::string_view sysvar_name(std::uint8_t token);

// True for the function tokens that no handler claims: a call of a declared
// function, followed by two line-number bytes.
bool is_declared_function_token(std::uint8_t token);

// Reverse lookups, case-insensitive (ASCII). A system variable is looked up
// by its name without the prefix ("HWND").
std::optional<std::uint8_t> command_token_of(std::string_view keyword);
std::optional<std::uint8_t> function_token_of(std::string_view name_with_at);
std::optional<std::uint8_t> sysvar_token_of(std::string_view name_without_prefix);

} // namespace talven
