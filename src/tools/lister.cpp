// Listing works by prediction and proof: each line is printed in the form
// the compiler would turn back into it, then the whole listing is compiled
// and every line that comes out different is printed raw instead. Raw lines
// always compile back unchanged, so the loop ends.
#include "tools/lister.h"

#include "core/tokens.h"
#include "tools/compiler.h"
#include "tools/cp1252.h"
#include "tools/source_syntax.h"

#include <charconv>
#include <map>
#include <optional>
#include <string_view>

namespace talven::tools {
namespace {


std::uint8_t at(std::string_view text, std::size_t i) { return static_cast<std::uint8_t>(text[i]); }

// Bytes that are written as escapes wherever they appear: controls, the
// unassigned bytes, and the two invisible ones (no-break space, soft hyphen).
bool always_escaped(std::uint8_t b)
{
    return b < 0x20 || b == 0x7F || b == 0xA0 || b == 0xAD || !cp1252_to_unicode(b);
}

void append_char(std::string& out, std::uint8_t b) { append_utf8(out, *cp1252_to_unicode(b)); }

bool starts_escape(std::string_view text, std::size_t i)
{
    return at(text, i) == '\\' && i + 1 < text.size() && text[i + 1] == '{';
}

// Text taken verbatim by the compiler (comments, raw lines, strings): only
// what cannot be typed or would read as an escape is escaped, plus blanks at
// the end, which editors like to drop.
std::string verbatim(std::string_view text, bool at_line_end)
{
    std::size_t keep = text.size();
    if (at_line_end)
        while (keep > 0 && is_blank(at(text, keep - 1)))
            --keep;
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint8_t b = at(text, i);
        if (i >= keep || always_escaped(b) || starts_escape(text, i))
            out += byte_escape(b);
        else
            append_char(out, b);
    }
    return out;
}

bool all_name_bytes(std::string_view text)
{
    if (text.empty())
        return false;
    for (char c : text)
        if (!is_name_byte(static_cast<std::uint8_t>(c)))
            return false;
    return true;
}

class Lister {
public:
    explicit Lister(const std::vector<std::string>& lines) : m_lines(lines), m_raw(lines.size(), false) {}
    std::string run();

private:
    void name_symbols();
    std::string line_form(std::size_t index);
    std::optional<std::string> statement(std::string_view line, int number, bool after_prefix);
    std::optional<std::string> definition(std::string_view text, int number);
    std::optional<std::string> prefix(std::string_view keyword, std::string_view text);
    std::string jump(std::string_view keyword, std::string_view text);
    std::string expression(std::string_view text) const;
    std::string with_arguments(std::string_view head, std::string_view text) const;
    static std::string raw(std::string_view line);

    const std::vector<std::string>& m_lines;
    std::vector<bool> m_raw;
    std::map<int, std::string> m_procedures; // PROC line -> name
    std::map<int, std::string> m_functions;  // definition line -> name
};

std::string Lister::raw(std::string_view line)
{
    if (line.empty())
        return "\\{}";
    return byte_escape(at(line, 0)) + verbatim(line.substr(1), true);
}

// Names the compiler would accept and that give back the stored bytes:
// a PROC line holds its name upper-cased; a definition line holds the
// first four characters of its function's name, padded with blanks.
void Lister::name_symbols()
{
    m_procedures.clear();
    m_functions.clear();
    std::map<std::string, int> proc_uses;
    std::map<std::string, int> function_uses;
    std::map<int, std::string> procs;
    std::map<int, std::string> functions;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        std::string_view line = m_lines[i];
        if (m_raw[i] || line.empty())
            continue;
        int number = static_cast<int>(i) + 1;
        std::string_view text = line.substr(1);
        if (at(line, 0) == token_byte(Tok::Proc)) {
            std::string name(text);
            if (all_name_bytes(name) && upper_1252(name) == name && !is_reserved_word(name)) {
                procs[number] = name;
                ++proc_uses[name];
            }
        } else if (at(line, 0) == token_byte(Tok::Definition) && text.size() >= 4) {
            std::string tag(text.substr(0, 4));
            std::string name = tag.substr(0, tag.find_last_not_of(' ') + 1);
            std::string_view stem = name;
            if (!stem.empty() && is_type_char(at(stem, stem.size() - 1)))
                stem.remove_suffix(1);
            if (all_name_bytes(stem) && upper_1252(tag) == tag && !function_token_of("@" + name)) {
                functions[number] = name;
                ++function_uses[name];
            }
        }
    }
    for (const auto& [number, name] : procs)
        if (proc_uses[name] == 1)
            m_procedures[number] = name;
    for (const auto& [number, name] : functions) {
        if (function_uses[name] == 1)
            m_functions[number] = name;
        else if (name.size() == 4 && !is_type_char(static_cast<std::uint8_t>(name.back())))
            m_functions[number] = name + "_" + std::to_string(number); // same four stored characters
    }
}

