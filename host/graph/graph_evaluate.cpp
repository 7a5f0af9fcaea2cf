// Pulling a value along a connection. Every evaluation lives on the calling
// thread's stack; the only state is that thread's nesting depth.
#include <atomic>

#include "host/graph/evaluation_statistics.h"
#include "host/graph/graph.h"

namespace host {
namespace {

thread_local int evaluationDepth = 0;
// Evaluations the depth limit cut off, for the host to report after a run;
// touched only on that rare path.
std::atomic<std::uint64_t> cutOff{0};
// Rays this thread's ray operations fired, and the most one evaluation fired
// beyond the warning level (0 while none did).
thread_local std::uint64_t raysFired = 0;
std::atomic<std::uint64_t> heaviest{0};

void noteRays(std::uint64_t before) {
    const std::uint64_t fired = raysFired - before;
    if (fired <= kRaysPerEvaluationWarning) return;
    std::uint64_t seen = heaviest.load(std::memory_order_relaxed);
    while (fired > seen &&
           !heaviest.compare_exchange_weak(seen, fired, std::memory_order_relaxed)) {
    }
}

// Counts one nesting level for as long as an evaluation runs.
class DepthGuard {
  public:
    DepthGuard() { ++evaluationDepth; }
    ~DepthGuard() { --evaluationDepth; }
    DepthGuard(const DepthGuard &) = delete;
    DepthGuard &operator=(const DepthGuard &) = delete;
    bool tooDeep() const {
        if (evaluationDepth <= kMaxEvaluationDepth) return false;
        cutOff.fetch_add(1, std::memory_order_relaxed);
        return true;
    }
};

}  // namespace

bool evaluateOutput(OutputConnector &output, HostSample &sample, int receivingType, void *value) {
    if (!value || !typesConnect(output.type, receivingType)) return false;
    DepthGuard depth;
    if (depth.tooDeep()) return false;
    ValueSlot slot(output.type, receivingType, value);
    const std::uint64_t before = raysFired;
    if (EvaluationStatistics *statistics = activeStatistics()) [[unlikely]]
        evaluateCounted(*statistics, output, sample, slot);
    else
        output.node->evaluate(sample, output, slot);
    noteRays(before);
    return slot.delivered();
}

bool evaluateInput(const InputConnector &input, HostSample &sample, void *value) {
    if (!input.source || !value) return false;
    DepthGuard depth;
    if (depth.tooDeep()) return false;
    ValueSlot slot(input.source->type, input.type, value);
    const std::uint64_t before = raysFired;
    if (EvaluationStatistics *statistics = activeStatistics()) [[unlikely]]
        evaluateCounted(*statistics, *input.source, sample, slot);
    else
        input.source->node->evaluate(sample, *input.source, slot);
    noteRays(before);
    // Connected counts as evaluated even when the upstream node delivered
    // nothing for this output: the value then keeps what the caller preset.
    return true;
}

void countRay() {
    ++raysFired;
}

std::uint64_t heaviestEvaluation() {
    return heaviest.load(std::memory_order_relaxed);
}

std::uint64_t evaluationsCutOff() {
    return cutOff.load(std::memory_order_relaxed);
}

}  // namespace host
