// The compilation of an argument: where it ends and what its text says.
#include "values/compiled_arguments.h"

#include <algorithm>

#include "core/tokens.h"
#include "values/conversions.h"
#include "values/fetch.h"

namespace talven {

SplitResult split_argument(std::string_view text, char separator)
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

ValueType type_of_prefix(char c)
{
    switch (c) {
    case '$': return ValueType::String;
    case '!': return ValueType::Float;
    case '&': return ValueType::Long;
    default: return ValueType::Integer;
    }
}

void classify_argument(std::string_view argument, Expect expect, ArgNode& node)
{
    node.kind = ArgKind::Unknown;
    if (is_string_literal(argument)) {
        read_string_literal(argument, expect, node.literal.text_for_writing());
        node.kind = ArgKind::StringLiteral;
        return;
    }
    ShortString upper(argument);
    upper_ansi(upper);
    char first = upper.empty() ? '\0' : upper[0];
    char last = upper.empty() ? '\0' : upper[upper.size() - 1];
    if (last == ']') {
        node.kind = ArgKind::ArrayElement;
        return;
    }
    if (last == '#')
        return;
    for (char suffix : {'$', '!', '&', '%'}) {
        if (last != suffix && first != suffix)
            continue;
        node.type = type_of_prefix(suffix);
        if (first == suffix) {
            auto token = upper.size() >= 2 ? static_cast<std::uint8_t>(upper[1]) : 0;
            if (token >= first_sysvar_token && token <= last_sysvar_token) {
                node.kind = ArgKind::SystemVariable;
                node.sysvar = token;
            } else if (auto literal = based_literal(suffix, upper.view().substr(1))) {
                node.kind = ArgKind::Literal;
                Value& v = node.literal;
                v.type = node.type;
                v.integer = v.long_integer = *literal;
                v.real = *literal;
                v.set_text(long_to_text(*literal, 0));
            }
        } else if (upper.size() <= max_name_length) {
            node.kind = ArgKind::Scalar;
            node.scalar = ScalarRef{};
            node.scalar.suffix = suffix;
            node.scalar.name.set(upper.view());
        }
        return;
    }
    std::string_view text = upper.view();
    if (auto number = float_from_text(text)) {
        Value& v = node.literal;
        v.type = text.find('.') != std::string_view::npos ? ValueType::Float : ValueType::Long;
        v.integer = v.long_integer = long_from_text(text);
        v.real = *number;
        v.set_text(upper);
        node.kind = ArgKind::Literal;
        if (v.type == ValueType::Long && long_to_text(v.long_integer, 0).view() == text)
            node.kind = ArgKind::PlainNumber;
    }
}

} // namespace talven
