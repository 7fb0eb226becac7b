#include "alpha.h"

#include "channels.h"
#include "opacity.h"
#include "pick.h"
#include "quotient.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace ferlane {
namespace {

constexpr std::int32_t kErrorScale = 128;
constexpr std::int32_t kUnresolved = 255;

using Photograph = Channels<const std::int32_t>;

// Every pixel takes the same steps, its choices picked from values already computed,
// and the results cannot overlap the photographs (__restrict), so that the loop
// vectorises.
void alphaOfPixels(const Photograph& b0, const Photograph& i0, const Photograph& b1, const Photograph& i1,
                   Eigen::Index count, std::int32_t* __restrict alphaOut, std::int32_t* __restrict errorOut)
{
    for (Eigen::Index k = 0; k < count; ++k) {
        const std::int32_t spreadR = b1[kRed][k] - b0[kRed][k];
        const std::int32_t spreadG = b1[kGreen][k] - b0[kGreen][k];
        const std::int32_t spreadB = b1[kBlue][k] - b0[kBlue][k];
        const std::int32_t dR = std::abs(spreadR);
        const std::int32_t dG = std::abs(spreadG);
        const std::int32_t dB = std::abs(spreadB);

        // The channel where the backgrounds differ most resolves alpha most finely.
        // Ties go to green over red, and to red or green over blue.
        const bool red = dR > dG;
        const bool blue = dB > std::max(dR, dG);
        const std::int32_t spreadRG = pick(red, spreadR, spreadG);
        const std::int32_t spread = pick(blue, spreadB, spreadRG);
        const std::int32_t changeR = i0[kRed][k] - i1[kRed][k];
        const std::int32_t changeG = i0[kGreen][k] - i1[kGreen][k];
        const std::int32_t changeB = i0[kBlue][k] - i1[kBlue][k];
        const std::int32_t changeRG = pick(red, changeR, changeG);
        const std::int32_t change = pick(blue, changeB, changeRG);
        const std::int32_t dc = std::abs(spread);

        // dc is the largest difference: 0 only where the backgrounds are identical,
        // and identical backgrounds say nothing about opacity: any change from the
        // background is taken as subject. The divisions there are by a stand-in 1,
        // their quotients unused.
        const bool resolved = dc != 0;
        const std::int32_t changed =
            (i0[kRed][k] - b0[kRed][k]) | (i0[kGreen][k] - b0[kGreen][k]) | (i0[kBlue][k] - b0[kBlue][k]);
        const std::int32_t unresolvedAlpha = pick(changed == 0, kTransparent, kOpaque);
        // |numerator| <= 510 * 255 and |divisor| <= 255: the quotients are exact.
        const std::int32_t opacity = truncatedQuotient((spread + change) * kOpaque, pick(resolved, spread, 1));
        const std::int32_t coarseness = truncatedQuotient(kErrorScale, pick(resolved, dc, 1));
        alphaOut[k] = pick(resolved, opacity, unresolvedAlpha);
        errorOut[k] = pick(resolved, coarseness, kUnresolved);
    }
}

}  // namespace

void reconstructAlpha(const RgbImage& background0, const RgbImage& image0, const RgbImage& background1,
                      const RgbImage& image1, Plane& alpha, Plane& error)
{
    const Eigen::Index rows = background0.rows();
    const Eigen::Index columns = background0.columns();
    sizePlane(alpha, rows, columns);
    sizePlane(error, rows, columns);
    alphaOfPixels(Photograph(background0), Photograph(image0), Photograph(background1), Photograph(image1),
                  rows * columns, alpha.data(), error.data());
}

}  // namespace ferlane
