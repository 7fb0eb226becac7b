#include "plane_memory.h"

namespace ferlane {

void sizePlane(Plane& plane, Eigen::Index rows, Eigen::Index columns)
{
    plane.resize(rows, columns);
#ifndef FERLANE_NO_PLANE_ADVICE
    const std::size_t bytes = static_cast<std::size_t>(plane.size()) * sizeof(Plane::Scalar);
    if (bytes >= kPlaneAdviceThreshold) {
        prepareForWriting(plane.data(), bytes);
    }
#endif
}

void RgbImage::resize(Eigen::Index rows, Eigen::Index columns)
{
    sizePlane(red, rows, columns);
    sizePlane(green, rows, columns);
    sizePlane(blue, rows, columns);
}

}  // namespace ferlane
