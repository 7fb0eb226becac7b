#pragma once

// Private to the plane memory code. How much of a plane's memory is asked for before it is written, chosen when
// building (FERLANE_PLANE_MEMORY_MODE, set from FERLANE_PLANE_MEMORY): each level
// asks for all that the one below does, and more. Only the release's level is
// shipped; the others exist for the benchmarks to compare.
#ifndef FERLANE_PLANE_MEMORY_MODE
#error "FERLANE_PLANE_MEMORY_MODE must be set by the build"
#endif

namespace ferlane {

inline constexpr int kPlaneMemoryMode = FERLANE_PLANE_MEMORY_MODE;
inline constexpr int kPagesAsWritten = 0;   // no advice: pages arrive one by one
inline constexpr int kPrefaulted = 1;       // the whole plane supplied in one call (the release)
inline constexpr int kLargePrefaulted = 2;  // in large pages, then supplied in one call

}  // namespace ferlane
