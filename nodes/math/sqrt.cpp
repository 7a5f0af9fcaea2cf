// Sqrt: the square root of the magnitude of one scalar. The smallest node,
// and the plainest use of the common life cycle.
#include <cmath>
#include <cstddef>

#include "framework/hints.h"
#include "framework/inputs.h"
#include "framework/lifecycle.h"
#include "nodes/node_kinds.h"

namespace orv {
namespace {

struct Sqrt {
    fw::NodeBase base;
    double input;
    HostVParmID inputVParm;
    HostNodeInputID in;
    HostNodeOutputID out;
};

void HOST_CALL evaluate(HostInstance instance, HostSample *sample, HostNodeOutputID,
                        HostNodeValue value) {
    const auto *node = static_cast<const Sqrt *>(instance);
    const fw::Inputs inputs(&node->base, sample);
    const double x = inputs.scalar(node->in, node->input);
    const double result = std::sqrt(std::fabs(x));
    fw::setOutput(&node->base, value, &result);
}

constexpr fw::ParamSpec kParams[] = {
    {"Input", HOST_VP_FLOAT, offsetof(Sqrt, input), offsetof(Sqrt, inputVParm), {1.0}},
};
constexpr fw::ConnectorSpec kInputs[] = {{"In", HOST_NOT_SCALAR, offsetof(Sqrt, in)}};
constexpr fw::ConnectorSpec kOutputs[] = {{"Out", HOST_NOT_SCALAR, offsetof(Sqrt, out)}};
constexpr fw::ControlSpec kControls[] = {{0x8001, fw::ControlSpec::Param, 0, 0}};

constexpr HostPanelDataDesc kDataDescription[] = {
    {0x8001, "Input", "float-env"},
    {0, nullptr, nullptr},
};

const HostPanelHint kHints[] = {
    FW_HINT_CHANGE_NOTIFY(fw::changeNotify<kSqrt>),
    FW_HINT_CONTROL(0x8001, "float-env", "Input"),
    FW_HINT_DESTROY_NOTIFY(fw::panelDestroy),
    FW_HINT_END,
};

fw::KindServices services;

}  // namespace

extern const fw::NodeKind kSqrt = {
    .channelGroup = "Sqrt",
    .recordSize = sizeof(Sqrt),
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
    .hooks = {},
};

}  // namespace orv
