// What orvhost's bench tools stand on: per-node statistics of a render,
// controls named by their panel path, and scenes saved as readable settings.
#include <fstream>

#include "host/graph/evaluation_statistics.h"
#include "host/raytracer/renderer.h"
#include "host/scene/readable_settings.h"
#include "support/module_fixture.h"

namespace {

using nlohmann::json;

class BenchTools : public testing_support::ModuleTest {
  protected:
    std::unique_ptr<host::Scene> scene;
    std::unique_ptr<render::Tracer> tracer;

    void load(const json &document) {
        scene = host::Scene::fromJson(host, document, "bench.json");
        tracer = std::make_unique<render::Tracer>(
            render::parseSceneDescription(scene->document(), scene->file(), scene->surfaceIndex()),
            scene->shaders());
    }
    // A floor filling the lower half of a 16 by 16 image, occluded by AO.
    static json floorScene(int samples) {
        return {
            {"camera",
             {{"position", {0, 1, 4}}, {"target", {0, 1, 0}}, {"width", 16}, {"height", 16}}},
            {"objects",
             {{{"mesh", {{"type", "plane"}, {"size", {200, 200}}}}, {"surface", "Floor"}}}},
            {"surfaces",
             {{"Floor",
               {{"nodes",
                 {{{"name", "AO"},
                   {"server", "Ambient Occlusion"},
                   {"settings", {{"Samples", samples}, {"Ranged", "off"}}}},
                  {{"name", "Grey"}, {"native", "Constant Scalar"}, {"settings", {{"value", 0.5}}}},
                  {{"name", "Surface"},
                   {"native", "Surface"},
                   {"settings", {{"Luminosity", 1}, {"Diffuse", 0}}}}}},
                {"connections", {{"AO", "Color", "Surface", "Color"}}}}}}}};
    }
};

TEST_F(BenchTools, StatisticsCountEvaluationsAndTheRaysEachNodeFires) {
    load(floorScene(8));
    std::vector<const host::Graph *> graphs{&scene->graph("Floor")};
    render::Image image;
    render::RenderOptions options;
    options.threads = 2;
    scene->renderStart();
    scene->newTime(1);
    {
        host::EvaluationStatistics statistics(graphs);
        EXPECT_THROW(host::EvaluationStatistics{graphs}, host::Error);  // one at a time
        const auto figures = render::renderFrame(*tracer, options, image);
        const auto nodes = statistics.take();
        ASSERT_EQ(nodes.size(), 3u);
        const host::NodeFigures &ao = nodes[0].second;
        // Every camera ray below the horizon hits the floor and evaluates AO once.
        EXPECT_EQ(nodes[0].first->name(), "AO");
        EXPECT_EQ(ao.evaluations, 16u * 8u);
        EXPECT_EQ(ao.rays(), ao.evaluations * 8u);
        EXPECT_EQ(ao.rays(), figures.secondaryRays);
        EXPECT_GT(ao.seconds, 0.0);
        EXPECT_EQ(nodes[1].second.evaluations, 0u);  // Grey feeds nothing
        // Taking starts afresh.
        EXPECT_EQ(statistics.take()[0].second.evaluations, 0u);
    }
    // Without a collector nothing is counted, and a new one may start.
    render::renderFrame(*tracer, options, image);
    host::EvaluationStatistics again(graphs);
    EXPECT_EQ(again.take()[0].second.evaluations, 0u);
    scene->renderEnd();
}

TEST_F(BenchTools, RepeatedLabelsAreNamedByTheirPanelPath) {
    host::ModuleNode &ao = host.addNode(graph, "Ambient Occlusion");
    host::Panel &panel = *ao.panel();
    std::map<std::string, int> labels;
    for (const auto &control : panel.controls())
        ++labels[control.label];
    int repeated = 0;
    for (const auto &control : panel.controls()) {
        if (control.label.empty()) continue;
        const std::string path = panel.pathOf(control.id);
        EXPECT_EQ(panel.find(path)->id, control.id) << path;
        if (labels[control.label] > 1) {
            ++repeated;
            EXPECT_NE(path, control.label);
            EXPECT_NE(path.rfind("0x", 0), 0u) << control.label << " has no readable name";
            EXPECT_THROW(panel.find(control.label), host::Error);
        }
    }
    EXPECT_GT(repeated, 0);
    try {
        panel.find("Sampels");
        FAIL() << "a misspelt label was found";
    } catch (const host::Error &error) {
        EXPECT_NE(std::string(error.what()).find("did you mean \"Samples\"?"), std::string::npos)
            << error.what();
    }
}

TEST_F(BenchTools, ReadableSavesNameNoIdsAndReloadTheSame) {
    json document = floorScene(16);
    document["surfaces"]["Floor"]["nodes"][0]["settings"] = {
        {"Mode", "Polar"}, {"0x8008", 2.5}, {"Shift", {{"keys", {{0, 0}, {1, 0.5}}}}}};
    const auto file = std::filesystem::temp_directory_path() / "orv-readable-save.json";
    std::ofstream(file) << document.dump();
    scene = host::Scene::load(host, file);
    scene->saveTo(file, host::Scene::SaveForm::Settings);
    std::ifstream in(file);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text.find("0x"), std::string::npos) << text;
    EXPECT_EQ(text.find("\"data\""), std::string::npos) << text;

    auto reread = host::Scene::load(host, file);
    EXPECT_EQ(reread->save(false), scene->save(false));
    // Panel order: the mode before the values it governs.
    EXPECT_LT(text.find("\"Mode\""), text.find("\"Shift\""));
    std::filesystem::remove(file);
}

}  // namespace
