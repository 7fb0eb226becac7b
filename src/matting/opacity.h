#pragma once

#include <cstdint>

namespace ferlane {

// The ends of the alpha scale: background only, and subject only.
inline constexpr std::int32_t kTransparent = 0;
inline constexpr std::int32_t kOpaque = 255;

}  // namespace ferlane
