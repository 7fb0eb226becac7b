#pragma once

#include "image/plane.h"
#include "support/colour.h"

namespace ferlane::support {

inline RgbImage onePixel(Rgb colour)
{
    RgbImage image;
    image.resize(1, 1);
    image.red(0, 0) = colour[0];
    image.green(0, 0) = colour[1];
    image.blue(0, 0) = colour[2];
    return image;
}

inline Rgb pixelAt(const RgbImage& image, Eigen::Index r = 0, Eigen::Index c = 0)
{
    return {image.red(r, c), image.green(r, c), image.blue(r, c)};
}

}  // namespace ferlane::support
