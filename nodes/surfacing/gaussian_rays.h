// The directions blurred reflections and refractions fire their rays along,
// and how many rays one evaluation fires.
#pragma once

#include <cmath>
#include <cstdint>

#include "framework/vec3.h"
#include "hostapi/node.h"

namespace orv {

// A unit vector along v; along the fallback when v has no direction (zero,
// or not finite), so that one degenerate input never turns into NaN colours.
inline fw::Vec3 unitOr(const fw::Vec3 &v, const fw::Vec3 &fallback) {
    const double length = fw::length(v);
    if (!(length > 0.0) || !std::isfinite(length)) return fallback;
    return v * (1.0 / length);
}

// The normal tilted by three bell samples scaled by the blur, made unit
// length again. A tilt that cancels the normal exactly keeps the normal.
inline fw::Vec3 perturbedNormal(const fw::Vec3 &n, double g1, double g2, double g3, double blur) {
    return unitOr({n[0] - g1 * blur, n[1] - g2 * blur, n[2] - g3 * blur}, n);
}

// The mirror direction of d about the unit normal t.
constexpr fw::Vec3 reflectAbout(const fw::Vec3 &d, const fw::Vec3 &t) {
    return d - 2.0 * fw::dot(d, t) * t;
}

// Whether a ray inside a denser medium (sampleIndex above nodeIndex) meets the
// surface beyond the critical angle: the angle between t and the reversed
// incoming direction is larger than arcsin(nodeIndex / sampleIndex). A node
// index of 0 or below has no refraction to give: the ray reflects.
inline bool beyondCriticalAngle(const fw::Vec3 &d, const fw::Vec3 &t, double sampleIndex,
                                double nodeIndex) {
    if (!(nodeIndex > 0.0)) return true;
    if (!(sampleIndex > nodeIndex)) return false;
    const double critical = std::asin(nodeIndex / sampleIndex);
    const double theta = std::acos(std::fmax(-1.0, std::fmin(1.0, -fw::dot(d, t))));
    return theta > critical;
}

// A refracted or mirrored ray: its direction (not normalised) and the
// refraction index of the medium it travels in.
struct BentRay {
    fw::Vec3 direction;
    double index;
};

// The incoming unit direction d bent through the unit normal t, from the
// medium of sampleIndex into that of nodeIndex. Beyond the critical angle the
// ray mirrors and stays in the sample's medium. A node index of 0 or below,
// or rounding that leaves no refracted ray just past the critical angle (k
// below 0), mirrors too, rather than giving NaN directions.
inline BentRay bendRay(const fw::Vec3 &d, const fw::Vec3 &t, double sampleIndex, double nodeIndex) {
    const BentRay mirrored{reflectAbout(d, t), sampleIndex};
    if (beyondCriticalAngle(d, t, sampleIndex, nodeIndex)) return mirrored;
    const double eta = sampleIndex / nodeIndex;
    const double c = fw::dot(d, t);
    const double k = 1.0 - eta * eta * (1.0 - c * c);
    if (!(k >= 0.0) || !std::isfinite(eta)) return mirrored;
    const double root = std::sqrt(k);
    const fw::Vec3 r = c >= 0.0 ? eta * d + (root - eta * c) * t : eta * d - (root + eta * c) * t;
    return {r, nodeIndex};
}

// Rays one evaluation fires: Samples, but one for a sharp (zero) blur, a
// count below 1, a sampled ray past the blur depth, or a preview.
constexpr int blurSampleCount(double blur, std::int32_t samples, std::int32_t depth,
                              std::uint32_t flags, std::int32_t bounces) {
    if (blur == 0.0 || samples < 1) return 1;
    if ((flags & HOST_SAMPLE_SAMPLED) && bounces > depth) return 1;
    if (flags & HOST_SAMPLE_PREVIEW) return 1;
    return samples;
}

// The trace mode word: the bare mode for a sharp ray, else the same marked
// as a sampled ray.
constexpr std::uint32_t blurModeWord(double blur, std::uint32_t mode) {
    return blur == 0.0 ? mode : mode | HOST_TRACE_SAMPLED;
}

}  // namespace orv
