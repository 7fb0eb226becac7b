#pragma once

// A picture file's format and size, read from its header before any of its pixels
// is decoded, so that a size nobody can afford is refused for the cost of a few
// bytes. The header comes in pieces, as a browser page reads a chosen file: the
// reader says which bytes it wants next, and works on those alone, whatever the
// file's length. For a JPEG the size is the one shown: with the camera's turn
// (its EXIF orientation) applied.

#include <cstddef>
#include <cstdint>

namespace ferlane {

enum class PictureFormat {
    // Read here.
    kBmp,
    kPng,
    kJpeg,
    kWebp,
    kGif,
    // Told by their first bytes, and refused.
    kAvif,
    kHeif,
    kJpegXl,
    kTiff,
    kIco,
    kSvg,
    kUnknown,
};

// Why a header was refused.
enum class HeaderRule {
    kNone,
    kFormatNotRead,       // a format the reader tells but does not read, or none it knows
    kEndsBeforeSize,      // the file ends before the part of its header that gives the size
    kBmpRefused,          // a BMP header the BMP reader refuses (bmp_reader.h says why)
    kNoSize,              // a width or height of 0
    kHeightAfterPixels,   // JPEG: a height of 0 in the frame header, given after the pixels instead
    kNoComponents,        // JPEG: a frame of no colour component
    kNoMarker,            // JPEG: bytes other than a marker where one must stand
    kPixelsBeforeFrame,   // JPEG: the pixels start before any frame header
    kTooManySegments,     // JPEG: more segments before the frame than any camera writes
    kNoImageHeader,       // PNG: the first chunk is no IHDR
    kUnknownWebpChunk,    // WebP: the first chunk is none of VP8, VP8L and VP8X
    kBrokenWebpBitstream  // WebP: the first chunk does not start as its kind's does
};

class PictureHeader {
public:
    enum class State { kReading, kKnown, kRefused };

    // At most this many segments stand before a JPEG's frame header: cameras and
    // editors write a few dozen at most.
    static constexpr int kMostJpegSegments = 1000;
    // The most bytes asked for at once: a whole JPEG segment, its marker included.
    static constexpr std::size_t kWindow = 65540;

    explicit PictureHeader(std::uint64_t fileLength = 0);

    // The file's bytes wanted next: from wantedAt(), wantedLength() of them (fewer
    // only where the file ends).
    std::uint64_t wantedAt() const { return at_; }
    std::size_t wantedLength() const;

    // The bytes from wantedAt() on, as many as there are up to wantedLength(): a
    // piece shorter than asked for is taken as the file ending there.
    State read(const std::uint8_t* bytes, std::size_t length);

    State state() const { return state_; }
    PictureFormat format() const { return format_; }
    HeaderRule rule() const { return rule_; }
    // The size of the picture as shown, once known.
    std::int64_t columns() const { return columns_; }
    std::int64_t rows() const { return rows_; }
    // A JPEG's colour components: 1 grey, 3 colour, 4 CMYK or YCCK; 0 for other formats.
    int inks() const { return inks_; }

private:
    State refuse(HeaderRule rule);
    State know(std::int64_t columns, std::int64_t rows);
    State readStart(const std::uint8_t* bytes, std::size_t length);
    State readJpeg(const std::uint8_t* bytes, std::size_t length, std::uint64_t base);
    State readWebp(const std::uint8_t* bytes, std::size_t length);

    std::uint64_t fileLength_;
    std::uint64_t at_ = 0;
    State state_ = State::kReading;
    PictureFormat format_ = PictureFormat::kUnknown;
    HeaderRule rule_ = HeaderRule::kNone;
    std::int64_t columns_ = 0;
    std::int64_t rows_ = 0;
    int inks_ = 0;
    // A JPEG's progress: the segments passed, and whether the first EXIF segment
    // said the camera was turned a quarter.
    int segments_ = 0;
    bool exifSeen_ = false;
    bool turned_ = false;
};

// The words a person knows the format by: "JPEG", "WebP"...
const char* formatName(PictureFormat format);

}  // namespace ferlane
