#pragma once

// The BMP layout as it lies on disk. All multi-byte fields are little-endian
// and all offsets count from the first byte of the file.
//
//   file header (14 bytes)          information header (40 bytes)
//    0  u16  signature "BM"          14  u32  information-header size
//    2  u32  file size               18  i32  width in pixels
//    6  u16  reserved                22  i32  height (negative: top-down rows)
//    8  u16  reserved                26  u16  colour planes
//   10  u32  pixel-row offset        28  u16  bits per pixel
//                                    30  u32  compression
//                                    34  u32  pixel-data size
//                                    38  i32  horizontal pixels per metre
//                                    42  i32  vertical pixels per metre
//                                    46  u32  palette colours used
//                                    50  u32  important colours

#include <cstddef>
#include <cstdint>

namespace ferlane::bmp {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kHeadersSize = kFileHeaderSize + kInfoHeaderSize;

constexpr std::uint16_t kSignature = 0x4D42;  // "BM"

constexpr std::size_t kSignatureAt = 0;
constexpr std::size_t kFileSizeAt = 2;
constexpr std::size_t kReserved1At = 6;
constexpr std::size_t kReserved2At = 8;
constexpr std::size_t kPixelOffsetAt = 10;
constexpr std::size_t kInfoSizeAt = 14;
constexpr std::size_t kWidthAt = 18;
constexpr std::size_t kHeightAt = 22;
constexpr std::size_t kPlanesAt = 26;
constexpr std::size_t kBitsPerPixelAt = 28;
constexpr std::size_t kCompressionAt = 30;
constexpr std::size_t kPixelDataSizeAt = 34;
constexpr std::size_t kXPixelsPerMetreAt = 38;
constexpr std::size_t kYPixelsPerMetreAt = 42;
constexpr std::size_t kColoursUsedAt = 46;
constexpr std::size_t kImportantColoursAt = 50;

// Stored pixel bytes run blue, green, red (then an unused byte at 32 bits).
constexpr std::size_t kBlueByte = 0;
constexpr std::size_t kGreenByte = 1;
constexpr std::size_t kRedByte = 2;
constexpr std::size_t kColourBytes = 3;

inline std::uint16_t loadU16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t loadU32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline std::int32_t loadI32(const unsigned char* p)
{
    // Two's complement reinterpretation without relying on implementation-defined casts.
    const std::uint32_t u = loadU32(p);
    return u <= 0x7FFFFFFFu ? static_cast<std::int32_t>(u) : -static_cast<std::int32_t>(~u) - 1;
}

inline void storeU16(unsigned char* p, std::uint16_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

inline void storeU32(unsigned char* p, std::uint32_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

// A stored row of 24-bit pixels is padded to a multiple of four bytes.
constexpr std::uint64_t rowLength24(std::uint64_t columns)
{
    return ((columns + 1) * 3) & ~std::uint64_t{3};
}

// A stored row of 32-bit pixels needs no padding.
constexpr std::uint64_t rowLength32(std::uint64_t columns)
{
    return 4 * columns;
}

}  // namespace ferlane::bmp
