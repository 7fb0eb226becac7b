#include "plane_memory.h"

#include <cstdint>

#include <sys/mman.h>
#include <unistd.h>

namespace ferlane {

// Where the C library has no such advice (WebAssembly's, or one older than Linux
// 5.14), pages arrive one by one as they are written.
void prepareForWriting([[maybe_unused]] void* data, [[maybe_unused]] std::size_t bytes)
{
#ifdef MADV_POPULATE_WRITE
    // Advice works on whole pages: only those wholly inside the plane are advised,
    // so no neighbouring allocation is touched.
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pageSize <= 0) {
        return;
    }
    const auto page = static_cast<std::uintptr_t>(pageSize);
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (start + page - 1) & ~(page - 1);
    const std::uintptr_t last = (start + bytes) & ~(page - 1);
    if (last <= first) {
        return;
    }
    // One call supplies the whole range, instead of one trap per page at first write.
    // It may be refused: a kernel without the advice answers EINVAL, one short of
    // memory ENOMEM. Either way the plane is as usable as before, and its pages
    // arrive one by one as it is written, as they always did.
    madvise(reinterpret_cast<void*>(first), last - first, MADV_POPULATE_WRITE);
#endif
}

}  // namespace ferlane
