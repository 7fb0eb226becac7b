#pragma once

// Private to the plane memory code. How much fresh memory is asked for before it
// is written: the release asks for all of it in one call. The benchmarks compare
// that with the levels around it, each asking for all that the one below does and
// more, in builds of the tool of their own that compile these same sources with
// FERLANE_PLANE_MEMORY_MODE set (bench/CMakeLists.txt); the release never sets it.

namespace ferlane {

inline constexpr int kPagesAsWritten = 0;   // no advice: pages arrive one by one
inline constexpr int kPrefaulted = 1;       // the whole range supplied in one call (the release)
inline constexpr int kLargePrefaulted = 2;  // in large pages, then supplied in one call

#ifdef FERLANE_PLANE_MEMORY_MODE
inline constexpr int kPlaneMemoryMode = FERLANE_PLANE_MEMORY_MODE;
#else
inline constexpr int kPlaneMemoryMode = kPrefaulted;
#endif

}  // namespace ferlane
