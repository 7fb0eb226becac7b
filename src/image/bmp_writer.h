#pragma once

#include "bmp_refusal.h"
#include "plane.h"

#include <cstdint>

#include <ostream>
#include <string>

namespace ferlane {

// Writes three planes of one size as an uncompressed 24-bit bottom-up BMP with a
// 54-byte header, clamping every value into 0..255. One plane may be passed for all
// three channels to write a grey picture.
//
// Planes of different sizes, and pictures whose file size does not fit the format's
// 32-bit size fields, are refused with a BmpRefusal before anything is written. So
// is a write that fails (a full disk): the stream is flushed and checked after the
// last row.
void writeBmp(std::ostream& output, const Plane& red, const Plane& green, const Plane& blue);

// The sizes a 24-bit file of rows x columns records in its header. Everything that
// makes a picture unwritable by its size is found here, before any file is made:
// a width or height beyond the signed 32-bit fields, and a file of 4 GiB or more,
// which the 32-bit size fields cannot hold.
struct BmpLayout {
    std::uint32_t rows = 0;
    std::uint32_t columns = 0;
    std::uint32_t rowLength = 0;
    std::uint32_t pixelDataSize = 0;
    std::uint32_t fileSize = 0;
};
BmpLayout bmpLayout(Eigen::Index rows, Eigen::Index columns);

// writeBmp in pieces, for a picture made band by band that is never held whole:
// the header for the whole picture's layout, then the rows of each band, the
// bottom band first and each band's rows bottom-up, as the file stores them.
// The caller keeps the bands to the layout's width and their rows to its height.
// writeBmpRows refuses planes of different sizes, and a failed write, as writeBmp does.
void writeBmpHeader(std::ostream& output, const BmpLayout& layout);
void writeBmpRows(std::ostream& output, const Plane& red, const Plane& green, const Plane& blue);

// Creates the named file, or cuts an existing one to zero length, and writes the
// picture as writeBmp does. Refusals that need no file happen before it is touched.
// A file that cannot be created, or whose write or close fails, is refused too.
void writeBmpFile(const std::wstring& path, const Plane& red, const Plane& green, const Plane& blue);
void writeBmpFile(const std::wstring& path, const RgbImage& image);

}  // namespace ferlane
