// Counter: a per-thread running count that grows by an increase at each
// evaluation and falls back to a start value when the mode's reset test holds.
#include <cstddef>

#include "comparisons.h"
#include "framework/hints.h"
#include "framework/inputs.h"
#include "framework/lifecycle.h"
#include "nodes/node_kinds.h"
#include "thread_slots.h"

namespace orv {
namespace {

using namespace counter;

struct Counter {
    fw::NodeBase base;
    ThreadSlots counts;
    std::int32_t mode;
    double start;
    HostVParmID startVParm;
    double increase;
    HostVParmID increaseVParm;
    double a;
    HostVParmID aVParm;
    double b;
    HostVParmID bVParm;
    HostNodeInputID modeIn, startIn, increaseIn, aIn, bIn;
    HostNodeOutputID out;
};

void HOST_CALL evaluate(HostInstance instance, HostSample *sample, HostNodeOutputID,
                        HostNodeValue value) {
    auto *node = static_cast<Counter *>(instance);
    const fw::Inputs inputs(&node->base, sample);
    const int mode = inputs.choice(node->modeIn, node->mode, kModeCount);
    const double start = inputs.scalar(node->startIn, node->start);
    const double increase = inputs.scalar(node->increaseIn, node->increase);
    const double a = inputs.scalar(node->aIn, node->a);
    const double b = inputs.scalar(node->bIn, node->b);
    // The count grows first and is tested after growing.
    const double result = advance(node->counts.of(sample->threadIndex), start, a, watchesA(mode),
                                  [&](double count, double previousA) {
                                      count += increase;
                                      return resets(mode, count, a, b, previousA) ? start : count;
                                  });
    fw::setOutput(&node->base, value, &result);
}

HostError renderStart(fw::NodeBase *base, int) {
    reinterpret_cast<Counter *>(base)->counts.restart();
    return nullptr;
}

HostError afterDefaults(fw::NodeBase *base, void *) {
    return renderStart(base, 0);
}

enum Id : std::uint32_t { kModeId = 0x8001, kStartId, kIncreaseId, kAId, kBId };

constexpr fw::ConnectorSpec kInputs[] = {
    {"Mode", HOST_NOT_INTEGER, offsetof(Counter, modeIn)},
    {"Start Value", HOST_NOT_SCALAR, offsetof(Counter, startIn)},
    {"Increase Value", HOST_NOT_SCALAR, offsetof(Counter, increaseIn)},
    {"A", HOST_NOT_SCALAR, offsetof(Counter, aIn)},
    {"B", HOST_NOT_SCALAR, offsetof(Counter, bIn)},
};
constexpr fw::ConnectorSpec kOutputs[] = {{"Out", HOST_NOT_SCALAR, offsetof(Counter, out)}};
constexpr fw::ValueRow kValues[] = {
    fw::setting(kModeId, "Mode", "iPopChoice", offsetof(Counter, mode), kCounterEqualA)
        .gatedBy("Mode"),
    fw::param(kStartId, "Start Value", "float-env", HOST_VP_FLOAT, FW_PARAM_FIELDS(Counter, start),
              0.0)
        .gatedBy("Start Value"),
    fw::param(kIncreaseId, "Increase Value", "float-env", HOST_VP_FLOAT,
              FW_PARAM_FIELDS(Counter, increase), 1.0)
        .gatedBy("Increase Value"),
    fw::param(kAId, "A", "float-env", HOST_VP_FLOAT, FW_PARAM_FIELDS(Counter, a), 0.0).gatedBy("A"),
    fw::param(kBId, "B", "float-env", HOST_VP_FLOAT, FW_PARAM_FIELDS(Counter, b), 0.0).gatedBy("B"),
};
FW_CHECK_VALUES(Counter, kValues, kInputs);
constexpr auto kDataDescription = fw::dataDescription(kValues);

const char *const kModeChoices[] = {
    "Counter Equal To A",
    "Counter Greater Than A",
    "Counter Less Than A",
    "Counter Greater Than Or Equal To A",
    "Counter Less Than Or Equal To A",
    "A Does Change",
    "A Does Not Change",
    "A Equal To B",
    "A Not Equal To B",
    "A Greater Than B",
    "A Less Than B",
    "A Greater Than Or Equal To B",
    "A Less Than Or Equal To B",
    nullptr,
};
static_assert(sizeof(kModeChoices) / sizeof(kModeChoices[0]) == kModeCount + 1);

// "B" takes part only in the tests that compare A with B.
constexpr int kBEnabled[kModeCount] = {0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1};

const HostPanelHint kHints[] = {
    FW_HINT_BEGIN(kCounter),
    FW_HINT_VALUE(kValues, kModeId),
    FW_HINT_CHOICES(kModeId, kModeChoices),
    FW_HINT_VALUE(kValues, kStartId),
    FW_HINT_VALUE(kValues, kIncreaseId),
    FW_HINT_VALUE(kValues, kAId),
    FW_HINT_VALUE(kValues, kBId),
    FW_HINT_ENABLE(kModeId, nullptr, kBEnabled, FW_ID(kBId)),
    FW_HINT_FINISH,
};

fw::KindServices services;

}  // namespace

extern const fw::NodeKind kCounter = fw::nodeKind<Counter>({
    .channelGroup = "Counter",
    .setsPreviewType = true,
    .values = kValues,
    .inputs = kInputs,
    .outputs = kOutputs,
    .dataDescription = kDataDescription.data(),
    .hints = kHints,
    .services = &services,
    .evaluate = evaluate,
    .hooks = {.afterDefaults = afterDefaults, .renderStart = renderStart},
});

}  // namespace orv
