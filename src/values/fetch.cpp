// The single evaluator of the language. Function calls nest through it
// recursively: fetch, function dispatch, handler, fetch.
#include "values/fetch.h"

#include "core/runtime.h"
#include "core/tokens.h"
#include "values/conversions.h"
#include "values/evaluate.h"

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
        v.text = float_to_text(v.real, rt.format.decimals, rt.format.number_width);
    else
        v.text = long_to_text(v.long_integer, rt.format.number_width);
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

void fetch_function_call(Runtime& rt, char separator, Expect expect)
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
    call_function(rt, token);
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
    }
    check_type(rt, expect, consumed);
}

// Splits the next argument off the argument text.
std::string_view split_argument(Runtime& rt, char separator)
{
    ArgText& args = rt.loop.args;
    std::string_view text = args.view();
    if (separator == rest_of_text) {
        rt.fetch.separator = rest_of_text;
        args.drop_front(text.size());
        return text;
    }
    std::size_t end;
    if (separator == print_mode) {
        std::size_t comma = find_at_depth_zero(text, ',');
        std::size_t semicolon = std::min(find_at_depth_zero(text, ';'), find_at_depth_zero(text, '+'));
        if (comma == std::string_view::npos && semicolon == std::string_view::npos) {
            // The last argument: the text stays; the flag tells the caller to stop.
            rt.fetch.separator = rest_of_text;
            rt.fetch.last_argument = true;
            return text;
        }
        end = std::min(comma, semicolon);
        rt.fetch.separator = end == comma ? ',' : ';';
    } else {
        end = find_at_depth_zero(text, separator);
        rt.fetch.separator = separator;
    }
    if (end == std::string_view::npos) {
        args.drop_front(text.size());
        return text;
    }
    std::string_view argument = text.substr(0, end);
    args.drop_front(end + 1);
    if (!args.empty() && args.front() == ']')
        args.drop_front(1);
    if (separator == print_mode && args.empty())
        rt.fetch.last_argument = true;
    return argument;
}

} // namespace

void fetch(Runtime& rt, char separator, Expect expect)
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
    std::string_view argument = split_argument(rt, separator);
    // Array indices are fetched inside the evaluation; the separator and the
    // flag stay those of this argument.
    FetchState split = rt.fetch;
    evaluate_argument(rt, argument, expect);
    rt.fetch = split;
    check_type(rt, expect, argument);
}

} // namespace talven
