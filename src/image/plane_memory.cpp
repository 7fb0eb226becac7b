#include "plane_memory.h"

namespace ferlane {

namespace {

// Constant-initialised, so it is set before any code, static constructors included, can size a plane.
FreshMemoryPreparation freshMemoryPreparation = &prepareForWriting;

}  // namespace

void prepareFreshMemory(void* data, std::size_t bytes)
{
    if (bytes >= kPlaneAdviceThreshold) {
        freshMemoryPreparation(data, bytes);
    }
}

void prepareFreshMemoryWith(FreshMemoryPreparation preparation)
{
    freshMemoryPreparation = preparation;
}

}  // namespace ferlane
