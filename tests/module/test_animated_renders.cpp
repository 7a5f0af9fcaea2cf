// Two hundred frames of an animated scene, with module nodes created, copied
// from one another and destroyed between frames, as an artist edits a scene
// between test renders. CI runs it under AddressSanitizer, where any node
// outliving its data, or data outliving its node, is reported.
#include <cmath>

#include "host/raytracer/renderer.h"
#include "support/module_fixture.h"

namespace {

TEST(AnimatedRenders, NodesComeAndGoBetweenTwoHundredFrames) {
    host::Host host{testing_support::modulePath()};
    auto scene = host::Scene::fromJson(host, nlohmann::json::parse(R"({
      "scene": {"firstFrame": 1, "lastFrame": 200, "fps": 24, "recursionDepth": 2},
      "camera": {"position": [0, 2, 3], "target": [0, 0, 0], "width": 6, "height": 4},
      "objects": [{"mesh": {"type": "plane", "size": [4, 4]}, "surface": "Floor"},
                  {"mesh": {"type": "sphere", "radius": 0.5, "segments": 8},
                   "position": [0, 0.5, 0], "surface": "Floor"}],
      "surfaces": {"Floor": {
        "nodes": [
          {"name": "AO", "server": "Ambient Occlusion",
           "settings": {"Samples": 4, "Max": {"keys": [[0, 0.5], [8, 2]], "shape": "smooth"}}},
          {"name": "Surface", "native": "Surface", "settings": {"Luminosity": 1, "Diffuse": 0}}
        ],
        "connections": [["AO", "Color", "Surface", "Color"]]}}
    })"),
                                       "animated.json");
    render::Tracer tracer(
        render::parseSceneDescription(scene->document(), scene->file(), scene->surfaceIndex()),
        scene->shaders());
    host::Graph &graph = scene->graph("Floor");
    auto &ao = dynamic_cast<host::ModuleNode &>(graph.require("AO"));
    const char *kinds[] = {"Ambient Occlusion", "Take Samples", "Counter", "Random"};
    std::vector<host::ModuleNode *> extra;
    render::RenderOptions options;
    options.threads = 2;
    double first = -1, last = -1;
    for (int frame = 1; frame <= 200; ++frame) {
        // Edits between frames: a new node, a copy of another, one gone.
        host::ModuleNode &made = host.addNode(graph, kinds[frame % 4], graph.uniqueName("Extra"));
        if (frame % 4 == 0) made.copyFrom(ao);
        extra.push_back(&made);
        if (extra.size() > 3) {
            graph.remove(*extra.front());
            extra.erase(extra.begin());
        }
        scene->renderStart();
        scene->newTime(frame);
        render::Image image;
        render::renderFrame(tracer, options, image);
        scene->renderEnd();
        (frame == 1 ? first : last) = image.pixel(3, 3)[0];
    }
    // The occlusion distance is keyed: the ground under the ball changes.
    EXPECT_TRUE(std::isfinite(first) && std::isfinite(last));
    EXPECT_NE(first, last);
}

}  // namespace
