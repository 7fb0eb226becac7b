#include "matting/quotient.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace ferlane {
namespace {

TEST(Quotient, AgreesWithIntegerDivisionOnEveryQuotientAlphaForms)
{
    // Alpha divides (spread + change) * 255 by the spread, and 128 by its size:
    // spreads of -255..255 and changes of -255..255.
    for (std::int32_t divisor = -255; divisor <= 255; ++divisor) {
        if (divisor == 0) {
            continue;
        }
        for (std::int32_t sum = -510; sum <= 510; ++sum) {
            ASSERT_EQ(truncatedQuotient(sum * 255, divisor), sum * 255 / divisor) << sum * 255 << " / " << divisor;
        }
        ASSERT_EQ(truncatedQuotient(128, divisor), 128 / divisor) << divisor;
    }
}

TEST(Quotient, StaysExactToTheEdgeOfItsRange)
{
    // Numerators just inside 2^24, where a quotient one step short of a whole number
    // is closest to being rounded up to it.
    constexpr std::int32_t kLargest = (1 << 24) - 1;
    for (const std::int32_t divisor : {1, 2, 3, 7, 255, 4093, 65535}) {
        for (std::int32_t numerator = kLargest - 2 * divisor; numerator <= kLargest; ++numerator) {
            ASSERT_EQ(truncatedQuotient(numerator, divisor), numerator / divisor) << numerator << " / " << divisor;
            ASSERT_EQ(truncatedQuotient(-numerator, divisor), -numerator / divisor) << -numerator << " / " << divisor;
            ASSERT_EQ(truncatedQuotient(numerator, -divisor), numerator / -divisor) << numerator << " / " << -divisor;
        }
    }
}

}  // namespace
}  // namespace ferlane
