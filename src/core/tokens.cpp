// Name tables of the tokens by token byte, made from the token lists, and
// the checks that keep the lists sound: each token once and in range, each
// name once.
#include "core/tokens.h"

#include <array>

namespace talven {
namespace {

constexpr char upper_ascii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c; }

constexpr bool equal_ascii_nocase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upper_ascii(a[i]) != upper_ascii(b[i]))
            return false;
    return true;
}

struct TokenName {
    std::uint8_t token;
    std::string_view name;
};

// In token order, as the lists are written.
constexpr TokenName command_names[] = {
#define TALVEN_COMMAND(name, value, text) {value, text},
#include "core/command_list.h"
};

constexpr TokenName function_names[] = {
#define TALVEN_FUNCTION(name, value, text) {value, text},
#include "core/function_list.h"
};

constexpr TokenName sysvar_names[] = {
#define TALVEN_SYSVAR(name, value, text) {value, text},
#include "core/sysvar_list.h"
};

template <std::size_t N>
constexpr bool each_token_once(const TokenName (&names)[N])
{
    for (std::size_t i = 0; i < N; ++i)
        for (std::size_t j = i + 1; j < N; ++j)
            if (names[i].token == names[j].token)
                return false;
    return true;
}

// Case-insensitive, since the compiler looks names up that way; a system
// variable's name counts without its prefix.
constexpr bool same_name(std::string_view a, std::string_view b, std::size_t skip)
{
    if (a.size() != b.size() || a.size() <= skip)
        return false;
    for (std::size_t i = skip; i < a.size(); ++i)
        if (upper_ascii(a[i]) != upper_ascii(b[i]))
            return false;
    return true;
}

template <std::size_t N>
constexpr bool each_name_once(const TokenName (&names)[N], std::size_t skip)
{
    for (std::size_t i = 0; i < N; ++i)
        for (std::size_t j = i + 1; j < N; ++j)
            if (same_name(names[i].name, names[j].name, skip))
                return false;
    return true;
}

template <std::size_t N>
constexpr bool within(const TokenName (&names)[N], std::uint8_t first, std::uint8_t last)
{
    for (const auto& entry : names)
        if (entry.token < first || entry.token > last)
            return false;
    return true;
}

template <std::size_t N>
constexpr bool lists(const TokenName (&names)[N], std::uint8_t token)
{
    for (const auto& entry : names)
        if (entry.token == token && !entry.name.empty())
            return true;
    return false;
}

static_assert(each_token_once(command_names) && each_token_once(function_names) && each_token_once(sysvar_names));
static_assert(each_name_once(command_names, 0));
static_assert(each_name_once(function_names, 0));
static_assert(each_name_once(sysvar_names, 1));
static_assert(within(command_names, first_command_token, last_command_token));
static_assert(within(sysvar_names, first_sysvar_token, last_sysvar_token));
// The tokens our compiler writes for calls must stay free.
static_assert(!lists(command_names, procedure_call_token) && !lists(function_names, declared_call_token));

using NameIndex = std::array<std::string_view, 256>;

template <std::size_t N>
constexpr NameIndex index_of(const TokenName (&names)[N])
{
    NameIndex index{};
    for (const auto& entry : names)
        index[entry.token] = entry.name;
    return index;
}

constexpr NameIndex command_index = index_of(command_names);
constexpr NameIndex function_index = index_of(function_names);
constexpr NameIndex sysvar_index = index_of(sysvar_names);

template <std::size_t N>
std::optional<std::uint8_t> find(const TokenName (&names)[N], std::string_view name, std::size_t skip)
{
    for (const auto& entry : names)
        if (!entry.name.empty() && equal_ascii_nocase(entry.name.substr(skip), name))
            return entry.token;
    return std::nullopt;
}

} // namespace

std::string_view command_keyword(std::uint8_t token) { return command_index[token]; }
std::string_view function_name(std::uint8_t token) { return function_index[token]; }
std::string_view sysvar_name(std::uint8_t token) { return sysvar_index[token]; }

bool is_declared_function_token(std::uint8_t token)
{
    return function_index[token].empty();
}

std::optional<std::uint8_t> command_token_of(std::string_view keyword)
{
    return find(command_names, keyword, 0);
}

std::optional<std::uint8_t> function_token_of(std::string_view name_with_at)
{
    return find(function_names, name_with_at, 0);
}

std::optional<std::uint8_t> sysvar_token_of(std::string_view name_without_prefix)
{
    return find(sysvar_names, name_without_prefix, 1);
}

} // namespace talven
