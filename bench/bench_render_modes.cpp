// The occlusion scene rendered three ways in one run: tiles fixed per thread
// (the default, repeatable), tiles to whichever thread is free, and fixed
// tiles with per-node statistics collected.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "host/graph/evaluation_statistics.h"
#include "host/raytracer/renderer.h"
#include "host/scene/host.h"
#include "host/scene/scene.h"
#include "host/services/sample.h"

namespace {

std::filesystem::path modulePath() {
    const char *path = std::getenv("ORV_MODULE");
    return path ? std::filesystem::path(path) : host::Host::defaultModulePath();
}

struct Occlusion {
    host::Host host{modulePath()};
    std::unique_ptr<host::Scene> scene;
    std::unique_ptr<render::Tracer> tracer;

    Occlusion() {
        scene = host::Scene::load(host,
                                  std::filesystem::path(ORV_SOURCE_DIR) / "scenes/occlusion.json");
        render::SceneDescription description =
            render::parseSceneDescription(scene->document(), scene->file(), scene->surfaceIndex());
        description.camera.width = 320;
        description.camera.height = 200;
        tracer = std::make_unique<render::Tracer>(std::move(description), scene->shaders());
        scene->renderStart();
        scene->newTime(1);
    }
};

Occlusion &occlusion() {
    static Occlusion instance;
    return instance;
}

void renderOcclusion(benchmark::State &state, bool dynamicTiles, bool statistics) {
    Occlusion &scene = occlusion();
    render::RenderOptions options;
    options.threads = static_cast<int>(state.range(0));
    options.dynamicTiles = dynamicTiles;
    std::unique_ptr<host::EvaluationStatistics> collector;
    if (statistics) {
        const std::vector<host::Graph *> all = scene.scene->graphs();
        const std::vector<const host::Graph *> graphs(all.begin(), all.end());
        collector = std::make_unique<host::EvaluationStatistics>(graphs);
    }
    for (auto _ : state) {
        render::Image image;
        render::renderFrame(*scene.tracer, options, image);
        if (collector) benchmark::DoNotOptimize(collector->take());
    }
}

void BM_OcclusionFixedTiles(benchmark::State &state) {
    renderOcclusion(state, false, false);
}
void BM_OcclusionDynamicTiles(benchmark::State &state) {
    renderOcclusion(state, true, false);
}
void BM_OcclusionFixedTilesWithStatistics(benchmark::State &state) {
    renderOcclusion(state, false, true);
}
BENCHMARK(BM_OcclusionFixedTiles)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OcclusionDynamicTiles)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OcclusionFixedTilesWithStatistics)
    ->Arg(2)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The statistics hook when off: one cheap node evaluated through the graph,
// which asks for a collector, beside the node's own evaluate called as the
// graph would call it. The difference bounds what the hook costs.
struct CheapNode {
    host::Graph graph{"Bench"};
    host::ModuleNode &sqrt = occlusion().host.addNode(graph, "Sqrt");
    host::OutputConnector &output = *sqrt.outputs().front();
    HostSample sample = host::emptySpaceSample();
};

void BM_EvaluateThroughGraph(benchmark::State &state) {
    static CheapNode node;
    double value[HOST_MATERIAL_DOUBLES] = {};
    for (auto _ : state) {
        host::evaluateOutput(node.output, node.sample, node.output.type, value);
        benchmark::DoNotOptimize(value);
    }
}
void BM_EvaluateDirectly(benchmark::State &state) {
    static CheapNode node;
    double value[HOST_MATERIAL_DOUBLES] = {};
    for (auto _ : state) {
        host::ValueSlot slot(node.output.type, node.output.type, value);
        node.sqrt.evaluate(node.sample, node.output, slot);
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(BM_EvaluateThroughGraph);
BENCHMARK(BM_EvaluateDirectly);

}  // namespace

BENCHMARK_MAIN();
