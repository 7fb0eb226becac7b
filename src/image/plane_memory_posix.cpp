#include "plane_memory.h"

#include <cstdint>

#include <sys/mman.h>

namespace ferlane {

void preferLargePages(Plane& plane)
{
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
    constexpr std::uintptr_t kPage = 4096;
    const auto begin = reinterpret_cast<std::uintptr_t>(plane.data());
    const auto end = begin + static_cast<std::uintptr_t>(plane.size()) * sizeof(std::int32_t);
    if (end - begin < 2 * kHugePage) {
        return;  // too small for a whole aligned large page to fit
    }
    const std::uintptr_t first = (begin + kPage - 1) & ~(kPage - 1);
    const std::uintptr_t last = end & ~(kPage - 1);
    // Advice only: a kernel without transparent large pages refuses it, harmlessly.
    madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)plane;
#endif
}

}  // namespace ferlane
