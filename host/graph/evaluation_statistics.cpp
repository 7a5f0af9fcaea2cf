#include "host/graph/evaluation_statistics.h"

#include <algorithm>
#include <atomic>
#include <chrono>

#include "host/base/error.h"

namespace host {

std::atomic<EvaluationStatistics *> statistics_detail::live{nullptr};

namespace {

using statistics_detail::live;
std::atomic<unsigned> generations{0};

using Clock = std::chrono::steady_clock;

// One level of the calling thread's work under a counted evaluation: a node
// being evaluated, or a ray it fired. Each level adds its whole duration to
// the level below, which leaves that out of its own time.
struct Level {
    NodeFigures *figures = nullptr;  // null for a ray
    Clock::time_point started;
    Clock::duration excluded{};
    // The sample's own ray operations, called through the counting ones.
    HostRayCastFunc cast = nullptr;
    HostRayTraceFunc trace = nullptr;
    HostRayShadeFunc shade = nullptr;
    Level *below = nullptr;
};

thread_local Level *top = nullptr;
thread_local std::vector<NodeFigures> *cachedBlock = nullptr;
thread_local unsigned cachedGeneration = ~0u;

// The node level a ray operation was called from: the innermost node level.
Level *firingLevel() {
    Level *level = top;
    while (level && !level->figures)
        level = level->below;
    return level;
}

// Reading the clock costs about as much as a short ray, so only one ray in
// kTimedRayShare of each kind is timed; the others are taken to last as long
// as the mean of the timed ones on this thread.
constexpr unsigned kTimedRayShare = 16;
enum RayKind { kCast, kTrace, kShade };
struct RayTimes {
    unsigned fired = 0, timed = 0;
    Clock::duration total{};
};
thread_local RayTimes rayTimes[3];

// Runs a ray as a level of its own, so that the shading it does is kept out
// of the firing node's time.
template <class Call>
double asRay(RayKind kind, Call &&call) {
    RayTimes &times = rayTimes[kind];
    const bool timed = times.fired++ % kTimedRayShare == 0;
    Level ray;
    ray.below = top;
    top = &ray;
    if (timed) ray.started = Clock::now();
    const double result = call();
    top = ray.below;
    if (timed) {
        times.total += Clock::now() - ray.started;
        ++times.timed;
    }
    if (top && times.timed) top->excluded += times.total / times.timed;
    return result;
}

double HOST_CALL countingCast(const HostSample *sample, const double origin[3],
                              const double direction[3]) {
    Level *firing = firingLevel();
    ++firing->figures->casts;
    HostRayCastFunc cast = firing->cast;
    return asRay(kCast, [&] { return cast(sample, origin, direction); });
}

double HOST_CALL countingTrace(const HostSample *sample, const double origin[3],
                               const double direction[3], double color[3], double eta,
                               std::uint32_t mode) {
    Level *firing = firingLevel();
    ++firing->figures->traces;
    HostRayTraceFunc trace = firing->trace;
    return asRay(kTrace, [&] { return trace(sample, origin, direction, color, eta, mode); });
}

double HOST_CALL countingShade(const HostSample *sample, const double origin[3],
                               const double direction[3], HostShadedSample *shaded) {
    Level *firing = firingLevel();
    ++firing->figures->shades;
    HostRayShadeFunc shade = firing->shade;
    return asRay(kShade, [&] { return shade(sample, origin, direction, shaded); });
}

}  // namespace

NodeFigures &NodeFigures::operator+=(const NodeFigures &other) {
    evaluations += other.evaluations;
    casts += other.casts;
    traces += other.traces;
    shades += other.shades;
    seconds += other.seconds;
    return *this;
}

EvaluationStatistics::EvaluationStatistics(std::vector<const Graph *> graphs)
    : generation_(generations.fetch_add(1) + 1) {
    for (const Graph *graph : graphs)
        for (const auto &node : graph->nodes()) {
            slots_.emplace(node.get(), static_cast<int>(nodes_.size()));
            nodes_.push_back(node.get());
        }
    EvaluationStatistics *expected = nullptr;
    if (!live.compare_exchange_strong(expected, this))
        throw Error("node statistics are being collected already");
}

EvaluationStatistics::~EvaluationStatistics() {
    live.store(nullptr);
}

int EvaluationStatistics::slotOf(const Node *node) const {
    const auto found = slots_.find(node);
    return found == slots_.end() ? -1 : found->second;
}

NodeFigures *EvaluationStatistics::threadBlock() {
    if (cachedGeneration != generation_) {
        std::lock_guard lock(mutex_);
        if (free_.empty()) {
            blocks_.push_back(std::make_unique<std::vector<NodeFigures>>(nodes_.size()));
            free_.push_back(blocks_.back().get());
        }
        cachedBlock = free_.back();
        free_.pop_back();
        cachedGeneration = generation_;
    }
    return cachedBlock->data();
}

std::vector<std::pair<const Node *, NodeFigures>> EvaluationStatistics::take() {
    std::lock_guard lock(mutex_);
    std::vector<std::pair<const Node *, NodeFigures>> figures;
    for (const Node *node : nodes_)
        figures.emplace_back(node, NodeFigures{});
    free_.clear();
    for (const auto &block : blocks_) {
        for (std::size_t i = 0; i < nodes_.size(); ++i) {
            figures[i].second += (*block)[i];
            (*block)[i] = NodeFigures{};
        }
        free_.push_back(block.get());
    }
    // Threads holding a block from before ask for one afresh.
    generation_ = generations.fetch_add(1) + 1;
    return figures;
}

void evaluateCounted(EvaluationStatistics &statistics, OutputConnector &output, HostSample &sample,
                     ValueSlot &slot) {
    const int index = statistics.slotOf(output.node);
    if (index < 0) return output.node->evaluate(sample, output, slot);
    Level level;
    level.figures = statistics.threadBlock() + index;
    ++level.figures->evaluations;
    // Upstream nodes get the same sample, already counting: they fire
    // through the real operations of the level below.
    const bool counting = sample.cast == countingCast;
    const Level *source = counting ? firingLevel() : nullptr;
    level.cast = source ? source->cast : sample.cast;
    level.trace = source ? source->trace : sample.trace;
    level.shade = source ? source->shade : sample.shade;
    if (!counting) {
        if (sample.cast) sample.cast = countingCast;
        if (sample.trace) sample.trace = countingTrace;
        if (sample.shade) sample.shade = countingShade;
    }
    level.below = top;
    top = &level;
    level.started = Clock::now();
    output.node->evaluate(sample, output, slot);
    const Clock::time_point ended = Clock::now();
    top = level.below;
    if (!counting) {
        sample.cast = level.cast;
        sample.trace = level.trace;
        sample.shade = level.shade;
    }
    const Clock::duration whole = ended - level.started;
    // Rays taken at their mean may add up to a little more than they took.
    const Clock::duration own = std::max(whole - level.excluded, Clock::duration::zero());
    level.figures->seconds += std::chrono::duration<double>(own).count();
    if (top) top->excluded += whole;
}

}  // namespace host
