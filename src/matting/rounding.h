#pragma once

#include <cstdint>

namespace ferlane {

// Rounds to the nearest integer with halves away from zero (2.5 to 3, -2.5 to -3),
// exactly as std::round does for |x| < 2^31, without a library call: the fraction
// x - trunc(x) is computed exactly, so the comparison with one half is exact too.
inline std::int32_t roundHalfAwayFromZero(double x)
{
    const auto whole = static_cast<std::int32_t>(x);  // truncates toward zero
    const double fraction = x - static_cast<double>(whole);
    return whole + (fraction >= 0.5) - (fraction <= -0.5);
}

}  // namespace ferlane
