// Node evaluation through the host, as a renderer calls it: the host's
// evaluate of an output, the module's evaluate, its input and output calls.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "host/host.h"
#include "host/native_nodes.h"
#include "host/sample.h"

namespace {

std::filesystem::path modulePath() {
    const char *path = std::getenv("ORV_MODULE");
    return path ? std::filesystem::path(path) : host::Host::defaultModulePath();
}

// One host for the whole run: the module loads once, as in a render.
struct Fixture {
    host::Host host{modulePath()};
    host::Graph graph{"Bench"};
    host::ModuleNode &sqrt = host.addNode(graph, "Sqrt");
    host::ModuleNode &occlusion = host.addNode(graph, "Ambient Occlusion");
    host::ModuleNode &random = host.addNode(graph, "Random");
    HostSample sample = host::emptySpaceSample();
};

Fixture &fixture() {
    static Fixture instance;
    return instance;
}

void BM_SqrtEvaluate(benchmark::State &state) {
    Fixture &f = fixture();
    host::OutputConnector &out = *f.sqrt.outputs().front();
    double value = 0.0;
    for (auto _ : state) {
        host::evaluateOutput(out, f.sample, HOST_NOT_SCALAR, &value);
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(BM_SqrtEvaluate);

void BM_RandomEvaluate(benchmark::State &state) {
    Fixture &f = fixture();
    host::OutputConnector &out = *f.random.outputs().front();
    double value = 0.0;
    for (auto _ : state) {
        host::evaluateOutput(out, f.sample, HOST_NOT_SCALAR, &value);
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(BM_RandomEvaluate);

// Ambient Occlusion's own cost: 27 rays whose cast returns at once.
void BM_OcclusionOwnCostPerRay(benchmark::State &state) {
    Fixture &f = fixture();
    HostSample sample = f.sample;
    sample.cast = [](const HostSample *, const double *, const double *d) {
        return d[1] > 0.5 ? 1.0 : -1.0;
    };
    host::OutputConnector &out = f.occlusion.requireOutput("Color");
    double value[3];
    for (auto _ : state) {
        host::evaluateOutput(out, sample, HOST_NOT_COLOR, value);
        benchmark::DoNotOptimize(value);
    }
    state.SetItemsProcessed(state.iterations() * 27);  // items: rays
}
BENCHMARK(BM_OcclusionOwnCostPerRay);

}  // namespace

BENCHMARK_MAIN();
