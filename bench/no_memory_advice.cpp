// Linked into ferlane-none, the tool as released except that it gives the system
// no advice about fresh memory: the planes' pages arrive one by one, each on its
// first write, as they did before the tool asked for them in bulk.

#include "image/plane_memory.h"

#include <cstddef>

namespace {

void leaveToFirstWrite(void*, std::size_t) {}

// Static construction runs before main, so before the tool sizes any plane.
const struct Installer {
    Installer() { ferlane::prepareFreshMemoryWith(&leaveToFirstWrite); }
} installer;

}  // namespace
