// Figures per node while a collector lives: evaluations, the time spent in
// the node's own evaluate (without the nodes it pulls from and the rays it
// fires; one ray in sixteen is timed, the others count at the mean of those),
// and the rays it cast, traced and shaded through its sample.
//
// Counting costs nothing while no collector lives: evaluation asks one
// pointer. While one lives, each thread counts into a block of its own, so
// the render threads share no counter; take() is called between renders,
// when no evaluation runs.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "host/graph/graph.h"

namespace host {

struct NodeFigures {
    std::uint64_t evaluations = 0;
    std::uint64_t casts = 0, traces = 0, shades = 0;
    double seconds = 0.0;  // inside the node's own evaluate

    std::uint64_t rays() const { return casts + traces + shades; }
    NodeFigures &operator+=(const NodeFigures &other);
};

class EvaluationStatistics {
  public:
    // Counts the nodes of these graphs; evaluations of other nodes are timed
    // as part of whichever counted node pulls them. One collector at a time:
    // throws Error when another lives.
    explicit EvaluationStatistics(std::vector<const Graph *> graphs);
    ~EvaluationStatistics();
    EvaluationStatistics(const EvaluationStatistics &) = delete;
    EvaluationStatistics &operator=(const EvaluationStatistics &) = delete;

    // The figures since the last take, one per node in graph and node order,
    // and a fresh start. Call only while no evaluation runs.
    std::vector<std::pair<const Node *, NodeFigures>> take();

    // For evaluation: the node's slot, -1 when it is not counted.
    int slotOf(const Node *node) const;
    // For evaluation: the calling thread's counters, by slot.
    NodeFigures *threadBlock();

  private:
    std::vector<const Node *> nodes_;
    std::unordered_map<const Node *, int> slots_;
    std::mutex mutex_;  // guards blocks_ and free_, taken once per thread per take
    std::vector<std::unique_ptr<std::vector<NodeFigures>>> blocks_;
    std::vector<std::vector<NodeFigures> *> free_;
    unsigned generation_;
};

namespace statistics_detail {
extern std::atomic<EvaluationStatistics *> live;
}

// The live collector, or null; what evaluation asks, inline so that the
// question costs one load when no collector lives.
inline EvaluationStatistics *activeStatistics() {
    return statistics_detail::live.load(std::memory_order_relaxed);
}

// Evaluates a node's output through the live collector: counted, timed, and
// with the sample's ray operations counted. Evaluation calls it only while a
// collector lives.
void evaluateCounted(EvaluationStatistics &statistics, OutputConnector &output, HostSample &sample,
                     ValueSlot &slot);

}  // namespace host
