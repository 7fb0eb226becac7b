#include "alpha.h"

#include <cstdint>
#include <cstdlib>

namespace ferlane {
namespace {

constexpr std::int32_t kOpaque = 255;
constexpr std::int32_t kErrorScale = 128;
constexpr std::int32_t kUnresolved = 255;

struct Pixel {
    std::int32_t alpha;
    std::int32_t error;
};

// Channel values of the four photographs at one pixel, in the order red, green, blue.
struct Samples {
    std::int32_t b0[3];
    std::int32_t i0[3];
    std::int32_t b1[3];
    std::int32_t i1[3];
};

Pixel solvePixel(const Samples& s)
{
    const std::int32_t dR = std::abs(s.b1[0] - s.b0[0]);
    const std::int32_t dG = std::abs(s.b1[1] - s.b0[1]);
    const std::int32_t dB = std::abs(s.b1[2] - s.b0[2]);

    if (dR == 0 && dG == 0 && dB == 0) {
        // Identical backgrounds say nothing about opacity: any change from the
        // background is taken as subject.
        const bool unchanged = s.i0[0] == s.b0[0] && s.i0[1] == s.b0[1] && s.i0[2] == s.b0[2];
        return {unchanged ? 0 : kOpaque, kUnresolved};
    }

    // The channel where the backgrounds differ most resolves alpha most finely.
    // Ties go to green over red, and to red or green over blue.
    int c = 0;
    std::int32_t dc = 0;
    if (dR > dG) {
        c = dB > dR ? 2 : 0;
        dc = dB > dR ? dB : dR;
    } else {
        c = dB > dG ? 2 : 1;
        dc = dB > dG ? dB : dG;
    }
    // |numerator| <= 510 * 255, so 32 bits never overflow; division truncates toward zero.
    const std::int32_t alpha = (s.b1[c] + s.i0[c] - s.i1[c] - s.b0[c]) * kOpaque / (s.b1[c] - s.b0[c]);
    return {alpha, kErrorScale / dc};
}

}  // namespace

void reconstructAlpha(const RgbImage& background0, const RgbImage& image0,
                      const RgbImage& background1, const RgbImage& image1, Plane& alpha,
                      Plane& error)
{
    const Eigen::Index rows = background0.rows();
    const Eigen::Index columns = background0.columns();
    alpha.resize(rows, columns);
    error.resize(rows, columns);

    const RgbImage* images[4] = {&background0, &image0, &background1, &image1};
    const Eigen::Index count = rows * columns;
    for (Eigen::Index k = 0; k < count; ++k) {
        Samples s;
        std::int32_t* targets[4] = {s.b0, s.i0, s.b1, s.i1};
        for (int n = 0; n < 4; ++n) {
            targets[n][0] = images[n]->red.data()[k];
            targets[n][1] = images[n]->green.data()[k];
            targets[n][2] = images[n]->blue.data()[k];
        }
        const Pixel p = solvePixel(s);
        alpha.data()[k] = p.alpha;
        error.data()[k] = p.error;
    }
}

}  // namespace ferlane
