// The arithmetic of blurred reflections, refractions and pixel lookups,
// tested directly.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>

#include "nodes/math/generator.h"
#include "nodes/surfacing/bell_sample.h"
#include "nodes/surfacing/gaussian_rays.h"
#include "nodes/surfacing/pixel_tiling.h"

namespace orv {
namespace {

TEST(BellSample, RangeMeanAndDeviationOverManyDraws) {
    EXPECT_DOUBLE_EQ(bellSample(0, 0, 0), -32766.0 / 32767.0);
    const std::uint32_t top = 0xffffffffu;
    EXPECT_LT(bellSample(top, top, top), 32772.0 / 32767.0);
    EXPECT_GT(bellSample(top, top, top), 32771.0 / 32767.0);

    seedGenerator(kDefaultSeed);
    constexpr int kDraws = 300000;
    double sum = 0.0, squares = 0.0, low = 1.0, high = -1.0;
    int near = 0;
    for (int i = 0; i < kDraws; ++i) {
        const std::uint32_t w1 = nextWord(0), w2 = nextWord(0), w3 = nextWord(0);
        const double g = bellSample(w1, w2, w3);
        sum += g;
        squares += g * g;
        low = std::min(low, g);
        high = std::max(high, g);
        near += std::fabs(g) < 1.0 / 3.0;
    }
    const double mean = sum / kDraws;
    const double deviation = std::sqrt(squares / kDraws - mean * mean);
    EXPECT_NEAR(mean, 3.0 / 32767.0, 0.003);
    EXPECT_NEAR(deviation, 1.0 / 3.0, 0.003);
    EXPECT_GE(low, -32766.0 / 32767.0);
    EXPECT_LT(high, 32772.0 / 32767.0);
    // Bell-shaped: two thirds of the draws lie within one deviation (a flat
    // spread over the same range would put a third there).
    EXPECT_NEAR(static_cast<double>(near) / kDraws, 2.0 / 3.0, 0.01);
}

TEST(BlurSampleCount, OneRayWheneverBlurringCannotPay) {
    EXPECT_EQ(blurSampleCount(0.0, 8, 0, 0, 0), 1);
    EXPECT_EQ(blurSampleCount(1e-300, 8, 0, 0, 0), 8);
    EXPECT_EQ(blurSampleCount(0.1, 0, 0, 0, 0), 1);
    EXPECT_EQ(blurSampleCount(0.1, -5, 0, 0, 0), 1);
    // A sampled ray past the blur depth, at the depth, and a plain deep ray.
    EXPECT_EQ(blurSampleCount(0.1, 8, 0, HOST_SAMPLE_SAMPLED, 1), 1);
    EXPECT_EQ(blurSampleCount(0.1, 8, 1, HOST_SAMPLE_SAMPLED, 1), 8);
    EXPECT_EQ(blurSampleCount(0.1, 8, 0, HOST_SAMPLE_REFLECT, 5), 8);
    EXPECT_EQ(blurSampleCount(0.1, 8, 9, HOST_SAMPLE_PREVIEW, 0), 1);
    // 40000 saved as a 16-bit integer comes back as -25536: one sample.
    EXPECT_EQ(blurSampleCount(0.1, static_cast<std::int16_t>(40000), 0, 0, 0), 1);

    EXPECT_EQ(blurModeWord(0.0, HOST_TRACE_REFLECTION), 1u);
    EXPECT_EQ(blurModeWord(-0.0, HOST_TRACE_REFLECTION), 1u);
    EXPECT_EQ(blurModeWord(0.2, HOST_TRACE_REFLECTION), 0x40000001u);
    EXPECT_EQ(blurModeWord(0.2, HOST_TRACE_REFRACTION), 0x40000002u);
}

bool finite(const fw::Vec3 &v) {
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

TEST(BlurDirections, DegenerateVectorsGiveFiniteDirections) {
    const fw::Vec3 up{0.0, 1.0, 0.0};
    EXPECT_EQ(unitOr({0.0, 0.0, 0.0}, up), up);
    EXPECT_EQ(unitOr({NAN, 0.0, 0.0}, up), up);
    EXPECT_EQ(unitOr({0.0, 1e308, 1e308}, up), up);              // its length overflows
    const fw::Vec3 n = perturbedNormal(up, 0.0, 1.0, 0.0, 1.0);  // tilted onto 0
    EXPECT_EQ(n, up);
    const fw::Vec3 r = reflectAbout({0.0, -1.0, 0.0}, perturbedNormal(up, 0.5, -0.2, 0.3, 0.4));
    EXPECT_TRUE(finite(r));
    EXPECT_NEAR(fw::length(r), 1.0, 1e-12);
}

TEST(BlurDirections, RefractionPassesBendsAndMirrors) {
    const fw::Vec3 n{0.0, 1.0, 0.0};
    const fw::Vec3 slanted = fw::normalize({1.0, -1.0, 0.0});  // 45° incidence
    // Equal indices: straight on, whatever the normal.
    for (const fw::Vec3 &t : {n, fw::normalize(fw::Vec3{0.3, 1.0, -0.2})}) {
        const BentRay same = bendRay(slanted, t, 1.3, 1.3);
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(same.direction[i], slanted[i], 1e-12);
        EXPECT_EQ(same.index, 1.3);
    }
    // Into glass: bent towards the normal by Snell's law, index of the glass.
    const BentRay in = bendRay(slanted, n, 1.0, 1.5);
    EXPECT_EQ(in.index, 1.5);
    const fw::Vec3 unit = fw::normalize(in.direction);
    EXPECT_NEAR(unit[0], std::sin(std::numbers::pi / 4) / 1.5, 1e-12);
    EXPECT_LT(unit[1], 0.0);
    // Out of glass at 45°, past the critical angle of 41.81°: mirrored, and
    // traced in the glass.
    const BentRay out = bendRay(slanted, n, 1.5, 1.0);
    EXPECT_EQ(out.index, 1.5);
    EXPECT_NEAR(out.direction[1], -slanted[1], 1e-12);
    // Just inside the critical angle it refracts.
    const double inside = std::asin(1.0 / 1.5) - 0.01;
    const fw::Vec3 steep{std::sin(inside), -std::cos(inside), 0.0};
    EXPECT_EQ(bendRay(steep, n, 1.5, 1.0).index, 1.0);
    // A normal along the incoming ray inside glass always mirrors.
    EXPECT_EQ(bendRay(slanted, -1.0 * n, 1.5, 1.0).index, 1.5);
    // A node index of 0 or below, or a NaN one, mirrors instead of NaN.
    for (double bad : {0.0, -1.0, std::nan("")}) {
        const BentRay ray = bendRay(slanted, n, 1.0, bad);
        EXPECT_TRUE(finite(ray.direction)) << bad;
        EXPECT_NEAR(ray.direction[1], -slanted[1], 1e-12) << bad;
    }
}

TEST(PixelTiling, EachRuleOnAFourPixelAxis) {
    struct Case {
        std::int32_t v;
        std::int32_t reset, repeat, mirror, edge;
    };
    // Reset leaves the coordinate as it is, for the caller to find outside.
    const Case cases[] = {
        {5, 5, 1, 2, 3}, {-1, -1, 3, 1, 0}, {-4, -4, 0, 3, 0}, {4, 4, 0, 3, 3},
        {8, 8, 0, 0, 3}, {2, 2, 2, 2, 2},   {-5, -5, 3, 2, 0}, {11, 11, 3, 3, 3},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(tileCoordinate(Tiling::Reset, c.v, 4), c.reset) << c.v;
        EXPECT_EQ(tileCoordinate(Tiling::Repeat, c.v, 4), c.repeat) << c.v;
        EXPECT_EQ(tileCoordinate(Tiling::Mirror, c.v, 4), c.mirror) << c.v;
        EXPECT_EQ(tileCoordinate(Tiling::Edge, c.v, 4), c.edge) << c.v;
    }
    // The extremes of the int range stay on the image.
    const std::int32_t lowest = std::numeric_limits<std::int32_t>::min();
    EXPECT_TRUE(insideExtent(tileCoordinate(Tiling::Mirror, lowest, 3), 3));
    EXPECT_TRUE(insideExtent(tileCoordinate(Tiling::Repeat, lowest, 3), 3));
    // An empty axis leaves every coordinate off the image.
    for (Tiling rule : {Tiling::Reset, Tiling::Repeat, Tiling::Mirror, Tiling::Edge})
        EXPECT_FALSE(insideExtent(tileCoordinate(rule, 0, 0), 0));
}

}  // namespace
}  // namespace orv
