// Pulling a value along a connection. Every evaluation lives on the calling
// thread's stack; the only state is that thread's nesting depth.
#include "host/graph/evaluation_statistics.h"
#include "host/graph/graph.h"

namespace host {
namespace {

thread_local int evaluationDepth = 0;

// Counts one nesting level for as long as an evaluation runs.
class DepthGuard {
  public:
    DepthGuard() { ++evaluationDepth; }
    ~DepthGuard() { --evaluationDepth; }
    DepthGuard(const DepthGuard &) = delete;
    DepthGuard &operator=(const DepthGuard &) = delete;
    bool tooDeep() const { return evaluationDepth > kMaxEvaluationDepth; }
};

}  // namespace

bool evaluateOutput(OutputConnector &output, HostSample &sample, int receivingType, void *value) {
    if (!value || !typesConnect(output.type, receivingType)) return false;
    DepthGuard depth;
    if (depth.tooDeep()) return false;
    ValueSlot slot(output.type, receivingType, value);
    if (EvaluationStatistics *statistics = activeStatistics()) [[unlikely]]
        evaluateCounted(*statistics, output, sample, slot);
    else
        output.node->evaluate(sample, output, slot);
    return slot.delivered();
}

bool evaluateInput(const InputConnector &input, HostSample &sample, void *value) {
    if (!input.source || !value) return false;
    DepthGuard depth;
    if (depth.tooDeep()) return false;
    ValueSlot slot(input.source->type, input.type, value);
    if (EvaluationStatistics *statistics = activeStatistics()) [[unlikely]]
        evaluateCounted(*statistics, *input.source, sample, slot);
    else
        input.source->node->evaluate(sample, *input.source, slot);
    // Connected counts as evaluated even when the upstream node delivered
    // nothing for this output: the value then keeps what the caller preset.
    return true;
}

}  // namespace host
