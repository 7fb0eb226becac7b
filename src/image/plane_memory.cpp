#include "plane_memory.h"
#include "plane_memory_mode.h"

namespace ferlane {

void sizePlane(Plane& plane, Eigen::Index rows, Eigen::Index columns)
{
    plane.resize(rows, columns);
    const std::size_t bytes = static_cast<std::size_t>(plane.size()) * sizeof(Plane::Scalar);
    if (kPlaneMemoryMode >= kPrefaulted && bytes >= kPlaneAdviceThreshold) {
        prepareForWriting(plane.data(), bytes);
    }
}

}  // namespace ferlane
