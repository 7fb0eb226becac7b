#include "picture_header.h"

#include "bmp_reader.h"

#include <algorithm>
#include <cstring>

namespace ferlane {
namespace {

std::uint32_t bigEndian16(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) << 8 | p[1];
}

std::uint32_t bigEndian32(const std::uint8_t* p)
{
    return bigEndian16(p) << 16 | bigEndian16(p + 2);
}

std::uint32_t littleEndian16(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[1]) << 8 | p[0];
}

std::uint32_t littleEndian24(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[2]) << 16 | littleEndian16(p);
}

std::uint32_t littleEndian32(const std::uint8_t* p)
{
    return littleEndian16(p + 2) << 16 | littleEndian16(p);
}

bool has(const std::uint8_t* bytes, std::size_t length, std::size_t at, const char* text, std::size_t count)
{
    return length >= at + count && std::memcmp(bytes + at, text, count) == 0;
}

// A start of frame of any coding: every SOFn but DHT (C4), JPG (C8) and DAC (CC).
bool isFrameHeader(std::uint8_t marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// The EXIF orientation in an EXIF segment's TIFF structure, read as browsers read
// it: the first IFD's orientation entry, one SHORT; 0 where there is none.
std::uint32_t exifOrientation(const std::uint8_t* tiff, std::size_t length)
{
    if (length < 8) {
        return 0;
    }
    const bool big = tiff[0] == 'M' && tiff[1] == 'M';
    if (!big && !(tiff[0] == 'I' && tiff[1] == 'I')) {
        return 0;
    }
    const auto u16 = [big](const std::uint8_t* p) { return big ? bigEndian16(p) : littleEndian16(p); };
    const auto u32 = [big](const std::uint8_t* p) { return big ? bigEndian32(p) : littleEndian32(p); };
    if (u16(tiff + 2) != 42) {
        return 0;
    }
    const std::uint64_t directory = u32(tiff + 4);
    if (directory + 2 > length) {
        return 0;
    }
    const std::uint32_t entries = u16(tiff + directory);
    for (std::uint64_t k = 0, entry = directory + 2; k < entries && entry + 12 <= length; ++k, entry += 12) {
        const std::uint8_t* field = tiff + entry;
        constexpr std::uint32_t kOrientationTag = 0x0112;
        constexpr std::uint32_t kShortType = 3;
        if (u16(field) == kOrientationTag && u16(field + 2) == kShortType && u32(field + 4) == 1) {
            return u16(field + 8);
        }
    }
    return 0;
}

// Formats told by their first bytes that the reader does not read.
PictureFormat unreadFormat(const std::uint8_t* bytes, std::size_t length)
{
    if (has(bytes, length, 4, "ftyp", 4)) {
        if (has(bytes, length, 8, "avif", 4) || has(bytes, length, 8, "avis", 4)) {
            return PictureFormat::kAvif;
        }
        for (const char* brand : {"heic", "heix", "hevc", "hevx", "heim", "heis", "mif1", "msf1"}) {
            if (has(bytes, length, 8, brand, 4)) {
                return PictureFormat::kHeif;
            }
        }
    }
    if (has(bytes, length, 0, "II*\0", 4) || has(bytes, length, 0, "MM\0*", 4)) {
        return PictureFormat::kTiff;
    }
    if (has(bytes, length, 0, "\xFF\x0A", 2) || has(bytes, length, 0, "\0\0\0\x0CJXL ", 8)) {
        return PictureFormat::kJpegXl;
    }
    if (has(bytes, length, 0, "\0\0\1\0", 4) || has(bytes, length, 0, "\0\0\2\0", 4)) {
        return PictureFormat::kIco;
    }
    std::size_t start = has(bytes, length, 0, "\xEF\xBB\xBF", 3) ? 3 : 0;
    while (start < length && std::strchr(" \t\r\n", bytes[start]) && bytes[start]) {
        ++start;
    }
    const char svg[] = "<svg";
    if (start < length && bytes[start] == '<' &&
        std::search(bytes + start, bytes + length, svg, svg + 4) != bytes + length) {
        return PictureFormat::kSvg;
    }
    return PictureFormat::kUnknown;
}

}  // namespace

PictureHeader::PictureHeader(std::uint64_t fileLength) : fileLength_(fileLength) {}

