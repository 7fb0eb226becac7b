#include "bmp_reader.h"

#include "bmp_layout.h"
#include "checked_size.h"
#include "file_streams.h"
#include "memory_stream.h"
#include "plane_memory.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <exception>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

namespace ferlane {
namespace {

struct Geometry {
    std::int64_t rows = 0;
    std::int64_t columns = 0;
    bool topDown = false;
    std::uint64_t bytesPerPixel = 0;
    std::uint64_t rowLength = 0;
    std::uint64_t pixelOffset = 0;

    bool hasPixels() const { return rows > 0 && columns > 0; }

    // Bytes of each row that the reader uses: up to the red byte of the last pixel.
    // What follows (padding, the fourth byte of a 32-bit pixel) is never looked at,
    // and some writers leave it off the end of the file.
    std::uint64_t usedRowBytes() const
    {
        return (static_cast<std::uint64_t>(columns) - 1) * bytesPerPixel + bmp::kColourBytes;
    }
};

Geometry parseHeaders(const std::array<unsigned char, bmp::kHeadersSize>& headers)
{
    // The information-header size and the compression field are not consulted:
    // the 40-byte layout is read whatever the size says, and pixel data is taken as
    // uncompressed, which reads 32-bit bit-field files correctly in practice. Longer
    // headers, colour masks and palettes are skipped through the pixel-row offset.
    const std::int32_t width = bmp::loadI32(&headers[bmp::kWidthAt]);
    const std::int32_t height = bmp::loadI32(&headers[bmp::kHeightAt]);
    const std::uint16_t bitsPerPixel = bmp::loadU16(&headers[bmp::kBitsPerPixelAt]);

    // Checked in the order the fields lie in the file.
    if (width < 0) {
        bmp::refuse(BmpRule::kNegativeWidth);
    }
    if (height == std::numeric_limits<std::int32_t>::min()) {
        bmp::refuse(BmpRule::kHeightOutOfRange);
    }
    if (bitsPerPixel != 24 && bitsPerPixel != 32) {
        bmp::refuse(BmpRule::kUnsupportedBitDepth);
    }

    Geometry g;
    g.columns = width;
    g.rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
    g.topDown = height < 0;
    g.bytesPerPixel = bitsPerPixel / 8;
    g.rowLength = bitsPerPixel == 24 ? bmp::rowLength24(static_cast<std::uint64_t>(width))
                                     : bmp::rowLength32(static_cast<std::uint64_t>(width));
    g.pixelOffset = bmp::loadU32(&headers[bmp::kPixelOffsetAt]);
    return g;
}

// One past the last byte the reader uses, counted from the start of the file.
std::optional<std::uint64_t> requiredLength(const Geometry& g)
{
    if (!g.hasPixels()) {
        return std::uint64_t{0};
    }
    const auto before = checkedMultiply(static_cast<std::uint64_t>(g.rows) - 1, g.rowLength);
    if (!before) {
        return std::nullopt;
    }
    const auto lastRow = checkedAdd(g.pixelOffset, *before);
    return lastRow ? checkedAdd(*lastRow, g.usedRowBytes()) : std::nullopt;
}

// The stream's length from `start` on, where it can be known without reading.
std::optional<std::uint64_t> lengthFrom(std::istream& input, std::istream::pos_type start)
{
    if (start == std::istream::pos_type(-1)) {
        return std::nullopt;
    }
    const auto here = input.tellg();
    input.seekg(0, std::ios::end);
    const auto end = input.tellg();
    input.clear();
    input.seekg(here);
    if (end == std::istream::pos_type(-1) || !input || end < start) {
        input.clear();
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(end - start);
}

// One past the last stored byte of the pixels, padding of the last row included.
std::uint64_t storedEnd(const Geometry& g, std::uint64_t required)
{
    const auto end = g.hasPixels() ? checkedAdd(required, g.rowLength - g.usedRowBytes()) : required;
    return end ? *end : required;
}

// The first bytes of a stream that cannot seek, held in memory and read back as a
// seekable stream, so that the picture is read exactly as a file of that length.
// Memory is asked for in steps no larger than what has already arrived: the buffer
// doubles at most, and only when the bytes keep coming.
class HeldPicture {
public:
    HeldPicture(const std::array<unsigned char, bmp::kHeadersSize>& headers, std::istream& input,
                std::uint64_t required, std::uint64_t end)
        : required_(required)
    {
        makeRoom(headers.size());
        std::copy(headers.begin(), headers.end(), bytes_.get());
        size_ = headers.size();
        constexpr std::size_t kFirstStep = 64 * 1024;
        while (size_ < end && input) {
            const std::uint64_t wanted = std::max<std::uint64_t>(kFirstStep, size_);
            const auto step = static_cast<std::size_t>(std::min(wanted, end - size_));
            makeRoom(step);
            input.read(bytes_.get() + size_, static_cast<std::streamsize>(step));
            size_ += static_cast<std::size_t>(input.gcount());
        }
    }

    bool complete() const { return size_ >= required_; }

    // The held bytes from just after the headers, as the caller's stream was left.
    MemoryStream afterHeaders() const
    {
        MemoryStream stream(bytes_.get(), size_);
        stream.pubseekpos(bmp::kHeadersSize, std::ios::in);
        return stream;
    }

private:
    // Room for `step` more bytes, whose memory is asked for in bulk as a plane's is:
    // a large picture through a pipe would otherwise cost a trap per page.
    void makeRoom(std::size_t step)
    {
        if (size_ + step > capacity_) {
            std::unique_ptr<char[]> larger(new char[size_ + step]);
            prepareFreshMemory(larger.get(), size_ + step);
            std::copy_n(bytes_.get(), size_, larger.get());
            bytes_ = std::move(larger);
            capacity_ = size_ + step;
        }
    }

    std::unique_ptr<char[]> bytes_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
    std::uint64_t required_;
};

void fillRow(const unsigned char* bytes, std::uint64_t bytesPerPixel, Eigen::Index row, Eigen::Index columns,
             Plane& red, Plane& green, Plane& blue)
{
    std::int32_t* r = red.data() + row * columns;
    std::int32_t* g = green.data() + row * columns;
    std::int32_t* b = blue.data() + row * columns;
    for (Eigen::Index c = 0; c < columns; ++c) {
        const unsigned char* pixel = bytes + static_cast<std::uint64_t>(c) * bytesPerPixel;
        b[c] = pixel[bmp::kBlueByte];
        g[c] = pixel[bmp::kGreenByte];
        r[c] = pixel[bmp::kRedByte];
    }
}

// Where the pixels start, and what the planes receive: everything after the headers.
void readPixels(std::istream& input, const Geometry& g, Plane& red, Plane& green, Plane& blue)
{
    // Rows start at the pixel-row offset, counted from the file's first byte; an
    // offset below the headers moves backwards and reads rows from inside them.
    if (g.pixelOffset != bmp::kHeadersSize) {
        input.seekg(static_cast<std::streamoff>(g.pixelOffset) - static_cast<std::streamoff>(bmp::kHeadersSize),
                    std::ios::cur);
    }

    sizePlane(red, g.rows, g.columns);
    sizePlane(green, g.rows, g.columns);
    sizePlane(blue, g.rows, g.columns);
    if (!g.hasPixels()) {
        return;
    }

    if (g.rowLength > std::numeric_limits<std::size_t>::max() ||
        g.rowLength > static_cast<std::uint64_t>(std::numeric_limits<std::streamsize>::max())) {
        throw std::bad_alloc();
    }
    std::vector<unsigned char> row(static_cast<std::size_t>(g.rowLength));  // zeroed
    const std::uint64_t used = g.usedRowBytes();
    for (std::int64_t stored = 0; stored < g.rows; ++stored) {
        input.read(reinterpret_cast<char*>(row.data()), static_cast<std::streamsize>(row.size()));
        if (static_cast<std::uint64_t>(input.gcount()) < used) {
            bmp::refuse(BmpRule::kShorterThanPixels);  // the file ends, or cannot be read, inside the pixels
        }
        const Eigen::Index target = g.topDown ? stored : g.rows - 1 - stored;
        fillRow(row.data(), g.bytesPerPixel, target, g.columns, red, green, blue);
    }
}

// The geometry of a file of `length` bytes whose first bytes are `head`, refused
// as readBmp refuses the same bytes, in the same order.
Geometry geometryOf(const unsigned char* head, std::size_t headLength, std::uint64_t length)
{
    std::array<unsigned char, bmp::kHeadersSize> headers{};
    if (headLength < bmp::kFileHeaderSize) {
        bmp::refuse(BmpRule::kShorterThanHeaders);
    }
    std::copy_n(head, std::min(headLength, headers.size()), headers.begin());
    if (bmp::loadU16(&headers[bmp::kSignatureAt]) != bmp::kSignature) {
        bmp::refuse(BmpRule::kNoSignature);
    }
    if (headLength < bmp::kHeadersSize) {
        bmp::refuse(BmpRule::kShorterThanHeaders);
    }
    const Geometry g = parseHeaders(headers);
    const auto required = requiredLength(g);
    if (!required) {
        bmp::refuse(BmpRule::kPixelsBeyondReach);
    }
    if (length < *required) {
        bmp::refuse(BmpRule::kShorterThanPixels);
    }
    return g;
}

// Turns the stored rows, top-down or bottom-up, into rows from the top.
void reverseRows(unsigned char* rgb, std::size_t rows, std::size_t rowBytes)
{
    std::vector<unsigned char> swap(rowBytes);
    for (std::size_t top = 0, bottom = rows - 1; top < bottom; ++top, --bottom) {
        unsigned char* upper = rgb + top * rowBytes;
        unsigned char* lower = rgb + bottom * rowBytes;
        std::copy_n(upper, rowBytes, swap.data());
        std::copy_n(lower, rowBytes, upper);
        std::copy_n(swap.data(), rowBytes, lower);
    }
}

}  // namespace

void readBmp(std::istream& input, Plane& red, Plane& green, Plane& blue)
{
    const auto start = input.tellg();

    std::array<unsigned char, bmp::kHeadersSize> headers{};
    input.read(reinterpret_cast<char*>(headers.data()), bmp::kFileHeaderSize);
    if (static_cast<std::size_t>(input.gcount()) != bmp::kFileHeaderSize) {
        bmp::refuse(BmpRule::kShorterThanHeaders);
    }
    if (bmp::loadU16(&headers[bmp::kSignatureAt]) != bmp::kSignature) {
        bmp::refuse(BmpRule::kNoSignature);
    }
    input.read(reinterpret_cast<char*>(headers.data() + bmp::kFileHeaderSize), bmp::kInfoHeaderSize);
    if (static_cast<std::size_t>(input.gcount()) != bmp::kInfoHeaderSize) {
        bmp::refuse(BmpRule::kShorterThanHeaders);
    }

    const Geometry g = parseHeaders(headers);

    // A file must hold every byte the reader uses. Checking that before sizing the
    // planes keeps a short file with a huge header from allocating anything large.
    const auto required = requiredLength(g);
    if (!required) {
        bmp::refuse(BmpRule::kPixelsBeyondReach);
    }
    if (const auto length = lengthFrom(input, start)) {
        if (*length < *required) {
            bmp::refuse(BmpRule::kShorterThanPixels);
        }
        readPixels(input, g, red, green, blue);
        return;
    }

    // A pipe cannot tell its length, and its header alone must not decide how much
    // memory the run takes: what arrives is held, in steps that grow with it, and
    // the planes are sized only once every byte the header promises is there.
    HeldPicture held(headers, input, *required, storedEnd(g, *required));
    if (!held.complete()) {
        bmp::refuse(BmpRule::kShorterThanPixels);
    }
    MemoryStream heldBytes = held.afterHeaders();
    std::istream heldInput(&heldBytes);
    readPixels(heldInput, g, red, green, blue);
}

void readBmp(std::istream& input, RgbImage& image)
{
    readBmp(input, image.red, image.green, image.blue);
}

void readBmpFile(const std::wstring& path, RgbImage& image)
{
    OptionalBmpFile(path).read(image);
}

PictureSize readBmpSize(const unsigned char* head, std::size_t headLength, std::uint64_t fileLength)
{
    const Geometry g = geometryOf(head, headLength, fileLength);
    return {g.rows, g.columns};
}

StoredPixels readBmpStoredPixels(const unsigned char* head, std::size_t headLength, std::uint64_t fileLength)
{
    const Geometry g = geometryOf(head, headLength, fileLength);
    StoredPixels stored;
    stored.rows = g.rows;
    stored.columns = g.columns;
    // geometryOf has counted the file up to its last row, so no sum here can overflow.
    const std::uint64_t lastStored = g.rows > 0 ? (static_cast<std::uint64_t>(g.rows) - 1) * g.rowLength : 0;
    stored.topRowOffset = g.pixelOffset + (g.topDown ? 0 : lastStored);
    stored.rowStep = g.topDown ? static_cast<std::int64_t>(g.rowLength) : -static_cast<std::int64_t>(g.rowLength);
    stored.bytesPerPixel = static_cast<std::int64_t>(g.bytesPerPixel);
    return stored;
}

PictureSize packBmp(unsigned char* file, std::size_t length)
{
    const Geometry g = geometryOf(file, length, length);
    if (!g.hasPixels()) {
        return {g.rows, g.columns};
    }
    // Packed in place, front to back: a pixel's three bytes land at or before the
    // place its stored bytes are read from (3 bytes a pixel against 3 or 4, rows
    // of 3 x columns bytes against the padded stored length, and a pixel-row offset
    // of at least 0), so no byte is overwritten before it is read.
    const auto rows = static_cast<std::size_t>(g.rows);
    const auto columns = static_cast<std::size_t>(g.columns);
    const auto rowLength = static_cast<std::size_t>(g.rowLength);
    const auto bytesPerPixel = static_cast<std::size_t>(g.bytesPerPixel);
    const auto offset = static_cast<std::size_t>(g.pixelOffset);
    unsigned char* packed = file;
    for (std::size_t stored = 0; stored < rows; ++stored) {
        const unsigned char* pixel = file + offset + stored * rowLength;
        for (std::size_t c = 0; c < columns; ++c, pixel += bytesPerPixel, packed += 3) {
            const unsigned char blue = pixel[bmp::kBlueByte];
            const unsigned char green = pixel[bmp::kGreenByte];
            const unsigned char red = pixel[bmp::kRedByte];
            packed[0] = red;
            packed[1] = green;
            packed[2] = blue;
        }
    }
    if (!g.topDown) {
        reverseRows(file, rows, 3 * columns);
    }
    return {g.rows, g.columns};
}

OptionalBmpFile::OptionalBmpFile(const std::wstring& path) : input_(openInputFile(path)) {}

void OptionalBmpFile::read(RgbImage& image)
{
    if (!isOpen()) {
        bmp::refuse(BmpRule::kCannotOpen);
    }
    readBmp(input_, image);
}

}  // namespace ferlane
