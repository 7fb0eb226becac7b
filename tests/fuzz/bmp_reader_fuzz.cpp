// Feeds arbitrary bytes to the BMP reader, from a seekable in-memory stream (the
// way files arrive) and, where the header claims a modest picture, from a stream
// that cannot tell its length. Refusals are expected; crashes, undefined
// behaviour and leaks are what the sanitizers catch.

#include "image/bmp_reader.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <sstream>
#include <streambuf>
#include <string>

namespace {

class ForwardOnlyBuffer : public std::streambuf {
public:
    explicit ForwardOnlyBuffer(std::string& bytes) { setg(bytes.data(), bytes.data(), bytes.data() + bytes.size()); }
};

std::int64_t claimedPixels(const std::string& bytes)
{
    if (bytes.size() < 26) {
        return 0;
    }
    auto field = [&](std::size_t at) {
        std::uint32_t v = 0;
        for (int n = 3; n >= 0; --n) {
            v = (v << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(n)]);
        }
        return static_cast<std::int64_t>(static_cast<std::int32_t>(v));
    };
    const std::int64_t width = field(18);
    const std::int64_t height = field(22);
    return (width < 0 ? -width : width) * (height < 0 ? -height : height);
}

void readFrom(std::istream& input)
{
    ferlane::RgbImage image;
    try {
        ferlane::readBmp(input, image);
    } catch (const std::bad_alloc&) {
    } catch (const std::exception&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    {
        std::istringstream input(bytes);
        readFrom(input);
    }
    // Without a known length the planes are sized from the header before the first
    // row shows the file short, so only modest claims are worth reading this way.
    if (claimedPixels(bytes) <= (1 << 20)) {
        ForwardOnlyBuffer buffer(bytes);
        std::istream input(&buffer);
        readFrom(input);
    }
    return 0;
}
