// Pulling a value along a connection. Every evaluation lives on the calling
// thread's stack; the only state is that thread's nesting depth.
#include <atomic>
#include <mutex>
#include <utility>

#include "host/base/error.h"
#include "host/graph/evaluation_statistics.h"
#include "host/graph/graph.h"

namespace host {

thread_local constinit std::uint64_t raysFired = 0;

namespace {

thread_local int evaluationDepth = 0;
// Evaluations the depth limit cut off, for the host to report after a run;
// touched only on that rare path.
std::atomic<std::uint64_t> cutCount{0};
// The most rays one evaluation fired beyond the warning level (0 while none
// did).
std::atomic<std::uint64_t> heaviest{0};

void noteRays(std::uint64_t before) {
    const std::uint64_t fired = raysFired - before;
    if (fired <= kRaysPerEvaluationWarning) return;
    std::uint64_t seen = heaviest.load(std::memory_order_relaxed);
    while (fired > seen &&
           !heaviest.compare_exchange_weak(seen, fired, std::memory_order_relaxed)) {
    }
}

// Set once this thread's evaluation went too deep: the nodes above unwind at
// once instead of each going to the limit again.
thread_local bool cutOff = false;

// The first cut since the last report; the lock is taken only on that path.
std::atomic<bool> limitReached{false};
std::mutex reportMutex;
std::string reportedNode;

void noteCut(const Node &node) {
    cutOff = true;
    cutCount.fetch_add(1, std::memory_order_relaxed);
    if (limitReached.exchange(true)) return;
    std::lock_guard lock(reportMutex);
    reportedNode = inQuotes(node.name()) + " (" + node.kindName() + ") in graph " +
                   inQuotes(node.graph().name());
}

// Counts one nesting level for as long as an evaluation runs.
class DepthGuard {
  public:
    DepthGuard() { ++evaluationDepth; }
    ~DepthGuard() {
        if (--evaluationDepth == 0) cutOff = false;
    }
    DepthGuard(const DepthGuard &) = delete;
    DepthGuard &operator=(const DepthGuard &) = delete;
    // True, noting the cut, when the node must not be evaluated here.
    bool refuses(const Node &node) const {
        if (cutOff) return true;
        if (evaluationDepth <= kMaxEvaluationDepth) return false;
        noteCut(node);
        return true;
    }
};

}  // namespace

std::string takeDepthLimitReport() {
    if (!limitReached.load()) return {};
    std::lock_guard lock(reportMutex);
    limitReached = false;
    return std::exchange(reportedNode, {});
}

void checkDepthLimit(const std::string &where) {
    const std::string node = takeDepthLimitReport();
    if (node.empty()) return;
    throw Error(where + ": a graph feeds itself: evaluating node " + node + " nested deeper than " +
                std::to_string(kMaxEvaluationDepth) +
                " levels and was cut off (a Get Material fetching a store whose inputs lead back "
                "to it, or a nested graph that reaches its own Group Node?)");
}

bool evaluateOutput(OutputConnector &output, HostSample &sample, int receivingType, void *value) {
    if (!value || !typesConnect(output.type, receivingType)) return false;
    DepthGuard depth;
    if (depth.refuses(*output.node)) return false;
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
    if (depth.refuses(*input.source->node)) return false;
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

std::uint64_t heaviestEvaluation() {
    return heaviest.load(std::memory_order_relaxed);
}

std::uint64_t evaluationsCutOff() {
    return cutCount.load(std::memory_order_relaxed);
}

}  // namespace host
