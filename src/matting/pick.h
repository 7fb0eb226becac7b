#pragma once

#include <cstdint>

namespace ferlane {

// condition ? ifTrue : ifFalse, as arithmetic on both values. The per-pixel loops
// choose so: compilers turn a conditional expression into a branch and then move
// what only one side uses (loads, divisions) into it, and a loop with branches does
// not vectorise.
inline std::int32_t pick(bool condition, std::int32_t ifTrue, std::int32_t ifFalse)
{
    const std::int32_t mask = -static_cast<std::int32_t>(condition);
    return (ifTrue & mask) | (ifFalse & ~mask);
}

}  // namespace ferlane
