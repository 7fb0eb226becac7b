#include "bmp_writer.h"

#include "bmp_layout.h"
#include "checked_size.h"
#include "file_streams.h"

#include <array>
#include <cstdint>
#include <exception>
#include <limits>
#include <vector>

namespace ferlane {
namespace {

void requireOneSize(const Plane& red, const Plane& green, const Plane& blue)
{
    if (green.rows() != red.rows() || green.cols() != red.cols() || blue.rows() != red.rows() ||
        blue.cols() != red.cols()) {
        bmp::refuse(BmpRule::kPlaneSizesDiffer);
    }
}

std::array<unsigned char, bmp::kHeadersSize> headersFor(const BmpLayout& layout)
{
    std::array<unsigned char, bmp::kHeadersSize> h{};  // every field not set below is 0
    bmp::storeU16(&h[bmp::kSignatureAt], bmp::kSignature);
    bmp::storeU32(&h[bmp::kFileSizeAt], layout.fileSize);
    bmp::storeU16(&h[bmp::kReserved1At], 0);
    bmp::storeU16(&h[bmp::kReserved2At], 0);
    bmp::storeU32(&h[bmp::kPixelOffsetAt], bmp::kHeadersSize);
    bmp::storeU32(&h[bmp::kInfoSizeAt], bmp::kInfoHeaderSize);
    bmp::storeU32(&h[bmp::kWidthAt], layout.columns);
    bmp::storeU32(&h[bmp::kHeightAt], layout.rows);  // positive: bottom row stored first
    bmp::storeU16(&h[bmp::kPlanesAt], 1);
    bmp::storeU16(&h[bmp::kBitsPerPixelAt], 24);
    bmp::storeU32(&h[bmp::kCompressionAt], 0);
    bmp::storeU32(&h[bmp::kPixelDataSizeAt], layout.pixelDataSize);
    bmp::storeU32(&h[bmp::kXPixelsPerMetreAt], 0);
    bmp::storeU32(&h[bmp::kYPixelsPerMetreAt], 0);
    bmp::storeU32(&h[bmp::kColoursUsedAt], 0);
    bmp::storeU32(&h[bmp::kImportantColoursAt], 0);
    return h;
}

unsigned char clampToByte(std::int32_t v)
{
    return v <= 0 ? 0 : v >= 255 ? 255 : static_cast<unsigned char>(v);
}

void writeRows(std::ostream& output, const BmpLayout& layout, const Plane& red, const Plane& green, const Plane& blue)
{
    if (layout.rowLength == 0) {
        return;  // no rows, or rows without a single byte
    }
    std::vector<unsigned char> row(layout.rowLength);  // padding stays zero
    const Eigen::Index columns = layout.columns;
    for (Eigen::Index r = static_cast<Eigen::Index>(layout.rows) - 1; r >= 0; --r) {
        const std::int32_t* red_ = red.data() + r * columns;
        const std::int32_t* green_ = green.data() + r * columns;
        const std::int32_t* blue_ = blue.data() + r * columns;
        unsigned char* out = row.data();
        for (Eigen::Index c = 0; c < columns; ++c, out += bmp::kColourBytes) {
            out[bmp::kBlueByte] = clampToByte(blue_[c]);
            out[bmp::kGreenByte] = clampToByte(green_[c]);
            out[bmp::kRedByte] = clampToByte(red_[c]);
        }
        output.write(reinterpret_cast<const char*>(row.data()), static_cast<std::streamsize>(row.size()));
    }
}

void requireWritten(std::ostream& output)
{
    output.flush();
    if (!output) {
        bmp::refuse(BmpRule::kWriteFailed);  // a full disk or an I/O error must not pass for a written picture
    }
}

BmpLayout layoutOf(const Plane& red, const Plane& green, const Plane& blue)
{
    requireOneSize(red, green, blue);
    return bmpLayout(red.rows(), red.cols());
}

// A whole picture is its one band.
void writeLaidOut(std::ostream& output, const BmpLayout& layout, const Plane& red, const Plane& green,
                  const Plane& blue)
{
    writeBmpHeader(output, layout);
    writeBmpRows(output, red, green, blue);
}

}  // namespace

BmpLayout bmpLayout(Eigen::Index rows, Eigen::Index columns)
{
    constexpr auto kMaxDimension = static_cast<Eigen::Index>(std::numeric_limits<std::int32_t>::max());
    if (rows < 0 || columns < 0 || rows > kMaxDimension || columns > kMaxDimension) {
        bmp::refuse(BmpRule::kTooLargeForFormat);
    }
    const std::uint64_t rowLength = bmp::rowLength24(static_cast<std::uint64_t>(columns));
    const auto pixelBytes = checkedMultiply(static_cast<std::uint64_t>(rows), rowLength);
    const auto fileSize = pixelBytes ? checkedAdd(*pixelBytes, bmp::kHeadersSize) : std::nullopt;
    constexpr std::uint64_t kMaxField = std::numeric_limits<std::uint32_t>::max();
    if (!fileSize || *fileSize > kMaxField) {
        bmp::refuse(BmpRule::kTooLargeForFormat);
    }
    BmpLayout layout;
    layout.rows = static_cast<std::uint32_t>(rows);
    layout.columns = static_cast<std::uint32_t>(columns);
    // A row can be longer than the 32-bit fields allow when there are no rows at all.
    layout.rowLength = layout.rows == 0 ? 0 : static_cast<std::uint32_t>(rowLength);
    layout.pixelDataSize = static_cast<std::uint32_t>(*pixelBytes);
    layout.fileSize = static_cast<std::uint32_t>(*fileSize);
    return layout;
}

void writeBmp(std::ostream& output, const Plane& red, const Plane& green, const Plane& blue)
{
    writeLaidOut(output, layoutOf(red, green, blue), red, green, blue);
}

void writeBmpHeader(std::ostream& output, const BmpLayout& layout)
{
    const auto headers = headersFor(layout);
    output.write(reinterpret_cast<const char*>(headers.data()), headers.size());
    requireWritten(output);
}

void writeBmpRows(std::ostream& output, const Plane& red, const Plane& green, const Plane& blue)
{
    writeRows(output, layoutOf(red, green, blue), red, green, blue);
    requireWritten(output);
}

void writeBmpFile(const std::wstring& path, const Plane& red, const Plane& green, const Plane& blue)
{
    const BmpLayout layout = layoutOf(red, green, blue);
    std::ofstream output = openOutputFile(path);
    if (!output.is_open()) {
        bmp::refuse(BmpRule::kCannotCreate);
    }
    writeLaidOut(output, layout, red, green, blue);
    output.close();
    if (output.fail()) {
        bmp::refuse(BmpRule::kWriteFailed);
    }
}

void writeBmpFile(const std::wstring& path, const RgbImage& image)
{
    writeBmpFile(path, image.red, image.green, image.blue);
}

}  // namespace ferlane
