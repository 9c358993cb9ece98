// Classification of an argument by its first and last character, and the
// views of literals and loaded values.
#include "values/evaluate.h"

#include "core/runtime.h"
#include "core/tokens.h"
#include "values/conversions.h"
#include "values/arg_cache.h"
#include "values/quick_evaluation.h"
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
    v.set_text(long_to_text(*literal, 0));
}

void evaluate_number_literal(Runtime& rt, const ShortString& upper)
{
    Value& v = rt.value;
    std::string_view text = upper.view();
    v.type = text.find('.') != std::string_view::npos ? ValueType::Float : ValueType::Long;
    v.integer = v.long_integer = long_from_text(text);
    auto number = float_from_text(text);
    v.real = number ? *number : float_prefix_of_text(text);
    v.set_text(upper);
    if (!number) {
        v.type = ValueType::String;
        rt.warning(Msg::NotANumber, text);
    }
}

void report_undeclared(Runtime& rt, const ShortString& upper)
{
    rt.value.set_text(upper);
    auto token = static_cast<Tok>(rt.loop.token);
    if (token != Tok::Declare && token != Tok::Parameters)
        rt.warning(Msg::VariableNotDeclared, upper.view());
}

// What the text alone says about an argument, for the next evaluation.
void analyse(Runtime& rt, std::string_view argument, Expect expect, ArgEntry& entry)
{
    if (!argument.empty() && argument.front() == '"' && (argument.size() == 1 || argument.back() == '"')) {
        std::string_view contents = argument.size() >= 2 ? argument.substr(1, argument.size() - 2) : std::string_view();
        replace_escapes(contents, expect == Expect::RawString, entry.literal.text_for_writing());
        entry.kind = ArgKind::StringLiteral;
        return;
    }
    ShortString upper(argument);
    upper_ansi(upper);
    char first = upper.empty() ? '\0' : upper[0];
    char last = upper.empty() ? '\0' : upper[upper.size() - 1];
    if (last == ']') {
        entry.kind = ArgKind::ArrayElement;
        return;
    }
    if (last == '#')
        return;
    for (char suffix : {'$', '!', '&', '%'}) {
        if (last != suffix && first != suffix)
            continue;
        entry.type = type_of_prefix(suffix);
        if (first == suffix) {
            auto token = upper.size() >= 2 ? static_cast<std::uint8_t>(upper[1]) : 0;
            if (token >= first_sysvar_token && token <= last_sysvar_token) {
                entry.kind = ArgKind::SystemVariable;
                entry.sysvar = token;
            } else if (auto literal = based_literal(suffix, upper.view().substr(1))) {
                entry.kind = ArgKind::Literal;
                Value& v = entry.literal;
                v.type = entry.type;
                v.integer = v.long_integer = *literal;
                v.real = *literal;
                v.set_text(long_to_text(*literal, 0));
            }
        } else if (upper.size() <= max_name_length) {
            entry.kind = ArgKind::Scalar;
            entry.suffix = suffix;
            entry.name.set(upper.view());
            entry.epoch = 0;
        }
        return;
    }
    std::string_view text = upper.view();
    if (auto number = float_from_text(text)) {
        Value& v = entry.literal;
        v.type = text.find('.') != std::string_view::npos ? ValueType::Float : ValueType::Long;
        v.integer = v.long_integer = long_from_text(text);
        v.real = *number;
        v.set_text(upper);
        entry.kind = ArgKind::Literal;
        if (v.type == ValueType::Long && long_to_text(v.long_integer, 0).view() == text)
            entry.kind = ArgKind::PlainNumber;
    }
}

// The evaluation from a remembered analysis; false when there is none.
// Literals and declared variables take the quick evaluation the fetch uses;
// what remains are system variables and names that are not declared.
bool evaluate_remembered(Runtime& rt, ArgEntry& entry, std::string_view argument)
{
    if (evaluate_quickly(rt, entry))
        return true;
    switch (entry.kind) {
    case ArgKind::SystemVariable:
        rt.value.type = entry.type;
        evaluate_sysvar(rt, entry.sysvar);
        return true;
    case ArgKind::Scalar: {
        ShortString upper(argument);
        upper_ansi(upper);
        report_undeclared(rt, upper);
        return true;
    }
    default:
        return false;
    }
}

} // namespace

void evaluate_array_element(Runtime& rt, std::string_view argument)
{
    // The reference as written: its indices may hold strings and tokens.
    if (!load_array_element(rt, argument)) {
        ShortString upper(argument);
        upper_ansi(upper);
        report_undeclared(rt, upper);
    }
}

void evaluate_argument(Runtime& rt, std::string_view argument, Expect expect, ArgEntry* entry)
{
    if (entry) {
        if (evaluate_remembered(rt, *entry, argument))
            return;
        analyse(rt, argument, expect, *entry);
        if (evaluate_remembered(rt, *entry, argument))
            return;
    }
    Value& v = rt.value;
    if (!argument.empty() && argument.front() == '"' && (argument.size() == 1 || argument.back() == '"')) {
        v.type = ValueType::String;
        std::string_view contents = argument.size() >= 2 ? argument.substr(1, argument.size() - 2) : std::string_view();
        replace_escapes(contents, expect == Expect::RawString, v.text_for_writing());
        return;
    }

    ShortString upper(argument);
    upper_ansi(upper);
    char first = upper.empty() ? '\0' : upper[0];
    char last = upper.empty() ? '\0' : upper[upper.size() - 1];

    if (last == ']') {
        evaluate_array_element(rt, argument);
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
