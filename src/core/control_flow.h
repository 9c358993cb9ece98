// Calls that the loop and the function dispatcher hand to control flow.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace talven {

struct Runtime;

// Remembered results of scans over the line table. Lines never change while
// a program runs, so a remembered answer is the same answer.
struct FlowCache {
    std::vector<std::int32_t> partner;                              // -1: not scanned yet; 0: none
    std::unordered_map<std::int32_t, std::vector<std::int32_t>> if_stops;
    std::unordered_map<std::string, std::int32_t> labels;           // 0: no such label
};

// A call of a function declared on a definition line (token 0x83).
void call_declared_function(Runtime& rt, std::uint8_t token);

} // namespace talven