std::string Lister::with_arguments(std::string_view head, std::string_view text) const
{
    std::string args = expression(text);
    return args.empty() ? std::string(head) : std::string(head) + " " + args;
}

std::optional<std::string> Lister::statement(std::string_view line, int number, bool after_prefix)
{
    if (line.empty())
        return std::nullopt;
    std::uint8_t token = at(line, 0);
    std::string_view text = line.substr(1);
    switch (static_cast<Tok>(token)) {
    case Tok::Rem: {
        std::string rem(command_keyword(Tok::Rem));
        return text.empty() ? rem : rem + " " + verbatim(text, true);
    }
    case Tok::Nop:
        if (!after_prefix && text.size() >= 2 && text.back() == ':' && all_name_bytes(text.substr(0, text.size() - 1))) {
            std::string out;
            for (char c : text)
                append_char(out, static_cast<std::uint8_t>(c));
            return out;
        }
        return with_arguments(command_keyword(Tok::Nop), text);
    case Tok::Proc:
        if (after_prefix || !m_procedures.count(number))
            return std::nullopt;
        return std::string(command_keyword(Tok::Proc)) + " " + m_procedures.at(number);
    case Tok::Definition:
        if (after_prefix)
            return std::nullopt;
        return definition(text, number);
    case Tok::When:
    case Tok::Unless:
        return prefix(command_keyword(token), text);
    case Tok::FunctionStatement: {
        std::string listed = expression(text);
        if (listed.empty() || listed[0] != '@')
            return std::nullopt;
        return listed;
    }
    case Tok::Goto:
    case Tok::Gosub:
        return jump(command_keyword(token), text);
    default:
        break;
    }
    if (token == procedure_call_token && text.size() >= 2) {
        int target = at(text, 0) | (at(text, 1) << 8);
        if (auto it = m_procedures.find(target); it != m_procedures.end())
            return with_arguments(it->second, text.substr(2));
        return std::nullopt;
    }
    std::string_view keyword = command_keyword(token);
    if (keyword.empty())
        return std::nullopt;
    return with_arguments(keyword, text);
}

std::optional<std::string> Lister::definition(std::string_view text, int number)
{
    auto name = m_functions.find(number);
    if (name == m_functions.end())
        return std::nullopt;
    std::string_view rest = text.substr(4);
    std::size_t close = rest.find(')');
    if (close == std::string_view::npos)
        return std::nullopt;
    int count = -1;
    auto [ptr, ec] = std::from_chars(rest.data(), rest.data() + close, count);
    if (ec != std::errc() || ptr != rest.data() + close || std::to_string(count) != rest.substr(0, close))
        return std::nullopt;
    std::string head = name->second + "(" + std::to_string(count) + ") ";
    std::string_view body = rest.substr(close + 1);
    if (!body.empty() && body[0] == '!') {
        body.remove_prefix(1);
        if (body.empty() || body.back() != ',')
            return std::nullopt;
        body.remove_suffix(1);
        return "DEFDLL " + head + expression(body);
    }
    if (!body.empty() && body[0] == '*')
        return "DEFDLL16 " + head + expression(body.substr(1));
    return "DEFFN " + head + expression(body);
}

std::optional<std::string> Lister::prefix(std::string_view keyword, std::string_view text)
{
    DepthTracker depth;
    std::size_t colon = 0;
    for (; colon < text.size(); ++colon) {
        if (at(text, colon) == ':' && depth.at_zero())
            break;
        depth.byte(at(text, colon));
    }
    if (colon == text.size())
        return std::nullopt;
    std::string out(keyword);
    std::string condition = expression(text.substr(0, colon));
    if (!condition.empty())
        out += " " + condition;
    out += " :";
    std::string_view rest = text.substr(colon + 1);
    if (!rest.empty()) {
        auto inner = statement(rest, 0, true);
        out += " " + (inner ? *inner : raw(rest));
    }
    return out;
}

std::string Lister::jump(std::string_view keyword, std::string_view text)
{
    if (text.size() >= 3 && text.front() == '"' && text.back() == '"' && all_name_bytes(text.substr(1, text.size() - 2))) {
        std::string out(keyword);
        out += ' ';
        for (char c : text.substr(1, text.size() - 2))
            append_char(out, static_cast<std::uint8_t>(c));
        return out;
    }
    if (all_name_bytes(text)) {
        // A bare name would be taken as a label; an escape keeps it an expression.
        std::string out = std::string(keyword) + " " + byte_escape(at(text, 0));
        for (char c : text.substr(1))
            append_char(out, static_cast<std::uint8_t>(c));
        return out;
    }
    return with_arguments(keyword, text);
}

