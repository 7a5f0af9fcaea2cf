// The tracer against bare Embree on the same rays, Ambient Occlusion's own
// cost beside a real cast, and whole renders with one and two threads.
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

// A loaded scene and its tracer.
struct LoadedScene {
    std::unique_ptr<host::Scene> scene;
    std::unique_ptr<render::Tracer> tracer;

    LoadedScene(host::Host &host, const char *file) {
        scene = host::Scene::load(host, sourcePath(file));
        tracer = std::make_unique<render::Tracer>(
            render::parseSceneDescription(scene->document(), scene->file(), scene->surfaceIndex()),
            scene->shaders());
        scene->renderStart();
        scene->newTime(1);
    }
};

struct Fixture {
    host::Host host{modulePath()};
    LoadedScene demo{host, "scenes/demo.json"};
    LoadedScene occlusion{host, "scenes/occlusion.json"};
    host::Graph graph{"Bench"};
    host::ModuleNode &ao = host.addNode(graph, "Ambient Occlusion");
};

Fixture &fixture() {
    static Fixture instance;
    return instance;
}

// Rays from spots on the occlusion scene's ground into the sky above them,
// as occlusion fires them.
struct RaySet {
    std::vector<HostSample> spots;
    std::vector<render::SpotContext> contexts;
    std::vector<render::Vec> directions;
    render::ThreadState thread;

    explicit RaySet(const render::Tracer &tracer, std::size_t count = 4096) {
        std::mt19937 random(7);
        std::uniform_real_distribution<double> unit(-1.0, 1.0);
        contexts.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            const render::Vec origin{unit(random) * 3, 5.0, unit(random) * 2};
            render::Tracer::Hit hit;
            tracer.intersect(origin, {0, -1, 0}, 1e30, {}, hit);
            contexts[i].thread = &thread;
            spots.push_back(
                tracer.spotSample(origin, {0, -1, 0}, hit, 0, 0, 1.0, 0.01, 0, 0, contexts[i]));
            render::Vec d{unit(random), std::fabs(unit(random)) + 0.05, unit(random)};
            const double l = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
            for (double &c : d)
                c /= l;
            directions.push_back(d);
        }
    }
};

// The nearest hit's object along a ray, by Embree alone: the reference the
// host's cast is measured against.
unsigned bareIntersect(RTCScene scene, const double origin[3], const render::Vec &d) {
    RTCIntersectContext context;
    rtcInitIntersectContext(&context);
    RTCRayHit rayhit{};
    rayhit.ray.org_x = static_cast<float>(origin[0]);
    rayhit.ray.org_y = static_cast<float>(origin[1]);
    rayhit.ray.org_z = static_cast<float>(origin[2]);
    rayhit.ray.dir_x = static_cast<float>(d[0]);
    rayhit.ray.dir_y = static_cast<float>(d[1]);
    rayhit.ray.dir_z = static_cast<float>(d[2]);
    rayhit.ray.tnear = 1e-4f;
    rayhit.ray.tfar = 3e38f;
    rayhit.ray.mask = 0xffffffffu;
    rayhit.hit.geomID = RTC_INVALID_GEOMETRY_ID;
    rtcIntersect1(scene, &context, &rayhit);
    return rayhit.hit.geomID;
}

void BM_HostCast(benchmark::State &state) {
    static RaySet rays(*fixture().occlusion.tracer);
    std::size_t i = 0;
    for (auto _ : state) {
        HostSample &spot = rays.spots[i];
        benchmark::DoNotOptimize(spot.cast(&spot, spot.worldPosition, rays.directions[i].data()));
        i = (i + 1) % rays.spots.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HostCast);

void BM_EmbreeIntersect1(benchmark::State &state) {
    static RaySet rays(*fixture().occlusion.tracer);
    const RTCScene scene = fixture().occlusion.tracer->embreeScene();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            bareIntersect(scene, rays.spots[i].worldPosition, rays.directions[i]));
        i = (i + 1) % rays.spots.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EmbreeIntersect1);

// Rays as an occlusion render fires them: 27 from each spot the camera sees,
// spot after spot across the image, so that neighbouring rays share the
// tree's top. Bare Embree on these rays is the render's own reference.
struct RenderOrderRays {
    std::vector<HostSample> spots;
    std::vector<render::SpotContext> contexts;
    std::vector<render::Vec> directions;  // 27 a spot
    render::ThreadState thread;
    static constexpr int kPerSpot = 27;

