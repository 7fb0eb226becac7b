#pragma once

// Running out of memory on demand, in the program that links refused_allocations.cpp:
// it replaces the global operator new, whose memory std::string and the standard
// containers take, so that a test can refuse every allocation from a size up, as
// a browser tab out of memory refuses it.

#include <cstddef>

namespace ferlane::support {

// Refuses allocations of `bytes` or more, with std::bad_alloc, for as long as the
// object lives.
class RefusedAllocations {
public:
    explicit RefusedAllocations(std::size_t bytes);
    ~RefusedAllocations();
    RefusedAllocations(const RefusedAllocations&) = delete;
    RefusedAllocations& operator=(const RefusedAllocations&) = delete;
};

}  // namespace ferlane::support
