// Rounding of doubles to the 6-byte real format. Every arithmetic operand
// passes through here, so the rounding works on the bits of the double.
#include "values/real48.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace talven {

std::optional<double> round_to_real48_slow(double value)
{
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    std::uint64_t sign = bits & 0x8000000000000000ull;
    std::uint64_t magnitude = bits & 0x7FFFFFFFFFFFFFFFull;
    if (magnitude >= 0x7FF0000000000000ull)
        return std::nullopt; // infinity or NaN
    if (magnitude == 0)
        return value;
    int exponent = static_cast<int>(magnitude >> 52); // biased, 0 for subnormals
    if (exponent == 0)
        return 0.0 * (sign ? -1.0 : 1.0); // far below the smallest 6-byte real
    // Keep 39 of the 52 fraction bits, rounding the other 13 to even. A carry
    // out of the fraction raises the exponent, as it should.
    constexpr int dropped = 52 - 39;
    constexpr std::uint64_t half = 1ull << (dropped - 1);
    constexpr std::uint64_t mask = (1ull << dropped) - 1;
    std::uint64_t rest = magnitude & mask;
    if (rest == 0 && exponent >= 1023 - 128 && exponent <= 1023 + 126)
        return value; // already a 6-byte real: every small integer, for one
    magnitude &= ~mask;
    if (rest > half || (rest == half && (magnitude & (1ull << dropped))))
        magnitude += 1ull << dropped;
    // The 6-byte exponent byte is the unbiased exponent + 129, in 1..255.
    int unbiased = static_cast<int>(magnitude >> 52) - 1023;
    if (unbiased + 129 < 1)
        return 0.0;
    if (unbiased + 129 > 255)
        return std::nullopt;
    bits = sign | magnitude;
    double rounded;
    std::memcpy(&rounded, &bits, sizeof rounded);
    return rounded;
}

} // namespace talven
