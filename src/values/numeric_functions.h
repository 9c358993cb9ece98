// What other parts of the runtime need from the numeric functions: the
// seeding of the random generator behind @RND, and the kernels of the
// functions of two numbers.
#pragma once

#include <cstdint>

namespace talven {

struct Runtime;
struct Number;

// The step of a function of two numbers once both are fetched (@ADD,
// @LT, ...), or null for a token that has none: a compiled call runs it on
// numbers loaded from its argument nodes.
using NumericKernel = void (*)(Runtime& rt, const Number& a, const Number& b);
NumericKernel numeric_kernel(std::uint8_t token);

// The state of the generator before the first @RND when nothing reseeds it,
// so that runs without RANDOMIZE repeat.
constexpr std::uint32_t random_start_seed = 0x2545F491u;

// Restarts the sequence of @RND from the seed. Every 32-bit value is a
// valid seed.
void reseed_random(Runtime& rt, std::uint32_t seed);

} // namespace talven
