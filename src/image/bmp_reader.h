#pragma once

#include "plane.h"

#include <istream>
#include <string>

namespace ferlane {

// Reads a 24- or 32-bit BMP picture from a stream positioned at its first byte.
// The planes are resized to the picture and receive one value 0..255 per pixel.
//
// A file that is no supported BMP, or that ends before its last pixel, is refused
// with a plain std::exception carrying no message; a picture too large for memory
// raises std::bad_alloc. When the stream's length can be known, it is checked
// against the header before any plane is sized, so a lying header never causes a
// large allocation. The stream is left after the last row read and stays open.
void readBmp(std::istream& input, Plane& red, Plane& green, Plane& blue);
void readBmp(std::istream& input, RgbImage& image);

// Opens the named file (relative names are relative to the working directory) and
// reads it as readBmp does. A file that cannot be opened is refused like a bad one.
void readBmpFile(const std::wstring& path, Plane& red, Plane& green, Plane& blue);
void readBmpFile(const std::wstring& path, RgbImage& image);

}  // namespace ferlane
