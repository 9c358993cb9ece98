// Remembered analysis of argument texts. The argument text is re-parsed
// every time a line runs; since lines never change, whatever follows from
// the text alone (where an argument ends, what kind of argument it is, the
// value of a literal) is worked out once per position and reused. Variable
// slots are remembered too, checked against the store's declaration epoch.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "values/value.h"
#include "values/variables.h"

namespace talven {

// How an argument is split off the front of the argument text.
struct SplitResult {
    std::uint16_t length = 0;   // the argument's bytes
    std::uint16_t advance = 0;  // bytes removed from the argument text
    char separator = ' ';       // the separator register afterwards
    bool sets_last = false;     // sets the last-argument flag
};

enum class ArgKind : std::uint8_t {
    Unknown,       // not analysed: the full evaluation runs
    Literal,       // a string or number literal with its value below
    PlainNumber,   // a number literal written as its own digits ("1", "-3")
    StringLiteral, // a string literal: only the type and the text change
    Scalar,        // a scalar variable: suffix and name below
    ArrayElement,  // an element of an array declared with bounds
    SystemVariable,
};

struct ArgEntry {
    // The key: where the argument text ended and what was asked for.
    const char* text_end = nullptr;
    char separator = 0;
    Expect expect = Expect::Any;

    SplitResult split;
    ArgKind kind = ArgKind::Unknown;
    char suffix = 0;
    std::uint8_t sysvar = 0;
    ValueType type = ValueType::None;
    VarName name;
    Value literal;

    // The variable's value found at this epoch of the store.
    std::uint64_t epoch = 0;
    void* slot = nullptr;

    // An array element reference starting here: its name, where its index
    // text lies, and the array found while the directory held array_count.
    const char* reference_end = nullptr;
    std::uint16_t index_begin = 0;
    std::uint16_t index_length = 0;
    VarName array_name;
    int array_count = -1;
    ArrayDescriptor* array = nullptr;
};

class ArgCache {
public:
    // Binds the cache to the loaded program's bytes.
    void reset(const char* program, std::size_t program_size)
    {
        m_program = program;
        m_size = program_size;
        m_index.assign(program_size, nullptr);
        m_entries.clear();
    }

    // The entry remembered for an argument text starting at begin, or null.
    ArgEntry* find(const char* begin) const
    {
        std::size_t offset = static_cast<std::size_t>(begin - m_program);
        return offset < m_size ? m_index[offset] : nullptr;
    }

    // The entry for an argument text starting at begin, made when missing;
    // null when the text does not lie in the program.
    ArgEntry* entry_at(const char* begin)
    {
        std::size_t offset = static_cast<std::size_t>(begin - m_program);
        if (offset >= m_index.size())
            return nullptr;
        ArgEntry*& entry = m_index[offset];
        if (!entry)
            entry = &m_entries.emplace_back();
        return entry;
    }

private:
    const char* m_program = nullptr;
    std::size_t m_size = 0;
    std::vector<ArgEntry*> m_index; // by offset of the argument's first byte
    std::deque<ArgEntry> m_entries; // entries stay put while nested fetches add more
};

} // namespace talven
