#pragma once

#include <cstdint>

namespace ferlane {

// Rounds to the nearest integer with halves away from zero (2.5 to 3, -2.5 to -3),
// exactly as std::round does for |x| < 2^31, without a library call and without a
// comparison, so that the loops that round vectorise: the fraction x - trunc(x) is
// computed exactly and lies in (-1, 1); twice it, exact too, truncates to 1 from
// one half up, to -1 from minus one half down, and to 0 between.
inline std::int32_t roundHalfAwayFromZero(double x)
{
    const auto whole = static_cast<std::int32_t>(x);  // truncates toward zero
    const double fraction = x - static_cast<double>(whole);
    return whole + static_cast<std::int32_t>(2.0 * fraction);
}

}  // namespace ferlane
