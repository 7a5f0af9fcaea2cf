// The bell sample: a bell-shaped random offset, the sum of three uniform
// draws, centred near 0 with a deviation close to 1/3. Blurred reflections
// and refractions tilt normals by it.
#pragma once

#include <cstdint>

namespace orv {

// From three consecutive 32-bit generator words: a·(w1 + w2 + w3)/2^32 with
// a = 10923 (a third of the 15-bit width, plus one), stretched so that the
// result lies in [-32766/32767, 32772/32767).
constexpr double bellSample(std::uint32_t w1, std::uint32_t w2, std::uint32_t w3) {
    constexpr double kWidth = 32767.0;  // 2^15 - 1
    constexpr double kThird = 10923.0;  // trunc(kWidth / 3) + 1
    constexpr double kScale = 1.0 / 4294967296.0;
    const double sum = kThird * (w1 * kScale) + kThird * (w2 * kScale) + kThird * (w3 * kScale);
    return (2.0 * sum - 3.0 * (kThird - 1.0)) / kWidth;
}

}  // namespace orv
