// Where a blurred reflection or refraction sample gets its colour: the
// backdrop, a traced ray, the spherical image, or a traced ray that falls
// back to the spherical image when it hits nothing.
#pragma once

#include <cstdint>

#include "backdrop.h"
#include "framework/vec3.h"
#include "gaussian_rays.h"
#include "image_popup.h"

namespace orv {

enum BlurSource : std::int32_t {
    kBackdropOnly = 0,
    kTraceAndBackdrop = 1,
    kSphericalMap = 2,
    kTraceAndSphericalMap = 3,
};

const char *const kBlurSourceChoices[] = {"Backdrop Only", "Ray Tracing + Backdrop",
                                          "Spherical Map", " Ray Tracing + Spherical Map", nullptr};

// What stays the same for every sample of one evaluation.
struct BlurSampling {
    std::int32_t source;
    HostSample *sample;
    const Backdrop *backdrop;
    const ImageServices *images;
    HostImageID image;  // resolved once per evaluation; null for none
    double seamAngle;
    std::uint32_t modeWord;
};

// The colour of one sample fired from origin along direction, traced (when
// the source traces) in the medium of index.
inline fw::Vec3 blurSampleColor(const BlurSampling &s, const fw::Vec3 &origin,
                                const fw::Vec3 &direction, double index) {
    fw::Vec3 color{0.0, 0.0, 0.0};
    switch (s.source) {
        case kBackdropOnly:
            color = s.backdrop->lookup(direction);
            break;
        case kTraceAndBackdrop:
            s.sample->trace(s.sample, origin.data(), direction.data(), color.data(), index,
                            s.modeWord);
            break;
        case kSphericalMap:
            if (s.image)
                color =
                    sphericalLookup(*s.images, s.image, s.seamAngle, direction, s.sample->spotSize);
            break;
        case kTraceAndSphericalMap: {
            const double length = s.sample->trace(s.sample, origin.data(), direction.data(),
                                                  color.data(), index, s.modeWord);
            if (length == -1.0 && s.image)
                color =
                    sphericalLookup(*s.images, s.image, s.seamAngle, direction, s.sample->spotSize);
            break;
        }
        default:
            break;
    }
    return color;
}

// The normal and incoming direction a blurred sample starts from. A normal
// with no direction (a zero "Normal" input) falls back to the geometric
// normal, then to the reversed incoming ray; a spot at the ray's own source
// is looked at straight on.
struct BlurFrame {
    fw::Vec3 normal, incoming;
};

inline BlurFrame blurFrame(const HostSample &sample, const fw::Vec3 &normal) {
    const fw::Vec3 position{sample.worldPosition[0], sample.worldPosition[1],
                            sample.worldPosition[2]};
    const fw::Vec3 source{sample.raySource[0], sample.raySource[1], sample.raySource[2]};
    const fw::Vec3 geometric{sample.geometricNormal[0], sample.geometricNormal[1],
                             sample.geometricNormal[2]};
    const fw::Vec3 toSpot = position - source;
    const fw::Vec3 n = unitOr(normal, unitOr(geometric, unitOr(-1.0 * toSpot, {0.0, 1.0, 0.0})));
    return {n, unitOr(toSpot, -1.0 * n)};
}

}  // namespace orv
