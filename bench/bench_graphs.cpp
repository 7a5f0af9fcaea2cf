// Reading and saving a long graph: a chain of Sqrt nodes of 1,000 nodes (the
// reference, as scenes come) and of 100,000, read from its file and written
// back as text data and as readable settings. Per-node times should match;
// peak memory is the process's after each run.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "host/base/replaced_file.h"
#include "host/scene/host.h"
#include "host/scene/scene.h"

namespace {

namespace fs = std::filesystem;

fs::path modulePath() {
    const char *path = std::getenv("ORV_MODULE");
    return path ? fs::path(path) : host::Host::defaultModulePath();
}

host::Host &sharedHost() {
    static host::Host instance{modulePath()};
    return instance;
}

fs::path folder() {
    static const fs::path made = [] {
        fs::path path =
            fs::temp_directory_path() / ("orv-bench-graphs-" + std::to_string(getpid()));
        fs::create_directories(path);
        return path;
    }();
    return made;
}

// The chain's scene file, written once per length.
fs::path chainFile(long nodes) {
    const fs::path file = folder() / ("chain-" + std::to_string(nodes) + ".json");
    if (fs::exists(file)) return file;
    std::ofstream out(file);
    out << "{\"graphs\": {\"Chain\": {\"nodes\": [\n";
    for (long i = 0; i < nodes; ++i)
        out << (i ? ",\n" : "") << "{\"name\": \"N" << i << "\", \"server\": \"Sqrt\"}";
    out << "],\n\"connections\": [\n";
    for (long i = 1; i < nodes; ++i)
        out << (i > 1 ? ",\n" : "") << "[\"N" << i - 1 << "\", \"Out\", \"N" << i << "\", \"In\"]";
    out << "]}}}\n";
    return file;
}

void countPeak(benchmark::State &state) {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    state.counters["per node"] = benchmark::Counter(
        static_cast<double>(state.range(0)),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void readChain(benchmark::State &state) {
    const fs::path file = chainFile(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(host::Scene::load(sharedHost(), file));
    countPeak(state);
}

// Arguments: nodes, and 1 for readable settings (the default of save).
void saveChain(benchmark::State &state) {
    const fs::path file = chainFile(state.range(0));
    const auto scene = host::Scene::load(sharedHost(), file);
    const auto form =
        state.range(1) ? host::Scene::SaveForm::Settings : host::Scene::SaveForm::Text;
    for (auto _ : state)
        scene->saveTo(folder() / "saved.json", form);
    countPeak(state);
}

BENCHMARK(readChain)->Arg(1'000)->Arg(100'000)->Unit(benchmark::kMillisecond);
BENCHMARK(saveChain)
    ->ArgNames({"nodes", "settings"})
    ->Args({1'000, 0})
    ->Args({100'000, 0})
    ->Args({1'000, 1})
    ->Args({100'000, 1})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
