// Feeds arbitrary bytes to the BMP reader twice: from a seekable in-memory stream
// (the way files arrive) and from a stream that can neither seek nor tell its
// length (the way pipes deliver). Refusals are expected; crashes, undefined
// behaviour and leaks are what the sanitizers catch, and no single allocation may
// ask for more memory than the input's bytes could fill.

#include "image/bmp_reader.h"
#include "support/forward_only_buffer.h"

#include <sanitizer/allocator_interface.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <sstream>
#include <string>

namespace {

// The largest allocation made while a read runs. A plane holds 4 bytes for every
// pixel and a stored pixel takes at least 3, and what a pipe delivers is held in
// steps at most as large as what has arrived: twice the input, and a little for
// small buffers, is all a read may ever ask for.
std::atomic<std::size_t> largestAllocation{0};
constexpr std::size_t kSlack = 1 << 20;

void noteAllocation(const volatile void*, std::size_t size)
{
    std::size_t seen = largestAllocation.load(std::memory_order_relaxed);
    while (size > seen && !largestAllocation.compare_exchange_weak(seen, size, std::memory_order_relaxed)) {
    }
}

void noteRelease(const volatile void*) {}

void readFrom(std::istream& input, std::size_t inputSize, const char* how)
{
    largestAllocation = 0;
    {
        ferlane::RgbImage image;
        try {
            ferlane::readBmp(input, image);
        } catch (const std::bad_alloc&) {
        } catch (const std::exception&) {
        }
    }
    if (largestAllocation > 2 * inputSize + kSlack) {
        std::fprintf(stderr, "reading %zu bytes %s asked for %zu bytes at once\n", inputSize, how,
                     largestAllocation.load());
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    __sanitizer_install_malloc_and_free_hooks(noteAllocation, noteRelease);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    {
        std::istringstream input(bytes);
        readFrom(input, size, "from a file");
    }
    {
        ferlane::support::ForwardOnlyBuffer buffer(bytes);
        std::istream input(&buffer);
        readFrom(input, size, "from a pipe");
    }
    return 0;
}
