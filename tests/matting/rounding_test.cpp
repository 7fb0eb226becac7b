#include "matting/rounding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

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
    // Exact expectations where a C library may itself be wrong (MinGW's round
    // takes 0.49999999999999994 to 1).
    const std::pair<double, int> exact[] = {{0.0, 0},
                                            {-0.0, 0},
                                            {0.49999999999999994, 0},
                                            {-0.49999999999999994, 0},
                                            {0.5, 1},
                                            {-0.5, -1},
                                            {2.5, 3},
                                            {-2.5, -3},
                                            {1.5000000000000002, 2},
                                            {65024.5, 65025},
                                            {-65024.5, -65025},
                                            {2147483646.5, 2147483647}};
    for (const auto& [x, expected] : exact) {
        EXPECT_EQ(roundHalfAwayFromZero(x), expected) << x;
    }
}

}  // namespace
}  // namespace ferlane
