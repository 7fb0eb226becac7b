#pragma once

#include "file_identity.h"
#include "plane.h"

#include <ostream>
#include <string>

namespace ferlane {

// Writes three planes of one size as an uncompressed 24-bit bottom-up BMP with a
// 54-byte header, clamping every value into 0..255. One plane may be passed for all
// three channels to write a grey picture.
//
// Planes of different sizes, and pictures whose file size does not fit the format's
// 32-bit size fields, are refused with a plain std::exception before anything is
// written. So is a write that fails (a full disk): the stream is flushed and checked
// after the last row.
void writeBmp(std::ostream& output, const Plane& red, const Plane& green, const Plane& blue);

// Creates the named file, or cuts an existing one to zero length, and writes the
// picture as writeBmp does. Refusals that need no file happen before it is touched:
// among them a name that leads to one of the `kept` files, which is never cut. A
// file that cannot be created, or whose write or close fails, throws std::exception.
void writeBmpFile(const std::wstring& path, const Plane& red, const Plane& green, const Plane& blue,
                  const KeptFiles& kept = KeptFiles());
void writeBmpFile(const std::wstring& path, const RgbImage& image, const KeptFiles& kept = KeptFiles());

}  // namespace ferlane
