#pragma once

#include <array>
#include <cstdint>

namespace ferlane::support {

// Red, green and blue, wide enough for the values the matting forms before they
// are stored as bytes.
using Rgb = std::array<std::int32_t, 3>;

}  // namespace ferlane::support
