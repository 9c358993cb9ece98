// Source text to program lines. Each source line is decoded into units (a
// 1252 byte, or a byte written as an escape, which never takes part in the
// syntax), then compiled in two passes: the first collects the names of
// procedures and declared functions with their line numbers, the second
// compiles every line, so calls may come before their definitions.
#include "tools/compiler.h"

#include "core/tokens.h"
#include "tools/cp1252.h"
#include "tools/source_syntax.h"
#include "tools/tvc_format.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>
#include <set>
#include <span>

namespace talven::tools {
namespace {

constexpr int max_parameters = 12;

struct Unit {
    std::uint8_t byte = 0;
    bool escaped = false; // written as an escape: never part of the syntax
    bool nothing = false; // the empty escape, which makes an empty line
    int column = 0;
};

using Units = std::span<const Unit>;

struct SourceLine {
    int number = 0;
    std::vector<Unit> units;
    bool failed = false;
};

bool is_plain(const Unit& u, std::uint8_t b) { return !u.escaped && u.byte == b; }
bool is_plain_blank(const Unit& u) { return !u.escaped && is_blank(u.byte); }

Units trim_leading(Units u)
{
    std::size_t i = 0;
    while (i < u.size() && is_plain_blank(u[i]))
        ++i;
    return u.subspan(i);
}

Units trim(Units u)
{
    u = trim_leading(u);
    std::size_t n = u.size();
    while (n > 0 && is_plain_blank(u[n - 1]))
        --n;
    return u.first(n);
}

// End of the run of unescaped name bytes that starts at i.
std::size_t name_run(Units u, std::size_t i)
{
    while (i < u.size() && !u[i].escaped && is_name_byte(u[i].byte))
        ++i;
    return i;
}

// End of a run plus one optional unescaped type character.
std::size_t with_type_char(Units u, std::size_t run_end)
{
    if (run_end < u.size() && !u[run_end].escaped && is_type_char(u[run_end].byte))
        return run_end + 1;
    return run_end;
}

std::string bytes_of(Units u, std::size_t from, std::size_t to)
{
    std::string out;
    for (std::size_t i = from; i < to; ++i)
        out += static_cast<char>(u[i].byte);
    return out;
}

// A label line: a name (escaped name bytes allowed after the first), a
// colon, and nothing but blanks after it.
bool is_label(Units u)
{
    std::size_t i = 0;
    while (i < u.size() && !u[i].nothing && is_name_byte(u[i].byte) && (i > 0 || !u[i].escaped))
        ++i;
    if (i == 0 || i >= u.size() || !is_plain(u[i], ':'))
        return false;
    for (std::size_t j = i + 1; j < u.size(); ++j)
        if (!is_plain_blank(u[j]))
            return false;
    return true;
}

std::string hex4(char32_t cp)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(cp));
    return buffer;
}

int hex_value(char32_t c)
{
    if (c >= '0' && c <= '9')
        return static_cast<int>(c - '0');
    if (c >= 'a' && c <= 'f')
        return static_cast<int>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F')
        return static_cast<int>(c - 'A' + 10);
    return -1;
}

enum class HeadKind { Rem, Proc, DefFn, DefDll, DefDll16, Jump, Prefix, Command, ProcCall };

struct Head {
    HeadKind kind;
    std::uint8_t token = 0;
    int line = 0; // PROC line of a procedure call
};

class Compiler {
public:
    CompileResult run(std::string_view source);

private:
    bool decode(std::string_view text, int number, bool first, std::vector<Unit>& units);
    void collect_names(std::size_t index, SourceLine& line);
    std::optional<std::string> compile_line(const SourceLine& line);
    std::optional<Head> lookup_head(const std::string& upper_word) const;
    bool statement(Units u, std::string& out, bool after_prefix);
    bool procedure(Units rest, std::string& out, int column);
    bool definition(HeadKind kind, Units rest, std::string& out, int column);
    bool jump_target(Units rest, std::string& out);
    bool raw(Units u, std::string& out);
    bool expression(Units u, std::string& out, std::size_t* colon_at);
    bool call(Units u, std::size_t& i, std::string& out, DepthTracker& depth, OperandContext& operand);
    bool error(int column, std::string message);

    std::map<std::string, int> m_procedures; // upper-case name -> PROC line
    std::map<std::string, int> m_functions;  // upper-case name -> definition line
    std::vector<Diagnostic> m_diagnostics;
    int m_source_line = 0;
};

bool Compiler::error(int column, std::string message)
{
    m_diagnostics.push_back({m_source_line, column, std::move(message)});
    return false;
}

