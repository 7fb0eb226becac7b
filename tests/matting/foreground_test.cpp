#include "matting/foreground.h"
#include "pixels.h"

#include <gtest/gtest.h>

#include <iterator>
#include <ostream>
#include <utility>

namespace ferlane {
namespace {

using support::filled;
using support::onePixel;
using support::pixelAt;
using support::Rgb;

Rgb foregroundOf(Rgb b0, Rgb i0, Rgb b1, Rgb i1, std::int32_t alpha)
{
    Plane a = Plane::Constant(1, 1, alpha);
    RgbImage f;
    reconstructForeground(onePixel(b0), onePixel(i0), onePixel(b1), onePixel(i1), a, f);
    return pixelAt(f);
}

struct ChannelCase {
    const char* name;
    std::int32_t b0, i0, b1, i1, alpha, expected;
    friend std::ostream& operator<<(std::ostream& out, const ChannelCase& c) { return out << c.name; }
};

class ForegroundChannels : public ::testing::TestWithParam<ChannelCase> {};

// Each case is checked in every channel position, with the other channels neutral.
TEST_P(ForegroundChannels, GiveTheWorkedValues)
{
    const ChannelCase& k = GetParam();
    for (int channel = 0; channel < 3; ++channel) {
        Rgb b0{}, i0{}, b1{}, i1{};
        b0[channel] = k.b0;
        i0[channel] = k.i0;
        b1[channel] = k.b1;
        i1[channel] = k.i1;
        EXPECT_EQ(foregroundOf(b0, i0, b1, i1, k.alpha)[channel], k.expected) << "channel " << channel;
    }
}

const ChannelCase kChannelCases[] = {ChannelCase{"image0_nearer_its_background", 0, 50, 200, 100, 191, 67},
                                     ChannelCase{"tie_takes_image1", 0, 0, 0, 0, 191, 0},
                                     // A difference of +-1 at alpha 102 is +-2.5 before rounding.
                                     ChannelCase{"tie_takes_image1_and_rounds_half_up", 10, 11, 40, 41, 102, 43},
                                     ChannelCase{"image0_rounds_positive_half_away", 100, 101, 0, 9, 102, 103},
                                     ChannelCase{"image0_rounds_negative_half_away", 10, 9, 40, 60, 102, 7},
                                     ChannelCase{"opaque_copies_image0", 0, 50, 200, 100, 255, 50},
                                     ChannelCase{"transparent_is_black", 1, 40, 200, 7, 0, 0},
                                     ChannelCase{"negative_alpha_divides_by_it", 0, 20, 40, 50, -2, -1235},
                                     ChannelCase{"alpha_above_255_divides_by_it", 0, 100, 0, 100, 300, 85}};

INSTANTIATE_TEST_SUITE_P(Table, ForegroundChannels, ::testing::ValuesIn(kChannelCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ForegroundPlanes, EveryCaseGivesItsValueBesideAllTheOthers)
{
    // The cases side by side, each in many positions: the pixels are computed
    // several at a time, and each must still get its own value.
    constexpr Eigen::Index kCases = std::size(kChannelCases);
    const Eigen::Index rows = 3;
    const Eigen::Index columns = kCases + 1;
    const auto caseAt = [&](Eigen::Index r, Eigen::Index c) -> const ChannelCase& {
        return kChannelCases[(r * columns + c) % kCases];
    };
    RgbImage b0 = filled(rows, columns, {0, 0, 0});
    RgbImage b1 = b0;
    RgbImage i0 = b0;
    RgbImage i1 = b0;
    Plane alpha(rows, columns);
    for (Eigen::Index r = 0; r < rows; ++r) {
        for (Eigen::Index c = 0; c < columns; ++c) {
            const ChannelCase& k = caseAt(r, c);
            alpha(r, c) = k.alpha;
            for (auto [image, value] : {std::pair{&b0, k.b0}, {&b1, k.b1}, {&i0, k.i0}, {&i1, k.i1}}) {
                image->red(r, c) = image->green(r, c) = image->blue(r, c) = value;
            }
        }
    }
    RgbImage f;
    reconstructForeground(b0, i0, b1, i1, alpha, f);
    for (Eigen::Index r = 0; r < rows; ++r) {
        for (Eigen::Index c = 0; c < columns; ++c) {
            const std::int32_t expected = caseAt(r, c).expected;
            EXPECT_EQ(pixelAt(f, r, c), (Rgb{expected, expected, expected}))
                << caseAt(r, c).name << " at " << r << ", " << c;
        }
    }
}

TEST(ForegroundPixels, ChoosesThePairPerChannel)
{
    // Red: image 0 is nearer its background (1 < 30); green: image 1 (40 > 5).
    const Rgb f = foregroundOf({100, 100, 0}, {101, 140, 0}, {0, 0, 0}, {30, 5, 0}, 51);
    EXPECT_EQ(f[0], 100 + 5);  // 1 * 255 / 51 = 5
    EXPECT_EQ(f[1], 0 + 25);   // 5 * 255 / 51 = 25
}

TEST(ForegroundPlanes, EveryPixelFollowsItsOwnAlpha)
{
    Plane alpha(2, 2);
    alpha << 0, 191, 255, -1;
    RgbImage f;
    reconstructForeground(filled(2, 2, {0, 0, 0}), filled(2, 2, {50, 50, 50}), filled(2, 2, {200, 200, 200}),
                          filled(2, 2, {100, 100, 100}), alpha, f);
    Plane expected(2, 2);
    expected << 0, 67, 50, -12750;
    EXPECT_EQ(f.red, expected);
    EXPECT_EQ(f.green, expected);
    EXPECT_EQ(f.blue, expected);
}

}  // namespace
}  // namespace ferlane
