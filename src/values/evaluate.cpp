// Classification of an argument by its first and last character, and the
// views of literals and loaded values.
#include "values/evaluate.h"

#include "core/runtime.h"
#include "core/tokens.h"
#include "values/conversions.h"
#include "values/fetch.h"
#include "values/variables.h"

namespace talven {
namespace {

ValueType type_of_prefix(char c)
{
    switch (c) {
    case '$': return ValueType::String;
    case '!': return ValueType::Float;
    case '&': return ValueType::Long;
    default: return ValueType::Integer;
    }
}

// A "$", "!", "&" or "%" in front: a system variable or a literal in
// another base.
void evaluate_prefixed(Runtime& rt, const ShortString& upper)
{
    Value& v = rt.value;
    if (upper.size() >= 2) {
        auto token = static_cast<std::uint8_t>(upper[1]);
        if (token >= first_sysvar_token && token <= last_sysvar_token) {
            evaluate_sysvar(rt, token);
            return;
        }
    }
    auto literal = based_literal(upper[0], upper.view().substr(1));
    if (!literal) {
        rt.fatal(Msg::SysVarUnknown);
        return;
    }
    v.integer = v.long_integer = *literal;
    v.real = *literal;
    v.text = long_to_text(*literal, 0);
}

void evaluate_number_literal(Runtime& rt, const ShortString& upper)
{
    Value& v = rt.value;
    std::string_view text = upper.view();
    v.type = text.find('.') != std::string_view::npos ? ValueType::Float : ValueType::Long;
    v.integer = v.long_integer = long_from_text(text);
    auto number = float_from_text(text);
    v.real = number ? *number : float_prefix_of_text(text);
    v.text = upper;
    if (!number) {
        v.type = ValueType::String;
        rt.warning(Msg::NotANumber, text);
    }
}

void report_undeclared(Runtime& rt, const ShortString& upper)
{
    rt.value.text = upper;
    auto token = static_cast<Tok>(rt.loop.token);
    if (token != Tok::Declare && token != Tok::Parameters)
        rt.warning(Msg::VariableNotDeclared, upper.view());
}

} // namespace

void evaluate_argument(Runtime& rt, std::string_view argument, Expect expect)
{
    Value& v = rt.value;
    if (!argument.empty() && argument.front() == '"' && (argument.size() == 1 || argument.back() == '"')) {
        v.type = ValueType::String;
        std::string_view contents = argument.size() >= 2 ? argument.substr(1, argument.size() - 2) : std::string_view();
        replace_escapes(contents, expect == Expect::RawString, v.text);
        return;
    }

    ShortString upper(argument);
    upper_ansi(upper);
    char first = upper.empty() ? '\0' : upper[0];
    char last = upper.empty() ? '\0' : upper[upper.size() - 1];

    if (last == ']') {
        // The reference as written: its indices may hold strings and tokens.
        if (!load_array_element(rt, argument))
            report_undeclared(rt, upper);
        return;
    }
    if (last == '#') {
        if (!load_area_address(rt, upper.view())) {
            v.type = ValueType::Long;
            report_undeclared(rt, upper);
        }
        return;
    }
    for (char suffix : {'$', '!', '&', '%'}) {
        if (last != suffix && first != suffix)
            continue;
        v.type = type_of_prefix(suffix);
        if (first == suffix) {
            evaluate_prefixed(rt, upper);
        } else if (!load_scalar(rt, suffix, upper.view())) {
            report_undeclared(rt, upper);
        }
        return;
    }
    evaluate_number_literal(rt, upper);
}

} // namespace talven