bool Compiler::decode(std::string_view text, int number, bool first, std::vector<Unit>& units)
{
    m_source_line = number;
    std::size_t pos = 0;
    if (first && text.substr(0, 3) == "\xEF\xBB\xBF")
        pos = 3;
    int column = 0;
    while (pos < text.size()) {
        ++column;
        auto cp = next_utf8(text, pos);
        if (!cp)
            return error(column, "malformed UTF-8");
        if (*cp == '\\' && pos < text.size() && text[pos] == '{') {
            // \{HH} is a raw byte; \{} alone on a line is the empty line.
            Unit unit{0, true, false, column};
            std::size_t p = pos + 1;
            if (p < text.size() && text[p] == '}') {
                unit.nothing = true;
                pos = p + 1;
                column += 2;
            } else {
                int high = p < text.size() ? hex_value(static_cast<unsigned char>(text[p])) : -1;
                int low = p + 1 < text.size() ? hex_value(static_cast<unsigned char>(text[p + 1])) : -1;
                if (high < 0 || low < 0 || p + 2 >= text.size() || text[p + 2] != '}')
                    return error(column, "bad escape: a raw byte is written \\{HH} with two hex digits "
                                         "(a backslash followed by a brace is \\{5C}{)");
                unit.byte = static_cast<std::uint8_t>(high * 16 + low);
                pos = p + 3;
                column += 4;
            }
            units.push_back(unit);
            continue;
        }
        auto byte = cp1252_from_unicode(*cp);
        if (!byte)
            return error(column, "character " + hex4(*cp)
                    + " cannot be written in Windows-1252 (use \\{HH} for a raw byte)");
        units.push_back({*byte, false, false, column});
    }
    return true;
}

// First pass: names of procedures and declared functions. Clashes fail the
// line that declares the name a second time.
void Compiler::collect_names(std::size_t index, SourceLine& line)
{
    m_source_line = line.number;
    int number = static_cast<int>(index) + 1;
    Units u = trim_leading(line.units);
    if (u.empty() || u[0].escaped || is_label(u))
        return;
    std::size_t run_end = name_run(u, 0);
    if (run_end == 0 || with_type_char(u, run_end) != run_end)
        return;
    std::string word = upper_1252(bytes_of(u, 0, run_end));
    bool is_proc = word == command_keyword(Tok::Proc);
    bool is_def = word == "DEFFN" || word == "DEFDLL" || word == "DEFDLL16";
    if (!is_proc && !is_def)
        return;
    Units rest = trim_leading(u.subspan(run_end));
    std::size_t name_end = name_run(rest, 0);
    if (name_end == 0)
        return; // the second pass reports the missing name
    if (is_def)
        name_end = with_type_char(rest, name_end);
    std::string name = upper_1252(bytes_of(rest, 0, name_end));
    int column = rest[0].column;
    if (is_proc) {
        if (is_reserved_word(name))
            line.failed = !error(column, "procedure name \"" + name + "\" is a keyword");
        else if (!m_procedures.emplace(name, number).second)
            line.failed = !error(column, "procedure \"" + name + "\" is already defined");
    } else {
        if (function_token_of("@" + name))
            line.failed = !error(column, "\"" + name + "\" is the name of a built-in function");
        else if (!m_functions.emplace(name, number).second)
            line.failed = !error(column, "function \"" + name + "\" is already declared");
    }
}

std::optional<Head> Compiler::lookup_head(const std::string& word) const
{
    if (word == "DEFFN")
        return Head{HeadKind::DefFn, token_byte(Tok::Definition)};
    if (word == "DEFDLL")
        return Head{HeadKind::DefDll, token_byte(Tok::Definition)};
    if (word == "DEFDLL16")
        return Head{HeadKind::DefDll16, token_byte(Tok::Definition)};
    if (word == "ENDWHILE")
        return Head{HeadKind::Command, token_byte(Tok::Wend)};
    if (auto token = command_token_of(word)) {
        switch (static_cast<Tok>(*token)) {
        case Tok::Rem: return Head{HeadKind::Rem, *token};
        case Tok::Proc: return Head{HeadKind::Proc, *token};
        case Tok::Goto: case Tok::Gosub: return Head{HeadKind::Jump, *token};
        case Tok::When: case Tok::Unless: return Head{HeadKind::Prefix, *token};
        default: return Head{HeadKind::Command, *token};
        }
    }
    if (auto it = m_procedures.find(word); it != m_procedures.end())
        return Head{HeadKind::ProcCall, procedure_call_token, it->second};
    return std::nullopt;
}

