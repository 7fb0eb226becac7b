#include "plane.h"

#include "plane_memory.h"

namespace ferlane {

void sizePlane(Plane& plane, Eigen::Index rows, Eigen::Index columns)
{
    plane.resize(rows, columns);
    prepareFreshMemory(plane.data(), static_cast<std::size_t>(plane.size()) * sizeof(Plane::Scalar));
}

void RgbImage::resize(Eigen::Index rows, Eigen::Index columns)
{
    sizePlane(red, rows, columns);
    sizePlane(green, rows, columns);
    sizePlane(blue, rows, columns);
}

}  // namespace ferlane