    explicit RenderOrderRays(const render::Tracer &tracer) {
        std::mt19937 random(5);
        std::uniform_real_distribution<double> unit(-1.0, 1.0);
        const render::Camera &camera = tracer.scene().camera;
        contexts.reserve(64 * 48);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) {
                render::Vec origin, direction;
                tracer.cameraRay((x + 0.5) * camera.width / 64.0, (y + 0.5) * camera.height / 48.0,
                                 origin, direction);
                render::Tracer::Hit hit;
                if (!tracer.intersect(origin, direction, 1e30, {}, hit)) continue;
                contexts.emplace_back().thread = &thread;
                spots.push_back(tracer.spotSample(origin, direction, hit, 0, 0, 1.0, 0.01, x, y,
                                                  contexts.back()));
                const double *n = spots.back().shadingNormal;
                for (int k = 0; k < kPerSpot; ++k) {
                    render::Vec d;
                    double dot, l;
                    do {
                        d = {unit(random), unit(random), unit(random)};
                        l = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
                        dot = d[0] * n[0] + d[1] * n[1] + d[2] * n[2];
                    } while (l > 1.0 || l < 0.1 || dot <= 0.0);
                    directions.push_back({d[0] / l, d[1] / l, d[2] / l});
                }
            }
    }
};

RenderOrderRays &renderOrderRays() {
    static RenderOrderRays rays(*fixture().occlusion.tracer);
    return rays;
}

void BM_HostCastRenderOrder(benchmark::State &state) {
    RenderOrderRays &rays = renderOrderRays();
    std::size_t i = 0;
    for (auto _ : state) {
        HostSample &spot = rays.spots[i / RenderOrderRays::kPerSpot];
        benchmark::DoNotOptimize(spot.cast(&spot, spot.worldPosition, rays.directions[i].data()));
        i = (i + 1) % rays.directions.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HostCastRenderOrder);

void BM_EmbreeIntersect1RenderOrder(benchmark::State &state) {
    RenderOrderRays &rays = renderOrderRays();
    const RTCScene scene = fixture().occlusion.tracer->embreeScene();
    std::size_t i = 0;
    for (auto _ : state) {
        const HostSample &spot = rays.spots[i / RenderOrderRays::kPerSpot];
        benchmark::DoNotOptimize(bareIntersect(scene, spot.worldPosition, rays.directions[i]));
        i = (i + 1) % rays.directions.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EmbreeIntersect1RenderOrder);

// Ambient Occlusion's 27 rays: with a cast that returns at once (the node's
// own work), and with the tracer's real cast.
void occlusionPerRay(benchmark::State &state, bool realCast) {
    static RaySet rays(*fixture().occlusion.tracer, 256);
    host::OutputConnector &out = fixture().ao.requireOutput("Color");
    std::size_t i = 0;
    for (auto _ : state) {
        HostSample spot = rays.spots[i];
        if (!realCast)
            spot.cast = [](const HostSample *, const double *, const double *d) {
                return d[1] > 0.5 ? 1.0 : -1.0;
            };
        double color[3];
        host::evaluateOutput(out, spot, HOST_NOT_COLOR, color);
        benchmark::DoNotOptimize(color);
        i = (i + 1) % rays.spots.size();
    }
    state.SetItemsProcessed(state.iterations() * 27);  // items: rays
}
void BM_OcclusionOwnCost(benchmark::State &state) {
    occlusionPerRay(state, false);
}
void BM_OcclusionWithRealCasts(benchmark::State &state) {
    occlusionPerRay(state, true);
}
BENCHMARK(BM_OcclusionOwnCost);
BENCHMARK(BM_OcclusionWithRealCasts);

void renderScene(benchmark::State &state, LoadedScene &loaded) {
    render::RenderOptions options;
    options.threads = static_cast<int>(state.range(0));
    render::RenderStatistics total;
    for (auto _ : state) {
        render::Image image;
        const auto statistics = render::renderFrame(*loaded.tracer, options, image);
        total.primaryRays += statistics.primaryRays;
        total.secondaryRays += statistics.secondaryRays;
    }
    state.counters["primary_rays_per_s"] =
        benchmark::Counter(static_cast<double>(total.primaryRays), benchmark::Counter::kIsRate);
    state.counters["secondary_rays_per_s"] =
        benchmark::Counter(static_cast<double>(total.secondaryRays), benchmark::Counter::kIsRate);
}
void BM_RenderDemo(benchmark::State &state) {
    renderScene(state, fixture().demo);
}
void BM_RenderOcclusion(benchmark::State &state) {
    renderScene(state, fixture().occlusion);
}
BENCHMARK(BM_RenderDemo)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderOcclusion)
    ->Arg(1)
    ->Arg(2)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
