#pragma once

#include "image/plane.h"

#include <cstdint>

namespace ferlane {

inline constexpr int kRed = 0;
inline constexpr int kGreen = 1;
inline constexpr int kBlue = 2;

// The three colour channels of one picture as flat arrays over all its pixels,
// indexed kRed, kGreen, kBlue, for the per-pixel loops. `Value` is const for a
// photograph that is read and plain for a result that is filled.
template <typename Value> struct Channels {
    Value* channel[3];

    template <typename Image>
    explicit Channels(Image& image) : channel{image.red.data(), image.green.data(), image.blue.data()}
    {
    }
    Value* operator[](int c) const { return channel[c]; }
};

}  // namespace ferlane