std::optional<std::string> Compiler::compile_line(const SourceLine& line)
{
    m_source_line = line.number;
    Units u = trim(line.units);
    if (u.size() == 1 && u[0].nothing)
        return std::string();
    std::string out;
    if (!statement(u, out, false))
        return std::nullopt;
    if (out.size() > tvc_max_line_length) {
        error(u[0].column, "line too long: " + std::to_string(out.size())
                + " bytes after compiling (at most 254)");
        return std::nullopt;
    }
    return out;
}

bool Compiler::statement(Units u, std::string& out, bool after_prefix)
{
    u = trim_leading(u);
    if (u.empty())
        return true; // a prefix with nothing after its ":"
    const Unit& first = u[0];
    if (first.nothing)
        return error(first.column, "\\{} stands for an empty line and must stand alone");
    if (first.escaped) {
        out += static_cast<char>(first.byte);
        return raw(u.subspan(1), out);
    }
    if (first.byte == '\'') {
        out += static_cast<char>(Tok::Rem);
        Units text = u.subspan(1);
        if (!text.empty() && is_plain_blank(text[0]))
            text = text.subspan(1);
        return raw(text, out);
    }
    if (first.byte == '@') {
        out += static_cast<char>(Tok::FunctionStatement);
        return expression(u, out, nullptr);
    }
    if (!after_prefix && is_label(u)) {
        out += static_cast<char>(Tok::Nop);
        for (const Unit& x : u) {
            out += static_cast<char>(x.byte);
            if (is_plain(x, ':'))
                break;
        }
        return true;
    }
    std::size_t run_end = name_run(u, 0);
    if (run_end == 0)
        return error(first.column, "a statement begins with a keyword, a procedure name, a label, \"@\" or \"'\"");
    std::size_t word_end = with_type_char(u, run_end);
    // "DIM%" is one keyword; in "PRINT$X" the "$" begins the argument.
    std::optional<Head> head;
    std::size_t head_end = word_end;
    for (std::size_t end : {word_end, run_end}) {
        head = lookup_head(upper_1252(bytes_of(u, 0, end)));
        if (head) {
            head_end = end;
            break;
        }
    }
    std::string word = bytes_of(u, 0, word_end);
    if (!head)
        return error(first.column, "unknown keyword \"" + word + "\" (not a command or procedure)");
    Units rest = u.subspan(head_end);
    bool defines = head->kind == HeadKind::Proc || head->kind == HeadKind::DefFn
        || head->kind == HeadKind::DefDll || head->kind == HeadKind::DefDll16;
    if (after_prefix && defines)
        return error(first.column, word + " cannot follow WHEN or UNLESS");

    switch (head->kind) {
    case HeadKind::Rem:
        out += static_cast<char>(Tok::Rem);
        if (!rest.empty() && is_plain_blank(rest[0]))
            rest = rest.subspan(1);
        return raw(rest, out);
    case HeadKind::Proc:
        return procedure(rest, out, first.column);
    case HeadKind::DefFn:
    case HeadKind::DefDll:
    case HeadKind::DefDll16:
        return definition(head->kind, rest, out, first.column);
    case HeadKind::Jump:
        out += static_cast<char>(head->token);
        return jump_target(rest, out);
    case HeadKind::Prefix: {
        out += static_cast<char>(head->token);
        std::size_t colon = rest.size();
        if (!expression(rest, out, &colon))
            return false;
        if (colon == rest.size())
            return error(first.column, "\":\" expected after the condition of " + word);
        out += ':';
        return statement(rest.subspan(colon + 1), out, true);
    }
    case HeadKind::Command:
        out += static_cast<char>(head->token);
        return expression(rest, out, nullptr);
    case HeadKind::ProcCall:
        out += static_cast<char>(head->token);
        out += static_cast<char>(head->line & 0xFF);
        out += static_cast<char>(head->line >> 8);
        return expression(rest, out, nullptr);
    }
    return false;
}

bool Compiler::procedure(Units rest, std::string& out, int column)
{
    rest = trim(rest);
    std::size_t end = name_run(rest, 0);
    if (end == 0)
        return error(column, "procedure name expected after PROC");
    if (end != rest.size())
        return error(rest[end].column, "unexpected text after the procedure name (parameters are bound with PARAMETERS)");
    out += static_cast<char>(Tok::Proc);
    out += upper_1252(bytes_of(rest, 0, end));
    return true;
}

