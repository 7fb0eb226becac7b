#pragma once

// Planes are large and always written whole right after they are sized, and on
// many machines (virtual ones above all) handing a process fresh memory one small
// page at a time costs more than everything the tool computes. Every plane is
// therefore sized here, where the platform can be asked to hand over its memory
// in bulk before the first value is written.

#include "plane.h"

#include <cstddef>

namespace ferlane {

// Planes smaller than this get no advice: the few pages they need cost less than
// the calls that would ask for them in bulk.
inline constexpr std::size_t kPlaneAdviceThreshold = 8 * 1024 * 1024;

// Resizes the plane to rows x columns (what it held is not kept) and prepares its
// memory for being written in full. Throws std::bad_alloc as the resize does.
void sizePlane(Plane& plane, Eigen::Index rows, Eigen::Index columns);

// Prepares fresh memory about to be written in full as sizePlane prepares a plane's:
// for other large buffers that the tool fills at once, such as a picture's bytes
// held from a pipe.
void prepareFreshMemory(void* data, std::size_t bytes);

// The platform's part: asks for `bytes` of freshly allocated memory at `data`,
// about to be written in full, to be supplied at once. Advice the system refuses
// changes nothing.
void prepareForWriting(void* data, std::size_t bytes);

}  // namespace ferlane
