// Hold Value: a per-thread sample-and-hold. The output takes the input when
// the mode's capture test holds and keeps the value it held otherwise.
#include "memory_node.h"

namespace orv {
namespace {

using namespace hold;

struct HoldValue {
    fw::NodeBase base;
    ThreadSlots held;
    std::int32_t mode;
    double input;
    HostVParmID inputVParm;
    double a;
    HostVParmID aVParm;
    double b;
    HostVParmID bVParm;
    HostNodeInputID modeIn, in, aIn, bIn;
    HostNodeOutputID out;
};

enum Id : std::uint32_t { kModeId = 0x8001, kInputId, kAId, kBId };

constexpr fw::ConnectorSpec kInputs[] = {
    {"Mode", HOST_NOT_INTEGER, offsetof(HoldValue, modeIn)},
    {"In", HOST_NOT_SCALAR, offsetof(HoldValue, in)},
    {"A", HOST_NOT_SCALAR, offsetof(HoldValue, aIn)},
    {"B", HOST_NOT_SCALAR, offsetof(HoldValue, bIn)},
};
constexpr fw::ConnectorSpec kOutputs[] = {{"Out", HOST_NOT_SCALAR, offsetof(HoldValue, out)}};
constexpr fw::ValueRow kRows[] = {
    fw::setting(kModeId, "Mode", "iPopChoice", offsetof(HoldValue, mode), kADoesChange),
    fw::param(kInputId, "Input", "float-env", HOST_VP_FLOAT, FW_PARAM_FIELDS(HoldValue, input), 1.0)
        .gatedBy("In"),
    fw::param(kAId, "A", "float-env", HOST_VP_FLOAT, FW_PARAM_FIELDS(HoldValue, a), 0.0),
    fw::param(kBId, "B", "float-env", HOST_VP_FLOAT, FW_PARAM_FIELDS(HoldValue, b), 0.0),
};
constexpr auto kValues = fw::withGates(kRows, kInputs);
FW_CHECK_VALUES(HoldValue, kValues, kInputs);
constexpr auto kDataDescription = fw::dataDescription(kValues);

const char *const kModeChoices[] = {ORV_A_MODE_NAMES, nullptr};
static_assert(sizeof(kModeChoices) / sizeof(kModeChoices[0]) == kModeCount + 1);

fw::KindServices services;

const HostPanelHint kHints[] = {
    FW_HINT_BEGIN(kHoldValue),
    FW_HINT_VALUE(kValues, kModeId),
    FW_HINT_CHOICES(kModeId, kModeChoices),
    FW_HINT_VALUE(kValues, kInputId),
    FW_HINT_VALUE(kValues, kAId),
    FW_HINT_VALUE(kValues, kBId),
    FW_HINT_ENABLE(kModeId, nullptr, hold::kUsesB, FW_ID(kBId)),
    FW_HINT_FINISH,
};

void HOST_CALL evaluate(HostInstance instance, HostSample *sample, HostNodeOutputID,
                        HostNodeValue value) {
    auto *node = static_cast<HoldValue *>(instance);
    const fw::Inputs inputs(&node->base, sample);
    const int mode = inputs.choice(fw::valueRow(kValues, kModeId), kModeCount);
    const double in = inputs.scalar(fw::valueRow(kValues, kInputId));
    const double a = inputs.scalar(fw::valueRow(kValues, kAId));
    const double b = inputs.scalar(fw::valueRow(kValues, kBId));
    const double result = advance(
        node->held.of(sample->threadIndex), in, a, watchesA(mode),
        [&](double held, double previousA) { return captures(mode, a, b, previousA) ? in : held; });
    fw::setOutput(&node->base, value, &result);
}

}  // namespace

extern constexpr fw::NodeKind kHoldValue = memoryKind<HoldValue, &HoldValue::held>(
    "Hold Value", kValues, kInputs, kOutputs, kDataDescription.data(), kHints, &services, evaluate);
FW_CHECK_KIND(kHoldValue);

}  // namespace orv
