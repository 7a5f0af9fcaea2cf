// Gaussian Reflections' own cost per sample (a trace that returns at once)
// beside the same evaluation with the tracer's real traces, the image list's
// filtered spot lookup, and the blurred-reflection demo rendered with one and
// two threads.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>

#include "host/raytracer/renderer.h"
#include "host/scene/host.h"
#include "host/scene/scene.h"

namespace {

std::filesystem::path sourcePath(const char *relative) {
    return std::filesystem::path(ORV_SOURCE_DIR) / relative;
}

std::filesystem::path modulePath() {
    const char *path = std::getenv("ORV_MODULE");
    return path ? std::filesystem::path(path) : host::Host::defaultModulePath();
}

struct Fixture {
    host::Host host{modulePath()};
    std::unique_ptr<host::Scene> scene =
        host::Scene::load(host, sourcePath("scenes/blurred_reflections.json"));
    render::Tracer tracer{
        render::parseSceneDescription(scene->document(), scene->file(), scene->surfaceIndex()),
        scene->shaders()};
    host::Graph graph{"Bench"};
    host::ModuleNode &reflections = host.addNode(graph, "Gaussian Reflections");
    HostImageID sky = host.services().images().load(sourcePath("scenes/env/sky.exr").string());
    std::vector<HostSample> spots;
    std::vector<render::SpotContext> contexts;
    render::ThreadState thread;

    Fixture() {
        host::applySetting(reflections, "Reflection Blur", nlohmann::json("10%"));
        host::applySetting(reflections, "Samples", nlohmann::json("16"));
        scene->renderStart();
        scene->newTime(1);
        // Spots on the three balls, seen from the camera's side.
        std::mt19937 random(7);
        std::uniform_real_distribution<double> across(-2.6, 2.6), up(0.3, 1.4);
        contexts.resize(256);
        for (render::SpotContext &context : contexts) {
            const render::Vec origin{across(random), up(random), 6.0};
            render::Tracer::Hit hit;
            if (!tracer.intersect(origin, {0, 0, -1}, 1e30, {}, hit)) continue;
            context.thread = &thread;
            spots.push_back(
                tracer.spotSample(origin, {0, 0, -1}, hit, 0, 0, 1.0, 0.01, 0, 0, context));
        }
    }
};

Fixture &fixture() {
    static Fixture instance;
    return instance;
}

// Items: reflection samples (16 an evaluation).
void reflectionPerSample(benchmark::State &state, bool realTrace) {
    Fixture &f = fixture();
    host::OutputConnector &out = *f.reflections.outputs().front();
    std::size_t i = 0;
    for (auto _ : state) {
        HostSample spot = f.spots[i];
        if (!realTrace)
            spot.trace = [](const HostSample *, const double *, const double *, double *color,
                            double, std::uint32_t) {
                color[0] = color[1] = color[2] = 0.5;
                return 1.0;
            };
        double color[3];
        host::evaluateOutput(out, spot, HOST_NOT_COLOR, color);
        benchmark::DoNotOptimize(color);
        i = (i + 1) % f.spots.size();
    }
    state.SetItemsProcessed(state.iterations() * 16);
}
void BM_ReflectionsOwnCost(benchmark::State &state) {
    reflectionPerSample(state, false);
}
void BM_ReflectionsWithRealTraces(benchmark::State &state) {
    reflectionPerSample(state, true);
}
BENCHMARK(BM_ReflectionsOwnCost);
BENCHMARK(BM_ReflectionsWithRealTraces);

// Items: lookups. Arg: the footprint in thousandths of the image.
void BM_SpotLookup(benchmark::State &state) {
    Fixture &f = fixture();
    const HostImageList *images = host::imageListService();
    const double footprint = static_cast<double>(state.range(0)) / 1000.0;
    double u = 0.0;
    for (auto _ : state) {
        double color[3];
        images->spot(f.sky, u, 0.6, footprint, 1, color);
        benchmark::DoNotOptimize(color);
        u += 0.0137;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SpotLookup)->Arg(0)->Arg(10)->Arg(100);

void BM_RenderBlurredReflections(benchmark::State &state) {
    render::RenderOptions options;
    options.threads = static_cast<int>(state.range(0));
    for (auto _ : state) {
        render::Image image;
        render::renderFrame(fixture().tracer, options, image);
    }
}
BENCHMARK(BM_RenderBlurredReflections)
    ->Arg(1)
    ->Arg(2)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
