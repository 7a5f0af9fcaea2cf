// The module's nodes inside real renders: frames counted by Render Info, and
// occlusion that darkens corners.
#include "host/raytracer/renderer.h"
#include "support/module_fixture.h"

namespace {

using nlohmann::json;

class Rendering : public testing_support::ModuleTest {
  protected:
    std::unique_ptr<host::Scene> scene;
    std::unique_ptr<render::Tracer> tracer;

    void load(const json &document) {
        scene = host::Scene::fromJson(host, document, "test.json");
        tracer = std::make_unique<render::Tracer>(
            render::parseSceneDescription(scene->document(), scene->file(), scene->surfaceIndex()),
            scene->shaders());
    }
    static json floorWith(json nodes, json connections) {
        return {{"scene", {{"firstFrame", 1}, {"lastFrame", 10}}},
                {"camera",
                 {{"position", {0, 3, 0.01}}, {"target", {0, 0, 0}}, {"width", 8}, {"height", 8}}},
                {"objects",
                 {{{"mesh", {{"type", "plane"}, {"size", {20, 20}}}}, {"surface", "Floor"}}}},
                {"surfaces", {{"Floor", {{"nodes", nodes}, {"connections", connections}}}}}};
    }
};

TEST_F(Rendering, RenderInfoCountsTheFramesOfARender) {
    load(floorWith({{{"name", "Info"}, {"server", "Render Info"}},
                    {{"name", "Surface"},
                     {"native", "Surface"},
                     {"settings", {{"Luminosity", 1}, {"Diffuse", 0}}}}},
                   {{"Info", "Rendered Frames", "Surface", "Color"}}));
    render::RenderOptions options;
    options.threads = 2;
    scene->renderStart();
    for (int frame = 1; frame <= 10; ++frame) {
        scene->newTime(frame);
        render::Image image;
        render::renderFrame(*tracer, options, image);
        EXPECT_EQ(image.pixel(4, 4)[0], static_cast<float>(frame - 1)) << "frame " << frame;
    }
    scene->renderEnd();
}

TEST_F(Rendering, OcclusionDarkensTheFloorBesideABox) {
    json document = floorWith({{{"name", "AO"},
                                {"server", "Ambient Occlusion"},
                                {"settings", {{"Ranged", "off"}, {"Samples", 256}}}},
                               {{"name", "Surface"},
                                {"native", "Surface"},
                                {"settings", {{"Luminosity", 1}, {"Diffuse", 0}}}}},
                              {{"AO", "Color", "Surface", "Color"}});
    document["objects"].push_back({{"mesh", {{"type", "box"}, {"size", {4, 4, 4}}}},
                                   {"position", {3.0, 2.0, 0}},
                                   {"surface", "Floor"}});
    document["camera"] = {{"position", {0, 6, 0.01}},
                          {"target", {0, 0, 0}},
                          {"fov", 60},
                          {"width", 16},
                          {"height", 16}};
    load(document);
    render::Image image;
    scene->renderStart();
    scene->newTime(1);
    render::renderFrame(*tracer, {}, image);
    scene->renderEnd();
    // Open floor far from the box sees nearly all the sky; next to the box
    // about half of it is blocked.
    const float open = image.pixel(1, 8)[0], beside = image.pixel(11, 8)[0];
    EXPECT_GT(open, 0.75f);
    EXPECT_LT(beside, 0.65f);
    EXPECT_GT(beside, 0.2f);
}

}  // namespace

namespace {

// A checker straight into the surface, the reference the packed and fetched
// forms must match pixel for pixel.
const json kChecker = {{"name", "Squares"},
                       {"native", "Checker"},
                       {"settings", {{"Color A", {0.9, 0.8, 0.1}}, {"Size", 0.7}}}};
const json kLitSurface = {
    {"name", "Surface"}, {"native", "Surface"}, {"settings", {{"Luminosity", 1}, {"Diffuse", 0}}}};

class MaterialRendering : public Rendering {
  protected:
    render::Image renderWith(json document) {
        load(document);
        render::RenderOptions options;
        options.threads = 2;
        render::Image image;
        scene->renderStart();
        scene->newTime(1);
        render::renderFrame(*tracer, options, image);
        scene->renderEnd();
        return image;
    }
    static void expectSamePixels(const render::Image &a, const render::Image &b) {
        ASSERT_EQ(a.width, b.width);
        for (int y = 0; y < a.height; ++y)
            for (int x = 0; x < a.width; ++x)
                for (int c = 0; c < 3; ++c)
                    ASSERT_EQ(a.pixel(x, y)[c], b.pixel(x, y)[c]) << x << ", " << y;
    }
};

TEST_F(MaterialRendering, GroupNodeRendersAsTheSameGraphBuiltFlat) {
    const render::Image flat =
        renderWith(floorWith({kChecker, kLitSurface}, {{"Squares", "Color", "Surface", "Color"}}));
    const json group = {
        {"name", "Group"},
        {"server", "Group Node"},
        {"graph", {{"nodes", {kChecker}}, {"root", {{"Color", {"Squares", "Color"}}}}}}};
    const render::Image packed =
        renderWith(floorWith({group, kLitSurface}, {{"Group", "Color", "Surface", "Color"}}));
    expectSamePixels(flat, packed);
}

TEST_F(MaterialRendering, GetMaterialShowsTheTextureAtItsOwnPoints) {
    const render::Image flat =
        renderWith(floorWith({kChecker, kLitSurface}, {{"Squares", "Color", "Surface", "Color"}}));
    json document = floorWith(
        {{{"name", "Fetch"}, {"server", "Get Material"}, {"settings", {{"Slot", "Stored"}}}},
         kLitSurface},
        {{"Fetch", "Color", "Surface", "Color"}});
    const json library = {{"nodes", {kChecker, {{"name", "Stored"}, {"server", "Store Material"}}}},
                          {"connections", {{"Squares", "Color", "Stored", "Color"}}}};
    document["graphs"] = {{"Library", library}};
    expectSamePixels(flat, renderWith(document));
}

}  // namespace
