// Random: a uniform number between Min and Max, drawn afresh at every
// evaluation from the module-wide generator.
#include <cstddef>

#include "framework/hints.h"
#include "framework/inputs.h"
#include "framework/lifecycle.h"
#include "generator.h"
#include "nodes/node_kinds.h"

namespace orv {
namespace {

// Every Random (and Ambient Occlusion) create restarts the shared sequence.
constexpr std::uint32_t kCreateSeed = 3;

struct Random {
    fw::NodeBase base;
    double minimum;
    HostVParmID minimumVParm;
    double maximum;
    HostVParmID maximumVParm;
    HostNodeInputID minIn;
    HostNodeInputID maxIn;
    HostNodeOutputID out;
};

void HOST_CALL evaluate(HostInstance instance, HostSample *sample, HostNodeOutputID,
                        HostNodeValue value) {
    const auto *node = static_cast<const Random *>(instance);
    const fw::Inputs inputs(&node->base, sample);
    const double minimum = inputs.scalar(node->minIn, node->minimum);
    const double maximum = inputs.scalar(node->maxIn, node->maximum);
    const double r = nextReal(sample->threadIndex);
    const double result = minimum + r * (maximum - minimum);
    fw::setOutput(&node->base, value, &result);
}

void afterDefaults(fw::NodeBase *, void *) {
    seedGenerator(kCreateSeed);
}

constexpr fw::ParamSpec kParams[] = {
    {"Min", HOST_VP_FLOAT, offsetof(Random, minimum), offsetof(Random, minimumVParm), {0.0}},
    {"Max", HOST_VP_FLOAT, offsetof(Random, maximum), offsetof(Random, maximumVParm), {1.0}},
};
constexpr fw::ConnectorSpec kInputs[] = {
    {"Min", HOST_NOT_SCALAR, offsetof(Random, minIn)},
    {"Max", HOST_NOT_SCALAR, offsetof(Random, maxIn)},
};
constexpr fw::ConnectorSpec kOutputs[] = {{"Out", HOST_NOT_SCALAR, offsetof(Random, out)}};
constexpr fw::ControlSpec kControls[] = {
    {0x8001, fw::ControlSpec::Param, 0, 0},
    {0x8002, fw::ControlSpec::Param, 1, 1},
};

constexpr HostPanelDataDesc kDataDescription[] = {
    {0x8001, "Min", "float-env"},
    {0x8002, "Max", "float-env"},
    {0, nullptr, nullptr},
};

const HostPanelHint kHints[] = {
    FW_HINT_CHANGE_NOTIFY(fw::changeNotify<kRandom>),
    FW_HINT_CONTROL(0x8001, "float-env", "Min"),
    FW_HINT_CONTROL(0x8002, "float-env", "Max"),
    FW_HINT_DESTROY_NOTIFY(fw::panelDestroy),
    FW_HINT_END,
};

fw::KindServices services;

}  // namespace

extern const fw::NodeKind kRandom = {
    .channelGroup = "Random",
    .recordSize = sizeof(Random),
    .setsPreviewType = true,
    .usesEnvelopes = true,
    .params = kParams,
    .settings = {},
    .inputs = kInputs,
    .outputs = kOutputs,
    .controls = kControls,
    .dataDescription = kDataDescription,
    .hints = kHints,
    .services = &services,
    .evaluate = evaluate,
    .hooks = {.afterDefaults = afterDefaults},
};

}  // namespace orv
