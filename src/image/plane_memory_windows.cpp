#include "plane_memory.h"

namespace ferlane {

// Large pages on Windows need a privilege that a console tool's user rarely has.
void preferLargePages(Plane&) {}

}  // namespace ferlane
