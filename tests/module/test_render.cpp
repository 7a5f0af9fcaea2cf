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
