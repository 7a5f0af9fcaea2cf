// Ambient Occlusion through the host, with ray operations that record every
// ray the node fires and answer with chosen distances.
#include <cmath>
#include <random>

#include "support/module_fixture.h"

namespace {

using testing_support::RayRecorder;
using testing_support::Triple;

constexpr double kPi = 3.141592653589793;
double degrees(double radians) {
    return radians * 180.0 / kPi;
}

class Occlusion : public testing_support::ModuleTest {
  protected:
    RayRecorder rays;

    void SetUp() override {
        rays.attach(sample);
        // Cone axis +x: a ray's angle from the axis is acos(x) and its angle
        // around it atan2(y, z).
        sample.shadingNormal[0] = 1.0;
        sample.shadingNormal[1] = 0.0;
        sample.geometricNormal[0] = 1.0;
        sample.geometricNormal[1] = 0.0;
    }
    host::ModuleNode &occlusion(
        std::initializer_list<std::pair<const char *, const char *>> settings = {}) {
        host::ModuleNode &node = add("Ambient Occlusion");
        for (const auto &[control, value] : settings)
            set(node, control, value);
        return node;
    }
    static double theta(const RayRecorder::Ray &ray) {
        return degrees(std::acos(std::clamp(ray.direction[0], -1.0, 1.0)));
    }
    static double phi(const RayRecorder::Ray &ray) {
        return degrees(std::atan2(ray.direction[1], ray.direction[2]));
    }
    void everyRayHitsAt(double t) {
        rays.distance = [t](const Triple &, const Triple &) { return t; };
    }
};

TEST_F(Occlusion, ShadowSamplesFireNothingAndEvaluateNoInput) {
    host::ModuleNode &ao = occlusion();
    host::ModuleNode &counter = add("Counter");
    graph.connect(*counter.outputs().front(), ao.requireInput("Cone Angle"));
    startFrame();
    sample.flags = HOST_SAMPLE_SHADOW;
    EXPECT_EQ(color(ao, "Color"), (Triple{0, 0, 0}));
    EXPECT_EQ(scalar(ao, "Scalar"), 0.0);
    EXPECT_TRUE(rays.rays.empty());
    sample.flags = 0;
    EXPECT_EQ(scalar(counter), 0.0);  // its first evaluation: the node never asked it
}

TEST_F(Occlusion, PolarDefaultsFireTheAxisAndTwoJitteredRings) {
    host::ModuleNode &ao = occlusion({{"Mode", "Polar"}});
    scalar(ao, "Scalar");
    ASSERT_EQ(rays.rays.size(), 19u);
    EXPECT_NEAR(theta(rays.rays[0]), 0.0, 1e-9);
    for (int ring = 1; ring <= 2; ++ring) {
        for (int i = 0; i < 9; ++i) {
            const auto &ray = rays.rays[static_cast<std::size_t>(1 + (ring - 1) * 9 + i)];
            const double lowest = ring == 1 ? 25.0 : 70.0;
            EXPECT_GE(theta(ray), lowest - 1e-9);
            EXPECT_LE(theta(ray), lowest + 20.0 + 1e-9);
            double around = phi(ray) - i * 40.0;
            while (around < -180.0)
                around += 360.0;
            while (around > 180.0)
                around -= 360.0;
            EXPECT_LE(std::fabs(around), 20.0 + 1e-9) << "ring " << ring << " ray " << i;
        }
    }
}

TEST_F(Occlusion, SingleRingAndZeroConeFireAlongTheAxis) {
    host::ModuleNode &polar =
        occlusion({{"Mode", "Polar"}, {"Polar Samples 1", "1"}, {"Polar Samples 2", "30"}});
    scalar(polar, "Scalar");
    ASSERT_EQ(rays.rays.size(), 1u);
    EXPECT_EQ(rays.rays[0].direction, (Triple{1.0, 0.0, 0.0}));

    rays.rays.clear();
    host::ModuleNode &narrow = occlusion({{"Cone Angle", "0"}});
    scalar(narrow, "Scalar");
    ASSERT_EQ(rays.rays.size(), 27u);
    for (const auto &ray : rays.rays)
        EXPECT_NEAR(theta(ray), 0.0, 1e-6);
}

TEST_F(Occlusion, RandomRaysFollowTheSeededSequence) {
    host::ModuleNode &ao = occlusion();  // every create seeds 3
    scalar(ao, "Scalar");
    ASSERT_EQ(rays.rays.size(), 27u);
    std::mt19937 reference(3);
    for (const auto &ray : rays.rays) {
        const double u1 = reference() / 4294967295.0;
        const double u2 = reference() / 4294967295.0;
        EXPECT_NEAR(theta(ray), u2 * 90.0, 1e-6);
        double expectedPhi = u1 * 360.0;
        if (expectedPhi > 180.0) expectedPhi -= 360.0;
        if (u2 > 1e-6) {
            EXPECT_NEAR(phi(ray), expectedPhi, 1e-6);
        }
    }
    // A second create restarts the sequence.
    const auto first = rays.rays;
    rays.rays.clear();
    occlusion();
    scalar(ao, "Scalar");
    for (std::size_t i = 0; i < first.size(); ++i)
        EXPECT_EQ(rays.rays[i].direction, first[i].direction);
}

TEST_F(Occlusion, UnrangedScalarIsTheShareOfMisses) {
    host::ModuleNode &ao = occlusion({{"Ranged", "off"}});
    rays.distance = [](const Triple &, const Triple &d) { return d[1] > 0.0 ? 3.0 : -1.0; };
    const double value = scalar(ao, "Scalar");
    int misses = 0;
    for (const auto &ray : rays.rays)
        misses += ray.direction[1] > 0.0 ? 0 : 1;
    EXPECT_DOUBLE_EQ(value, misses / 27.0);
    EXPECT_FALSE(rays.rays.front().traced);
}

TEST_F(Occlusion, RangedAmountsShiftAndTheMaxOfZero) {
    host::ModuleNode &ao = occlusion({{"Max", "4"}});
    everyRayHitsAt(1.0);
    EXPECT_NEAR(scalar(ao, "Scalar"), 0.25, 1e-12);  // v = 1 - 1/4
    set(ao, "Shift", "0.5");
    EXPECT_NEAR(scalar(ao, "Scalar"), 0.75, 1e-12);  // v = 1 - 1/4 - 1/2
    // Beyond Max nothing occludes: the ray adds Srf Color × Srf Brightness.
    set(ao, "Shift", "0");
    set(ao, "Srf Color", "0.2 0.4 0.8");
    set(ao, "0x8012", "50");
    everyRayHitsAt(9.0);
    EXPECT_DOUBLE_EQ(scalar(ao, "Scalar"), 1.0);
    const Triple c = color(ao, "Color");
    EXPECT_NEAR(c[0], 0.1, 1e-12);
    EXPECT_NEAR(c[2], 0.4, 1e-12);
    // A hit right at the spot with a Max of 0 is fully occluded, not 0/0.
    set(ao, "Max", "0");
    everyRayHitsAt(0.0);
    EXPECT_EQ(scalar(ao, "Scalar"), 0.0);
}

TEST_F(Occlusion, TheLowClampWinsOverTheHighClamp) {
    host::ModuleNode &ao = occlusion(
        {{"Ranged", "off"}, {"0x800a", "on"}, {"Low", "0.8"}, {"0x800c", "on"}, {"High", "0.1"}});
    everyRayHitsAt(1.0);                                                  // v = 1 for every ray
    EXPECT_NEAR(scalar(ao, "Scalar"), 0.8, 1e-12);                        // v ends at 1 - Low
    rays.distance = [](const Triple &, const Triple &) { return -1.0; };  // v = 0
    EXPECT_NEAR(scalar(ao, "Scalar"), 0.1, 1e-12);                        // raised to 1 - High
}

TEST_F(Occlusion, OtherModesOutputBlack) {
    host::ModuleNode &ao = occlusion();
    panelOf(ao).setInt(0x8001, 2);  // as a scene saved by a later version may hold
    EXPECT_EQ(color(ao, "Color"), (Triple{0, 0, 0}));
    EXPECT_EQ(scalar(ao, "Scalar"), 0.0);
    EXPECT_TRUE(rays.rays.empty());
}

TEST_F(Occlusion, ColourSourcesBackdropAndTrace) {
    host.services().setBackdrop(
        [](double, const double *, double *c) { c[0] = 0.25, c[1] = 0.5, c[2] = 1.0; });
    host::ModuleNode &ao = occlusion({{"0x8013", "Backdrop"}});
    const Triple sky = color(ao, "Color");  // every ray misses
    EXPECT_NEAR(sky[0], 0.25, 1e-12);
    EXPECT_NEAR(sky[2], 1.0, 1e-12);

    // "Trace" for the occluded share traces every ray as a sampled reflection.
    set(ao, "0x8016", "Trace");
    set(ao, "Ranged", "off");
    rays.tracedColor = {0.5, 0.0, 0.0};
    everyRayHitsAt(1.0);
    const Triple bled = color(ao, "Color");
    EXPECT_NEAR(bled[0], 0.5, 1e-12);
    EXPECT_EQ(bled[1], 0.0);
    ASSERT_FALSE(rays.rays.empty());
    EXPECT_TRUE(rays.rays.back().traced);
    EXPECT_EQ(rays.rays.back().mode, 0x40000001u);

    // "Trace" for hits with Ranged off fires no trace: S stays black.
    rays.rays.clear();
    set(ao, "0x8016", "Custom");
    set(ao, "0x8010", "Trace");
    scalar(ao, "Color");
    EXPECT_FALSE(rays.rays.back().traced);
}

TEST_F(Occlusion, BackdropModesActAsCustomOnARenderNode) {
    host.services().setSystemId(HOST_SYSTEMID_RENDER_NODE | 1u);
    host.services().setBackdrop(
        [](double, const double *, double *c) { c[0] = c[1] = c[2] = 0.5; });
    host::ModuleNode &ao = occlusion({{"0x8013", "Backdrop"}, {"Bg Color", "0.1 0.2 0.3"}});
    const Triple c = color(ao, "Color");
    EXPECT_NEAR(c[0], 0.1, 1e-12);
    EXPECT_NEAR(c[2], 0.3, 1e-12);
}

TEST_F(Occlusion, TheLimitColourAppearsBeyondTheSampleDepth) {
    host::ModuleNode &ao = occlusion({{"Sample Depth", "2"}, {"Limit Color", "0.3 0.6 0.9"}});
    sample.flags = HOST_SAMPLE_SAMPLED;
    sample.bounces = 2;
    scalar(ao, "Scalar");
    EXPECT_EQ(rays.rays.size(), 27u);
    rays.rays.clear();
    sample.bounces = 3;
    EXPECT_NEAR(scalar(ao, "Scalar"), 0.3, 1e-12);
    const Triple c = color(ao, "Color");
    EXPECT_NEAR(c[1], 0.6, 1e-12);
    EXPECT_TRUE(rays.rays.empty());
}

// Without a Function input a fan's draws and directions are made in batches
// of 32 rays; with one, ray by ray. Both must fire the very same rays.
TEST_F(Occlusion, BatchedAndOneByOneFansFireTheSameRays) {
    for (const char *mode : {"Random", "Polar"}) {
        const std::initializer_list<std::pair<const char *, const char *>> settings = {
            {"Mode", mode}, {"Samples", "70"}, {"Polar Samples 1", "5"}, {"Polar Samples 2", "17"}};
        host::ModuleNode &batched = occlusion(settings);  // each create seeds 3
        rays.rays.clear();
        scalar(batched, "Scalar");
        const auto first = rays.rays;

        host::ModuleNode &oneByOne = occlusion(settings);
        host::Node &same = host::addNativeNode(graph, "Function", std::string("Same ") + mode,
                                               {{"op", "linear"}, {"a", 1.0}}, "test");
        graph.connect(*same.outputs().front(), oneByOne.requireInput("Function"));
        rays.rays.clear();
        scalar(oneByOne, "Scalar");
        ASSERT_EQ(rays.rays.size(), first.size()) << mode;
        EXPECT_GT(first.size(), 64u) << mode;
        for (std::size_t i = 0; i < first.size(); ++i)
            ASSERT_EQ(rays.rays[i].direction, first[i].direction) << mode << " ray " << i;
    }
}

TEST_F(Occlusion, TheFunctionInputMapsEachRaysAmount) {
    host::ModuleNode &ao = occlusion({{"Ranged", "off"}});
    host::Node &half =
        host::addNativeNode(graph, "Function", "Half", {{"op", "linear"}, {"a", 0.5}}, "test");
    graph.connect(*half.outputs().front(), ao.requireInput("Function"));
    everyRayHitsAt(1.0);  // v = 1, mapped to 0.5
    EXPECT_NEAR(scalar(ao, "Scalar"), 0.5, 1e-12);
    // The clamps act on the mapped amount.
    set(ao, "0x800c", "on");
    set(ao, "High", "0.2");
    EXPECT_NEAR(scalar(ao, "Scalar"), 0.2, 1e-12);
}

TEST_F(Occlusion, OffsetMovesTheOriginAlongTheGeometricNormal) {
    host::ModuleNode &ao = occlusion({{"Offset", "0.5"}});
    sample.worldPosition[2] = 2.0;
    scalar(ao, "Scalar");
    EXPECT_EQ(rays.rays.front().origin, (Triple{0.5, 0.0, 2.0}));
}

}  // namespace
