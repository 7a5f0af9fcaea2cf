// How much one occlusion ray is blocked, from its hit distance, and the
// clamps that bound the result.
#pragma once

#include <bit>
#include <cstdint>

namespace orv::occlusion {

// How occluded one ray is, from its hit distance t (negative for a miss).
// Unranged, any hit counts fully; ranged, the share falls linearly to 0 at
// max. A hit at distance 0 with a max of 0 counts as a hit at the spot
// itself: fully occluded, as every shorter max would have it. Shift lowers
// every hit's amount alike.
constexpr double amount(double t, bool ranged, double max, double shift) {
    if (t < 0.0) return 0.0;
    if (!ranged) return 1.0 - shift;
    if (t > max) return 0.0;
    const double share = max > 0.0 ? t / max : 0.0;
    return 1.0 - share - shift;
}

// a where c holds, else b, without a branch: for choices that turn on
// whether a ray hit, which no branch predictor guesses.
inline double pick(bool c, double a, double b) {
    const std::uint64_t mask = 0 - static_cast<std::uint64_t>(c);
    return std::bit_cast<double>((std::bit_cast<std::uint64_t>(a) & mask) |
                                 (std::bit_cast<std::uint64_t>(b) & ~mask));
}

// amount, the same value for every t, branching only on the settings.
inline double amountOf(double t, bool ranged, double max, double shift) {
    const double share = max > 0.0 ? t / max : 0.0;
    const double hit = ranged ? pick(t > max, 0.0, 1.0 - share - shift) : 1.0 - shift;
    return pick(t < 0.0, 0.0, hit);
}

// Low and high bound the unoccluded share 1 - v; the low clamp wins.
constexpr double clamped(double v, bool clampLow, double low, bool clampHigh, double high) {
    if (clampLow && v > 1.0 - low) return 1.0 - low;
    if (clampHigh && v < 1.0 - high) return 1.0 - high;
    return v;
}

}  // namespace orv::occlusion
