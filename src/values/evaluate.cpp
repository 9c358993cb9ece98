// The text path of the evaluation: an argument classified by its first and
// last character each time it is read. It is the reference that compiled
// arguments follow.
#include "values/evaluate.h"

#include "core/runtime.h"
#include "core/tokens.h"
#include "values/conversions.h"
#include "values/compiled_arguments.h"
#include "values/fetch.h"
#include "values/variables.h"

namespace talven {
namespace {

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

} // namespace

void report_undeclared(Runtime& rt, std::string_view argument)
{
    ShortString upper(argument);
    upper_ansi(upper);
    rt.value.set_text(upper);
    auto token = static_cast<Tok>(rt.loop.token);
    if (token != Tok::Declare && token != Tok::Parameters)
        rt.warning(Msg::VariableNotDeclared, upper.view());
}

void evaluate_array_element(Runtime& rt, std::string_view argument)
{
    // The reference as written: its indices may hold strings and tokens.
    if (!load_array_element(rt, argument))
        report_undeclared(rt, argument);
}

void evaluate_argument(Runtime& rt, std::string_view argument, Expect expect)
{
    Value& v = rt.value;
    if (is_string_literal(argument)) {
        v.type = ValueType::String;
        read_string_literal(argument, expect, v.text_for_writing());
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
            report_undeclared(rt, upper.view());
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
            report_undeclared(rt, upper.view());
        }
        return;
    }
    evaluate_number_literal(rt, upper);
}

} // namespace talven
