// Counter: a per-thread running count that grows by an increase at each
// evaluation and falls back to a start value when the mode's reset test holds.
#include <cstddef>

#include "framework/hints.h"
#include "framework/inputs.h"
#include "framework/lifecycle.h"
#include "nodes/node_kinds.h"
#include "thread_slots.h"

namespace orv {
namespace {

enum Mode {
    kCounterEqualA,
    kCounterGreaterA,
    kCounterLessA,
    kCounterGreaterEqualA,
    kCounterLessEqualA,
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

struct Counter {
    fw::NodeBase base;
    std::int32_t firstEvaluation[kSlots];
    double counts[kSlots];
    double previousA[kSlots];
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

// The reset test of a mode, as IEEE comparisons: NaN makes the two
// difference tests true and every other test false.
bool resets(int mode, double count, double a, double b, double previousA) {
    switch (mode) {
        case kCounterEqualA:
            return count == a;
        case kCounterGreaterA:
            return count > a;
        case kCounterLessA:
            return count < a;
        case kCounterGreaterEqualA:
            return count >= a;
        case kCounterLessEqualA:
            return count <= a;
        case kADoesChange:
            return a == previousA;
        case kADoesNotChange:
            return a != previousA;
        case kAEqualB:
            return a == b;
        case kANotEqualB:
            return a != b;
        case kAGreaterB:
            return a > b;
        case kALessB:
            return a < b;
        case kAGreaterEqualB:
            return a >= b;
        default:
            return a <= b;
    }
}

void HOST_CALL evaluate(HostInstance instance, HostSample *sample, HostNodeOutputID,
                        HostNodeValue value) {
    auto *node = static_cast<Counter *>(instance);
    const fw::Inputs inputs(&node->base, sample);
    int mode = inputs.integer(node->modeIn, node->mode);
    if (mode < 0) mode = 0;
    if (mode > kModeCount - 1) mode = kModeCount - 1;
    const double start = inputs.scalar(node->startIn, node->start);
    const double increase = inputs.scalar(node->increaseIn, node->increase);
    const double a = inputs.scalar(node->aIn, node->a);
    const double b = inputs.scalar(node->bIn, node->b);

    double result = start;
    const int slot = slotOf(sample->threadIndex);
    if (slot >= 0) {
        double &count = node->counts[slot];
        count += increase;
        if (node->firstEvaluation[slot]) {
            node->firstEvaluation[slot] = 0;
            count = start;
            node->previousA[slot] = a;
        } else {
            if (resets(mode, count, a, b, node->previousA[slot])) count = start;
            if (mode == kADoesChange || mode == kADoesNotChange) node->previousA[slot] = a;
        }
        result = count;
    }
    fw::setOutput(&node->base, value, &result);
}

HostError renderStart(fw::NodeBase *base, int) {
    auto *node = reinterpret_cast<Counter *>(base);
    for (std::int32_t &flag : node->firstEvaluation)
        flag = 1;
    return nullptr;
}

void afterDefaults(fw::NodeBase *base, void *) {
    renderStart(base, 0);
}

constexpr fw::ParamSpec kParams[] = {
    {"Start Value", HOST_VP_FLOAT, offsetof(Counter, start), offsetof(Counter, startVParm), {0.0}},
    {"Increase Value",
     HOST_VP_FLOAT,
     offsetof(Counter, increase),
     offsetof(Counter, increaseVParm),
     {1.0}},
    {"A", HOST_VP_FLOAT, offsetof(Counter, a), offsetof(Counter, aVParm), {0.0}},
    {"B", HOST_VP_FLOAT, offsetof(Counter, b), offsetof(Counter, bVParm), {0.0}},
};
constexpr fw::SettingSpec kSettings[] = {{offsetof(Counter, mode), kCounterEqualA}};
constexpr fw::ConnectorSpec kInputs[] = {
    {"Mode", HOST_NOT_INTEGER, offsetof(Counter, modeIn)},
    {"Start Value", HOST_NOT_SCALAR, offsetof(Counter, startIn)},
    {"Increase Value", HOST_NOT_SCALAR, offsetof(Counter, increaseIn)},
    {"A", HOST_NOT_SCALAR, offsetof(Counter, aIn)},
    {"B", HOST_NOT_SCALAR, offsetof(Counter, bIn)},
};
constexpr fw::ConnectorSpec kOutputs[] = {{"Out", HOST_NOT_SCALAR, offsetof(Counter, out)}};
constexpr fw::ControlSpec kControls[] = {
    {0x8001, fw::ControlSpec::Setting, 0, 0}, {0x8002, fw::ControlSpec::Param, 0, 1},
    {0x8003, fw::ControlSpec::Param, 1, 2},   {0x8004, fw::ControlSpec::Param, 2, 3},
    {0x8005, fw::ControlSpec::Param, 3, 4},
};

constexpr HostPanelDataDesc kDataDescription[] = {
    {0x8001, "Mode", "integer"},
    {0x8002, "Start Value", "float-env"},
    {0x8003, "Increase Value", "float-env"},
    {0x8004, "A", "float-env"},
    {0x8005, "B", "float-env"},
    {0, nullptr, nullptr},
};

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
    FW_HINT_CHANGE_NOTIFY(fw::changeNotify<kCounter>),
    FW_HINT_CONTROL(0x8001, "iPopChoice", "Mode"),
    FW_HINT_CHOICES(0x8001, kModeChoices),
    FW_HINT_CONTROL(0x8002, "float-env", "Start Value"),
    FW_HINT_CONTROL(0x8003, "float-env", "Increase Value"),
    FW_HINT_CONTROL(0x8004, "float-env", "A"),
    FW_HINT_CONTROL(0x8005, "float-env", "B"),
    FW_HINT_ENABLE(0x8001, nullptr, kBEnabled, FW_ID(0x8005)),
    FW_HINT_DESTROY_NOTIFY(fw::panelDestroy),
    FW_HINT_END,
};

fw::KindServices services;

}  // namespace

extern const fw::NodeKind kCounter = {
    .channelGroup = "Counter",
    .recordSize = sizeof(Counter),
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
