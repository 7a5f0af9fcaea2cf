// Ambient Occlusion's sampler with casts of the test's own, against answers
// known without it: a spot inside a closed sphere is occluded along every
// ray, one on an open plane along none, and one at the edge of a half-space
// along half of them, within the spread of the draws.
#include <gtest/gtest.h>

#include <cmath>

#include "nodes/surfacing/occlusion_sampler.h"

namespace {

using orv::occlusion::Context;
using orv::occlusion::Counts;
using orv::occlusion::Settings;

// The spot at the origin, its normal up (+z); each test's geometry answers
// the casts from it as a hit distance, or -1 for a miss.
HostSample spotWith(HostRayCastFunc cast) {
    HostSample sample{};
    sample.geometricNormal[2] = sample.shadingNormal[2] = 1.0;
    sample.refractionIndex = 1.0;
    sample.cast = cast;
    return sample;
}

double HOST_CALL insideUnitSphere(const HostSample *, const double[3], const double d[3]) {
    return 1.0 / std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
}
double HOST_CALL overOpenPlane(const HostSample *, const double[3], const double d[3]) {
    return d[2] < 0.0 ? 0.0 : -1.0;
}
// Everything with x > 0 is solid: the spot stands on its boundary.
double HOST_CALL besideHalfSpace(const HostSample *, const double[3], const double d[3]) {
    return d[0] > 0.0 ? 0.0 : -1.0;
}

// Unranged, unclamped, with custom colours: each hit counts fully.
Settings hemisphere() {
    Settings s{};
    s.coneAngle = 1.5707963267948966;
    s.srfColor = {1.0, 1.0, 1.0};
    s.bgColor = {0.9, 0.8, 0.7};
    s.occColor = {0.2, 0.4, 0.6};
    s.srfBrightness = s.bgBrightness = s.occBrightness = 1.0;
    return s;
}

double openShare(HostRayCastFunc cast, const Counts &counts) {
    const HostSample sample = spotWith(cast);
    const Context context{&sample, nullptr, nullptr, nullptr, true};
    return orv::occlusion::sample(context, hemisphere(), {0.0, 0.0, 1.0}, counts)[0];
}

fw::Vec3 color(HostRayCastFunc cast, const Counts &counts) {
    const HostSample sample = spotWith(cast);
    const Context context{&sample, nullptr, nullptr, nullptr, false};
    return orv::occlusion::sample(context, hemisphere(), {0.0, 0.0, 1.0}, counts);
}

const Counts kRandom{orv::occlusion::kRandomLayout, 4000, 1, 1, 0.0};
const Counts kPolar{orv::occlusion::kPolarLayout, 1, 5, 12, 0.1};

TEST(OcclusionSampler, ClosedSphereOccludesEveryRayAndOpenPlaneNone) {
    orv::seedGenerator(7);
    for (const Counts &counts : {kRandom, kPolar}) {
        SCOPED_TRACE(counts.layout);
        EXPECT_EQ(openShare(insideUnitSphere, counts), 0.0);
        EXPECT_EQ(openShare(overOpenPlane, counts), 1.0);
        // Every ray brings the occluded colour, or every one the open sky's.
        const fw::Vec3 inside = color(insideUnitSphere, counts);
        const fw::Vec3 open = color(overOpenPlane, counts);
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(inside[c], hemisphere().occColor[c], 1e-12);
            EXPECT_NEAR(open[c], hemisphere().bgColor[c], 1e-12);
        }
    }
}

TEST(OcclusionSampler, HalfSpaceOccludesHalfWithinTheSpreadOfTheDraws) {
    orv::seedGenerator(11);
    // n rays each hit with chance 1/2: the share they leave open strays from
    // 1/2 by more than four standard deviations once in about 16 000 runs.
    const double n = kRandom.samples;
    const double bound = 4.0 * std::sqrt(0.25 / n);
    EXPECT_NEAR(openShare(besideHalfSpace, kRandom), 0.5, bound);
    // The polar rings are placed evenly around the axis: all but the axis
    // ray (which the boundary does not count) split evenly.
    const double share = openShare(besideHalfSpace, kPolar);
    EXPECT_NEAR(share, 0.5, 0.5 / (4 * 12 + 1) + 0.05);
}

}  // namespace
