// Rounding of doubles to the 6-byte real format.
#include "values/real48.h"

#include <cmath>

namespace talven {

std::optional<double> round_to_real48(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    if (value == 0.0)
        return 0.0;
    int exponent = 0;
    double mantissa = std::frexp(value, &exponent); // |mantissa| in [0.5, 1)
    // 40 significant bits: the hidden 1 and 39 fraction bits.
    double scaled = std::nearbyint(std::ldexp(mantissa, 40));
    double rounded = std::ldexp(scaled, exponent - 40);
    std::frexp(rounded, &exponent);
    // The exponent byte is exponent + 128 and must lie in 1..255.
    if (exponent + 128 < 1)
        return 0.0;
    if (exponent + 128 > 255)
        return std::nullopt;
    return rounded;
}

} // namespace talven
