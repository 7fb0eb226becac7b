#pragma once

// Planes are large and always written whole right after they are sized, and on
// many machines (virtual ones above all) handing a process fresh memory one small
// page at a time costs more than everything the tool computes. Memory about to be
// written in full (every plane, as sizePlane sizes it, and a picture's bytes held
// from a pipe) is therefore prepared here, where the platform can be asked to hand
// it over in bulk before the first value is written.

#include <cstddef>

namespace ferlane {

// Memory smaller than this gets no advice: the few pages it needs cost less than
// the calls that would ask for them in bulk.
inline constexpr std::size_t kPlaneAdviceThreshold = 8 * 1024 * 1024;

// Prepares `bytes` of freshly allocated memory at `data`, about to be written in full.
void prepareFreshMemory(void* data, std::size_t bytes);

// The platform's part: asks for the memory to be supplied at once. Advice the
// system refuses changes nothing.
void prepareForWriting(void* data, std::size_t bytes);

// What prepareFreshMemory does with memory past the threshold: prepareForWriting,
// unless a benchmark's build of the tool (bench/) puts another way of asking for
// memory in its place before any plane is sized, to time the two against each other.
using FreshMemoryPreparation = void (*)(void* data, std::size_t bytes);
void prepareFreshMemoryWith(FreshMemoryPreparation preparation);

}  // namespace ferlane
