// Exponential Decay (Color): each channel raised to distance / nominal
// distance, so the colour itself at the nominal distance.
#include <cstddef>

#include "decay.h"
#include "framework/hints.h"
#include "framework/inputs.h"
#include "framework/lifecycle.h"
#include "nodes/node_kinds.h"

namespace orv {
namespace {

struct DecayColor {
    fw::NodeBase base;
    double distance;
    HostVParmID distanceVParm;
    double nominal;
    HostVParmID nominalVParm;
    fw::Vec3 color;
    HostVParmID colorVParm;
    std::int32_t clamp;
    HostNodeInputID distanceIn, nominalIn, colorIn;
    HostNodeOutputID out;
};

void HOST_CALL evaluate(HostInstance instance, HostSample *sample, HostNodeOutputID,
                        HostNodeValue value) {
    const auto *node = static_cast<const DecayColor *>(instance);
    const fw::Inputs inputs(&node->base, sample);
    const double d = inputs.scalar(node->distanceIn, node->distance);
    const double n = inputs.scalar(node->nominalIn, node->nominal);
    fw::Vec3 c = inputs.triple(node->colorIn, node->color);
    const double p = decay::exponent(d, n);
    // 1 / (1 / c)^p rather than c^p, so that a zero channel underflows to the
    // guarded tiny power instead of dividing by zero.
    for (double &channel : c)
        channel = decay::invertedPower(1.0 / channel, p);
    if (node->clamp)
        for (double &channel : c)
            channel = decay::clampUnit(channel);
    fw::setOutput(&node->base, value, c.data());
}

constexpr double kGrey = 0.78431;

constexpr fw::ParamSpec kParams[] = {
    {"Distance",
     HOST_VP_DIST,
     offsetof(DecayColor, distance),
     offsetof(DecayColor, distanceVParm),
     {1.0}},
    {"Nominal Distance",
     HOST_VP_DIST,
     offsetof(DecayColor, nominal),
     offsetof(DecayColor, nominalVParm),
     {1.0}},
    {"Color",
     HOST_VP_COLOR,
     offsetof(DecayColor, color),
     offsetof(DecayColor, colorVParm),
     {kGrey, kGrey, kGrey}},
};
constexpr fw::SettingSpec kSettings[] = {{offsetof(DecayColor, clamp), 1}};
constexpr fw::ConnectorSpec kInputs[] = {
    {"Distance", HOST_NOT_SCALAR, offsetof(DecayColor, distanceIn)},
    {"Nominal Distance", HOST_NOT_SCALAR, offsetof(DecayColor, nominalIn)},
    {"Color", HOST_NOT_COLOR, offsetof(DecayColor, colorIn)},
};
constexpr fw::ConnectorSpec kOutputs[] = {{"Color", HOST_NOT_COLOR, offsetof(DecayColor, out)}};
constexpr fw::ControlSpec kControls[] = {
    {0x8001, fw::ControlSpec::Param, 0, 0},
    {0x8002, fw::ControlSpec::Param, 1, 1},
    {0x8003, fw::ControlSpec::Param, 2, 2},
    {0x8004, fw::ControlSpec::Setting, 0, fw::kNoGate},
};

constexpr HostPanelDataDesc kDataDescription[] = {
    {0x8001, "Distance", "distance-env"},
    {0x8002, "Nominal Distance", "distance-env"},
    {0x8003, "Color", "color-env"},
    {0x8004, "Clamp", "integer"},
    {0, nullptr, nullptr},
};

const HostPanelHint kHints[] = {
    FW_HINT_CHANGE_NOTIFY(fw::changeNotify<kDecayColor>),
    FW_HINT_CONTROL(0x8001, "distance-env", "Distance"),
    FW_HINT_CONTROL(0x8002, "distance-env", "Nominal Distance"),
    FW_HINT_CONTROL(0x8003, "color-env", "Color"),
    FW_HINT_CONTROL(0x8004, "iBoolean", "Clamp"),
    FW_HINT_DESTROY_NOTIFY(fw::panelDestroy),
    FW_HINT_END,
};

fw::KindServices services;

}  // namespace

extern const fw::NodeKind kDecayColor = {
    .channelGroup = "Exponential Decay (Color)",
    .recordSize = sizeof(DecayColor),
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
