#include "plane_memory.h"

namespace ferlane {

// Windows hands a process committed memory without a round trip per page worth
// avoiding, and large pages need a privilege users do not have: no advice.
void prepareForWriting(void*, std::size_t) {}

}  // namespace ferlane
