// The single evaluator of the language. Function calls nest through it
// recursively: fetch, function dispatch, handler, fetch. An argument seen
// before runs from its compiled node; the first time, and whenever a node
// cannot express it, it is read from its text.
#include "values/fetch.h"

#include "core/control_flow.h"
#include "core/dispatch.h"
#include "core/runtime.h"
#include "core/tokens.h"
#include "values/conversions.h"
#include "values/compiled_arguments.h"
#include "values/arguments.h"
#include "values/evaluate.h"
#include "values/numeric_functions.h"
#include "values/variables.h"

namespace talven {

std::size_t find_at_depth_zero(std::string_view text, char ch)
{
    int parens = 0;
    int brackets = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == ch && parens == 0 && brackets == 0)
            return i;
        switch (c) {
        case '"': {
            std::size_t close = text.find('"', i + 1);
            if (close == std::string_view::npos)
                return std::string_view::npos; // an open quote hides the rest
            i = close;
            break;
        }
        case '@':
            ++parens;
            if (i + 1 < text.size()) {
                ++i;
                if (is_declared_function_token(static_cast<std::uint8_t>(text[i])))
                    i += 2;
            }
            break;
        case '(':
            ++parens;
            break;
        case ')':
            --parens;
            break;
        case '[':
            ++brackets;
            break;
        case ']':
            --brackets;
            break;
        default:
            break;
        }
    }
    return std::string_view::npos;
}

void replace_escapes(std::string_view contents, bool raw, ShortString& out)
{
    out.clear();
    for (std::size_t i = 0; i < contents.size(); ++i) {
        char c = contents[i];
        if (c != '\\' || i + 1 >= contents.size()) {
            out.push_back(c);
            continue;
        }
        char next = contents[i + 1];
        if (next == '\\') {
            out.push_back('\\');
            ++i;
            continue;
        }
        if (raw) {
            out.push_back(c);
            continue;
        }
        switch (next) {
        case 'n': out.push_back(13); ++i; break;
        case 'a': out.push_back(8); ++i; break;
        case 't': out.push_back(9); ++i; break;
        case '.': out.push_back('\\'); ++i; break;
        default: out.push_back(c); break;
        }
    }
}

bool is_string_literal(std::string_view argument)
{
    return !argument.empty() && argument.front() == '"' && (argument.size() == 1 || argument.back() == '"');
}

void read_string_literal(std::string_view argument, Expect expect, ShortString& out)
{
    std::string_view contents = argument.size() >= 2 ? argument.substr(1, argument.size() - 2) : std::string_view();
    replace_escapes(contents, expect == Expect::RawString, out);
}

void format_numeric_text(Runtime& rt)
{
    Value& v = rt.value;
    if (v.type == ValueType::Float)
        v.defer_float_text(v.real, rt.format.decimals, rt.format.number_width);
    else
        v.defer_long_text(v.long_integer, rt.format.number_width);
}

