// The arithmetic shared by the two Exponential Decay nodes.
#pragma once

#include <cmath>

namespace orv::decay {

// Stands in for a zero nominal distance and for a power that underflows.
inline constexpr double kTiny = 1e-12;

// The exponent: distance over nominal distance, the nominal never zero.
inline double exponent(double distance, double nominal) {
    return distance / (nominal == 0.0 ? kTiny : nominal);
}

// 1 / max(t, tiny) for t = pow(base, p): the caller chooses the base.
inline double invertedPower(double base, double p) {
    double t = std::pow(base, p);
    if (t == 0.0) t = kTiny;
    return 1.0 / t;
}

// Limits to 0..1 and lets NaN through unchanged.
inline double clampUnit(double v) {
    if (v < 0.0) return 0.0;
    if (v > 1.0) return 1.0;
    return v;
}

}  // namespace orv::decay
