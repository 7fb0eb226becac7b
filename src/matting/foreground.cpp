#include "foreground.h"

#include "opacity.h"
#include "pick.h"
#include "quotient.h"

#include <cstdint>
#include <cstdlib>

namespace ferlane {
namespace {

// One channel of the foreground at every pixel. Every pixel is solved, the two ends
// of the alpha scale too (alpha 0 as if it were 1), and then the ends take their
// fixed colours: the same steps for every pixel, and a result that cannot overlap
// the photographs (__restrict), so that the loop vectorises.
void solveChannel(const std::int32_t* background0, const std::int32_t* image0, const std::int32_t* background1,
                  const std::int32_t* image1, const std::int32_t* alpha, Eigen::Index count,
                  std::int32_t* __restrict foreground)
{
    for (Eigen::Index k = 0; k < count; ++k) {
        const std::int32_t a = alpha[k];
        // F = (I - B) * 255 / a + B, from the photograph whose colour is nearer its
        // own background (image 1 on a tie): the smaller difference carries less of
        // the subject's noise. The quotient is rounded as the exact fraction is,
        // which is how its value in double precision rounds too: a fraction n / a
        // that is not a multiple of one half lies at least 1 / (2|a|) from one,
        // while double precision moves it by at most |n / a| * 2^-53, far less for
        // |n| <= 255 * 255 and any alpha within 2^24.
        const std::int32_t difference0 = image0[k] - background0[k];
        const std::int32_t difference1 = image1[k] - background1[k];
        const bool useImage0 = std::abs(difference0) < std::abs(difference1);
        const std::int32_t difference = pick(useImage0, difference0, difference1);
        const std::int32_t background = pick(useImage0, background0[k], background1[k]);
        const std::int32_t divisor = pick(a == kTransparent, 1, a);
        const std::int32_t solved = roundedQuotient(difference * kOpaque, divisor) + background;
        // No subject at alpha 0, so no colour to recover: stored black.
        foreground[k] = pick(a == kTransparent, 0, pick(a == kOpaque, image0[k], solved));
    }
}

}  // namespace

void reconstructForeground(const RgbImage& background0, const RgbImage& image0, const RgbImage& background1,
                           const RgbImage& image1, const Plane& alpha, RgbImage& foreground)
{
    const Eigen::Index rows = background0.rows();
    const Eigen::Index columns = background0.columns();
    foreground.resize(rows, columns);

    const Eigen::Index count = rows * columns;
    solveChannel(background0.red.data(), image0.red.data(), background1.red.data(), image1.red.data(), alpha.data(),
                 count, foreground.red.data());
    solveChannel(background0.green.data(), image0.green.data(), background1.green.data(), image1.green.data(),
                 alpha.data(), count, foreground.green.data());
    solveChannel(background0.blue.data(), image0.blue.data(), background1.blue.data(), image1.blue.data(), alpha.data(),
                 count, foreground.blue.data());
}

}  // namespace ferlane