namespace {

[[gnu::noinline]] void wrong_type(Runtime& rt, std::string_view argument)
{
    rt.fatal(Msg::WrongParameterType, argument);
}

inline void check_type(Runtime& rt, Expect expect, std::string_view argument)
{
    bool is_string = rt.value.type == ValueType::String;
    if ((expect == Expect::String || expect == Expect::RawString) && !is_string) [[unlikely]]
        wrong_type(rt, argument);
    else if (expect == Expect::Numeric && is_string) [[unlikely]]
        wrong_type(rt, argument);
}

bool nested_too_deep(const Runtime& rt)
{
    char stack_marker = 0;
    return rt.stack_base - reinterpret_cast<std::uintptr_t>(&stack_marker) > rt.stack_budget && rt.stack_base;
}

// After a call's handler: its ")" and the separator that follows. The
// shape, when given, records what was taken.
void finish_call(Runtime& rt, char separator, CallShape* shape)
{
    ArgText& args = rt.loop.args;
    const char* before = args.begin();
    bool print = separator == print_mode;
    bool sets_separator = true;
    bool sets_last = false;
    char after = rest_of_text;
    if (!args.empty() && args.front() == ')')
        args.drop_front(1);
    if (args.empty()) {
        sets_last = print;
    } else if (args.front() == separator || (print && (args.front() == ',' || args.front() == ';'))) {
        after = args.front();
        args.drop_front(1);
        // A call ending the list with its separator is the last argument,
        // as a literal there is: "PRINT @STR$(X);" keeps the line open.
        sets_last = print && args.empty();
    } else if (print && args.front() == '+') {
        // In print mode "+" ends an argument like ";" after a call too;
        // left in place it would start an empty argument.
        after = ';';
        args.drop_front(1);
        sets_last = args.empty();
    } else {
        sets_separator = false;
    }
    if (sets_separator)
        rt.fetch.separator = after;
    if (sets_last)
        rt.fetch.last_argument = true;
    if (shape) {
        shape->after = static_cast<std::uint16_t>(args.begin() - before);
        shape->separator = after;
        shape->sets_separator = sets_separator;
        shape->sets_last = sets_last;
    }
}

// A function of two numbers gets its kernel and the nodes its two fetches
// compiled, when they cover its whole argument text.
void link_numeric_arguments(Runtime& rt, CallShape& shape, const char* arguments, const char* text_end)
{
    if (!shape.handler)
        return;
    NumericKernel kernel = numeric_kernel(shape.token);
    ArgNode* first = kernel ? rt.compiled_args.find(arguments) : nullptr;
    if (!first || !first->matches(text_end, ',', Expect::Any))
        return;
    ArgNode* second = rt.compiled_args.find(arguments + first->split.advance);
    if (!second || !second->matches(text_end, ')', Expect::Any) ||
        arguments + first->split.advance + second->split.advance != shape.handler_end)
        return;
    shape.kernel = kernel;
    shape.first = first;
    shape.second = second;
}

// The number a fetch of the node would give, for a literal or a numeric
// variable; false for anything else.
[[gnu::always_inline]] inline bool load_number(Runtime& rt, ArgNode& node, Number& number)
{
    switch (node.kind) {
    case ArgKind::PlainNumber:
        number = {node.literal.type, node.literal.long_integer, node.literal.long_integer, node.literal.real};
        return true;
    case ArgKind::Literal:
        number = {node.literal.type, node.literal.integer, node.literal.long_integer, node.literal.real};
        return true;
    case ArgKind::Scalar: {
        // After a declaration or a return the slot is looked up again.
        if (!node.scalar.find(rt.variables))
            return false;
        if (node.scalar.suffix == '%' || node.scalar.suffix == '&') {
            std::int32_t value = *static_cast<const std::int32_t*>(node.scalar.slot);
            number = {node.type, value, value, static_cast<double>(value)};
            return true;
        }
        if (node.scalar.suffix != '!')
            return false;
        load_float_views(rt, *static_cast<const double*>(node.scalar.slot));
        const Value& v = rt.value;
        number = {node.type, v.integer, v.long_integer, v.real};
        return true;
    }
    default:
        return false;
    }
}

// The compiled call of a function of two numbers: both numbers loaded from
// their nodes, the kernel run, and the fetch state left as the handler's
// two fetches leave it. False when an argument needs its fetch.
[[gnu::always_inline]] inline bool run_kernel(Runtime& rt, const ArgNode& node, const char* text_end)
{
    const CallShape& call = node.call;
    Number a, b;
    if (!call.first->matches(text_end, ',', Expect::Any) || !call.second->matches(text_end, ')', Expect::Any) ||
        !load_number(rt, *call.first, a) || !load_number(rt, *call.second, b))
        return false;
    rt.current_function = call.token;
    rt.fetch.separator = call.second->split.separator;
    if (call.first->split.sets_last || call.second->split.sets_last)
        rt.fetch.last_argument = true;
    call.kernel(rt, a, b);
    return true;
}

[[gnu::noinline]] void fetch_function_call(Runtime& rt, char separator, Expect expect)
{
    ArgText& args = rt.loop.args;
    const char* start = args.begin();
    const char* text_end = args.end();
    if (args.size() < 2) {
        // "@" at the very end names no function.
        args.drop_front(1);
        rt.fatal(Msg::FunctionUnknown);
        rt.value.type = ValueType::None;
        return;
    }
    std::uint8_t token = static_cast<std::uint8_t>(args[1]);
    args.drop_front(2);
    bool clean = false;
    if (nested_too_deep(rt)) [[unlikely]] {
        // Nested deeper than the machine stack allows: refused like a call
        // beyond the return stack, before it can overflow. Its arguments
        // are passed over unevaluated, up to its closing parenthesis.
        rt.fatal(Msg::GosubTooDeep);
        rt.value.type = ValueType::None;
        if (is_declared_function_token(token))
            args.drop_front(2);
        std::size_t close = find_at_depth_zero(args.view(), ')');
        args.drop_front(close == std::string_view::npos ? args.size() : close);
    } else {
        std::uint32_t fatals = rt.errors.fatal_count;
        call_function(rt, token);
        clean = rt.errors.fatal_count == fatals;
    }
    const char* handler_end = args.begin();
    CallShape shape;
    finish_call(rt, separator, &shape);
    // A call that ran without an error is compiled: the next fetch here
    // calls the function at once and takes what followed it the same way.
    if (clean) {
        if (ArgNode* node = rt.compiled_args.node_at(start)) {
            node->rekey(text_end, separator, expect);
            shape.token = token;
            shape.handler = function_table()[token];
            shape.handler_end = handler_end;
            link_numeric_arguments(rt, shape, start + 2, text_end);
            node->call = shape;
            node->kind = ArgKind::Call;
        }
    }
    if (expect != Expect::Any)
        check_type(rt, expect, std::string_view(start, static_cast<std::size_t>(handler_end - start)));
}

[[gnu::noinline]] void run_call(Runtime& rt, const ArgNode& node, char separator, Expect expect)
{
    if (nested_too_deep(rt)) [[unlikely]] {
        fetch_function_call(rt, separator, expect);
        return;
    }
    ArgText& args = rt.loop.args;
    const char* start = args.begin();
    if (node.call.kernel && run_kernel(rt, node, args.end())) {
        args.skip(static_cast<std::size_t>(node.call.handler_end - start));
    } else {
        args.drop_front(2);
        rt.current_function = node.call.token;
        if (node.call.handler)
            node.call.handler(rt);
        else
            call_declared_function(rt, node.call.token);
    }
    complete_result_views(rt.value, rt.format.decimals, rt.format.number_width);
    const char* handler_end = args.begin();
    if (handler_end == node.call.handler_end) [[likely]] {
        args.skip(node.call.after);
        if (node.call.sets_separator)
            rt.fetch.separator = node.call.separator;
        if (node.call.sets_last)
            rt.fetch.last_argument = true;
    } else {
        // The handler stopped elsewhere this time (an error in error mode
        // -1): the text says what follows.
        finish_call(rt, separator, nullptr);
    }
    if (expect != Expect::Any)
        check_type(rt, expect, std::string_view(start, static_cast<std::size_t>(handler_end - start)));
}

// Evaluates a classified node, its text split off already.
[[gnu::always_inline]] inline void evaluate_node(Runtime& rt, ArgNode& node, std::string_view argument)
{
    Value& v = rt.value;
    switch (node.kind) {
    case ArgKind::PlainNumber:
        // Its text is the number's own digits, made only when read.
        v.type = node.literal.type;
        v.integer = v.long_integer = node.literal.long_integer;
        v.real = node.literal.real;
        v.defer_long_text(node.literal.long_integer, 0);
        return;
    case ArgKind::Literal:
        v.type = node.literal.type;
        v.integer = node.literal.integer;
        v.long_integer = node.literal.long_integer;
        v.real = node.literal.real;
        v.set_text(node.literal.text().view());
        return;
    case ArgKind::StringLiteral:
        v.type = ValueType::String;
        v.set_text(node.literal.text().view());
        return;
    case ArgKind::Scalar: {
        v.type = node.type;
        void* slot = node.scalar.find(rt.variables);
        if (!slot) [[unlikely]] {
            FetchState after_split = rt.fetch;
            report_undeclared(rt, argument);
            rt.fetch = after_split;
            return;
        }
        switch (node.scalar.suffix) {
        case '%':
        case '&': {
            std::int32_t value = *static_cast<std::int32_t*>(slot);
            v.integer = v.long_integer = value;
            v.real = value;
            v.defer_long_text(value, rt.format.number_width);
            return;
        }
        case '!': load_float_views(rt, *static_cast<double*>(slot)); return;
        default: load_string_views(rt, *static_cast<ShortString*>(slot)); return;
        }
    }
    default: {
        // Array indices and system variables may fetch inside; the
        // separator and the flag stay those of this argument.
        FetchState after_split = rt.fetch;
        if (node.kind == ArgKind::SystemVariable) {
            v.type = node.type;
            evaluate_sysvar(rt, node.sysvar);
        } else {
            evaluate_array_element(rt, argument);
        }
        rt.fetch = after_split;
        return;
    }
    }
}

// A compiled argument other than a call.
[[gnu::noinline]] void run_node(Runtime& rt, ArgNode& node, Expect expect)
{
    ArgText& args = rt.loop.args;
    const char* argument = args.begin();
    args.skip(node.split.advance);
    rt.fetch.separator = node.split.separator;
    if (node.split.sets_last)
        rt.fetch.last_argument = true;
    evaluate_node(rt, node, std::string_view(argument, node.split.length));
    if (expect != Expect::Any)
        check_type(rt, expect, std::string_view(argument, node.split.length));
}

// The commonest arguments, an integer variable or a plain number, with no
// call on their way.
[[gnu::always_inline]] inline bool run_integer_node(Runtime& rt, ArgNode& node, Expect expect)
{
    Value& v = rt.value;
    std::int32_t value;
    std::int32_t width = 0;
    if (node.kind == ArgKind::PlainNumber) {
        value = node.literal.long_integer;
        v.type = node.literal.type;
        v.real = node.literal.real;
    } else if (node.kind == ArgKind::Scalar && (node.scalar.suffix == '%' || node.scalar.suffix == '&') &&
               node.scalar.epoch == rt.variables.epoch && node.scalar.slot) {
        value = *static_cast<std::int32_t*>(node.scalar.slot);
        width = rt.format.number_width;
        v.type = node.type;
        v.real = value;
    } else {
        return false;
    }
    if (expect == Expect::String || expect == Expect::RawString)
        return false;
    ArgText& args = rt.loop.args;
    args.skip(node.split.advance);
    rt.fetch.separator = node.split.separator;
    if (node.split.sets_last)
        rt.fetch.last_argument = true;
    v.integer = v.long_integer = value;
    v.defer_long_text(value, width);
    return true;
}

// The text path, which also compiles what it reads.
[[gnu::noinline]] void fetch_from_text(Runtime& rt, char separator, Expect expect)
{
    ArgText& args = rt.loop.args;
    if (args.empty() && separator != print_mode) {
        rt.fatal(Msg::TooFewParameters);
        return;
    }
    if (!args.empty() && args.front() == '@') {
        fetch_function_call(rt, separator, expect);
        return;
    }
    const char* text_end = args.end();
    ArgNode* node = rt.compiled_args.node_at(args.begin());
    bool known = node && node->matches(text_end, separator, expect);
    SplitResult split = known ? node->split : split_argument(args.view(), separator);
    std::string_view argument(args.begin(), split.length);
    args.drop_front(split.advance);
    rt.fetch.separator = split.separator;
    if (split.sets_last)
        rt.fetch.last_argument = true;
    if (node && !known) {
        node->rekey(text_end, separator, expect);
        node->split = split;
        classify_argument(argument, expect, *node);
    }
    if (node && node->kind != ArgKind::Unknown) {
        evaluate_node(rt, *node, argument);
    } else {
        FetchState after_split = rt.fetch;
        evaluate_argument(rt, argument, expect);
        rt.fetch = after_split;
    }
    check_type(rt, expect, argument);
}

} // namespace

void fetch(Runtime& rt, char separator, Expect expect)
{
    ArgText& args = rt.loop.args;
    ArgNode* node = rt.compiled_args.find(args.begin());
    // Only calls on the way: the fetch keeps no frame of its own.
    if (node && node->matches(args.end(), separator, expect)) [[likely]] {
        if (node->kind == ArgKind::Call)
            return run_call(rt, *node, separator, expect);
        if (run_integer_node(rt, *node, expect))
            return;
        if (node->kind != ArgKind::Unknown)
            return run_node(rt, *node, expect);
    }
    return fetch_from_text(rt, separator, expect);
}

} // namespace talven
