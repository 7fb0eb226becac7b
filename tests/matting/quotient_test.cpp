#include "matting/quotient.h"
#include "matting/rounding.h"

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

TEST(Quotient, RoundsAsTheForegroundsDoublePrecisionQuotientRounds)
{
    // Differences of -255..255 over every alpha near the middle of its range, the
    // ends of what alpha's arithmetic forms, and alphas spread over all of it.
    const auto expectAgreement = [](std::int32_t difference, std::int32_t alpha) {
        const double quotient = static_cast<double>(difference) * 255.0 / alpha;
        ASSERT_EQ(roundedQuotient(difference * 255, alpha), roundHalfAwayFromZero(quotient))
            << difference << " * 255 / " << alpha;
    };
    for (std::int32_t difference = -255; difference <= 255; ++difference) {
        for (std::int32_t alpha = -3000; alpha <= 3000; ++alpha) {
            if (alpha != 0) {
                expectAgreement(difference, alpha);
            }
        }
        for (std::int32_t alpha = 3001; alpha <= 130050; alpha += 97) {
            expectAgreement(difference, alpha);
            expectAgreement(difference, -alpha);
        }
        for (std::int32_t alpha : {-130050, -130049, -65025, 65025, 130049, 130050}) {
            expectAgreement(difference, alpha);
        }
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
            const std::int32_t remainder = numerator % divisor;
            const std::int32_t rounded = numerator / divisor + (2 * remainder >= divisor ? 1 : 0);
            ASSERT_EQ(roundedQuotient(numerator, divisor), rounded) << numerator << " / " << divisor;
            ASSERT_EQ(roundedQuotient(-numerator, divisor), -rounded) << -numerator << " / " << divisor;
        }
    }
}

}  // namespace
}  // namespace ferlane
