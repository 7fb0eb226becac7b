#include "foreground.h"

#include "image/bmp_writer.h"
#include "rounding.h"

#include <cstdint>
#include <cstdlib>

namespace ferlane {
namespace {

constexpr std::int32_t kTransparent = 0;
constexpr std::int32_t kOpaque = 255;

// One channel of the four photographs, as flat arrays over all pixels.
struct Channel {
    const std::int32_t* b0;
    const std::int32_t* i0;
    const std::int32_t* b1;
    const std::int32_t* i1;
    std::int32_t* f;
};

// F = (I - B) * 255 / a + B, from the photograph whose colour is nearer its own
// background (image 1 on a tie): the smaller difference carries less of the
// subject's noise.
inline std::int32_t solveChannel(const Channel& ch, Eigen::Index k, double alpha)
{
    const bool useImage0 = std::abs(ch.i0[k] - ch.b0[k]) < std::abs(ch.i1[k] - ch.b1[k]);
    const std::int32_t image = useImage0 ? ch.i0[k] : ch.i1[k];
    const std::int32_t background = useImage0 ? ch.b0[k] : ch.b1[k];
    return roundHalfAwayFromZero(static_cast<double>(image - background) * 255.0 / alpha) + background;
}

}  // namespace

void reconstructForeground(const RgbImage& background0, const RgbImage& image0,
                           const RgbImage& background1, const RgbImage& image1,
                           const Plane& alpha, RgbImage& foreground)
{
    const Eigen::Index rows = background0.rows();
    const Eigen::Index columns = background0.columns();
    foreground.resize(rows, columns);

    const Channel red{background0.red.data(), image0.red.data(), background1.red.data(),
                      image1.red.data(), foreground.red.data()};
    const Channel green{background0.green.data(), image0.green.data(), background1.green.data(),
                        image1.green.data(), foreground.green.data()};
    const Channel blue{background0.blue.data(), image0.blue.data(), background1.blue.data(),
                       image1.blue.data(), foreground.blue.data()};
    const std::int32_t* a = alpha.data();

    const Eigen::Index count = rows * columns;
    for (Eigen::Index k = 0; k < count; ++k) {
        if (a[k] == kTransparent) {
            // No subject here, so no colour to recover: stored black.
            red.f[k] = 0;
            green.f[k] = 0;
            blue.f[k] = 0;
        } else if (a[k] == kOpaque) {
            red.f[k] = red.i0[k];
            green.f[k] = green.i0[k];
            blue.f[k] = blue.i0[k];
        } else {
            const double alphaValue = a[k];
            red.f[k] = solveChannel(red, k, alphaValue);
            green.f[k] = solveChannel(green, k, alphaValue);
            blue.f[k] = solveChannel(blue, k, alphaValue);
        }
    }
}

void runForegroundStage(Console& console, const std::wstring& foregroundPath,
                        const RgbImage& background0, const RgbImage& image0,
                        const RgbImage& background1, const RgbImage& image1, const Plane& alpha,
                        const KeptFiles& kept)
{
    console.printLine(L"reconstruct foreground");
    RgbImage foreground;
    reconstructForeground(background0, image0, background1, image1, alpha, foreground);
    console.printFileLine(L"write foreground ", foregroundPath);
    writeBmpFile(foregroundPath, foreground, kept);
}

}  // namespace ferlane
