// The tracer under the scenes that broke it: facing mirrors that double
// their work with every bounce, rays leaving a smooth mesh far from the
// origin, and rays aimed exactly at the edges triangles share.
#include <gtest/gtest.h>

#include <cmath>

#include "host/raytracer/meshes.h"
#include "host/raytracer/renderer.h"

namespace {

using render::Vec;

// A mirror that both traces and shades a reflected ray: two rays per bounce.
class DoubleMirror final : public host::SurfaceShader {
  public:
    host::SurfaceChannels shade(HostSample &sample) const override {
        double d[3];
        const double *n = sample.geometricNormal;
        const double in[3] = {sample.worldPosition[0] - sample.raySource[0],
                              sample.worldPosition[1] - sample.raySource[1],
                              sample.worldPosition[2] - sample.raySource[2]};
        const double along = in[0] * n[0] + in[1] * n[1] + in[2] * n[2];
        for (int c = 0; c < 3; ++c)
            d[c] = in[c] - 2 * along * n[c];
        double color[3] = {0, 0, 0};
        sample.trace(&sample, sample.worldPosition, d, color, 1.0, HOST_TRACE_REFLECTION);
        HostShadedSample shaded;
        sample.shade(&sample, sample.worldPosition, d, &shaded);
        host::SurfaceChannels channels;
        for (int c = 0; c < 3; ++c)
            channels.color[c] = 0.5 * (color[c] + shaded.color[c]);
        channels.luminosity = 1.0;
        channels.diffuse = 0.0;
        return channels;
    }
    double transmission(HostSample &) const override { return 0.0; }
};

class Plain final : public host::SurfaceShader {
  public:
    host::SurfaceChannels shade(HostSample &) const override { return {}; }
    double transmission(HostSample &) const override { return 0.0; }
};

TEST(TracerRobustness, FacingMirrorsStopAtTheNestedSampleBudget) {
    DoubleMirror mirror;
    render::SceneDescription scene;
    scene.recursionDepth = 64;
    render::Object left{"Left", render::boxMesh({0.1, 4, 4}), 0};
    render::Object right{"Right", render::boxMesh({0.1, 4, 4}), 0};
    render::placeMesh(left.mesh, {1, 1, 1}, {0, 0, 0}, {-1, 0, 0});
    render::placeMesh(right.mesh, {1, 1, 1}, {0, 0, 0}, {1, 0, 0});
    scene.objects = {left, right};
    scene.camera.position = {0, 0, 0.5};
    scene.camera.target = {1, 0, 0.5};
    scene.camera.width = scene.camera.height = 1;
    render::Tracer tracer(scene, {&mirror});
    render::ThreadState thread;
    // Without a bound this is 2^64 shades; with it, a fraction of a second.
    tracer.renderPixel(0, 0, 0.0, 0.0, thread);
    EXPECT_EQ(thread.samplesOverBudget, 1u);
    EXPECT_EQ(thread.nestedSamples, render::kNestedSampleBudget);
    // The next camera sample starts with a whole budget.
    tracer.renderPixel(0, 0, 0.0, 0.0, thread);
    EXPECT_EQ(thread.samplesOverBudget, 2u);
}

// A smooth sphere far from the origin, where float rounding is coarse, and
// the sample of every spot a ray from outside hits on it.
class SphereFarAway : public testing::Test {
  protected:
    Plain plain;
    render::ThreadState thread;
    render::SpotContext context;

    std::unique_ptr<render::Tracer> build(render::TracerOptions options) {
        render::SceneDescription scene;
        render::Object ball{"Ball", render::sphereMesh(1.0, 96), 0};
        render::placeMesh(ball.mesh, {1, 1, 1}, {0, 0, 0}, kCentre);
        scene.objects = {ball};
        scene.camera.position = {kCentre[0], kCentre[1], kCentre[2] + 5};
        scene.camera.target = kCentre;
        return std::make_unique<render::Tracer>(
            scene, std::vector<const host::SurfaceShader *>{&plain}, options);
    }
    // Rays from spots all over the sphere, grazing outward: on a convex
    // surface none may hit anything.
    int selfHits(const render::Tracer &tracer) {
        context.thread = &thread;
        int hits = 0;
        for (int i = 0; i < 400; ++i) {
            const double polar = 0.2 + 2.7 * (i % 20) / 19.0, azimuth = 0.31 * i;
            const Vec to{std::sin(polar) * std::cos(azimuth), std::cos(polar),
                         std::sin(polar) * std::sin(azimuth)};
            const Vec from{kCentre[0] + 3 * to[0], kCentre[1] + 3 * to[1], kCentre[2] + 3 * to[2]};
            const Vec in{-to[0], -to[1], -to[2]};
            render::Tracer::Hit hit;
            if (!tracer.intersect(from, in, 1e30, {}, hit)) continue;
            HostSample spot = tracer.spotSample(from, in, hit, 0, 0, 1.0, 0.01, 0, 0, context);
            const double *n = spot.geometricNormal;
            // Nearly along the surface, just above it, in several headings.
            const Vec side = std::fabs(n[1]) < 0.9 ? Vec{0, 1, 0} : Vec{1, 0, 0};
            const Vec t{n[1] * side[2] - n[2] * side[1], n[2] * side[0] - n[0] * side[2],
                        n[0] * side[1] - n[1] * side[0]};
            for (double sign : {1.0, -1.0}) {
                const double d[3] = {sign * t[0] + 0.02 * n[0], sign * t[1] + 0.02 * n[1],
                                     sign * t[2] + 0.02 * n[2]};
                if (spot.cast(&spot, spot.worldPosition, d) >= 0.0) ++hits;
                double color[3];
                if (spot.trace(&spot, spot.worldPosition, d, color, 1.0,
                               HOST_TRACE_OCCLUSION | HOST_TRACE_OBJECT) >= 0.0)
                    ++hits;
            }
        }
        return hits;
    }
    static constexpr Vec kCentre{300.0, 200.0, -250.0};
};

TEST_F(SphereFarAway, RaysLeavingTheSurfaceMissItsNeighbours) {
    EXPECT_EQ(selfHits(*build({})), 0);
}

TEST_F(SphereFarAway, RaysAimedAtSharedEdgesAndCornersHit) {
    auto tracer = build({});
    const render::Mesh ball = [] {
        render::Mesh mesh = render::sphereMesh(1.0, 96);
        render::placeMesh(mesh, {1, 1, 1}, {0, 0, 0}, kCentre);
        return mesh;
    }();
    int misses = 0;
    // Every vertex, and the middle of every edge, from a point outside.
    for (std::size_t t = 0; t < ball.indices.size(); t += 3)
        for (int k = 0; k < 3; ++k) {
            const std::uint32_t a = ball.indices[t + k], b = ball.indices[t + (k + 1) % 3];
            for (double w : {0.0, 0.5}) {
                Vec p, d;
                for (int c = 0; c < 3; ++c)
                    p[c] = (1 - w) * ball.positions[3 * a + c] + w * ball.positions[3 * b + c];
                double length = 0;
                for (int c = 0; c < 3; ++c)
                    length += (p[c] - kCentre[c]) * (p[c] - kCentre[c]);
                length = std::sqrt(length);
                for (int c = 0; c < 3; ++c)
                    d[c] = -(p[c] - kCentre[c]) / length;
                const Vec from{p[0] - 2 * d[0], p[1] - 2 * d[1], p[2] - 2 * d[2]};
                render::Tracer::Hit hit;
                if (!tracer->intersect(from, d, 1e30, {}, hit)) ++misses;
            }
        }
    EXPECT_EQ(misses, 0);
}

}  // namespace
