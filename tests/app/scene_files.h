#pragma once

// A 2 x 2 scene whose every result was worked out by hand, one pixel per case:
//
//   (0,0) backgrounds differ in red by 200; alpha 191, error 0, foreground (67, 0, 0)
//   (0,1) image 1 outruns background 1; alpha -2 (stored 0), error 1,
//         foreground blue (190 - 200) * 255 / -2 + 200 = 1475 (stored 255)
//   (1,0) the images differ against the backgrounds; alpha 382 (stored 255), error 1,
//         foreground red from image 0: 50 * 255 / 382 = 33.4, so (33, 0, 0)
//   (1,1) equal backgrounds, image 0 changed: alpha 255, error 255, image 0 copied
//
// Read back from the stored alpha file, (0,1) becomes transparent (black) and
// (1,0) opaque (image 0's colour).

#include "support/bmp_bytes.h"
#include "support/files.h"

#include <array>
#include <filesystem>

namespace ferlane::support {

using Picture = std::array<std::array<Rgb, 2>, 2>;

inline const Picture kBackground0 = {{{{{0, 0, 0}, {0, 0, 200}}}, {{{0, 0, 0}, {10, 10, 10}}}}};
inline const Picture kBackground1 = {{{{{200, 0, 0}, {100, 0, 200}}}, {{{100, 0, 0}, {10, 10, 10}}}}};
inline const Picture kImage0 = {{{{{50, 0, 0}, {0, 0, 190}}}, {{{50, 0, 0}, {10, 11, 10}}}}};
inline const Picture kImage1 = {{{{{100, 0, 0}, {101, 0, 150}}}, {{{0, 0, 0}, {30, 30, 30}}}}};

inline const Picture kAlphaWritten = {{{{{191, 191, 191}, {0, 0, 0}}}, {{{255, 255, 255}, {255, 255, 255}}}}};
inline const Picture kErrorWritten = {{{{{0, 0, 0}, {1, 1, 1}}}, {{{1, 1, 1}, {255, 255, 255}}}}};
inline const Picture kForegroundComputed = {{{{{67, 0, 0}, {0, 0, 255}}}, {{{33, 0, 0}, {10, 11, 10}}}}};
inline const Picture kForegroundFromFile = {{{{{67, 0, 0}, {0, 0, 0}}}, {{{50, 0, 0}, {10, 11, 10}}}}};

// The bytes of a 24-bit bottom-up file holding the picture, built without the
// tool's own writer.
inline std::string bmpBytes(const Picture& picture)
{
    BmpFile file = sizedBmp(2, 2);
    file.fill = 0;
    file.pixel = [picture](int r, int c) { return picture[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]; };
    return file.bytes();
}

inline void writeScene(const std::filesystem::path& directory)
{
    writeFile(directory / "bg0.bmp", bmpBytes(kBackground0));
    writeFile(directory / "bg1.bmp", bmpBytes(kBackground1));
    writeFile(directory / "image0.bmp", bmpBytes(kImage0));
    writeFile(directory / "image1.bmp", bmpBytes(kImage1));
}

}  // namespace ferlane::support
