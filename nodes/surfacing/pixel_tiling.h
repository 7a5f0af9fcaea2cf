// How Pixel Image maps a pixel coordinate that falls outside the image onto
// it, one axis at a time.
#pragma once

#include <cstdint>

namespace orv {

enum class Tiling : std::int32_t { Reset = 0, Repeat = 1, Mirror = 2, Edge = 3 };

// The coordinate v on an axis of extent e under a rule. Reset leaves v as it
// is (the caller treats a v outside 0 to e - 1 as off the image). Mirror
// reflects negative coordinates about 0 without repeating pixel 0, and
// repeats the edge pixel on the positive side. An axis of extent 0 or less
// has no pixel to land on: v comes back unchanged, and the caller finds it
// outside.
constexpr std::int32_t tileCoordinate(Tiling rule, std::int32_t v, std::int32_t e) {
    if (e <= 0) return v;
    // Widened, so that the most negative coordinate has a positive twin.
    std::int64_t w = v;
    switch (rule) {
        case Tiling::Repeat:
            w %= e;
            if (w < 0) w += e;
            break;
        case Tiling::Mirror: {
            if (w < 0) w = -w;
            const std::int64_t q = w / e;
            w = q % 2 == 0 ? w - q * e : e - 1 - (w - q * e);
            break;
        }
        case Tiling::Edge:
            if (w >= e) w = e - 1;
            if (w < 0) w = 0;
            break;
        case Tiling::Reset:
            break;
    }
    return static_cast<std::int32_t>(w);
}

constexpr bool insideExtent(std::int32_t v, std::int32_t e) {
    return v >= 0 && v < e;
}

}  // namespace orv
