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
    StringLiteral, // a string literal: only the type and the text change
    Scalar,        // a scalar variable: suffix and name below
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
};

class ArgCache {
public:
    // The entry for an argument text starting at begin, or null when the
    // text does not lie in the program.
    ArgEntry* entry_at(const char* program, std::size_t program_size, const char* begin)
    {
        if (begin < program || begin >= program + program_size)
            return nullptr;
        if (m_index.size() != program_size)
            m_index.assign(program_size, nullptr);
        ArgEntry*& entry = m_index[static_cast<std::size_t>(begin - program)];
        if (!entry)
            entry = &m_entries.emplace_back();
        return entry;
    }

private:
    std::vector<ArgEntry*> m_index; // by offset of the argument's first byte
    std::deque<ArgEntry> m_entries; // entries stay put while nested fetches add more
};

} // namespace talven
