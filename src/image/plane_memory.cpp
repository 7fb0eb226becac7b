#include "plane_memory.h"
#include "plane_memory_mode.h"

namespace ferlane {

void sizePlane(Plane& plane, Eigen::Index rows, Eigen::Index columns)
{
    plane.resize(rows, columns);
    prepareFreshMemory(plane.data(), static_cast<std::size_t>(plane.size()) * sizeof(Plane::Scalar));
}

void prepareFreshMemory(void* data, std::size_t bytes)
{
    if (kPlaneMemoryMode >= kPrefaulted && bytes >= kPlaneAdviceThreshold) {
        prepareForWriting(data, bytes);
    }
}

}  // namespace ferlane
