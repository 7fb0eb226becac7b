#include "matting/rounding.h"

#include <gtest/gtest.h>

#include <cmath>

namespace ferlane {
namespace {

TEST(Rounding, AgreesWithTheLibraryOnEveryQuotientTheForegroundCanForm)
{
    // Differences of -255..255 over every alpha the matte can hold near the edges of
    // its range, and the awkward neighbours of one half.
    for (int difference = -255; difference <= 255; ++difference) {
        for (int alpha = -3000; alpha <= 3000; ++alpha) {
            if (alpha == 0) {
                continue;
            }
            const double q = static_cast<double>(difference) * 255.0 / alpha;
            ASSERT_EQ(roundHalfAwayFromZero(q), static_cast<int>(std::round(q))) << difference << " / " << alpha;
        }
        for (int alpha : {-130050, -65025, 65025, 130050}) {
            const double q = static_cast<double>(difference) * 255.0 / alpha;
            ASSERT_EQ(roundHalfAwayFromZero(q), static_cast<int>(std::round(q)));
        }
    }
    for (double x : {0.0, -0.0, 0.49999999999999994, -0.49999999999999994, 0.5, -0.5, 2.5, -2.5,
                     1.5000000000000002, 65024.5, -65024.5, 2147483646.5}) {
        EXPECT_EQ(roundHalfAwayFromZero(x), static_cast<int>(std::round(x))) << x;
    }
}

}  // namespace
}  // namespace ferlane
