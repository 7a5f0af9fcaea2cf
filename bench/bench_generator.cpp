// The module-wide generator against std::mt19937, alone and with two threads
// drawing at once.
#include <benchmark/benchmark.h>

#include <random>

#include "nodes/math/generator.h"

namespace {

void BM_StdMt19937(benchmark::State &state) {
    std::mt19937 reference(3);
    for (auto _ : state)
        benchmark::DoNotOptimize(reference());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_StdMt19937);
BENCHMARK(BM_StdMt19937)->Threads(2)->UseRealTime();

// Each benchmark thread draws as one render thread would: by its index.
void BM_ModuleGenerator(benchmark::State &state) {
    if (state.thread_index() == 0) orv::seedGenerator(3);
    const int thread = state.thread_index();
    for (auto _ : state)
        benchmark::DoNotOptimize(orv::nextWord(thread));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ModuleGenerator);
BENCHMARK(BM_ModuleGenerator)->Threads(2)->UseRealTime();

// Render-thread indices beyond the table share one locked state.
void BM_ModuleGeneratorStrayIndex(benchmark::State &state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(orv::nextWord(-1));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ModuleGeneratorStrayIndex);
BENCHMARK(BM_ModuleGeneratorStrayIndex)->Threads(2)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
