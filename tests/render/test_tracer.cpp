// The ray tracer's operations as nodes see them: cast, trace by mode and
// flags, shade, nested samples, shadows, scene errors and repeatable renders.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <fstream>

#include "host/raytracer/meshes.h"
#include "host/raytracer/renderer.h"

namespace {

using render::Vec;

// A surface of one colour that remembers the last sample it shaded.
class RecordingSurface final : public host::SurfaceShader {
  public:
    explicit RecordingSurface(Vec color, double transparency = 0.0)
        : color_(color), transparency_(transparency) {}
    host::SurfaceChannels shade(HostSample &sample) const override {
        last_ = sample;
        ++calls_;
        host::SurfaceChannels channels;
        for (int c = 0; c < 3; ++c)
            channels.color[c] = color_[c];
        channels.luminosity = 0.5;
        channels.diffuse = 0.5;
        channels.transparency = transparency_;
        channels.refractionIndex = 1.25;
        return channels;
    }
    double transmission(HostSample &sample) const override {
        last_ = sample;
        ++calls_;
        return transparency_;
    }
    mutable HostSample last_{};
    mutable int calls_ = 0;

  private:
    Vec color_;
    double transparency_;
};

// A floor (surface 0) at y = 0 and a unit box (surface 1) floating above it,
// its bottom at y = 1.5, under a light from straight above.
class TracerTest : public ::testing::Test {
  protected:
    RecordingSurface floor{{0.5, 0.5, 0.5}};
    RecordingSurface box{{1.0, 0.0, 0.0}};
    render::ThreadState thread;
    std::unique_ptr<render::Tracer> tracer;
    render::SpotContext context;

