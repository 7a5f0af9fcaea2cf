// Hold Value: a per-thread sample-and-hold. The output takes the input when
// the mode's capture test holds and keeps the value it held otherwise.
#include <cstddef>

#include "comparisons.h"
#include "framework/hints.h"
#include "framework/inputs.h"
#include "framework/lifecycle.h"
#include "nodes/node_kinds.h"
#include "thread_slots.h"

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

void HOST_CALL evaluate(HostInstance instance, HostSample *sample, HostNodeOutputID,
                        HostNodeValue value) {
    auto *node = static_cast<HoldValue *>(instance);
    const fw::Inputs inputs(&node->base, sample);
    const int mode = inputs.choice(node->modeIn, node->mode, kModeCount);
    const double in = inputs.scalar(node->in, node->input);
    const double a = inputs.scalar(node->aIn, node->a);
    const double b = inputs.scalar(node->bIn, node->b);
    const double result = advance(
        node->held.of(sample->threadIndex), in, a, watchesA(mode),
        [&](double held, double previousA) { return captures(mode, a, b, previousA) ? in : held; });
    fw::setOutput(&node->base, value, &result);
}

HostError renderStart(fw::NodeBase *base, int) {
    reinterpret_cast<HoldValue *>(base)->held.restart();
    return nullptr;
}

HostError afterDefaults(fw::NodeBase *base, void *) {
    return renderStart(base, 0);
}

enum Id : std::uint32_t { kModeId = 0x8001, kInputId, kAId, kBId };

constexpr fw::ConnectorSpec kInputs[] = {
    {"Mode", HOST_NOT_INTEGER, offsetof(HoldValue, modeIn)},
    {"In", HOST_NOT_SCALAR, offsetof(HoldValue, in)},
    {"A", HOST_NOT_SCALAR, offsetof(HoldValue, aIn)},
    {"B", HOST_NOT_SCALAR, offsetof(HoldValue, bIn)},
};
constexpr fw::ConnectorSpec kOutputs[] = {{"Out", HOST_NOT_SCALAR, offsetof(HoldValue, out)}};
constexpr fw::ValueRow kValues[] = {
    fw::setting(kModeId, "Mode", "iPopChoice", offsetof(HoldValue, mode), kADoesChange)
        .gatedBy("Mode"),
    fw::param(kInputId, "Input", "float-env", HOST_VP_FLOAT, FW_PARAM_FIELDS(HoldValue, input), 1.0)
        .gatedBy("In"),
    fw::param(kAId, "A", "float-env", HOST_VP_FLOAT, FW_PARAM_FIELDS(HoldValue, a), 0.0)
        .gatedBy("A"),
    fw::param(kBId, "B", "float-env", HOST_VP_FLOAT, FW_PARAM_FIELDS(HoldValue, b), 0.0)
        .gatedBy("B"),
};
FW_CHECK_VALUES(HoldValue, kValues, kInputs);
constexpr auto kDataDescription = fw::dataDescription(kValues);

const char *const kModeChoices[] = {
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

constexpr int kBEnabled[kModeCount] = {0, 0, 1, 1, 1, 1, 1, 1};

const HostPanelHint kHints[] = {
    FW_HINT_BEGIN(kHoldValue),
    FW_HINT_VALUE(kValues, kModeId),
    FW_HINT_CHOICES(kModeId, kModeChoices),
    FW_HINT_VALUE(kValues, kInputId),
    FW_HINT_VALUE(kValues, kAId),
    FW_HINT_VALUE(kValues, kBId),
    FW_HINT_ENABLE(kModeId, nullptr, kBEnabled, FW_ID(kBId)),
    FW_HINT_FINISH,
};

fw::KindServices services;

}  // namespace

extern const fw::NodeKind kHoldValue = fw::nodeKind<HoldValue>({
    .channelGroup = "Hold Value",
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
