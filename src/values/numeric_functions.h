// What other parts of the runtime need from the numeric functions: the
// seeding of the random generator behind @RND.
#pragma once

#include <cstdint>

namespace talven {

struct Runtime;

// The state of the generator before the first @RND when nothing reseeds it,
// so that runs without RANDOMIZE repeat.
constexpr std::uint32_t random_start_seed = 0x2545F491u;

// Restarts the sequence of @RND from the seed. Every 32-bit value is a
// valid seed.
void reseed_random(Runtime& rt, std::uint32_t seed);

} // namespace talven
