#pragma once

// Builds BMP files byte by byte, independently of the writer under test, so the
// reader is checked against the format itself rather than against our own output.

#include "support/colour.h"

#include <cstdint>
#include <functional>
#include <string>

namespace ferlane::support {

struct BmpFile {
    std::int32_t width = 0;
    std::int32_t height = 0;  // negative: top-down
    std::uint16_t bitsPerPixel = 24;
    std::uint32_t infoHeaderSize = 40;
    std::uint32_t compression = 0;
    std::string betweenHeadersAndPixels;  // a longer header, masks or a palette
    std::int64_t pixelOffset = -1;        // -1: right after the headers and the extra bytes
    // Colour of the pixel in picture row r (0 = top) and column c.
    std::function<Rgb(int r, int c)> pixel = [](int r, int c) {
        return Rgb{(200 + r) & 0xFF, (100 + c) & 0xFF, (r * 16 + c) & 0xFF};
    };
    unsigned char fill = 0xEE;  // padding and the unused fourth byte

    std::string bytes() const;
};

inline BmpFile sizedBmp(std::int32_t width, std::int32_t height, std::uint16_t bitsPerPixel = 24)
{
    BmpFile file;
    file.width = width;
    file.height = height;
    file.bitsPerPixel = bitsPerPixel;
    return file;
}

inline void put16(std::string& s, std::size_t at, std::uint32_t v)
{
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

inline void put32(std::string& s, std::size_t at, std::uint32_t v)
{
    put16(s, at, v & 0xFFFF);
    put16(s, at + 2, v >> 16);
}

inline std::uint32_t get32(const std::string& s, std::size_t at)
{
    auto b = [&](std::size_t n) { return static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + n])); };
    return b(0) | (b(1) << 8) | (b(2) << 16) | (b(3) << 24);
}

inline std::string BmpFile::bytes() const
{
    std::string file(54, '\0');
    file[0] = 'B';
    file[1] = 'M';
    put32(file, 14, infoHeaderSize);
    put32(file, 18, static_cast<std::uint32_t>(width));
    put32(file, 22, static_cast<std::uint32_t>(height));
    put16(file, 26, 1);
    put16(file, 28, bitsPerPixel);
    put32(file, 30, compression);
    file += betweenHeadersAndPixels;
    const std::uint32_t offset =
        pixelOffset < 0 ? static_cast<std::uint32_t>(file.size()) : static_cast<std::uint32_t>(pixelOffset);
    put32(file, 10, offset);
    if (file.size() < offset) {
        file.resize(offset, '\0');
    }
    const int rows = height < 0 ? -height : height;
    const int bytesPerPixel = bitsPerPixel / 8;
    const std::size_t rowLength =
        bitsPerPixel == 24 ? (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4 : static_cast<std::size_t>(width) * 4;
    for (int stored = 0; width > 0 && stored < rows; ++stored) {
        const int r = height < 0 ? stored : rows - 1 - stored;
        std::string row(rowLength, static_cast<char>(fill));
        for (int c = 0; c < width; ++c) {
            const Rgb p = pixel(r, c);
            row[static_cast<std::size_t>(c * bytesPerPixel)] = static_cast<char>(p[2]);  // blue comes first
            row[static_cast<std::size_t>(c * bytesPerPixel + 1)] = static_cast<char>(p[1]);
            row[static_cast<std::size_t>(c * bytesPerPixel + 2)] = static_cast<char>(p[0]);
        }
        file += row;
    }
    put32(file, 2, static_cast<std::uint32_t>(file.size()));
    put32(file, 34, static_cast<std::uint32_t>(rowLength * static_cast<std::size_t>(rows)));
    return file;
}

}  // namespace ferlane::support
