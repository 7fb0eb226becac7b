#pragma once

// Picture files as far as their headers go, made byte by byte for tests of the
// header reader: JPEG segments, WebP chunks, GIF and PNG starts. What follows the
// header is only a token of pixels; nothing here decodes.

#include <cstddef>
#include <cstdint>
#include <string>

namespace ferlane::support {

inline std::string bigEndian16(std::uint32_t v)
{
    return {static_cast<char>(v >> 8 & 0xFF), static_cast<char>(v & 0xFF)};
}

inline std::string bigEndian32(std::uint32_t v)
{
    return bigEndian16(v >> 16) + bigEndian16(v & 0xFFFF);
}

inline std::string littleEndian16(std::uint32_t v)
{
    return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF)};
}

inline std::string littleEndian32(std::uint32_t v)
{
    return littleEndian16(v & 0xFFFF) + littleEndian16(v >> 16);
}

// One JPEG segment: its marker, its length and its content.
inline std::string jpegSegment(std::uint8_t marker, const std::string& content)
{
    return std::string{'\xFF', static_cast<char>(marker)} +
           bigEndian16(static_cast<std::uint32_t>(content.size() + 2)) + content;
}

// A frame header (SOF0 to SOF15) of that size and number of colour components.
inline std::string jpegFrame(std::uint8_t marker, std::uint32_t columns, std::uint32_t rows, int inks = 3)
{
    std::string content = "\x08" + bigEndian16(rows) + bigEndian16(columns) + static_cast<char>(inks);
    for (int k = 1; k <= inks; ++k) {
        content += {static_cast<char>(k), '\x11', '\0'};
    }
    return jpegSegment(marker, content);
}

// An EXIF segment (APP1) whose first directory holds one entry: the orientation,
// of the TIFF type given (3, SHORT, as cameras write it).
inline std::string jpegExif(std::uint32_t orientation, bool bigEndian = false, std::uint32_t type = 3)
{
    const auto u16 = [bigEndian](std::uint32_t v) { return bigEndian ? bigEndian16(v) : littleEndian16(v); };
    const auto u32 = [bigEndian](std::uint32_t v) { return bigEndian ? bigEndian32(v) : littleEndian32(v); };
    const std::string tiff = (bigEndian ? "MM" : "II") + u16(42) + u32(8) + u16(1) + u16(0x0112) + u16(type) + u32(1) +
                             u16(orientation) + u16(0) + u32(0);
    return jpegSegment(0xE1, std::string("Exif\0\0", 6) + tiff);
}

inline const std::string kJfif = jpegSegment(0xE0, std::string("JFIF\0\1\1\0\0\1\0\1\0\0", 14));

// A JPEG file: its start, the segments given and a token scan.
inline std::string jpegFile(const std::string& segments)
{
    return "\xFF\xD8" + segments + jpegSegment(0xDA, std::string("\1\1\0\0\x3F\0", 6)) + "\x12\x34\xFF\xD9";
}

// A WebP file whose first chunk is of that kind and content.
inline std::string webpFile(const std::string& kind, const std::string& chunk)
{
    return "RIFF" + littleEndian32(static_cast<std::uint32_t>(12 + chunk.size())) + "WEBP" + kind +
           littleEndian32(static_cast<std::uint32_t>(chunk.size())) + chunk + std::string(16, '\0');
}

inline std::string webpLossy(std::uint32_t columns, std::uint32_t rows)
{
    return webpFile("VP8 ", std::string("\x50\x2E\0\x9D\x01\x2A", 6) + littleEndian16(columns) + littleEndian16(rows));
}

inline std::string webpLossless(std::uint32_t columns, std::uint32_t rows)
{
    return webpFile("VP8L", "\x2F" + littleEndian32((columns - 1) | (rows - 1) << 14));
}

inline std::string webpExtended(std::uint32_t columns, std::uint32_t rows)
{
    return webpFile("VP8X", std::string("\x10\0\0\0", 4) + littleEndian32(columns - 1).substr(0, 3) +
                                littleEndian32(rows - 1).substr(0, 3));
}

inline std::string gifFile(std::uint32_t columns, std::uint32_t rows, const char* version = "GIF89a")
{
    return version + littleEndian16(columns) + littleEndian16(rows) + std::string("\xF7\0\0", 3) + std::string(8, '\0');
}

inline std::string pngFile(std::uint32_t columns, std::uint32_t rows)
{
    return "\x89PNG\r\n\x1A\n" + bigEndian32(13) + "IHDR" + bigEndian32(columns) + bigEndian32(rows) +
           std::string("\x08\x02\0\0\0", 5) + std::string(4, '\0');
}

}  // namespace ferlane::support
