// Lexical rules that the compiler and the lister must apply identically:
// which bytes make names, when a type prefix starts a system variable, how
// depth is counted when a line is split at ":", and how bytes are escaped.
// The lister's output is only correct if it predicts the compiler exactly,
// so both use these helpers rather than their own copies.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace talven::tools {

// Letters, digits and "_", plus the accented letters of the code page.
constexpr bool is_name_byte(std::uint8_t b)
{
    return (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || b == '_'
        || (b >= 0xC0 && b != 0xD7 && b != 0xF7);
}

constexpr bool is_type_char(std::uint8_t b)
{
    return b == '%' || b == '&' || b == '!' || b == '$';
}

constexpr bool is_blank(std::uint8_t b) { return b == ' ' || b == '\t'; }

// The runtime's case rule: a-z and the accented lower-case letters lose 0x20.
constexpr std::uint8_t upper_1252(std::uint8_t b)
{
    if ((b >= 'a' && b <= 'z') || (b >= 0xE0 && b <= 0xFE && b != 0xF7))
        return static_cast<std::uint8_t>(b - 0x20);
    return b;
}

std::string upper_1252(std::string_view text);

// A command keyword or a word of the source language alone (DEFFN, DEFDLL,
// DEFDLL16, ENDWHILE): no procedure may take such a name.
bool is_reserved_word(std::string_view upper);

// Tracks whether the next byte starts an operand. A type prefix turns into
// a system variable only there, so "A%" stays a variable and "$FF" after a
// comma stays a hex literal unless FF were a system variable name.
class OperandContext {
public:
    bool at_operand_start() const { return m_start; }
    void byte(std::uint8_t b)
    {
        m_start = !(is_name_byte(b) || is_type_char(b) || b == '#' || b == ')' || b == ']' || b == '"');
    }
    // After "@" and a function token the arguments begin.
    void call_head() { m_start = true; }
    void system_variable() { m_start = false; }

private:
    bool m_start = true;
};

// Depth as the runtime's splitter counts it over the compiled bytes: a
// quote skips to the next quote; "(" and "@" raise, ")" lowers the level;
// "[" and "]" the bracket level. A separator counts only at depth zero.
class DepthTracker {
public:
    void byte(std::uint8_t b)
    {
        if (m_quoted) {
            m_quoted = b != '"';
            return;
        }
        switch (b) {
        case '"': m_quoted = true; break;
        case '(': case '@': ++m_parens; break;
        case ')': --m_parens; break;
        case '[': ++m_brackets; break;
        case ']': --m_brackets; break;
        default: break;
        }
    }
    bool at_zero() const { return !m_quoted && m_parens == 0 && m_brackets == 0; }

private:
    bool m_quoted = false;
    int m_parens = 0;
    int m_brackets = 0;
};

// "\{HH}" for a byte, upper-case hex.
std::string byte_escape(std::uint8_t b);

} // namespace talven::tools
