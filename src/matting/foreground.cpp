#include "foreground.h"

#include "image/bmp_writer.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace ferlane {
namespace {

constexpr std::int32_t kTransparent = 0;
constexpr std::int32_t kOpaque = 255;

// F = (I - B) * 255 / a + B, from the photograph whose colour is nearer its own
// background: the smaller difference carries less of the subject's noise.
std::int32_t solveChannel(std::int32_t b0, std::int32_t i0, std::int32_t b1, std::int32_t i1,
                          double alpha)
{
    const bool useImage0 = std::abs(i0 - b0) < std::abs(i1 - b1);
    const std::int32_t image = useImage0 ? i0 : i1;
    const std::int32_t background = useImage0 ? b0 : b1;
    // std::round takes halves away from zero, in both signs.
    const double scaled = std::round(static_cast<double>(image - background) * 255.0 / alpha);
    return static_cast<std::int32_t>(scaled) + background;
}

}  // namespace

void reconstructForeground(const RgbImage& background0, const RgbImage& image0,
                           const RgbImage& background1, const RgbImage& image1,
                           const Plane& alpha, RgbImage& foreground)
{
    const Eigen::Index rows = background0.rows();
    const Eigen::Index columns = background0.columns();
    foreground.resize(rows, columns);

    const Plane* b0[3] = {&background0.red, &background0.green, &background0.blue};
    const Plane* i0[3] = {&image0.red, &image0.green, &image0.blue};
    const Plane* b1[3] = {&background1.red, &background1.green, &background1.blue};
    const Plane* i1[3] = {&image1.red, &image1.green, &image1.blue};
    Plane* f[3] = {&foreground.red, &foreground.green, &foreground.blue};

    const Eigen::Index count = rows * columns;
    for (Eigen::Index k = 0; k < count; ++k) {
        const std::int32_t a = alpha.data()[k];
        for (int c = 0; c < 3; ++c) {
            std::int32_t value = 0;  // no subject: stored black
            if (a == kOpaque) {
                value = i0[c]->data()[k];
            } else if (a != kTransparent) {
                value = solveChannel(b0[c]->data()[k], i0[c]->data()[k], b1[c]->data()[k],
                                     i1[c]->data()[k], static_cast<double>(a));
            }
            f[c]->data()[k] = value;
        }
    }
}

void runForegroundStage(Console& console, const std::wstring& foregroundPath,
                        const RgbImage& background0, const RgbImage& image0,
                        const RgbImage& background1, const RgbImage& image1, const Plane& alpha)
{
    console.printLine(L"reconstruct foreground");
    RgbImage foreground;
    reconstructForeground(background0, image0, background1, image1, alpha, foreground);
    console.printFileLine(L"write foreground ", foregroundPath);
    writeBmpFile(foregroundPath, foreground);
}

}  // namespace ferlane
