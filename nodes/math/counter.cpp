// Counter: a per-thread running count that grows by an increase at each
// evaluation and falls back to a start value when the mode's reset test holds.
#include "memory_node.h"

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

enum Id : std::uint32_t { kModeId = 0x8001, kStartId, kIncreaseId, kAId, kBId };

constexpr fw::ConnectorSpec kInputs[] = {
    {"Mode", HOST_NOT_INTEGER, offsetof(Counter, modeIn)},
    {"Start Value", HOST_NOT_SCALAR, offsetof(Counter, startIn)},
    {"Increase Value", HOST_NOT_SCALAR, offsetof(Counter, increaseIn)},
    {"A", HOST_NOT_SCALAR, offsetof(Counter, aIn)},
    {"B", HOST_NOT_SCALAR, offsetof(Counter, bIn)},
};
constexpr fw::ConnectorSpec kOutputs[] = {{"Out", HOST_NOT_SCALAR, offsetof(Counter, out)}};
constexpr fw::ValueRow kRows[] = {
    fw::setting(kModeId, "Mode", "iPopChoice", offsetof(Counter, mode), kCounterEqualA),
    fw::param(kStartId, "Start Value", "float-env", HOST_VP_FLOAT, FW_PARAM_FIELDS(Counter, start),
              0.0),
    fw::param(kIncreaseId, "Increase Value", "float-env", HOST_VP_FLOAT,
              FW_PARAM_FIELDS(Counter, increase), 1.0),
    fw::param(kAId, "A", "float-env", HOST_VP_FLOAT, FW_PARAM_FIELDS(Counter, a), 0.0),
    fw::param(kBId, "B", "float-env", HOST_VP_FLOAT, FW_PARAM_FIELDS(Counter, b), 0.0),
};
constexpr auto kValues = fw::withGates(kRows, kInputs);
FW_CHECK_VALUES(Counter, kValues, kInputs);
constexpr auto kDataDescription = fw::dataDescription(kValues);

const char *const kModeChoices[] = {
    "Counter Equal To A",
    "Counter Greater Than A",
    "Counter Less Than A",
    "Counter Greater Than Or Equal To A",
    "Counter Less Than Or Equal To A",
    ORV_A_MODE_NAMES,
    nullptr,
};
static_assert(sizeof(kModeChoices) / sizeof(kModeChoices[0]) == kModeCount + 1);

fw::KindServices services;

const HostPanelHint kHints[] = {
    FW_HINT_BEGIN(kCounter),
    FW_HINT_VALUE(kValues, kModeId),
    FW_HINT_CHOICES(kModeId, kModeChoices),
    FW_HINT_VALUE(kValues, kStartId),
    FW_HINT_VALUE(kValues, kIncreaseId),
    FW_HINT_VALUE(kValues, kAId),
    FW_HINT_VALUE(kValues, kBId),
    FW_HINT_ENABLE(kModeId, nullptr, counter::kUsesB, FW_ID(kBId)),
    FW_HINT_FINISH,
};

void HOST_CALL evaluate(HostInstance instance, HostSample *sample, HostNodeOutputID,
                        HostNodeValue value) {
    auto *node = static_cast<Counter *>(instance);
    const fw::Inputs inputs(&node->base, sample);
    const int mode = inputs.choice(fw::valueRow(kValues, kModeId), kModeCount);
    const double start = inputs.scalar(fw::valueRow(kValues, kStartId));
    const double increase = inputs.scalar(fw::valueRow(kValues, kIncreaseId));
    const double a = inputs.scalar(fw::valueRow(kValues, kAId));
    const double b = inputs.scalar(fw::valueRow(kValues, kBId));
    // The count grows first and is tested after growing.
    const double result = advance(node->counts.of(sample->threadIndex), start, a, watchesA(mode),
                                  [&](double count, double previousA) {
                                      count += increase;
                                      return resets(mode, count, a, b, previousA) ? start : count;
                                  });
    fw::setOutput(&node->base, value, &result);
}

}  // namespace

extern constexpr fw::NodeKind kCounter = memoryKind<Counter, &Counter::counts>(
    "Counter", kValues, kInputs, kOutputs, kDataDescription.data(), kHints, &services, evaluate);
FW_CHECK_KIND(kCounter);

}  // namespace orv
