#pragma once

#include "bmp_refusal.h"
#include "plane.h"

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <istream>
#include <string>

namespace ferlane {

// Reads a 24- or 32-bit BMP picture from a stream positioned at its first byte.
// The planes are resized to the picture and receive one value 0..255 per pixel.
//
// A file that is no supported BMP, or that ends before its last pixel, is refused
// with a BmpRefusal naming the rule it broke (bmp_refusal.h); a picture too large
// for memory raises std::bad_alloc. When the stream's length can be known, it is checked
// against the header before any plane is sized, so a lying header never causes a
// large allocation. The stream is left after the last row read and stays open.
void readBmp(std::istream& input, Plane& red, Plane& green, Plane& blue);
void readBmp(std::istream& input, RgbImage& image);

// Opens the named file (relative names are relative to the working directory) and
// reads it as readBmp does. A file that cannot be opened is refused like a bad one.
void readBmpFile(const std::wstring& path, RgbImage& image);

// A picture's size in pixels.
struct PictureSize {
    std::int64_t rows = 0;
    std::int64_t columns = 0;
};

// The size of the picture in a BMP file, from the file's first bytes and its
// length, before any pixel is read: the header is refused as readBmp refuses it,
// and so is a length too short for the pixels the header promises.
PictureSize readBmpSize(const unsigned char* head, std::size_t headLength, std::uint64_t fileLength);

// Where a BMP file's pixels lie, as the reader finds them: for a caller that takes
// the pixels out of the file's bytes itself, row by row from the top.
struct StoredPixels {
    std::int64_t rows = 0;
    std::int64_t columns = 0;
    std::uint64_t topRowOffset = 0;  // the top row's first pixel, from the file's first byte
    std::int64_t rowStep = 0;        // from one row to the row below it: negative when stored bottom-up
    std::int64_t bytesPerPixel = 0;  // 3 or 4, each pixel's bytes running blue, green, red
};

// The same from the file's first bytes and its length, refused as readBmpSize refuses them.
StoredPixels readBmpStoredPixels(const unsigned char* head, std::size_t headLength, std::uint64_t fileLength);

// Reads a BMP file held whole in memory, as readBmp reads a file of that length,
// into the same memory: its first 3 x rows x columns bytes then hold the picture's
// red, green and blue values, pixel after pixel, row after row from the top. No
// other memory of the picture's size is taken. Refusals are readBmp's; after one,
// the bytes are no longer the file's.
PictureSize packBmp(unsigned char* file, std::size_t length);

// A picture file that may be absent, such as a matte made by an earlier run: it is
// opened when the object is made, read only if that open succeeded, and held open
// for as long as the object lives, so its owner decides how long the file is held.
class OptionalBmpFile {
public:
    explicit OptionalBmpFile(const std::wstring& path);

    bool isOpen() const { return input_.is_open(); }

    // Reads the open file as readBmp does; an unopened file is refused.
    void read(RgbImage& image);

private:
    std::ifstream input_;
};

}  // namespace ferlane
