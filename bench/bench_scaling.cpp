// How occlusion's cost grows: per ray with the triangles of the mesh it
// fires at (a BVH should make that a slow, logarithmic climb), and per
// evaluation with its ray count (which should be a straight line).
//
// Every spot lies inside a UV sphere, facing its centre, so every ray
// crosses the sphere and ends on its far side: no ray escapes early.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>

#include "host/raytracer/meshes.h"
#include "host/raytracer/tracer.h"
#include "host/scene/host.h"
#include "host/scene/scene.h"

namespace {

std::filesystem::path modulePath() {
    const char *path = std::getenv("ORV_MODULE");
    return path ? std::filesystem::path(path) : host::Host::defaultModulePath();
}

// A plain grey surface: the rays here only ask for distances.
class GreySurface final : public host::SurfaceShader {
  public:
    host::SurfaceChannels shade(HostSample &) const override { return {}; }
};

struct Fixture {
    host::Host host{modulePath()};
    host::Graph graph{"Bench"};
    host::ModuleNode &ao = host.addNode(graph, "Ambient Occlusion");
    GreySurface grey;

    Fixture() {
        host::applySetting(ao, "Ranged", nlohmann::json(0));
        ao.renderStart(0);
        ao.newTime(1, 0.0);
    }
    ~Fixture() { ao.renderEnd(); }

    void setSamples(int samples) { host::applySetting(ao, "Samples", nlohmann::json(samples)); }
};

Fixture &fixture() {
    static Fixture instance;
    return instance;
}

// A sphere of about the given number of triangles (a UV sphere of s
// segments has s² - s of them), and spots on its inside.
struct SphereScene {
    std::unique_ptr<render::Tracer> tracer;
    std::vector<render::SpotContext> contexts;
    std::vector<HostSample> spots;
    render::ThreadState thread;
    std::size_t triangles = 0;

    explicit SphereScene(int approximateTriangles, std::size_t spotCount = 256) {
        const int segments =
            static_cast<int>(std::lround(0.5 + std::sqrt(0.25 + approximateTriangles)));
        render::SceneDescription scene;
        render::Object sphere;
        sphere.name = "Sphere";
        sphere.mesh = render::sphereMesh(1.0, segments + segments % 2);
        triangles = sphere.mesh.indices.size() / 3;
        scene.objects.push_back(std::move(sphere));
        tracer = std::make_unique<render::Tracer>(
            std::move(scene), std::vector<const host::SurfaceShader *>{&fixture().grey});

        std::mt19937 random(3);
        std::normal_distribution<double> gaussian;
        contexts.resize(spotCount);
        spots.reserve(spotCount);
        for (std::size_t i = 0; i < spotCount; ++i) {
            render::Vec d{gaussian(random), gaussian(random), gaussian(random)};
            const double l = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
            for (double &c : d)
                c /= l;
            render::Tracer::Hit hit;
            if (!tracer->intersect({0, 0, 0}, d, 10.0, {}, hit)) continue;
            contexts[i].thread = &thread;
            spots.push_back(
                tracer->spotSample({0, 0, 0}, d, hit, 0, 0, 1.0, 0.001, 0, 0, contexts[i]));
        }
    }
};

SphereScene &sphere(int triangles) {
    static std::map<int, std::unique_ptr<SphereScene>> scenes;
    auto &scene = scenes[triangles];
    if (!scene) scene = std::make_unique<SphereScene>(triangles);
    return *scene;
}

// Evaluations of "Scalar" at the sphere's spots, in turn.
void evaluateAtSpots(benchmark::State &state, SphereScene &scene, int samples) {
    fixture().setSamples(samples);
    host::OutputConnector &out = fixture().ao.requireOutput("Scalar");
    const std::uint64_t raysBefore = scene.thread.secondaryRays;
    std::size_t i = 0;
    double sum = 0.0;
    for (auto _ : state) {
        double value = 0.0;
        host::evaluateOutput(out, scene.spots[i], HOST_NOT_SCALAR, &value);
        sum += value;
        i = (i + 1) % scene.spots.size();
    }
    benchmark::DoNotOptimize(sum);
    const auto rays = static_cast<double>(scene.thread.secondaryRays - raysBefore);
    state.counters["triangles"] = static_cast<double>(scene.triangles);
    // Seconds per ray: printed with its unit prefix ("41n" is 41 ns).
    state.counters["per_ray"] =
        benchmark::Counter(rays, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["rays"] = benchmark::Counter(rays, benchmark::Counter::kAvgIterations);
}

// Cost per ray against triangles, with the default 27 rays.
void BM_OcclusionPerRayByTriangles(benchmark::State &state) {
    evaluateAtSpots(state, sphere(static_cast<int>(state.range(0))), 27);
}
BENCHMARK(BM_OcclusionPerRayByTriangles)->Arg(1000)->Arg(10000)->Arg(100000)->Arg(1000000);

// Cost per evaluation against rays, on the 10 K sphere.
void BM_OcclusionPerEvaluationBySamples(benchmark::State &state) {
    evaluateAtSpots(state, sphere(10000), static_cast<int>(state.range(0)));
}
BENCHMARK(BM_OcclusionPerEvaluationBySamples)->Arg(1)->Arg(4)->Arg(16)->Arg(64)->Arg(256);

}  // namespace

BENCHMARK_MAIN();
