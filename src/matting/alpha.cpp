#include "alpha.h"

#include "channels.h"
#include "opacity.h"

#include <cstdint>
#include <cstdlib>

namespace ferlane {
namespace {

constexpr std::int32_t kErrorScale = 128;
constexpr std::int32_t kUnresolved = 255;

}  // namespace

void reconstructAlpha(const RgbImage& background0, const RgbImage& image0, const RgbImage& background1,
                      const RgbImage& image1, Plane& alpha, Plane& error)
{
    const Eigen::Index rows = background0.rows();
    const Eigen::Index columns = background0.columns();
    sizePlane(alpha, rows, columns);
    sizePlane(error, rows, columns);

    const Channels<const std::int32_t> b0(background0);
    const Channels<const std::int32_t> i0(image0);
    const Channels<const std::int32_t> b1(background1);
    const Channels<const std::int32_t> i1(image1);
    std::int32_t* alphaOut = alpha.data();
    std::int32_t* errorOut = error.data();

    const Eigen::Index count = rows * columns;
    for (Eigen::Index k = 0; k < count; ++k) {
        const std::int32_t dR = std::abs(b1[kRed][k] - b0[kRed][k]);
        const std::int32_t dG = std::abs(b1[kGreen][k] - b0[kGreen][k]);
        const std::int32_t dB = std::abs(b1[kBlue][k] - b0[kBlue][k]);

        if (dR == 0 && dG == 0 && dB == 0) {
            // Identical backgrounds say nothing about opacity: any change from the
            // background is taken as subject.
            const bool unchanged =
                i0[kRed][k] == b0[kRed][k] && i0[kGreen][k] == b0[kGreen][k] && i0[kBlue][k] == b0[kBlue][k];
            alphaOut[k] = unchanged ? kTransparent : kOpaque;
            errorOut[k] = kUnresolved;
            continue;
        }

        // The channel where the backgrounds differ most resolves alpha most finely.
        // Ties go to green over red, and to red or green over blue.
        int c = 0;
        std::int32_t dc = 0;
        if (dR > dG) {
            c = dB > dR ? kBlue : kRed;
            dc = dB > dR ? dB : dR;
        } else {
            c = dB > dG ? kBlue : kGreen;
            dc = dB > dG ? dB : dG;
        }
        const std::int32_t b0c = b0[c][k];
        const std::int32_t b1c = b1[c][k];
        // |numerator| <= 510 * 255, so 32 bits never overflow; division truncates toward zero.
        alphaOut[k] = (b1c + i0[c][k] - i1[c][k] - b0c) * kOpaque / (b1c - b0c);
        errorOut[k] = kErrorScale / dc;
    }
}

}  // namespace ferlane
