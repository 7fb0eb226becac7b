#pragma once

// Size arithmetic for picture geometry: 64-bit, and every step checked, so that
// no header value can wrap a size into something small.

#include <cstdint>
#include <optional>

namespace ferlane {

inline std::optional<std::uint64_t> checkedMultiply(std::uint64_t a, std::uint64_t b)
{
    std::uint64_t product = 0;
    if (__builtin_mul_overflow(a, b, &product)) {
        return std::nullopt;
    }
    return product;
}

inline std::optional<std::uint64_t> checkedAdd(std::uint64_t a, std::uint64_t b)
{
    std::uint64_t sum = 0;
    if (__builtin_add_overflow(a, b, &sum)) {
        return std::nullopt;
    }
    return sum;
}

}  // namespace ferlane
