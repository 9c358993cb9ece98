// Calls that the loop and the function dispatcher hand to control flow.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "values/variables.h"

namespace talven {

struct Runtime;

// The line a GOTO with a literal label reaches, for the argument text it
// was found with.
struct JumpTarget {
    const char* args = nullptr;
    std::int32_t target = 0;
};

// A declaration list of plain names, as its text said the last time: the
// names in order with the parameter slot each takes (0 for DECLARE, -1 for
// a name PARAMETERS passes over).
struct DeclarationList {
    const char* args = nullptr;
    std::vector<std::pair<VarName, int>> names;
};

// Labels are looked up by their text as it is, without making a string.
struct LabelHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

// Remembered results of scans over the line table. Lines never change while
// a program runs, so a remembered answer is the same answer.
struct FlowCache {
    std::vector<std::int32_t> partner;                              // -1: not scanned yet; 0: none
    std::vector<std::vector<std::int32_t>> if_stops;                // by line number; empty: not scanned
    std::unordered_map<std::string, std::int32_t, LabelHash, std::equal_to<>> labels; // 0: no such label
    std::vector<JumpTarget> jump_targets;                           // GOTO and GOSUB, by line number
    std::vector<DeclarationList> declarations;                      // by line number
};

// A call of a function declared on a definition line (token 0x83).
void call_declared_function(Runtime& rt, std::uint8_t token);

} // namespace talven
