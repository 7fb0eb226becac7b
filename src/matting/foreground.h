#pragma once

#include "image/plane.h"

namespace ferlane {

// Recovers the subject's own colour at every pixel from alpha and the four
// photographs. Alpha 255 copies image 0, alpha 0 gives black; any other value,
// negative or above 255 included, solves the compositing model per channel with
// whichever photograph lies closer to its own background (image 1 on a tie).
// Results are not clamped: the BMP writer does that. Alpha lies within +-2^24, as
// reconstructAlpha and alpha files give it.
void reconstructForeground(const RgbImage& background0, const RgbImage& image0, const RgbImage& background1,
                           const RgbImage& image1, const Plane& alpha, RgbImage& foreground);

}  // namespace ferlane