std::size_t PictureHeader::wantedLength() const
{
    if (state_ != State::kReading || at_ >= fileLength_) {
        return 0;
    }
    return static_cast<std::size_t>(std::min<std::uint64_t>(kWindow, fileLength_ - at_));
}

PictureHeader::State PictureHeader::refuse(HeaderRule rule)
{
    rule_ = rule;
    return state_ = State::kRefused;
}

PictureHeader::State PictureHeader::know(std::int64_t columns, std::int64_t rows)
{
    if (columns <= 0 || rows <= 0) {
        return refuse(HeaderRule::kNoSize);
    }
    columns_ = columns;
    rows_ = rows;
    return state_ = State::kKnown;
}

PictureHeader::State PictureHeader::read(const std::uint8_t* bytes, std::size_t length)
{
    if (state_ != State::kReading) {
        return state_;
    }
    length = bytes ? std::min(length, wantedLength()) : 0;
    return at_ == 0 ? readStart(bytes, length) : readJpeg(bytes, length, at_);
}

PictureHeader::State PictureHeader::readStart(const std::uint8_t* bytes, std::size_t length)
{
    if (has(bytes, length, 0, "BM", 2)) {
        format_ = PictureFormat::kBmp;
        try {
            const PictureSize size = readBmpSize(bytes, length, fileLength_);
            return know(size.columns, size.rows);
        } catch (const BmpRefusal&) {
            return refuse(HeaderRule::kBmpRefused);
        }
    }
    if (has(bytes, length, 0, "\x89PNG\r\n\x1A\n", 8)) {
        format_ = PictureFormat::kPng;
        if (length < 24) {
            return refuse(HeaderRule::kEndsBeforeSize);
        }
        if (!has(bytes, length, 12, "IHDR", 4)) {
            return refuse(HeaderRule::kNoImageHeader);
        }
        return know(bigEndian32(bytes + 16), bigEndian32(bytes + 20));
    }
    if (has(bytes, length, 0, "\xFF\xD8\xFF", 3)) {
        format_ = PictureFormat::kJpeg;
        at_ = 2;
        return readJpeg(bytes, length, 0);
    }
    if (has(bytes, length, 0, "GIF87a", 6) || has(bytes, length, 0, "GIF89a", 6)) {
        format_ = PictureFormat::kGif;
        // The logical screen, which every frame is shown in.
        if (length < 10) {
            return refuse(HeaderRule::kEndsBeforeSize);
        }
        return know(littleEndian16(bytes + 6), littleEndian16(bytes + 8));
    }
    if (has(bytes, length, 0, "RIFF", 4) && has(bytes, length, 8, "WEBP", 4)) {
        format_ = PictureFormat::kWebp;
        return readWebp(bytes, length);
    }
    format_ = unreadFormat(bytes, length);
    return refuse(HeaderRule::kFormatNotRead);
}

