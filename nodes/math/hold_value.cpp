// Hold Value: a per-thread sample-and-hold. The output takes the input when
// the mode's capture test holds and keeps the value it held otherwise.
#include <cstddef>

#include "framework/hints.h"
#include "framework/inputs.h"
#include "framework/lifecycle.h"
#include "nodes/node_kinds.h"
#include "thread_slots.h"

namespace orv {
namespace {

// Each mode names when the output holds; captures() is its complement.
enum Mode {
    kADoesChange,
    kADoesNotChange,
    kAEqualB,
    kANotEqualB,
    kAGreaterB,
    kALessB,
    kAGreaterEqualB,
    kALessEqualB,
    kModeCount
};

struct HoldValue {
    fw::NodeBase base;
    std::int32_t firstEvaluation[kSlots];
    double held[kSlots];
    double previousA[kSlots];
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

// As IEEE comparisons: with a NaN operand the value holds, except in the two
// tests for a difference, which capture.
bool captures(int mode, double a, double b, double previousA) {
    switch (mode) {
        case kADoesChange:
            return a == previousA;
        case kADoesNotChange:
            return a != previousA;
        case kAEqualB:
            return a != b;
        case kANotEqualB:
            return a == b;
        case kAGreaterB:
            return a <= b;
        case kALessB:
            return a >= b;
        case kAGreaterEqualB:
            return a < b;
        default:
            return a > b;
    }
}

void HOST_CALL evaluate(HostInstance instance, HostSample *sample, HostNodeOutputID,
                        HostNodeValue value) {
    auto *node = static_cast<HoldValue *>(instance);
    const fw::Inputs inputs(&node->base, sample);
    int mode = inputs.integer(node->modeIn, node->mode);
    if (mode < 0) mode = 0;
    if (mode > kModeCount - 1) mode = kModeCount - 1;
    const double in = inputs.scalar(node->in, node->input);
    const double a = inputs.scalar(node->aIn, node->a);
    const double b = inputs.scalar(node->bIn, node->b);

    double result = in;
    const int slot = slotOf(sample->threadIndex);
    if (slot >= 0) {
        double &held = node->held[slot];
        if (node->firstEvaluation[slot]) {
            node->firstEvaluation[slot] = 0;
            held = in;
            node->previousA[slot] = a;
        } else {
            if (captures(mode, a, b, node->previousA[slot])) held = in;
            if (mode == kADoesChange || mode == kADoesNotChange) node->previousA[slot] = a;
        }
        result = held;
    }
    fw::setOutput(&node->base, value, &result);
}

HostError renderStart(fw::NodeBase *base, int) {
    auto *node = reinterpret_cast<HoldValue *>(base);
    for (std::int32_t &flag : node->firstEvaluation)
        flag = 1;
    return nullptr;
}

void afterDefaults(fw::NodeBase *base, void *) {
    renderStart(base, 0);
}

constexpr fw::ParamSpec kParams[] = {
    {"Input", HOST_VP_FLOAT, offsetof(HoldValue, input), offsetof(HoldValue, inputVParm), {1.0}},
    {"A", HOST_VP_FLOAT, offsetof(HoldValue, a), offsetof(HoldValue, aVParm), {0.0}},
    {"B", HOST_VP_FLOAT, offsetof(HoldValue, b), offsetof(HoldValue, bVParm), {0.0}},
};
constexpr fw::SettingSpec kSettings[] = {{offsetof(HoldValue, mode), kADoesChange}};
constexpr fw::ConnectorSpec kInputs[] = {
    {"Mode", HOST_NOT_INTEGER, offsetof(HoldValue, modeIn)},
    {"In", HOST_NOT_SCALAR, offsetof(HoldValue, in)},
    {"A", HOST_NOT_SCALAR, offsetof(HoldValue, aIn)},
    {"B", HOST_NOT_SCALAR, offsetof(HoldValue, bIn)},
};
constexpr fw::ConnectorSpec kOutputs[] = {{"Out", HOST_NOT_SCALAR, offsetof(HoldValue, out)}};
constexpr fw::ControlSpec kControls[] = {
    {0x8001, fw::ControlSpec::Setting, 0, 0},
    {0x8002, fw::ControlSpec::Param, 0, 1},
    {0x8003, fw::ControlSpec::Param, 1, 2},
    {0x8004, fw::ControlSpec::Param, 2, 3},
};

constexpr HostPanelDataDesc kDataDescription[] = {
    {0x8001, "Mode", "integer"}, {0x8002, "Input", "float-env"}, {0x8003, "A", "float-env"},
    {0x8004, "B", "float-env"},  {0, nullptr, nullptr},
};

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
    FW_HINT_CHANGE_NOTIFY(fw::changeNotify<kHoldValue>),
    FW_HINT_CONTROL(0x8001, "iPopChoice", "Mode"),
    FW_HINT_CHOICES(0x8001, kModeChoices),
    FW_HINT_CONTROL(0x8002, "float-env", "Input"),
    FW_HINT_CONTROL(0x8003, "float-env", "A"),
    FW_HINT_CONTROL(0x8004, "float-env", "B"),
    FW_HINT_ENABLE(0x8001, nullptr, kBEnabled, FW_ID(0x8004)),
    FW_HINT_DESTROY_NOTIFY(fw::panelDestroy),
    FW_HINT_END,
};

fw::KindServices services;

}  // namespace

extern const fw::NodeKind kHoldValue = {
    .channelGroup = "Hold Value",
    .recordSize = sizeof(HoldValue),
    .setsPreviewType = true,
    .usesEnvelopes = true,
    .params = kParams,
    .settings = kSettings,
    .inputs = kInputs,
    .outputs = kOutputs,
    .controls = kControls,
    .dataDescription = kDataDescription,
    .hints = kHints,
    .services = &services,
    .evaluate = evaluate,
    .hooks = {.afterDefaults = afterDefaults, .renderStart = renderStart},
};

}  // namespace orv