// Argument text as the compiler's expression mode reads it: names for
// function and system variable tokens, strings as written, and escapes for
// every byte that the compiler would drop or take for a name.
std::string Lister::expression(std::string_view t) const
{
    std::string out;
    OperandContext operand;
    bool escape_next = false; // a name byte right after a name would lengthen it
    std::size_t i = 0;
    auto literal = [&](std::uint8_t b, bool escape) {
        if (escape || escape_next || always_escaped(b) || is_blank(b) || starts_escape(t, i))
            out += byte_escape(b);
        else
            append_char(out, b);
        escape_next = false;
        operand.byte(b);
        ++i;
    };
    while (i < t.size()) {
        std::uint8_t b = at(t, i);
        if (escape_next) {
            literal(b, true);
            continue;
        }
        if (b == '"') {
            std::size_t close = t.find('"', i + 1);
            if (close == std::string_view::npos) {
                literal(b, true); // an unterminated string would not compile
                continue;
            }
            out += '"';
            out += verbatim(t.substr(i + 1, close - i - 1), false);
            out += '"';
            operand.byte('"');
            i = close + 1;
            continue;
        }
        if (b == '@' && i + 1 < t.size()) {
            std::uint8_t token = at(t, i + 1);
            std::string_view name = function_name(token);
            if (!name.empty()) {
                out += name;
                out += '(';
                operand.call_head();
                i += 2;
                continue;
            }
            if (token == declared_call_token && i + 3 < t.size()) {
                int line = at(t, i + 2) | (at(t, i + 3) << 8);
                if (auto it = m_functions.find(line); it != m_functions.end()) {
                    out += "@" + it->second + "(";
                    operand.call_head();
                    i += 4;
                    continue;
                }
            }
        }
        if (b == '@') {
            literal(b, true);
            continue;
        }
        if (is_type_char(b) && operand.at_operand_start()) {
            std::string_view name = i + 1 < t.size() ? sysvar_name(at(t, i + 1)) : std::string_view();
            if (!name.empty()) {
                out += static_cast<char>(b);
                out += name.substr(1);
                operand.system_variable();
                i += 2;
                escape_next = i < t.size() && is_name_byte(at(t, i));
                continue;
            }
            std::size_t end = i + 1;
            while (end < t.size() && is_name_byte(at(t, end)))
                ++end;
            bool reads_as_system_variable = end > i + 1 && sysvar_token_of(t.substr(i + 1, end - i - 1));
            literal(b, reads_as_system_variable);
            continue;
        }
        literal(b, false);
    }
    return out;
}

std::string Lister::line_form(std::size_t index)
{
    const std::string& line = m_lines[index];
    if (!m_raw[index]) {
        if (auto pretty = statement(line, static_cast<int>(index) + 1, false))
            return *pretty;
        m_raw[index] = true;
    }
    return raw(line);
}

std::string Lister::run()
{
    std::vector<std::string> forms(m_lines.size());
    for (;;) {
        name_symbols();
        std::string source;
        for (std::size_t i = 0; i < m_lines.size(); ++i) {
            forms[i] = line_form(i);
            source += forms[i];
            source += '\n';
        }
        CompileResult check = compile_source(source);
        bool changed = false;
        for (std::size_t i = 0; i < m_lines.size(); ++i) {
            bool same = i < check.lines.size() && check.lines[i] && *check.lines[i] == m_lines[i];
            if (!same && !m_raw[i]) {
                m_raw[i] = true;
                changed = true;
            }
        }
        if (!changed)
            break;
    }

    // Indent blocks; the compiler ignores leading blanks.
    std::string out;
    int depth = 0;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        auto token = static_cast<Tok>(m_lines[i].empty() ? 0 : at(m_lines[i], 0));
        bool closes = token == Tok::Endif || token == Tok::Wend || token == Tok::Endproc;
        bool middle = token == Tok::Else || token == Tok::Elseif;
        if (closes && depth > 0)
            --depth;
        int indent = middle && depth > 0 ? depth - 1 : depth;
        out.append(static_cast<std::size_t>(indent) * 4, ' ');
        out += forms[i];
        out += '\n';
        if (token == Tok::If || token == Tok::Ifnot || token == Tok::While || token == Tok::Whilenot || token == Tok::Proc)
            ++depth;
    }
    return out;
}

} // namespace

std::string list_program(const std::vector<std::string>& lines)
{
    return Lister(lines).run();
}

} // namespace talven::tools
