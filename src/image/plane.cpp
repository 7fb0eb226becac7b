#include "plane.h"

#include "plane_memory.h"

namespace ferlane {

void RgbImage::resize(Eigen::Index rows, Eigen::Index columns)
{
    sizePlane(red, rows, columns);
    sizePlane(green, rows, columns);
    sizePlane(blue, rows, columns);
}

}  // namespace ferlane
