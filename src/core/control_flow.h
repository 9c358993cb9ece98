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

// What the text of a scalar assignment says: where the value starts and
// which variable receives it (found again whenever declarations change).
struct AssignmentTarget {
    const char* args_begin = nullptr;
    const char* value_begin = nullptr;
    const char* value_end = nullptr;
    char suffix = 0;
    VarName name;
    std::uint64_t epoch = 0;
    void* slot = nullptr;
};

// The line a GOTO with a literal label reaches, for the argument text it
// was found with.
struct JumpTarget {
    const char* args = nullptr;
    std::int32_t target = 0;
};

// Remembered results of scans over the line table. Lines never change while
// a program runs, so a remembered answer is the same answer.
struct FlowCache {
    std::vector<std::int32_t> partner;                              // -1: not scanned yet; 0: none
    std::unordered_map<std::int32_t, std::vector<std::int32_t>> if_stops;
    std::unordered_map<std::string, std::int32_t> labels;           // 0: no such label
    std::vector<AssignmentTarget> assignments;                      // by line number
    std::vector<JumpTarget> goto_targets;                           // by line number
};

// A call of a function declared on a definition line (token 0x83).
void call_declared_function(Runtime& rt, std::uint8_t token);

} // namespace talven
