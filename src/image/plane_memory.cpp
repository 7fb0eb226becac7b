#include "plane_memory.h"
#include "plane_memory_mode.h"

namespace ferlane {

void prepareFreshMemory(void* data, std::size_t bytes)
{
    if (kPlaneMemoryMode >= kPrefaulted && bytes >= kPlaneAdviceThreshold) {
        prepareForWriting(data, bytes);
    }
}

}  // namespace ferlane
