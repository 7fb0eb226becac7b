#include "alpha.h"

#include "image/plane_memory.h"

#include <cstdint>
#include <cstdlib>

namespace ferlane {
namespace {

constexpr std::int32_t kOpaque = 255;
constexpr std::int32_t kErrorScale = 128;
constexpr std::int32_t kUnresolved = 255;

// The red, green and blue planes of one photograph, as flat arrays over all pixels.
struct Colours {
    const std::int32_t* red;
    const std::int32_t* green;
    const std::int32_t* blue;

    explicit Colours(const RgbImage& image)
        : red(image.red.data()), green(image.green.data()), blue(image.blue.data())
    {
    }
    const std::int32_t* channel(int c) const { return c == 0 ? red : c == 1 ? green : blue; }
};

}  // namespace

void reconstructAlpha(const RgbImage& background0, const RgbImage& image0,
                      const RgbImage& background1, const RgbImage& image1, Plane& alpha,
                      Plane& error)
{
    const Eigen::Index rows = background0.rows();
    const Eigen::Index columns = background0.columns();
    sizePlane(alpha, rows, columns);
    sizePlane(error, rows, columns);

    const Colours b0(background0);
    const Colours i0(image0);
    const Colours b1(background1);
    const Colours i1(image1);
    std::int32_t* alphaOut = alpha.data();
    std::int32_t* errorOut = error.data();

    const Eigen::Index count = rows * columns;
    for (Eigen::Index k = 0; k < count; ++k) {
        const std::int32_t dR = std::abs(b1.red[k] - b0.red[k]);
        const std::int32_t dG = std::abs(b1.green[k] - b0.green[k]);
        const std::int32_t dB = std::abs(b1.blue[k] - b0.blue[k]);

        if (dR == 0 && dG == 0 && dB == 0) {
            // Identical backgrounds say nothing about opacity: any change from the
            // background is taken as subject.
            const bool unchanged =
                i0.red[k] == b0.red[k] && i0.green[k] == b0.green[k] && i0.blue[k] == b0.blue[k];
            alphaOut[k] = unchanged ? 0 : kOpaque;
            errorOut[k] = kUnresolved;
            continue;
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
        const std::int32_t b0c = b0.channel(c)[k];
        const std::int32_t b1c = b1.channel(c)[k];
        // |numerator| <= 510 * 255, so 32 bits never overflow; division truncates toward zero.
        alphaOut[k] = (b1c + i0.channel(c)[k] - i1.channel(c)[k] - b0c) * kOpaque / (b1c - b0c);
        errorOut[k] = kErrorScale / dc;
    }
}

}  // namespace ferlane
