// The single evaluator of the language. Function calls nest through it
// recursively: fetch, function dispatch, handler, fetch.
#include "values/fetch.h"

#include "core/runtime.h"
#include "core/tokens.h"
#include "values/conversions.h"
#include "values/arg_cache.h"
#include "values/evaluate.h"
#include "values/quick_evaluation.h"

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

void format_numeric_text(Runtime& rt)
{
    Value& v = rt.value;
    if (v.type == ValueType::Float)
        v.defer_float_text(v.real, rt.format.decimals, rt.format.number_width);
    else
        v.defer_long_text(v.long_integer, rt.format.number_width);
}

namespace {

void check_type(Runtime& rt, Expect expect, std::string_view argument)
{
    bool is_string = rt.value.type == ValueType::String;
    if ((expect == Expect::String || expect == Expect::RawString) && !is_string)
        rt.fatal(Msg::WrongParameterType, argument);
    else if (expect == Expect::Numeric && is_string)
        rt.fatal(Msg::WrongParameterType, argument);
}

[[gnu::noinline]] void fetch_function_call(Runtime& rt, char separator, Expect expect)
{
    ArgText& args = rt.loop.args;
    const char* start = args.begin();
    bool print = separator == print_mode;
    if (args.size() < 2) {
        // "@" at the very end names no function.
        args.drop_front(1);
        rt.fatal(Msg::FunctionUnknown);
        rt.value.type = ValueType::None;
        return;
    }
    std::uint8_t token = static_cast<std::uint8_t>(args[1]);
    args.drop_front(2);
    char stack_marker = 0;
    if (rt.stack_base - reinterpret_cast<std::uintptr_t>(&stack_marker) > rt.stack_budget && rt.stack_base)
        [[unlikely]] {
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
        call_function(rt, token);
    }
    std::string_view consumed(start, static_cast<std::size_t>(args.begin() - start));
    if (!args.empty() && args.front() == ')')
        args.drop_front(1);
    if (args.empty()) {
        rt.fetch.separator = rest_of_text;
        if (print)
            rt.fetch.last_argument = true;
    } else if (args.front() == separator || (print && (args.front() == ',' || args.front() == ';'))) {
        rt.fetch.separator = args.front();
        args.drop_front(1);
        // A call ending the list with its separator is the last argument,
        // as a literal there is: "PRINT @STR$(X);" keeps the line open.
        if (print && args.empty())
            rt.fetch.last_argument = true;
    } else if (print && args.front() == '+') {
        // In print mode "+" ends an argument like ";" after a call too;
        // left in place it would start an empty argument.
        rt.fetch.separator = ';';
        args.drop_front(1);
        if (args.empty())
            rt.fetch.last_argument = true;
    }
    if (expect != Expect::Any)
        check_type(rt, expect, consumed);
}

// Where the next argument ends: a pure function of the text and the
// separator asked for, so its answer can be remembered per position.
SplitResult split_text(std::string_view text, char separator)
{
    SplitResult split;
    auto length_of = [](std::size_t n) { return static_cast<std::uint16_t>(n); };
    if (separator == rest_of_text) {
        split.length = split.advance = length_of(text.size());
        split.separator = rest_of_text;
        return split;
    }
    std::size_t end;
    if (separator == print_mode) {
        std::size_t comma = find_at_depth_zero(text, ',');
        std::size_t semicolon = std::min(find_at_depth_zero(text, ';'), find_at_depth_zero(text, '+'));
        if (comma == std::string_view::npos && semicolon == std::string_view::npos) {
            // The last argument: the text stays; the flag tells the caller to stop.
            split.length = length_of(text.size());
            split.advance = 0;
            split.separator = rest_of_text;
            split.sets_last = true;
            return split;
        }
        end = std::min(comma, semicolon);
        split.separator = end == comma ? ',' : ';';
    } else {
        end = find_at_depth_zero(text, separator);
        split.separator = separator;
    }
    if (end == std::string_view::npos) {
        split.length = split.advance = length_of(text.size());
        return split;
    }
    split.length = length_of(end);
    std::size_t advance = end + 1;
    if (advance < text.size() && text[advance] == ']')
        ++advance;
    split.advance = length_of(advance);
    if (separator == print_mode && advance >= text.size())
        split.sets_last = true;
    return split;
}

} // namespace

namespace {

[[gnu::noinline]] void fetch_in_full(Runtime& rt, char separator, Expect expect)
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
    ArgEntry* entry = rt.arg_cache.entry_at(args.begin());
    SplitResult split;
    if (entry && entry->text_end == args.end() && entry->separator == separator && entry->expect == expect) {
        split = entry->split;
    } else {
        split = split_text(args.view(), separator);
        if (entry) {
            *entry = ArgEntry{};
            entry->text_end = args.end();
            entry->separator = separator;
            entry->expect = expect;
            entry->split = split;
        }
    }
    std::string_view argument(args.begin(), split.length);
    args.drop_front(split.advance);
    rt.fetch.separator = split.separator;
    if (split.sets_last)
        rt.fetch.last_argument = true;
    // Array indices are fetched inside the evaluation; the separator and the
    // flag stay those of this argument.
    FetchState after_split = rt.fetch;
    evaluate_argument(rt, argument, expect, entry);
    rt.fetch = after_split;
    check_type(rt, expect, argument);
}

} // namespace

void fetch(Runtime& rt, char separator, Expect expect)
{
    ArgText& args = rt.loop.args;
    if (args.size() >= 2 && args.front() == '@') {
        fetch_function_call(rt, separator, expect);
        return;
    }
    // The common case without a call: an argument seen before, a literal or
    // a variable whose slot is known. Nothing in them fetches again.
    if (!args.empty() && args.front() != '@') {
        ArgEntry* entry = rt.arg_cache.find(args.begin());
        if (entry && entry->text_end == args.end() && entry->separator == separator && entry->expect == expect) {
            const SplitResult& split = entry->split;
            const char* argument = args.begin();
            args.drop_front(split.advance);
            rt.fetch.separator = split.separator;
            if (split.sets_last)
                rt.fetch.last_argument = true;
            if (evaluate_quickly(rt, *entry)) {
                if (expect != Expect::Any)
                    check_type(rt, expect, std::string_view(argument, split.length));
                return;
            }
            if (entry->kind == ArgKind::ArrayElement) {
                // The indices are fetched inside; the separator and the flag
                // stay those of this argument.
                FetchState after_split = rt.fetch;
                evaluate_array_element(rt, std::string_view(argument, split.length));
                rt.fetch = after_split;
                check_type(rt, expect, std::string_view(argument, split.length));
                return;
            }
            // Not a quick kind: start over with the full evaluation.
            args = ArgText(std::string_view(argument, static_cast<std::size_t>(args.end() - argument)));
        }
    }
    fetch_in_full(rt, separator, expect);
}

} // namespace talven
