#include "foreground.h"

#include "channels.h"
#include "opacity.h"
#include "rounding.h"

#include <cstdint>
#include <cstdlib>

namespace ferlane {
namespace {

// F = (I - B) * 255 / a + B, in one channel, from the photograph whose colour is
// nearer its own background (image 1 on a tie): the smaller difference carries
// less of the subject's noise.
inline std::int32_t solveChannel(std::int32_t background0, std::int32_t image0, std::int32_t background1,
                                 std::int32_t image1, double alpha)
{
    const bool useImage0 = std::abs(image0 - background0) < std::abs(image1 - background1);
    const std::int32_t image = useImage0 ? image0 : image1;
    const std::int32_t background = useImage0 ? background0 : background1;
    return roundHalfAwayFromZero(static_cast<double>(image - background) * kOpaque / alpha) + background;
}

}  // namespace

void reconstructForeground(const RgbImage& background0, const RgbImage& image0, const RgbImage& background1,
                           const RgbImage& image1, const Plane& alpha, RgbImage& foreground)
{
    const Eigen::Index rows = background0.rows();
    const Eigen::Index columns = background0.columns();
    foreground.resize(rows, columns);

    const Channels<const std::int32_t> b0(background0);
    const Channels<const std::int32_t> i0(image0);
    const Channels<const std::int32_t> b1(background1);
    const Channels<const std::int32_t> i1(image1);
    const Channels<std::int32_t> f(foreground);
    const std::int32_t* a = alpha.data();

    const Eigen::Index count = rows * columns;
    for (Eigen::Index k = 0; k < count; ++k) {
        if (a[k] == kTransparent) {
            // No subject here, so no colour to recover: stored black.
            for (const int c : {kRed, kGreen, kBlue}) {
                f[c][k] = 0;
            }
        } else if (a[k] == kOpaque) {
            for (const int c : {kRed, kGreen, kBlue}) {
                f[c][k] = i0[c][k];
            }
        } else {
            const double alphaValue = a[k];
            for (const int c : {kRed, kGreen, kBlue}) {
                f[c][k] = solveChannel(b0[c][k], i0[c][k], b1[c][k], i1[c][k], alphaValue);
            }
        }
    }
}

}  // namespace ferlane
