// What watertight casting and rays started off the surface cost: the smooth
// torus occlusion scene rendered with each of them on and off, side by side
// in one run (one thread, a small frame).
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "host/raytracer/renderer.h"
#include "host/scene/host.h"
#include "host/scene/scene.h"

namespace {

std::filesystem::path modulePath() {
    const char *path = std::getenv("ORV_MODULE");
    return path ? std::filesystem::path(path) : host::Host::defaultModulePath();
}

struct Torus {
    host::Host host{modulePath()};
    std::unique_ptr<host::Scene> scene = host::Scene::load(
        host, std::filesystem::path(ORV_SOURCE_DIR) / "scenes/torus_occlusion.json");
};

Torus &torus() {
    static Torus instance;
    return instance;
}

void renderTorus(benchmark::State &state) {
    Torus &t = torus();
    render::SceneDescription description = render::parseSceneDescription(
        t.scene->document(), t.scene->file(), t.scene->surfaceIndex());
    description.camera.width = 160;
    description.camera.height = 108;
    render::TracerOptions options;
    options.watertight = state.range(0) != 0;
    options.offsetOrigins = state.range(1) != 0;
    render::Tracer tracer(std::move(description), t.scene->shaders(), options);
    t.scene->renderStart();
    t.scene->newTime(1);
    render::RenderOptions renderOptions;
    renderOptions.threads = 1;
    std::uint64_t rays = 0;
    for (auto _ : state) {
        render::Image image;
        const render::RenderStatistics statistics =
            render::renderFrame(tracer, renderOptions, image);
        rays += statistics.primaryRays + statistics.secondaryRays;
    }
    t.scene->renderEnd();
    state.counters["rays/s"] =
        benchmark::Counter(static_cast<double>(rays), benchmark::Counter::kIsRate);
}

// Arguments: watertight, offset. {0, 0} is the reference.
BENCHMARK(renderTorus)
    ->ArgNames({"watertight", "offset"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
