#include "matting/alpha.h"
#include "pixels.h"

#include <gtest/gtest.h>

#include <ostream>

namespace ferlane {
namespace {

using support::filled;
using support::onePixel;
using support::Rgb;

struct AlphaCase {
    const char* name;
    Rgb b0, b1, i0, i1;
    std::int32_t alpha;
    std::int32_t error;
    friend std::ostream& operator<<(std::ostream& out, const AlphaCase& c) { return out << c.name; }
};

class AlphaPixels : public ::testing::TestWithParam<AlphaCase> {};

TEST_P(AlphaPixels, GiveTheWorkedValues)
{
    const AlphaCase& k = GetParam();
    Plane alpha;
    Plane error;
    reconstructAlpha(onePixel(k.b0), onePixel(k.i0), onePixel(k.b1), onePixel(k.i1), alpha, error);
    ASSERT_EQ(alpha.size(), 1);
    EXPECT_EQ(alpha(0, 0), k.alpha);
    EXPECT_EQ(error(0, 0), k.error);
}

INSTANTIATE_TEST_SUITE_P(
    Table, AlphaPixels,
    ::testing::Values(
        AlphaCase{"red_brighter_background1", {0, 0, 0}, {200, 0, 0}, {50, 0, 0}, {100, 0, 0}, 191, 0},
        AlphaCase{"red_darker_background1", {200, 0, 0}, {0, 0, 0}, {150, 0, 0}, {100, 0, 0}, 191, 0},
        AlphaCase{"negative_truncates_toward_zero", {0, 0, 0}, {100, 0, 0}, {0, 0, 0}, {101, 0, 0}, -2, 1},
        AlphaCase{"equal_backgrounds_unchanged", {10, 10, 10}, {10, 10, 10}, {10, 10, 10}, {99, 1, 2}, 0, 255},
        AlphaCase{"equal_backgrounds_changed", {10, 10, 10}, {10, 10, 10}, {10, 11, 10}, {10, 10, 10}, 255, 255},
        AlphaCase{"three_way_tie_chooses_green", {0, 0, 0}, {10, 10, 10}, {0, 0, 0}, {10, 10, 10}, 0, 12},
        AlphaCase{"red_blue_tie_above_green_chooses_red", {0, 0, 0}, {10, 5, 10}, {0, 0, 0}, {0, 0, 0}, 255, 12},
        // In these two the channels disagree, so the result shows which one was chosen.
        AlphaCase{"red_blue_tie_chooses_red_where_blue_disagrees", {0, 0, 0}, {10, 5, 10}, {0, 0, 0}, {0, 0, 10}, 255, 12},
        AlphaCase{"three_way_tie_chooses_green_where_others_disagree", {0, 0, 0}, {10, 10, 10}, {0, 0, 0}, {10, 0, 10}, 255, 12},
        AlphaCase{"red_green_tie_chooses_green", {0, 0, 0}, {40, 40, 0}, {0, 0, 0}, {40, 20, 0}, 127, 3},
        AlphaCase{"blue_only_when_strictly_largest", {0, 0, 0}, {3, 2, 4}, {0, 0, 0}, {3, 2, 2}, 127, 32},
        AlphaCase{"green_blue_tie_chooses_green", {0, 0, 0}, {1, 6, 6}, {0, 0, 0}, {1, 3, 0}, 127, 21},
        AlphaCase{"above_255_kept_unclamped", {0, 0, 0}, {100, 0, 0}, {50, 0, 0}, {0, 0, 0}, 382, 1},
        AlphaCase{"error_for_difference_1", {7, 7, 7}, {8, 7, 7}, {7, 7, 7}, {8, 7, 7}, 0, 128},
        AlphaCase{"error_for_difference_2", {7, 7, 7}, {9, 7, 7}, {7, 7, 7}, {9, 7, 7}, 0, 64},
        AlphaCase{"error_for_difference_128", {0, 0, 0}, {0, 0, 128}, {0, 0, 0}, {0, 0, 128}, 0, 1},
        AlphaCase{"error_for_difference_129", {0, 0, 0}, {0, 0, 129}, {0, 0, 0}, {0, 0, 129}, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AlphaPlanes, IdenticalBackgroundsMarkEveryChangedPixelOpaque)
{
    const RgbImage background = filled(2, 3, {40, 50, 60});
    RgbImage image0 = background;
    image0.blue(0, 2) = 61;
    image0.red(1, 0) = 0;
    RgbImage image1 = background;
    image1.green.setConstant(200);  // never consulted when the backgrounds agree

    Plane alpha;
    Plane error;
    reconstructAlpha(background, image0, background, image1, alpha, error);
    EXPECT_EQ(alpha, (Plane(2, 3) << 0, 0, 255, 255, 0, 0).finished());
    EXPECT_EQ(error, Plane::Constant(2, 3, 255));
}

TEST(AlphaPlanes, EmptyInputsGiveEmptyPlanes)
{
    for (const auto& [rows, columns] : {std::pair{0, 0}, std::pair{0, 4}, std::pair{3, 0}}) {
        const RgbImage empty = filled(rows, columns, {});
        Plane alpha = Plane::Constant(2, 2, 9);
        Plane error = alpha;
        reconstructAlpha(empty, empty, empty, empty, alpha, error);
        EXPECT_EQ(alpha.rows(), rows);
        EXPECT_EQ(alpha.cols(), columns);
        EXPECT_EQ(error.rows(), rows);
        EXPECT_EQ(error.cols(), columns);
    }
}

TEST(AlphaPlanes, EachPixelUsesItsOwnPosition)
{
    // Two pixels with different answers must not bleed into each other.
    const RgbImage b0 = filled(1, 2, {0, 0, 0});
    RgbImage b1 = b0;
    b1.red << 200, 0;
    b1.blue << 0, 100;
    RgbImage i0 = b0;
    i0.red << 50, 0;
    RgbImage i1 = b0;
    i1.red << 100, 0;
    i1.blue << 0, 101;
    Plane alpha;
    Plane error;
    reconstructAlpha(b0, i0, b1, i1, alpha, error);
    EXPECT_EQ(alpha, (Plane(1, 2) << 191, -2).finished());
    EXPECT_EQ(error, (Plane(1, 2) << 0, 1).finished());
}

}  // namespace
}  // namespace ferlane