    void SetUp() override { build(8); }
    void build(int recursionDepth) {
        render::SceneDescription scene;
        scene.recursionDepth = recursionDepth;
        scene.backdrop.color = {0.0, 0.25, 1.0};
        render::Light light;
        light.direction = {0, -1, 0};
        scene.lights.push_back(light);
        render::Object ground{"Floor", render::planeMesh(10, 10), 0};
        render::Object cube{"Box", render::boxMesh({1, 1, 1}), 1};
        render::placeMesh(cube.mesh, {1, 1, 1}, {0, 0, 0}, {0, 2, 0});
        scene.objects = {ground, cube};
        tracer = std::make_unique<render::Tracer>(
            scene, std::vector<const host::SurfaceShader *>{&floor, &box});
    }
    // The sample of a spot on the floor, as a camera ray from above made it.
    HostSample floorSpot(double x = 0.0, double z = 0.0) {
        render::Tracer::Hit hit;
        const Vec origin{x, 1.0, z}, down{0, -1, 0};
        EXPECT_TRUE(tracer->intersect(origin, down, 1e30, {}, hit));
        return tracer->spotSample(origin, down, hit, 0, 0, 1.0, 0.01, 3, 4, context);
    }
    HostSample boxBottomSpot() {
        render::Tracer::Hit hit;
        const Vec origin{0, 0.5, 0}, up{0, 1, 0};
        EXPECT_TRUE(tracer->intersect(origin, up, 1e30, {}, hit));
        return tracer->spotSample(origin, up, hit, 0, 0, 1.0, 0.01, 3, 4, context);
    }
};

// Spots are made with the test's own thread state.
#define SPOT(expr) (context.thread = &thread, expr)

TEST_F(TracerTest, CastFindsTheNearestHitAndLeavesItsOwnPolygon) {
    HostSample spot = SPOT(floorSpot());
    EXPECT_EQ(spot.geometricNormal[1], 1.0);
    EXPECT_EQ(spot.surfaceIndex, 0);
    const double up[3] = {0, 1, 0}, sideways[3] = {1, 0.2, 0}, down[3] = {0, -1, 0};
    EXPECT_NEAR(spot.cast(&spot, spot.worldPosition, up), 1.5, 1e-5);
    EXPECT_EQ(spot.cast(&spot, spot.worldPosition, sideways), -1.0);
    EXPECT_EQ(spot.cast(&spot, spot.worldPosition, down), -1.0);  // not the floor itself
    const double longUp[3] = {0, 10, 0};
    EXPECT_NEAR(spot.cast(&spot, spot.worldPosition, longUp), 1.5, 1e-5);  // world units
    EXPECT_GT(thread.secondaryRays, 0u);
    const std::uint64_t fired = thread.secondaryRays;
    const double zero[3] = {0, 0, 0}, broken[3] = {NAN, 1, 0};
    EXPECT_EQ(spot.cast(&spot, spot.worldPosition, zero), -1.0);
    EXPECT_EQ(spot.cast(&spot, spot.worldPosition, broken), -1.0);
    EXPECT_EQ(thread.secondaryRays, fired);  // no ray for a direction that is none
}

TEST_F(TracerTest, TraceModesBringBackWhatTheyDocument) {
    HostSample spot = SPOT(floorSpot());
    const double up[3] = {0, 1, 0}, away[3] = {1, 1, 0};
    double color[3] = {7, 7, 7};
    EXPECT_NEAR(spot.trace(&spot, spot.worldPosition, up, color, 1.0, HOST_TRACE_DISTANCE), 1.5,
                1e-5);
    EXPECT_EQ(color[0], 7.0);  // untouched

    spot.trace(&spot, spot.worldPosition, up, color, 1.0, HOST_TRACE_REFLECTION);
    EXPECT_EQ(box.last_.flags, HOST_SAMPLE_REFLECT);
    EXPECT_EQ(box.last_.bounces, 1);
    EXPECT_NEAR(box.last_.geometricNormal[1], -1.0, 1e-12);  // facing the ray
    EXPECT_NEAR(color[0], 0.5, 1e-9);  // the box's bottom is unlit: luminosity only

    spot.trace(&spot, spot.worldPosition, up, color, 1.7, HOST_TRACE_REFRACTION);
    EXPECT_EQ(box.last_.flags, HOST_SAMPLE_REFRACT);
    EXPECT_EQ(box.last_.refractionIndex, 1.7);

    spot.trace(&spot, spot.worldPosition, up, color, 1.0, HOST_TRACE_DISSOLVE);
    EXPECT_EQ(color[0], 1.0);
    EXPECT_EQ(color[1], 0.0);

    spot.trace(&spot, spot.worldPosition, up, color, 1.0, HOST_TRACE_SHADOW);
    EXPECT_EQ(color[0], 0.0);  // opaque
    EXPECT_EQ(box.last_.flags, HOST_SAMPLE_SHADOW);
    spot.trace(&spot, spot.worldPosition, away, color, 1.0, HOST_TRACE_SHADOW);
    EXPECT_EQ(color[0], 1.0);

    spot.trace(&spot, spot.worldPosition, up, color, 1.0, HOST_TRACE_OCCLUSION);
    EXPECT_EQ(color[0], 0.0);
    spot.trace(&spot, spot.worldPosition, away, color, 1.0, HOST_TRACE_OCCLUSION);
    EXPECT_EQ(color[0], 1.0);

    EXPECT_EQ(spot.trace(&spot, spot.worldPosition, up, color, 1.0, HOST_TRACE_BACKDROP), -1.0);
    EXPECT_EQ(color[2], 1.0);  // the backdrop even though the box is in the way
}

TEST_F(TracerTest, TraceFlags) {
    HostSample spot = SPOT(floorSpot());
    const double away[3] = {1, 1, 0}, up[3] = {0, 1, 0};
    double color[3] = {7, 7, 7};
    spot.trace(&spot, spot.worldPosition, away, color, 1.0, HOST_TRACE_REFLECTION);
    EXPECT_EQ(color[2], 0.0);  // a miss is black
    spot.trace(&spot, spot.worldPosition, away, color, 1.0,
               HOST_TRACE_REFLECTION | HOST_TRACE_BACKDROPF);
    EXPECT_EQ(color[2], 1.0);
    spot.trace(&spot, spot.worldPosition, up, color, 1.0,
               HOST_TRACE_REFLECTION | HOST_TRACE_SAMPLED);
    EXPECT_EQ(box.last_.flags, HOST_SAMPLE_REFLECT | HOST_SAMPLE_SAMPLED);

    // From inside the box's bottom face, looking up: the top face is seen
    // from behind, and both belong to the spot's own object.
    HostSample inside = SPOT(boxBottomSpot());
    const double upward[3] = {0, 1, 0};
    EXPECT_EQ(inside.trace(&inside, inside.worldPosition, upward, color, 1.0, HOST_TRACE_DISTANCE),
              -1.0);
    EXPECT_EQ(inside.trace(&inside, inside.worldPosition, upward, color, 1.0,
                           HOST_TRACE_DISTANCE | HOST_TRACE_OBJECT),
              -1.0);  // a back face: passed through
    EXPECT_NEAR(inside.trace(&inside, inside.worldPosition, upward, color, 1.0,
                             HOST_TRACE_DISTANCE | HOST_TRACE_OBJECT | HOST_TRACE_BACKSHADE |
                                 HOST_TRACE_NOPOLYGON),
                1.0, 1e-5);
    EXPECT_NEAR(inside.cast(&inside, inside.worldPosition, upward), 1.0,
                1e-5);  // cast sees its object
}

TEST_F(TracerTest, ShadeFillsTheRecordAndMissesGiveMinusOne) {
    HostSample spot = SPOT(floorSpot(0.2, 0.1));
    const double up[3] = {0, 1, 0}, away[3] = {1, 1, 0};
    HostShadedSample shaded;
    EXPECT_NEAR(spot.shade(&spot, spot.worldPosition, up, &shaded), 1.5, 1e-5);
    EXPECT_NEAR(shaded.distance, 1.5, 1e-5);
    EXPECT_EQ(shaded.surfaceIndex, 1);
    EXPECT_NEAR(shaded.position[1], 1.5, 1e-6);
    EXPECT_NEAR(shaded.normal[1], -1.0, 1e-12);
    EXPECT_EQ(shaded.rawColor[0], 1.0);
    EXPECT_EQ(shaded.luminosity, 0.5);
    EXPECT_EQ(shaded.eta, 1.25);
    EXPECT_NEAR(shaded.color[0], 0.5, 1e-9);
    EXPECT_EQ(box.last_.pixelX, 3);
    EXPECT_EQ(box.last_.flags, 0u);
    EXPECT_EQ(spot.shade(&spot, spot.worldPosition, away, &shaded), -1.0);
    EXPECT_EQ(shaded.surfaceIndex, -1);
    EXPECT_EQ(shaded.color[0], 0.0);
}

TEST_F(TracerTest, BeyondTheRecursionLimitRaysShadeNothing) {
    build(1);
    HostSample spot = SPOT(floorSpot());
    spot.bounces = 1;
    const double up[3] = {0, 1, 0};
    double color[3] = {7, 7, 7};
    box.calls_ = 0;
    EXPECT_NEAR(spot.trace(&spot, spot.worldPosition, up, color, 1.0, HOST_TRACE_REFLECTION), 1.5,
                1e-5);
    EXPECT_EQ(color[0], 0.0);
    EXPECT_EQ(box.calls_, 0);
}

TEST_F(TracerTest, ShadowRaysAskTheOccluderWithTheShadowFlag) {
    // Under the box the floor is in its shadow: lit only by its luminosity.
    HostSample under = SPOT(floorSpot(0.0, 0.0));
    host::SurfaceChannels channels;
    box.calls_ = 0;
    const Vec shadowed = tracer->shadeSpot(under, channels);
    EXPECT_NEAR(shadowed[0], 0.5 * 0.5, 1e-9);
    EXPECT_EQ(box.calls_, 1);
    EXPECT_EQ(box.last_.flags, HOST_SAMPLE_SHADOW);
    HostSample open = SPOT(floorSpot(3.0, 0.0));
    EXPECT_NEAR(tracer->shadeSpot(open, channels)[0], 0.5 * (0.5 + 0.5), 1e-9);
}

TEST_F(TracerTest, OneThreadRendersRepeatAndTwoThreadsAgree) {
    render::Image first, second, parallel;
    render::RenderOptions options;
    options.samplesPerPixel = 2;
    render::renderFrame(*tracer, options, first);
    render::renderFrame(*tracer, options, second);
    EXPECT_EQ(first.values, second.values);
    options.threads = 2;
    const auto statistics = render::renderFrame(*tracer, options, parallel);
    EXPECT_EQ(first.values, parallel.values);
    EXPECT_EQ(statistics.primaryRays, 640u * 480u * 2u);
}

TEST(SceneDescription, ErrorsNameTheFileTheKeyAndTheValue) {
    const std::map<std::string, int> surfaces{{"Floor", 0}};
    auto errorOf = [&](const char *text) {
        try {
            render::parseSceneDescription(nlohmann::json::parse(text), "scenes/test.json",
                                          surfaces);
        } catch (const render::SceneError &error) {
            return std::string(error.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(errorOf(R"({"objects": [{"mesh": {"type": "plane"}, "surface": "Flor"}]})"),
              "scenes/test.json: objects[0].surface: unknown surface; the scene has \"Floor\" "
              "(found \"Flor\")");
    EXPECT_NE(errorOf(R"({"objects": [{"mesh": {"type": "cone"}, "surface": "Floor"}]})")
                  .find("objects[0].mesh.type"),
              std::string::npos);
    EXPECT_NE(errorOf(R"({"camera": {"fov": 200}})").find("camera.fov"), std::string::npos);
    EXPECT_NE(errorOf(R"({"lights": [{"type": "distant", "direction": [0, 0, 0]}]})")
                  .find("lights[0].direction"),
              std::string::npos);
    const std::string missing =
        errorOf(R"({"objects": [{"mesh": {"file": "nowhere.obj"}, "surface": "Floor"}]})");
    EXPECT_NE(missing.find("objects[0].mesh.file"), std::string::npos) << missing;
    EXPECT_NE(missing.find("nowhere.obj"), std::string::npos) << missing;
}

TEST(Meshes, FacesPointOutwardAndObjFilesLoad) {
    for (const render::Mesh &mesh : {render::boxMesh({1, 2, 3}), render::sphereMesh(2.0, 16)}) {
        for (std::size_t t = 0; t < mesh.indices.size(); t += 3) {
            Vec p[3], n{0, 0, 0};
            for (int k = 0; k < 3; ++k)
                for (int c = 0; c < 3; ++c) {
                    p[k][c] = mesh.positions[3 * mesh.indices[t + k] + c];
                    n[c] += mesh.normals[3 * mesh.indices[t + k] + c];
                }
            const Vec e1{p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
            const Vec e2{p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
            const Vec face{e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                           e1[0] * e2[1] - e1[1] * e2[0]};
            ASSERT_GT(face[0] * n[0] + face[1] * n[1] + face[2] * n[2], 0.0)
                << "triangle " << t / 3;
        }
    }
    const auto file = std::filesystem::temp_directory_path() / "orv-triangle.obj";
    std::ofstream(file) << "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";
    const render::Mesh triangle = render::objMesh(file);
    EXPECT_EQ(triangle.indices.size(), 3u);
    EXPECT_FLOAT_EQ(triangle.normals[2], 1.0f);
    std::filesystem::remove(file);
}

}  // namespace
