// What the tracer's source files share: vector arithmetic on the tracer's
// numbers, the setup of a ray handed to Embree, the host's part of a sample
// record, a mesh as the tracer keeps it, and where a ray leaving a spot
// starts. All inline, as every ray a node fires runs through them.
#pragma once

#include <embree3/rtcore.h>
#include <emmintrin.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "host/raytracer/tracer.h"

namespace render {
namespace tracing {

inline double dot(const Vec &a, const Vec &b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
inline Vec cross(const Vec &a, const Vec &b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
inline Vec scaled(const Vec &a, double s) {
    return {a[0] * s, a[1] * s, a[2] * s};
}
inline Vec plus(const Vec &a, const Vec &b) {
    return {a[0] + b[0], a[1] + b[1], a[2] + b[2]};
}
inline Vec minus(const Vec &a, const Vec &b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
inline Vec times(const Vec &a, const Vec &b) {
    return {a[0] * b[0], a[1] * b[1], a[2] * b[2]};
}
inline double length(const Vec &a) {
    return std::sqrt(dot(a, a));
}
inline Vec unit(const Vec &a) {
    return scaled(a, 1.0 / length(a));
}
inline Vec toVec(const double v[3]) {
    return {v[0], v[1], v[2]};
}
inline void store(const Vec &v, double out[3]) {
    out[0] = v[0], out[1] = v[1], out[2] = v[2];
}

// offset when a ray along direction leaves by the face's side, -offset when
// it goes below (or the two are not comparable). Occlusion rays near the
// horizon fall on either side as good as at random, so the sign is set by a
// mask rather than by a branch that would often guess wrong; the mask stays
// in vector registers, on the path every ray waits on.
inline double sidedOffset(double offset, const Vec &face, const Vec &direction) {
    const double side = dot(face, direction);
    const __m128d below = _mm_cmpnle_sd(_mm_setzero_pd(), _mm_set_sd(side));  // !(0 <= side)
    return _mm_cvtsd_f64(_mm_xor_pd(_mm_set_sd(offset), _mm_and_pd(below, _mm_set_sd(-0.0))));
}

// A ray whose origin and direction are set: between tnear and tfar, with no
// hit yet.
inline void setRayExtent(RTCRayHit &rayhit, float tnear, float tfar = 3.0e38f) {
    rayhit.ray.tnear = tnear;
    rayhit.ray.tfar = tfar;
    rayhit.ray.time = 0.0f;
    rayhit.ray.mask = 0xffffffffu;
    rayhit.ray.id = 0;
    rayhit.ray.flags = 0;
    rayhit.hit.geomID = RTC_INVALID_GEOMETRY_ID;
    rayhit.hit.instID[0] = RTC_INVALID_GEOMETRY_ID;
}

// The rest of a ray whose direction is set: from o, between tnear and tfar,
// with no hit yet.
inline void setRayFrom(RTCRayHit &rayhit, const Vec &o, float tnear, float tfar = 3.0e38f) {
    rayhit.ray.org_x = static_cast<float>(o[0]);
    rayhit.ray.org_y = static_cast<float>(o[1]);
    rayhit.ray.org_z = static_cast<float>(o[2]);
    setRayExtent(rayhit, tnear, tfar);
}

inline SpotContext &contextOf(const HostSample *sample) {
    return *static_cast<SpotContext *>(sample->hostContext);
}

}  // namespace tracing

struct Tracer::Geometry {
    int surface = 0;
    std::vector<Vec> faceNormals;
    std::vector<float> normals, uvs;
    std::vector<std::uint32_t> indices;
};

// Inline: it runs for every ray a node fires.
inline Vec Tracer::rayStart(const HostSample &sample, const Vec &origin,
                            const Vec &direction) const {
    const SpotContext &from = tracing::contextOf(&sample);
    if (!options_.offsetOrigins || from.primitive == RTC_INVALID_GEOMETRY_ID ||
        origin[0] != sample.worldPosition[0] || origin[1] != sample.worldPosition[1] ||
        origin[2] != sample.worldPosition[2]) [[unlikely]]
        return origin;
    return tracing::plus(
        origin,
        tracing::scaled(from.face, tracing::sidedOffset(from.leaveOffset, from.face, direction)));
}

}  // namespace render
