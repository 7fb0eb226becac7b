#pragma once

// The matting over pictures held at three bytes a pixel, in bands of rows.
//
// A browser tab hands its module fresh memory one page at a time, which on many
// machines costs more than the matting itself. So the page's run holds each
// picture packed, in the very memory its file or pixels were handed over in, and
// computes and writes its results in bands of rows through the functions the
// console tool runs on whole planes: the memory of one band is reused for the next.

#include "image/plane.h"

#include <array>
#include <cstdint>
#include <string>

namespace ferlane::page {

// A picture's red, green and blue values as bytes, row after row from the top, in
// a buffer allocated with malloc that the picture owns.
struct PackedPicture {
    std::uint8_t* rgb = nullptr;
    std::int64_t rows = 0;
    std::int64_t columns = 0;

    bool sameSize(const PackedPicture& other) const { return rows == other.rows && columns == other.columns; }
};

void release(PackedPicture& picture);

// The buffer cut to the picture's three bytes a pixel, once they are in place.
void fit(PackedPicture& picture, std::int64_t rows, std::int64_t columns);

// The four photographs, and an alpha file's picture when there is one; all of one
// size, which the caller has made sure of.
struct PackedSet {
    const PackedPicture* background0 = nullptr;
    const PackedPicture* image0 = nullptr;
    const PackedPicture* background1 = nullptr;
    const PackedPicture* image1 = nullptr;
    const PackedPicture* alphaFile = nullptr;
};

// How many pixels of an error map are exact (0) and not computed (255), in each
// of the nine parts the picture's thirds of width and height make, row by row
// from the top left.
struct ErrorCounts {
    static constexpr int kParts = 9;
    std::array<std::int64_t, kParts> pixels{};
    std::array<std::int64_t, kParts> exact{};
    std::array<std::int64_t, kParts> unresolved{};
};

// The results as BMP files, each written whole into its string.
class BandedMatting {
public:
    // Alpha and the error map, as the console tool writes them; with no alpha
    // string, the error map alone.
    ErrorCounts alphaAndError(const PackedSet& set, std::string* alphaBmp, std::string& errorBmp);

    // An alpha file's red channel, written as the matte it stands for.
    void alphaFromFile(const PackedSet& set, std::string& alphaBmp);

    // The foreground, from alpha made again band by band: holding it whole between
    // the steps would cost more fresh memory than computing it twice costs time.
    void foreground(const PackedSet& set, std::string& foregroundBmp);

    // Gives back the memory of the bands.
    void release();

private:
    void alphaOfBand(const PackedSet& set, std::int64_t begin, std::int64_t end);
    void expand(const PackedPicture& picture, std::int64_t begin, std::int64_t end, RgbImage& band);

    enum Band { kBackground0, kImage0, kBackground1, kImage1, kAlphaFile, kBandCount };
    std::array<RgbImage, kBandCount> bands_;
    Plane alpha_;
    Plane error_;
    RgbImage foreground_;
};

}  // namespace ferlane::page
