// Compiled arguments. Lines never change while a program runs, so what an
// argument's text says (where it ends, what kind of argument it is, the
// value of a literal, which variable it names, which function it calls and
// where that call's text ended) is worked out on its first fetch and kept
// per text position. Every later fetch at the same position, with the same
// separator and expected type, runs from the node without reading the text.
// Whatever a node cannot express exactly stays on the text path, which is
// the reference.
#pragma once

#include <cstdint>
#include <deque>
#include <string_view>
#include <vector>

#include "values/value.h"
#include "values/variables.h"

namespace talven {

struct Runtime;
struct Number;
struct ArgNode;

// How an argument is split off the front of the argument text.
struct SplitResult {
    std::uint16_t length = 0;   // the argument's bytes
    std::uint16_t advance = 0;  // bytes removed from the argument text
    char separator = ' ';       // the separator register afterwards
    bool sets_last = false;     // sets the last-argument flag
};

enum class ArgKind : std::uint8_t {
    Unknown,       // nothing the node can run: the text path evaluates it
    Literal,       // a string or number literal with its value below
    PlainNumber,   // a number literal written as its own digits ("1", "-3")
    StringLiteral, // a string literal: only the type and the text change
    Scalar,        // a scalar variable
    ArrayElement,  // an element of an array declared with bounds
    SystemVariable,
    Call,          // a function call: "@", the token, its arguments
};

// A scalar variable named in the text. Its slot is looked up again
// whenever the store's declarations have changed since.
struct ScalarRef {
    char suffix = 0;
    VarName name;
    std::uint64_t epoch = 0;
    void* slot = nullptr;

    void* find(VariableStore& store)
    {
        if (epoch != store.epoch) [[unlikely]] {
            slot = find_scalar_slot(store, suffix, name.view());
            epoch = store.epoch;
        }
        return slot;
    }
};

// A function call as it ran the last time: where its handler left the
// text, and what the fetch took after it (the ")" and a separator).
struct CallShape {
    std::uint8_t token = 0;
    void (*handler)(Runtime&) = nullptr; // null: a declared function
    const char* handler_end = nullptr;
    std::uint16_t after = 0;
    char separator = ' ';
    bool sets_separator = false;
    bool sets_last = false;
    // A function of two numbers whose arguments are compiled: its kernel
    // and the nodes of both arguments, which the call loads itself.
    void (*kernel)(Runtime&, const Number&, const Number&) = nullptr;
    ArgNode* first = nullptr;
    ArgNode* second = nullptr;
};

// The target of a LET line: where the value starts, and the scalar or the
// array element reference that receives it.
struct AssignmentShape {
    const char* value_begin = nullptr;
    const char* value_end = nullptr;
    const char* element_begin = nullptr;
    std::size_t element_length = 0;
    ScalarRef target;
};

// An array element reference starting at the node's position: its name,
// where its index text lies, and the array found while the directory held
// array_count arrays.
struct ElementShape {
    const char* reference_end = nullptr;
    std::uint16_t index_begin = 0;
    std::uint16_t index_length = 0;
    VarName array_name;
    int array_count = -1;
    ArrayDescriptor* array = nullptr;
};

struct ArgNode {
    // The key: where the argument text ended and what was asked for.
    const char* text_end = nullptr;
    char separator = 0;
    Expect expect = Expect::Any;

    SplitResult split;
    ArgKind kind = ArgKind::Unknown;
    ValueType type = ValueType::None;
    std::uint8_t sysvar = 0;
    ScalarRef scalar;
    Value literal;
    CallShape call;

    // The facets of a position that other readers remember beside the
    // argument: each is checked against its own end, so none disturbs the
    // others.
    ElementShape element;
    AssignmentShape assignment;
    const char* assignment_end = nullptr;

    bool matches(const char* end, char sep, Expect exp) const
    {
        return text_end == end && separator == sep && expect == exp;
    }
    // Makes the node the one for this key, forgetting the argument it held.
    void rekey(const char* end, char sep, Expect exp)
    {
        text_end = end;
        separator = sep;
        expect = exp;
        split = SplitResult{};
        kind = ArgKind::Unknown;
        type = ValueType::None;
        scalar = ScalarRef{};
        call = CallShape{};
    }
};

// The nodes of the loaded program, found by the position of their text.
// Empty (every lookup misses) while compilation is off.
class CompiledArguments {
public:
    void reset(const char* program, std::size_t program_size)
    {
        m_program = program;
        m_size = program_size;
        m_index.assign(program_size, nullptr);
        m_nodes.clear();
    }

    // The node for an argument text starting at begin, or null.
    ArgNode* find(const char* begin) const
    {
        std::size_t offset = static_cast<std::size_t>(begin - m_program);
        return offset < m_size ? m_index[offset] : nullptr;
    }

    // The node for an argument text starting at begin, made when missing;
    // null when the text does not lie in the program.
    ArgNode* node_at(const char* begin)
    {
        std::size_t offset = static_cast<std::size_t>(begin - m_program);
        if (offset >= m_index.size())
            return nullptr;
        ArgNode*& node = m_index[offset];
        if (!node)
            node = &m_nodes.emplace_back();
        return node;
    }

private:
    const char* m_program = nullptr;
    std::size_t m_size = 0;
    std::vector<ArgNode*> m_index; // by offset of the argument's first byte
    std::deque<ArgNode> m_nodes;   // nodes stay put while nested fetches add more
};

// Where the next argument ends: a pure function of the text and the
// separator asked for.
SplitResult split_argument(std::string_view text, char separator);

// What the text alone says about an argument: its kind and, for literals,
// its value. Sets the node's kind (Unknown when nothing fits).
void classify_argument(std::string_view argument, Expect expect, ArgNode& node);

// The type a "$", "!", "&" or "%" gives, as a suffix or a prefix.
ValueType type_of_prefix(char c);

} // namespace talven