// The bytes at hand start at the file's offset `base`. The walk moves at_ on,
// marker by marker, and asks for the bytes from the first marker whose segment it
// needs and has not wholly at hand.
PictureHeader::State PictureHeader::readJpeg(const std::uint8_t* bytes, std::size_t length, std::uint64_t base)
{
    const std::uint64_t end = base + length;
    for (;;) {
        const std::uint64_t at = at_;
        const std::uint8_t* marker = bytes + (at - base);
        // The `count` bytes from the marker on: asked for unless they can never come.
        const auto missing = [&](std::uint64_t count) {
            if (at + count <= end) {
                return false;
            }
            if (at + count > fileLength_ || at == base) {
                refuse(HeaderRule::kEndsBeforeSize);
            }
            return true;
        };
        if (missing(2)) {
            return state_;
        }
        if (marker[0] != 0xFF) {
            return refuse(HeaderRule::kNoMarker);
        }
        const std::uint8_t type = marker[1];
        if (segments_++ == kMostJpegSegments) {
            return refuse(HeaderRule::kTooManySegments);
        }
        if (type == 0xFF) {  // a fill byte before a marker
            at_ = at + 1;
            continue;
        }
        if (type == 0xD9) {  // the end of the picture
            return refuse(HeaderRule::kEndsBeforeSize);
        }
        if (type == 0xDA) {  // the start of a scan: its pixels
            return refuse(HeaderRule::kPixelsBeforeFrame);
        }
        if (type == 0x00) {
            return refuse(HeaderRule::kNoMarker);
        }
        if (type == 0x01 || (type >= 0xD0 && type <= 0xD8)) {  // markers standing alone
            at_ = at + 2;
            continue;
        }
        if (missing(4)) {
            --segments_;
            return state_;
        }
        const std::uint32_t segment = 2 + bigEndian16(marker + 2);
        if (segment < 4) {
            return refuse(HeaderRule::kNoMarker);
        }
        if (isFrameHeader(type)) {
            if (missing(10)) {
                --segments_;
                return state_;
            }
            if (segment < 10) {
                return refuse(HeaderRule::kNoMarker);
            }
            const std::uint32_t rows = bigEndian16(marker + 5);
            const std::uint32_t columns = bigEndian16(marker + 7);
            inks_ = marker[9];
            if (columns == 0) {
                return refuse(HeaderRule::kNoSize);
            }
            if (rows == 0) {
                return refuse(HeaderRule::kHeightAfterPixels);
            }
            if (inks_ == 0) {
                return refuse(HeaderRule::kNoComponents);
            }
            return turned_ ? know(rows, columns) : know(columns, rows);
        }
        // The first EXIF segment (APP1) says how the camera was held.
        if (type == 0xE1 && !exifSeen_) {
            // Only an EXIF segment is needed whole; others (XMP) are passed over.
            if (missing(std::min<std::uint32_t>(segment, 10)) ||
                (has(marker, segment, 4, "Exif\0\0", 6) && missing(segment))) {
                --segments_;
                return state_;
            }
            if (has(marker, segment, 4, "Exif\0\0", 6)) {
                exifSeen_ = true;
                // Orientations 5 to 8 turn the picture a quarter: its rows become columns.
                const std::uint32_t orientation = exifOrientation(marker + 10, segment - 10);
                turned_ = orientation >= 5 && orientation <= 8;
            }
        }
        at_ = at + segment;
    }
}

PictureHeader::State PictureHeader::readWebp(const std::uint8_t* bytes, std::size_t length)
{
    // The first chunk's kind, then its start: a lossy frame's tag and size, a
    // lossless stream's signature and size, or the extended format's canvas.
    if (length < 20) {
        return refuse(HeaderRule::kEndsBeforeSize);
    }
    if (has(bytes, length, 12, "VP8 ", 4)) {
        if (length < 30) {
            return refuse(HeaderRule::kEndsBeforeSize);
        }
        const bool keyFrame = (bytes[20] & 1) == 0;
        if (!keyFrame || !has(bytes, length, 23, "\x9D\x01\x2A", 3)) {
            return refuse(HeaderRule::kBrokenWebpBitstream);
        }
        return know(littleEndian16(bytes + 26) & 0x3FFF, littleEndian16(bytes + 28) & 0x3FFF);
    }
    if (has(bytes, length, 12, "VP8L", 4)) {
        if (length < 25) {
            return refuse(HeaderRule::kEndsBeforeSize);
        }
        if (bytes[20] != 0x2F) {
            return refuse(HeaderRule::kBrokenWebpBitstream);
        }
        const std::uint32_t bits = littleEndian32(bytes + 21);
        return know((bits & 0x3FFF) + 1, (bits >> 14 & 0x3FFF) + 1);
    }
    if (has(bytes, length, 12, "VP8X", 4)) {
        if (length < 30) {
            return refuse(HeaderRule::kEndsBeforeSize);
        }
        return know(std::int64_t{littleEndian24(bytes + 24)} + 1, std::int64_t{littleEndian24(bytes + 27)} + 1);
    }
    return refuse(HeaderRule::kUnknownWebpChunk);
}

const char* formatName(PictureFormat format)
{
    switch (format) {
    case PictureFormat::kBmp:
        return "BMP";
    case PictureFormat::kPng:
        return "PNG";
    case PictureFormat::kJpeg:
        return "JPEG";
    case PictureFormat::kWebp:
        return "WebP";
    case PictureFormat::kGif:
        return "GIF";
    case PictureFormat::kAvif:
        return "AVIF";
    case PictureFormat::kHeif:
        return "HEIC";
    case PictureFormat::kJpegXl:
        return "JPEG XL";
    case PictureFormat::kTiff:
        return "TIFF";
    case PictureFormat::kIco:
        return "ICO";
    case PictureFormat::kSvg:
        return "SVG";
    default:
        return "unknown";
    }
}

}  // namespace ferlane
