// Exponential Decay (Scalar): the scalar raised to -(distance / nominal
// distance), so its reciprocal at the nominal distance.
#include <cstddef>

#include "decay.h"
#include "framework/hints.h"
#include "framework/inputs.h"
#include "framework/lifecycle.h"
#include "nodes/node_kinds.h"

namespace orv {
namespace {

struct DecayScalar {
    fw::NodeBase base;
    double distance;
    HostVParmID distanceVParm;
    double nominal;
    HostVParmID nominalVParm;
    double scalar;
    HostVParmID scalarVParm;
    std::int32_t clamp;
    HostNodeInputID distanceIn, nominalIn, scalarIn;
    HostNodeOutputID out;
};

void HOST_CALL evaluate(HostInstance instance, HostSample *sample, HostNodeOutputID,
                        HostNodeValue value) {
    const auto *node = static_cast<const DecayScalar *>(instance);
    const fw::Inputs inputs(&node->base, sample);
    const double d = inputs.scalar(node->distanceIn, node->distance);
    const double n = inputs.scalar(node->nominalIn, node->nominal);
    const double s = inputs.scalar(node->scalarIn, node->scalar);
    double result = decay::invertedPower(s, decay::exponent(d, n));
    if (node->clamp) result = decay::clampUnit(result);
    fw::setOutput(&node->base, value, &result);
}

constexpr fw::ParamSpec kParams[] = {
    {"Distance",
     HOST_VP_DIST,
     offsetof(DecayScalar, distance),
     offsetof(DecayScalar, distanceVParm),
     {1.0}},
    {"Nominal Distance",
     HOST_VP_DIST,
     offsetof(DecayScalar, nominal),
     offsetof(DecayScalar, nominalVParm),
     {1.0}},
    {"Scalar",
     HOST_VP_FLOAT,
     offsetof(DecayScalar, scalar),
     offsetof(DecayScalar, scalarVParm),
     {2.0}},
};
constexpr fw::SettingSpec kSettings[] = {{offsetof(DecayScalar, clamp), 1}};
constexpr fw::ConnectorSpec kInputs[] = {
    {"Distance", HOST_NOT_SCALAR, offsetof(DecayScalar, distanceIn)},
    {"Nominal Distance", HOST_NOT_SCALAR, offsetof(DecayScalar, nominalIn)},
    {"Scalar", HOST_NOT_SCALAR, offsetof(DecayScalar, scalarIn)},
};
constexpr fw::ConnectorSpec kOutputs[] = {{"Scalar", HOST_NOT_SCALAR, offsetof(DecayScalar, out)}};
constexpr fw::ControlSpec kControls[] = {
    {0x8001, fw::ControlSpec::Param, 0, 0},
    {0x8002, fw::ControlSpec::Param, 1, 1},
    {0x8003, fw::ControlSpec::Param, 2, 2},
    {0x8004, fw::ControlSpec::Setting, 0, fw::kNoGate},
};

constexpr HostPanelDataDesc kDataDescription[] = {
    {0x8001, "Distance", "distance-env"},
    {0x8002, "Nominal Distance", "distance-env"},
    {0x8003, "Scalar", "float-env"},
    {0x8004, "Clamp", "integer"},
    {0, nullptr, nullptr},
};

const HostPanelHint kHints[] = {
    FW_HINT_CHANGE_NOTIFY(fw::changeNotify<kDecayScalar>),
    FW_HINT_CONTROL(0x8001, "distance-env", "Distance"),
    FW_HINT_CONTROL(0x8002, "distance-env", "Nominal Distance"),
    FW_HINT_CONTROL(0x8003, "float-env", "Scalar"),
    FW_HINT_CONTROL(0x8004, "iBoolean", "Clamp"),
    FW_HINT_DESTROY_NOTIFY(fw::panelDestroy),
    FW_HINT_END,
};

fw::KindServices services;

}  // namespace

extern const fw::NodeKind kDecayScalar = {
    .channelGroup = "Exponential Decay (Scalar)",
    .recordSize = sizeof(DecayScalar),
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
    .hooks = {},
};

}  // namespace orv
