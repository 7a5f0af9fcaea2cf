// Node evaluation through the host, as a renderer calls it: the host's
// evaluate of an output, the module's evaluate, its input and output calls.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "host/nodes/native_nodes.h"
#include "host/scene/host.h"
#include "host/services/sample.h"

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

}  // namespace

BENCHMARK_MAIN();
