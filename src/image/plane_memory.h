#pragma once

#include "plane.h"

namespace ferlane {

// Advises the system to back a freshly sized plane with large memory pages. A
// full-size photograph's planes are hundreds of megabytes touched once each; with
// ordinary pages, faulting them in costs more than all the arithmetic. Call it
// after resizing and before the first write; it changes no value, and where the
// system offers no such advice it does nothing.
void preferLargePages(Plane& plane);

}  // namespace ferlane