bool Compiler::definition(HeadKind kind, Units rest, std::string& out, int column)
{
    rest = trim_leading(rest);
    std::size_t name_end = with_type_char(rest, name_run(rest, 0));
    if (name_run(rest, 0) == 0)
        return error(column, "function name expected");
    std::string name = upper_1252(bytes_of(rest, 0, name_end));
    Units after = trim_leading(rest.subspan(name_end));
    if (after.empty() || !is_plain(after[0], '('))
        return error(after.empty() ? column : after[0].column, "\"(\" and the number of parameters expected after the function name");
    Units count = trim_leading(after.subspan(1));
    std::size_t digits = 0;
    while (digits < count.size() && !count[digits].escaped && count[digits].byte >= '0' && count[digits].byte <= '9')
        ++digits;
    Units close = trim_leading(count.subspan(digits));
    if (digits == 0 || close.empty() || !is_plain(close[0], ')'))
        return error(after[0].column, "the number of parameters is written as a decimal count in parentheses, as in (2)");
    std::string count_text = bytes_of(count, 0, digits);
    int n = -1;
    auto [ptr, ec] = std::from_chars(count_text.data(), count_text.data() + count_text.size(), n);
    if (ec != std::errc() || n < 0 || n > max_parameters)
        return error(count[0].column, "a declared function has 0 to 12 parameters");

    Units body_units = close.subspan(1);
    std::string body;
    if (!expression(body_units, body, nullptr))
        return false;
    Units body_start = trim_leading(body_units);
    int body_column = body_start.empty() ? close[0].column : body_start[0].column;

    out += static_cast<char>(Tok::Definition);
    // The runtime skips these four characters; they let a listing name the function.
    std::string tag = name.substr(0, 4);
    tag.resize(4, ' ');
    out += tag;
    out += std::to_string(n);
    out += ')';

    if (kind == HeadKind::DefFn) {
        if (body.empty())
            return error(body_column, "expression expected after the parameter count");
        if (body[0] == '!' || body[0] == '*')
            return error(body_column, "an expression body must not begin with \"!\" or \"*\" (those mark DLL functions)");
        out += body;
        return true;
    }

    // The items of a DLL declaration are split at commas outside strings
    // and parentheses, as the runtime will fetch them.
    std::vector<std::string> items(1);
    DepthTracker depth;
    for (char c : body) {
        auto b = static_cast<std::uint8_t>(c);
        if (b == ',' && depth.at_zero())
            items.emplace_back();
        else
            items.back() += c;
        depth.byte(b);
    }
    if (items.size() > 1 && items.back().empty())
        items.pop_back(); // a trailing comma is allowed
    std::size_t wanted = kind == HeadKind::DefDll ? 2 : 4;
    bool complete = items.size() == wanted;
    for (const auto& item : items)
        complete = complete && !item.empty();
    if (!complete)
        return error(body_column, kind == HeadKind::DefDll
                ? "DEFDLL expects two items: \"LIBRARY.DLL\", \"Function\""
                : "DEFDLL16 expects four items: \"LIBRARY.DLL\", \"Function\", \"parameter types\", \"result type\"");
    if (kind == HeadKind::DefDll) {
        out += '!';
        for (const auto& item : items)
            out += item + ",";
    } else {
        out += '*';
        for (std::size_t i = 0; i < items.size(); ++i)
            out += (i ? "," : "") + items[i];
    }
    return true;
}

// A bare name after GOTO or GOSUB is the label's name as a string.
bool Compiler::jump_target(Units rest, std::string& out)
{
    Units target = trim(rest);
    if (!target.empty() && name_run(target, 0) == target.size()) {
        out += '"';
        out += bytes_of(target, 0, target.size());
        out += '"';
        return true;
    }
    return expression(rest, out, nullptr);
}

bool Compiler::raw(Units u, std::string& out)
{
    for (const Unit& x : u) {
        if (x.nothing)
            return error(x.column, "\\{} stands for an empty line and must stand alone");
        out += static_cast<char>(x.byte);
    }
    return true;
}

