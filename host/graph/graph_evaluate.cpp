// Pulling a value along a connection. Every evaluation lives on the calling
// thread's stack; the only state is that thread's nesting depth.
#include <atomic>
#include <cstring>
#include <mutex>
#include <utility>

#include "host/base/error.h"
#include "host/graph/evaluation_statistics.h"
#include "host/graph/graph.h"
#include "host/graph/output_capture.h"

namespace host {

thread_local constinit EvaluationThread evaluationThread;

namespace {

// Evaluations the depth limit cut off, for the host to report after a run;
// touched only on that rare path.
std::atomic<std::uint64_t> cutCount{0};
// The most rays one evaluation fired beyond the warning level (0 while none
// did).
std::atomic<std::uint64_t> heaviest{0};

[[gnu::cold, gnu::noinline]] void noteHeavy(std::uint64_t fired) {
    std::uint64_t seen = heaviest.load(std::memory_order_relaxed);
    while (fired > seen &&
           !heaviest.compare_exchange_weak(seen, fired, std::memory_order_relaxed)) {
    }
}

void noteRays(std::uint64_t before) {
    const std::uint64_t fired = evaluationThread.raysFired - before;
    if (fired > kRaysPerEvaluationWarning) [[unlikely]]
        noteHeavy(fired);
}

// The first cut since the last report; the lock is taken only on that path.
std::atomic<bool> limitReached{false};
std::mutex reportMutex;
std::string reportedNode;

[[gnu::cold, gnu::noinline]] void noteCut(const Node &node) {
    evaluationThread.cutOff = true;
    cutCount.fetch_add(1, std::memory_order_relaxed);
    if (limitReached.exchange(true)) return;
    std::lock_guard lock(reportMutex);
    reportedNode = inQuotes(node.name()) + " (" + node.kindName() + ") in graph " +
                   inQuotes(node.graph().name());
}

// Counts one nesting level for as long as an evaluation runs. Once a cut
// off evaluation has unwound to the top, the thread evaluates afresh.
class DepthGuard {
  public:
    DepthGuard() : thread_(evaluationThread) { ++thread_.depth; }
    ~DepthGuard() {
        if (--thread_.depth == 0) thread_.cutOff = false;
    }
    DepthGuard(const DepthGuard &) = delete;
    DepthGuard &operator=(const DepthGuard &) = delete;
    // True, noting the cut, when the node must not be evaluated here.
    bool refuses(const Node &node) const {
        if (thread_.cutOff) [[unlikely]]
            return true;
        if (thread_.depth <= kMaxEvaluationDepth) [[likely]]
            return false;
        noteCut(node);
        return true;
    }
    std::uint64_t raysFired() const { return thread_.raysFired; }

  private:
    EvaluationThread &thread_;
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

[[gnu::always_inline]] inline void runEvaluate(OutputConnector &source, HostSample &sample,
                                               ValueSlot &slot) {
    if (EvaluationStatistics *statistics = activeStatistics()) [[unlikely]]
        evaluateCounted(*statistics, source, sample, slot);
    else if (source.moduleEvaluate) [[likely]]
        source.moduleEvaluate(source.moduleInstance, &sample, source.id(), slot.id());
    else
        source.node->evaluate(sample, source, slot);
}

bool numericType(int type) {
    return type >= HOST_NOT_COLOR && type <= HOST_NOT_INTEGER;
}

// The watched output evaluated once in its own type, its value kept, then
// handed on to the receiver as it would have been; false when the
// evaluation is not one the capture watches.
[[gnu::cold, gnu::noinline]] bool evaluateCaptured(OutputCapture &capture, OutputConnector &source,
                                                   HostSample &sample, ValueSlot &slot) {
    if (&sample != capture.sample || !numericType(source.type)) return false;
    std::size_t at = 0;
    while (at < capture.outputs.size() && capture.outputs[at] != &source)
        ++at;
    if (at == capture.outputs.size() || capture.values[at].taken) return false;
    double own[3] = {};
    ValueSlot ownSlot(source.type, source.type, own);
    runEvaluate(source, sample, ownSlot);
    if (!ownSlot.delivered()) return true;
    CapturedValue &kept = capture.values[at];
    kept.taken = true;
    if (source.type == HOST_NOT_INTEGER) {
        std::int32_t whole;
        std::memcpy(&whole, own, sizeof whole);
        kept.value[0] = whole;
    } else {
        for (int c = 0; c < valueSize(source.type); ++c)
            kept.value[c] = own[c];
    }
    slot.deliver(own);
    return true;
}

// Has the node behind source deliver into slot, one nesting level down;
// false when the depth limit refuses it.
[[gnu::always_inline]] inline bool evaluateInto(OutputConnector &source, HostSample &sample,
                                                ValueSlot &slot) {
    DepthGuard depth;
    if (depth.refuses(*source.node)) return false;
    const std::uint64_t before = depth.raysFired();
    OutputCapture *capture = evaluationThread.capture;
    if (!capture || !evaluateCaptured(*capture, source, sample, slot)) [[likely]]
        runEvaluate(source, sample, slot);
    noteRays(before);
    return true;
}

bool evaluateOutput(OutputConnector &output, HostSample &sample, int receivingType, void *value) {
    if (!value || !typesConnect(output.type, receivingType)) return false;
    ValueSlot slot(output.type, receivingType, value);
    return evaluateInto(output, sample, slot) && slot.delivered();
}

bool evaluateInput(const InputConnector &input, HostSample &sample, void *value) {
    if (!input.source || !value) return false;
    ValueSlot slot(input.source->type, input.type, value);
    // Connected counts as evaluated even when the upstream node delivered
    // nothing for this output: the value then keeps what the caller preset.
    return evaluateInto(*input.source, sample, slot);
}

std::uint64_t heaviestEvaluation() {
    return heaviest.load(std::memory_order_relaxed);
}

std::uint64_t evaluationsCutOff() {
    return cutCount.load(std::memory_order_relaxed);
}

}  // namespace host
