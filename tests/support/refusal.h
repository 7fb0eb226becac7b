#pragma once

#include "image/bmp_refusal.h"

#include <optional>

namespace ferlane::support {

// The rule a refused action broke; nothing when it was not refused. Any other
// failure (running out of memory) propagates.
template <typename Action> std::optional<BmpRule> refusalOf(Action&& action)
{
    try {
        action();
    } catch (const BmpRefusal& refusal) {
        return refusal.rule();
    }
    return std::nullopt;
}

}  // namespace ferlane::support
