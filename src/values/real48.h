// The 6-byte real format that arithmetic operands pass through: 1 sign bit,
// 39 fraction bits with a hidden leading 1, an 8-bit exponent with bias 129.
// Results computed from it carry about 12 significant digits.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>

namespace talven {

constexpr double real48_max = 1.7014118346031449e38; // (2 - 2^-39) * 2^126

// The double rounded to the nearest 6-byte real (halves to even). Magnitudes
// below the smallest 6-byte real give 0; those above the largest, infinities
// and NaN give nothing.
std::optional<double> round_to_real48_slow(double value);

// Every arithmetic operand passes through here; a value that already is a
// 6-byte real (every small integer, for one) comes straight back.
inline std::optional<double> round_to_real48(double value)
{
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    unsigned exponent = static_cast<unsigned>(bits >> 52) & 0x7FF;
    if ((bits & 0x1FFF) == 0 && exponent >= 1023 - 128 && exponent <= 1023 + 126)
        return value;
    if ((bits & 0x7FFFFFFFFFFFFFFFull) == 0)
        return value;
    return round_to_real48_slow(value);
}

} // namespace talven