// Argument text: blanks outside strings are dropped, names after "@" and
// after a type prefix become tokens. With `colon_at` the text ends at the
// first ":" at depth zero, whose index is stored there.
bool Compiler::expression(Units u, std::string& out, std::size_t* colon_at)
{
    DepthTracker depth;
    OperandContext operand;
    auto emit = [&](std::uint8_t b) {
        out += static_cast<char>(b);
        depth.byte(b);
        operand.byte(b);
    };
    std::size_t i = 0;
    while (i < u.size()) {
        const Unit& x = u[i];
        if (x.nothing)
            return error(x.column, "\\{} stands for an empty line and must stand alone");
        if (x.escaped) {
            emit(x.byte);
            ++i;
            continue;
        }
        std::uint8_t b = x.byte;
        if (is_blank(b)) {
            ++i;
            continue;
        }
        if (colon_at && b == ':' && depth.at_zero()) {
            *colon_at = i;
            return true;
        }
        if (b == '"') {
            std::size_t j = i + 1;
            while (j < u.size() && !is_plain(u[j], '"'))
                ++j;
            if (j == u.size())
                return error(x.column, "unterminated string");
            for (std::size_t k = i; k <= j; ++k) {
                if (u[k].nothing)
                    return error(u[k].column, "\\{} stands for an empty line and must stand alone");
                emit(u[k].byte);
            }
            i = j + 1;
            continue;
        }
        if (b == '@') {
            if (!call(u, i, out, depth, operand))
                return false;
            continue;
        }
        if (is_type_char(b) && operand.at_operand_start()) {
            std::size_t end = name_run(u, i + 1);
            if (end > i + 1) {
                if (auto token = sysvar_token_of(bytes_of(u, i + 1, end))) {
                    out += static_cast<char>(b);
                    out += static_cast<char>(*token);
                    depth.byte(b);
                    depth.byte(*token);
                    operand.system_variable();
                    i = end;
                    continue;
                }
            }
        }
        emit(b);
        ++i;
    }
    return true;
}

// "@NAME(" at u[i]: "@" and the function token, or "@", the declared-call
// token and the definition's line; one "(" after the name is dropped.
bool Compiler::call(Units u, std::size_t& i, std::string& out, DepthTracker& depth, OperandContext& operand)
{
    std::size_t run_end = name_run(u, i + 1);
    std::size_t type_end = with_type_char(u, run_end);
    std::string head;
    std::size_t end = 0;
    for (std::size_t candidate : {type_end, run_end}) {
        std::string name = bytes_of(u, i + 1, candidate);
        if (auto token = function_token_of("@" + name)) {
            head = {'@', static_cast<char>(*token)};
        } else if (auto it = m_functions.find(upper_1252(name)); it != m_functions.end() && !name.empty()) {
            head = {'@', static_cast<char>(declared_call_token), static_cast<char>(it->second & 0xFF),
                static_cast<char>(it->second >> 8)};
        } else {
            continue;
        }
        end = candidate;
        break;
    }
    if (head.empty())
        return error(u[i].column, "unknown function \"@" + bytes_of(u, i + 1, type_end) + "\"");
    out += head;
    for (char c : head)
        depth.byte(static_cast<std::uint8_t>(c));
    operand.call_head();
    std::size_t next = end;
    while (next < u.size() && is_plain_blank(u[next]))
        ++next;
    i = next < u.size() && is_plain(u[next], '(') ? next + 1 : end;
    return true;
}

CompileResult Compiler::run(std::string_view source)
{
    CompileResult result;
    std::vector<SourceLine> lines;
    int number = 0;
    std::size_t pos = 0;
    while (pos < source.size()) {
        std::size_t end = source.find('\n', pos);
        if (end == std::string_view::npos)
            end = source.size();
        std::string_view text = source.substr(pos, end - pos);
        if (!text.empty() && text.back() == '\r')
            text.remove_suffix(1);
        ++number;
        SourceLine line;
        line.number = number;
        line.failed = !decode(text, number, number == 1, line.units);
        bool blank = !line.failed && trim(line.units).empty();
        if (!blank) {
            if (lines.size() == tvc_max_lines) {
                m_source_line = number;
                error(1, "more than 32767 program lines");
                break;
            }
            lines.push_back(std::move(line));
        }
        pos = end + 1;
    }

    for (std::size_t i = 0; i < lines.size(); ++i)
        if (!lines[i].failed)
            collect_names(i, lines[i]);
    for (const auto& line : lines) {
        result.source_lines.push_back(line.number);
        result.lines.push_back(line.failed ? std::nullopt : compile_line(line));
    }
    result.diagnostics = std::move(m_diagnostics);
    std::stable_sort(result.diagnostics.begin(), result.diagnostics.end(),
        [](const Diagnostic& a, const Diagnostic& b) { return a.line < b.line; });
    return result;
}

} // namespace

std::vector<std::string> CompileResult::program() const
{
    std::vector<std::string> out;
    for (const auto& line : lines)
        out.push_back(line.value_or(std::string()));
    return out;
}

CompileResult compile_source(std::string_view utf8_source)
{
    return Compiler().run(utf8_source);
}

std::string format_diagnostic(std::string_view file, const Diagnostic& d)
{
    return std::string(file) + ":" + std::to_string(d.line) + ":" + std::to_string(d.column) + ": " + d.message;
}

} // namespace talven::tools
