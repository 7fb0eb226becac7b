#pragma once

#include "image/plane.h"
#include "support/colour.h"

namespace ferlane::support {

inline RgbImage filled(Eigen::Index rows, Eigen::Index columns, Rgb colour)
{
    RgbImage image;
    image.resize(rows, columns);
    image.red.setConstant(colour[0]);
    image.green.setConstant(colour[1]);
    image.blue.setConstant(colour[2]);
    return image;
}

inline RgbImage onePixel(Rgb colour)
{
    return filled(1, 1, colour);
}

inline Rgb pixelAt(const RgbImage& image, Eigen::Index r = 0, Eigen::Index c = 0)
{
    return {image.red(r, c), image.green(r, c), image.blue(r, c)};
}

}  // namespace ferlane::support
