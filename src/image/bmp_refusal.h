#pragma once

// Why a BMP file or picture was refused. Every refusal names the rule it broke, so
// that a test can tell one from another; the tool reports them all alike.

#include <exception>

namespace ferlane {

enum class BmpRule {
    // Reading, in the order the checks are made: the header's fields in the file's order.
    kCannotOpen,           // the file cannot be opened
    kShorterThanHeaders,   // fewer than the 14 + 40 header bytes
    kNoSignature,          // the file does not start with "BM"
    kNegativeWidth,        // no plane has a negative number of columns
    kHeightOutOfRange,     // -2^31: a top-down height whose row count has no 32-bit value
    kUnsupportedBitDepth,  // anything but 24 or 32 bits per pixel
    kPixelsBeyondReach,    // where the pixels end cannot be counted in 64 bits (no 32-bit field
                           // can claim that much today; the sum is checked all the same)
    kShorterThanPixels,    // the file ends before the colour bytes of its last pixel
    // Writing.
    kPlaneSizesDiffer,   // red, green and blue are not of one size
    kTooLargeForFormat,  // a width or height over 2^31 - 1, or a file of 4 GiB or more
    kCannotCreate,       // the file cannot be created or opened for writing
    kWriteFailed,        // the write or the close failed: a full disk, an I/O error
};

class BmpRefusal : public std::exception {
public:
    explicit BmpRefusal(BmpRule rule) : rule_(rule) {}

    BmpRule rule() const { return rule_; }
    const char* what() const noexcept override { return "refused BMP file or picture"; }

private:
    BmpRule rule_;
};

namespace bmp {

[[noreturn]] inline void refuse(BmpRule rule)
{
    throw BmpRefusal(rule);
}

}  // namespace bmp

}  // namespace ferlane
