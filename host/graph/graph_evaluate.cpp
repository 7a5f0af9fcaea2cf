// Pulling a value along a connection. Every evaluation lives on the calling
// thread's stack; the only state is that thread's nesting depth.
#include <atomic>
#include <mutex>
#include <utility>

#include "host/base/error.h"
#include "host/graph/graph.h"

namespace host {
namespace {

thread_local int evaluationDepth = 0;
thread_local bool cutOff = false;

// The first cut since the last report; the lock is taken only on that path.
std::atomic<bool> limitReached{false};
std::mutex reportMutex;
std::string reportedNode;

void noteCut(const Node &node) {
    cutOff = true;
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
    output.node->evaluate(sample, output, slot);
    return slot.delivered();
}

bool evaluateInput(const InputConnector &input, HostSample &sample, void *value) {
    if (!input.source || !value) return false;
    DepthGuard depth;
    if (depth.refuses(*input.source->node)) return false;
    ValueSlot slot(input.source->type, input.type, value);
    input.source->node->evaluate(sample, *input.source, slot);
    // Connected counts as evaluated even when the upstream node delivered
    // nothing for this output: the value then keeps what the caller preset.
    return true;
}

}  // namespace host
