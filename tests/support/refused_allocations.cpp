#include "support/refused_allocations.h"

#include <cstdlib>
#include <limits>
#include <new>

namespace {

std::size_t refusedFrom = std::numeric_limits<std::size_t>::max();

}  // namespace

namespace ferlane::support {

RefusedAllocations::RefusedAllocations(std::size_t bytes)
{
    refusedFrom = bytes;
}

RefusedAllocations::~RefusedAllocations()
{
    refusedFrom = std::numeric_limits<std::size_t>::max();
}

}  // namespace ferlane::support

// The array forms fall back on these.
void* operator new(std::size_t size)
{
    void* memory = size < refusedFrom ? std::malloc(size > 0 ? size : 1) : nullptr;
    if (!memory) {
        throw std::bad_alloc();
    }
    return memory;
}

void operator delete(void* memory) noexcept
{
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept
{
    std::free(memory);
}
