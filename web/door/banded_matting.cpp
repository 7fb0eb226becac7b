#include "banded_matting.h"

#include "image/bmp_writer.h"
#include "image/memory_stream.h"
#include "matting/alpha.h"
#include "matting/foreground.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <ostream>

namespace ferlane::page {
namespace {

// Pixels a band holds: planes of a megabyte, so that the bands of all pictures and
// results together stay small beside one whole picture.
constexpr std::int64_t kBandPixels = std::int64_t{1} << 18;

// Where the bytes at the first three addresses of a word lie in its value.
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
constexpr int kFirstByteShift = 24;
constexpr int kSecondByteShift = 16;
constexpr int kThirdByteShift = 8;
#else
constexpr int kFirstByteShift = 0;
constexpr int kSecondByteShift = 8;
constexpr int kThirdByteShift = 16;
#endif

void giveBack(Plane& plane)
{
    Plane().swap(plane);
}

void giveBack(RgbImage& image)
{
    giveBack(image.red);
    giveBack(image.green);
    giveBack(image.blue);
}

// Starts a file for the whole picture, its room taken at once: growing by doubling
// would make the module touch twice the memory.
void start(std::string& file, std::int64_t rows, std::int64_t columns)
{
    std::string().swap(file);
    const BmpLayout layout = bmpLayout(rows, columns);
    file.reserve(layout.fileSize);
    StringOutput buffer(file);
    std::ostream out(&buffer);
    writeBmpHeader(out, layout);
}

void append(std::string& file, const Plane& red, const Plane& green, const Plane& blue)
{
    StringOutput buffer(file);
    std::ostream out(&buffer);
    writeBmpRows(out, red, green, blue);
}

// Calls work(begin, end) for bands of rows from the bottom of the picture up, the
// order in which a BMP file stores them.
template <typename Work> void everyBand(const PackedPicture& picture, Work work)
{
    const std::int64_t columns = std::max<std::int64_t>(1, picture.columns);
    const std::int64_t bandRows = std::max<std::int64_t>(1, kBandPixels / columns);
    for (std::int64_t end = picture.rows; end > 0; end -= bandRows) {
        work(std::max<std::int64_t>(0, end - bandRows), end);
    }
}

}  // namespace

void release(PackedPicture& picture)
{
    std::free(picture.rgb);
    picture = PackedPicture();
}

void fit(PackedPicture& picture, std::int64_t rows, std::int64_t columns)
{
    picture.rows = rows;
    picture.columns = columns;
    const std::size_t bytes = 3 * static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns);
    if (bytes > 0) {
        if (void* cut = std::realloc(picture.rgb, bytes)) {
            picture.rgb = static_cast<std::uint8_t*>(cut);
        }
    }
}

// The rows [begin, end) of a picture, as planes of one band.
void BandedMatting::expand(const PackedPicture& picture, std::int64_t begin, std::int64_t end, RgbImage& band)
{
    band.resize(end - begin, picture.columns);
    const std::size_t columns = static_cast<std::size_t>(picture.columns);
    const std::uint8_t* rgb = picture.rgb + 3 * static_cast<std::size_t>(begin) * columns;
    std::int32_t* red = band.red.data();
    std::int32_t* green = band.green.data();
    std::int32_t* blue = band.blue.data();
    const Eigen::Index count = band.red.size();
    // A pixel's three bytes read as one four-byte word: one load instead of three,
    // the loop's cost in WebAssembly. The last pixel's word would reach past the
    // picture.
    Eigen::Index k = 0;
    for (; k + 1 < count; ++k) {
        std::uint32_t word = 0;
        std::memcpy(&word, rgb + 3 * k, sizeof word);
        red[k] = static_cast<std::int32_t>((word >> kFirstByteShift) & 0xFF);
        green[k] = static_cast<std::int32_t>((word >> kSecondByteShift) & 0xFF);
        blue[k] = static_cast<std::int32_t>((word >> kThirdByteShift) & 0xFF);
    }
    for (; k < count; ++k) {
        red[k] = rgb[3 * k];
        green[k] = rgb[3 * k + 1];
        blue[k] = rgb[3 * k + 2];
    }
}

// The band's alpha: an alpha file's red, or computed from the four photographs.
void BandedMatting::alphaOfBand(const PackedSet& set, std::int64_t begin, std::int64_t end)
{
    if (set.alphaFile) {
        expand(*set.alphaFile, begin, end, bands_[kAlphaFile]);
        alpha_.swap(bands_[kAlphaFile].red);
        return;
    }
    expand(*set.background0, begin, end, bands_[kBackground0]);
    expand(*set.image0, begin, end, bands_[kImage0]);
    expand(*set.background1, begin, end, bands_[kBackground1]);
    expand(*set.image1, begin, end, bands_[kImage1]);
    reconstructAlpha(bands_[kBackground0], bands_[kImage0], bands_[kBackground1], bands_[kImage1], alpha_, error_);
}

ErrorCounts BandedMatting::alphaAndError(const PackedSet& set, std::string* alphaBmp, std::string& errorBmp)
{
    const PackedPicture& shape = *set.background0;
    if (alphaBmp) {
        start(*alphaBmp, shape.rows, shape.columns);
    }
    start(errorBmp, shape.rows, shape.columns);
    ErrorCounts counts;
    everyBand(shape, [&](std::int64_t begin, std::int64_t end) {
        alphaOfBand(set, begin, end);
        if (alphaBmp) {
            append(*alphaBmp, alpha_, alpha_, alpha_);
        }
        append(errorBmp, error_, error_, error_);
        for (std::int64_t row = begin; row < end; ++row) {
            const int partRow = static_cast<int>(3 * row / shape.rows);
            for (int third = 0; third < 3; ++third) {
                const std::int64_t first = third * shape.columns / 3;
                const auto values = error_.row(row - begin).segment(first, (third + 1) * shape.columns / 3 - first);
                const int part = 3 * partRow + third;
                counts.pixels[part] += values.size();
                counts.exact[part] += (values.array() == 0).count();
                counts.unresolved[part] += (values.array() == 255).count();
            }
        }
    });
    release();
    return counts;
}

void BandedMatting::alphaFromFile(const PackedSet& set, std::string& alphaBmp)
{
    start(alphaBmp, set.alphaFile->rows, set.alphaFile->columns);
    everyBand(*set.alphaFile, [&](std::int64_t begin, std::int64_t end) {
        alphaOfBand(set, begin, end);
        append(alphaBmp, alpha_, alpha_, alpha_);
    });
    release();
}

void BandedMatting::foreground(const PackedSet& set, std::string& foregroundBmp)
{
    const PackedPicture& shape = *set.background0;
    start(foregroundBmp, shape.rows, shape.columns);
    everyBand(shape, [&](std::int64_t begin, std::int64_t end) {
        alphaOfBand(set, begin, end);
        if (set.alphaFile) {
            expand(*set.background0, begin, end, bands_[kBackground0]);
            expand(*set.image0, begin, end, bands_[kImage0]);
            expand(*set.background1, begin, end, bands_[kBackground1]);
            expand(*set.image1, begin, end, bands_[kImage1]);
        }
        reconstructForeground(bands_[kBackground0], bands_[kImage0], bands_[kBackground1], bands_[kImage1], alpha_,
                              foreground_);
        append(foregroundBmp, foreground_.red, foreground_.green, foreground_.blue);
    });
    release();
}

void BandedMatting::release()
{
    for (RgbImage& band : bands_) {
        giveBack(band);
    }
    giveBack(alpha_);
    giveBack(error_);
    giveBack(foreground_);
}

}  // namespace ferlane::page
