#include "matting/alpha.h"
#include "pixels.h"

#include <gtest/gtest.h>

#include <iterator>
#include <ostream>
#include <utility>

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

const AlphaCase kAlphaCases[] = {
    AlphaCase{"red_brighter_background1", {0, 0, 0}, {200, 0, 0}, {50, 0, 0}, {100, 0, 0}, 191, 0},
    AlphaCase{"red_darker_background1", {200, 0, 0}, {0, 0, 0}, {150, 0, 0}, {100, 0, 0}, 191, 0},
    AlphaCase{"negative_truncates_toward_zero", {0, 0, 0}, {100, 0, 0}, {0, 0, 0}, {101, 0, 0}, -2, 1},
    AlphaCase{"equal_backgrounds_unchanged", {10, 10, 10}, {10, 10, 10}, {10, 10, 10}, {99, 1, 2}, 0, 255},
    AlphaCase{"equal_backgrounds_changed", {10, 10, 10}, {10, 10, 10}, {10, 11, 10}, {10, 10, 10}, 255, 255},
    // Where backgrounds tie, the channels disagree, so the result shows which one was chosen.
    AlphaCase{"red_blue_tie_chooses_red_where_blue_disagrees", {0, 0, 0}, {10, 5, 10}, {0, 0, 0}, {0, 0, 10}, 255, 12},
    AlphaCase{
        "three_way_tie_chooses_green_where_others_disagree", {0, 0, 0}, {10, 10, 10}, {0, 0, 0}, {10, 0, 10}, 255, 12},
    AlphaCase{"red_green_tie_chooses_green", {0, 0, 0}, {40, 40, 0}, {0, 0, 0}, {40, 20, 0}, 127, 3},
    AlphaCase{"blue_only_when_strictly_largest", {0, 0, 0}, {3, 2, 4}, {0, 0, 0}, {3, 2, 2}, 127, 32},
    AlphaCase{"green_blue_tie_chooses_green", {0, 0, 0}, {1, 6, 6}, {0, 0, 0}, {1, 3, 0}, 127, 21},
    AlphaCase{"above_255_kept_unclamped", {0, 0, 0}, {100, 0, 0}, {50, 0, 0}, {0, 0, 0}, 382, 1},
    AlphaCase{"error_for_difference_1", {7, 7, 7}, {8, 7, 7}, {7, 7, 7}, {8, 7, 7}, 0, 128},
    AlphaCase{"error_for_difference_2", {7, 7, 7}, {9, 7, 7}, {7, 7, 7}, {9, 7, 7}, 0, 64},
    AlphaCase{"error_for_difference_128", {0, 0, 0}, {0, 0, 128}, {0, 0, 0}, {0, 0, 128}, 0, 1},
    AlphaCase{"error_for_difference_129", {0, 0, 0}, {0, 0, 129}, {0, 0, 0}, {0, 0, 129}, 0, 0}};

INSTANTIATE_TEST_SUITE_P(Table, AlphaPixels, ::testing::ValuesIn(kAlphaCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AlphaPlanes, EveryCaseGivesItsValuesBesideAllTheOthers)
{
    // The cases side by side, each in many positions: the pixels are computed
    // several at a time, and each must still get its own values.
    constexpr Eigen::Index kCases = std::size(kAlphaCases);
    const Eigen::Index rows = 3;
    const Eigen::Index columns = kCases + 1;
    RgbImage b0 = filled(rows, columns, {0, 0, 0});
    RgbImage b1 = b0;
    RgbImage i0 = b0;
    RgbImage i1 = b0;
    const auto caseAt = [&](Eigen::Index r, Eigen::Index c) -> const AlphaCase& {
        return kAlphaCases[(r * columns + c) % kCases];
    };
    for (Eigen::Index r = 0; r < rows; ++r) {
        for (Eigen::Index c = 0; c < columns; ++c) {
            const AlphaCase& k = caseAt(r, c);
            for (auto [image, colour] : {std::pair{&b0, k.b0}, {&b1, k.b1}, {&i0, k.i0}, {&i1, k.i1}}) {
                image->red(r, c) = colour[0];
                image->green(r, c) = colour[1];
                image->blue(r, c) = colour[2];
            }
        }
    }
    Plane alpha;
    Plane error;
    reconstructAlpha(b0, i0, b1, i1, alpha, error);
    for (Eigen::Index r = 0; r < rows; ++r) {
        for (Eigen::Index c = 0; c < columns; ++c) {
            EXPECT_EQ(alpha(r, c), caseAt(r, c).alpha) << caseAt(r, c).name << " at " << r << ", " << c;
            EXPECT_EQ(error(r, c), caseAt(r, c).error) << caseAt(r, c).name << " at " << r << ", " << c;
        }
    }
}

TEST(AlphaPlanes, EveryPixelUsesItsOwnPosition)
{
    // The backgrounds are equal but at (1,0) and (1,1), where they differ in red and
    // in blue; image 0 changes one channel at (0,1), (0,2) and (1,2). Image 1's
    // green is never consulted.
    const RgbImage b0 = filled(2, 3, {40, 50, 60});
    RgbImage b1 = b0;
    b1.red(1, 0) = 240;
    b1.blue(1, 1) = 160;
    RgbImage i0 = b0;
    i0.blue(0, 1) = 61;
    i0.red(0, 2) = 0;
    i0.red(1, 0) = 90;
    i0.green(1, 2) = 51;
    RgbImage i1 = b0;
    i1.green.setConstant(200);
    i1.red(1, 0) = 140;
    i1.blue(1, 1) = 161;
    Plane alpha;
    Plane error;
    reconstructAlpha(b0, i0, b1, i1, alpha, error);
    EXPECT_EQ(alpha, (Plane(2, 3) << 0, 255, 255, 191, -2, 255).finished());
    EXPECT_EQ(error, (Plane(2, 3) << 255, 255, 255, 0, 1, 255).finished());
}

}  // namespace
}  // namespace ferlane
