#pragma once

#include "image/plane.h"

namespace ferlane {

// Computes the alpha matte and the calculation-error map from the two backgrounds
// and the two photographs of the subject, all of one size.
//
// alpha: 0 is background only, 255 subject only; values outside 0..255 arise where
// the photographs disagree with the compositing model and are kept as computed.
// error: 128 / (the largest background difference), 255 where the backgrounds agree.
void reconstructAlpha(const RgbImage& background0, const RgbImage& image0, const RgbImage& background1,
                      const RgbImage& image1, Plane& alpha, Plane& error);

}  // namespace ferlane
