#pragma once

#include "pick.h"

#include <cstdint>
#include <cstdlib>

namespace ferlane {

// numerator / divisor as integer division gives it (truncated toward zero), computed
// in single precision, which vector units divide and integer units do not.
// Exact for |numerator| < 2^24 and a divisor other than 0 with |divisor| <= 2^24:
// both convert exactly, and the division rounds the quotient x by at most
// |x| * 2^-24 = |numerator| * 2^-24 / |divisor| < 1 / |divisor|, less than the
// distance from a quotient that is not whole to the nearest whole number (at least
// 1 / |divisor|). So the rounded quotient never reaches the next whole number, a
// whole quotient is met exactly, and truncating the rounded one truncates x.
inline std::int32_t truncatedQuotient(std::int32_t numerator, std::int32_t divisor)
{
    return static_cast<std::int32_t>(static_cast<float>(numerator) / static_cast<float>(divisor));
}

// numerator / divisor rounded to the nearest integer, halves away from zero, exactly,
// over the same range: the truncated quotient, one further from zero where the
// remainder is at least half the divisor.
inline std::int32_t roundedQuotient(std::int32_t numerator, std::int32_t divisor)
{
    const std::int32_t whole = truncatedQuotient(numerator, divisor);
    const std::int32_t remainder = numerator - whole * divisor;  // the numerator's sign, or 0
    const bool away = 2 * std::abs(remainder) >= std::abs(divisor);
    const std::int32_t awayFromZero = pick((remainder ^ divisor) < 0, -1, 1);
    return whole + pick(away, awayFromZero, 0);
}

}  // namespace ferlane
