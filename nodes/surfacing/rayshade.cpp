// RayShade: one ray through the host's shade operation; outputs the shaded
// colour of whatever the ray hits and the length of the ray.
#include <cstddef>

#include "framework/hints.h"
#include "framework/inputs.h"
#include "framework/lifecycle.h"
#include "nodes/node_kinds.h"

namespace orv {
namespace {

struct RayShade {
    fw::NodeBase base;
    fw::Vec3 position;
    HostVParmID positionVParm;
    fw::Vec3 direction;
    HostVParmID directionVParm;
    HostNodeInputID positionIn, directionIn;
    HostNodeOutputID colorOut, lengthOut;
};

void HOST_CALL evaluate(HostInstance instance, HostSample *sample, HostNodeOutputID output,
                        HostNodeValue value) {
    const auto *node = static_cast<const RayShade *>(instance);
    const fw::Inputs inputs(&node->base, sample);
    const fw::Vec3 origin = inputs.triple(node->positionIn, node->position);
    const fw::Vec3 direction = inputs.triple(node->directionIn, node->direction);
    // Black unless the host shades something: a miss leaves the colour alone.
    HostShadedSample shaded;
    shaded.color[0] = shaded.color[1] = shaded.color[2] = 0.0;
    double length = sample->shade(sample, origin.data(), direction.data(), &shaded);
    if (output == node->colorOut)
        fw::setOutput(&node->base, value, shaded.color);
    else
        fw::setOutput(&node->base, value, &length);
}

constexpr fw::ParamSpec kParams[] = {
    {"Position",
     HOST_VP_FLOAT3,
     offsetof(RayShade, position),
     offsetof(RayShade, positionVParm),
     {0.0, 0.0, 0.0}},
    {"Direction",
     HOST_VP_FLOAT3,
     offsetof(RayShade, direction),
     offsetof(RayShade, directionVParm),
     {0.0, 0.0, 0.0}},
};
constexpr fw::ConnectorSpec kInputs[] = {
    {"Position", HOST_NOT_VECTOR, offsetof(RayShade, positionIn)},
    {"Direction", HOST_NOT_VECTOR, offsetof(RayShade, directionIn)},
};
constexpr fw::ConnectorSpec kOutputs[] = {
    {"Color", HOST_NOT_COLOR, offsetof(RayShade, colorOut)},
    {"Length", HOST_NOT_SCALAR, offsetof(RayShade, lengthOut)},
};
constexpr fw::ControlSpec kControls[] = {
    {0x8001, fw::ControlSpec::Param, 0, 0},
    {0x8002, fw::ControlSpec::Param, 1, 1},
};

constexpr HostPanelDataDesc kDataDescription[] = {
    {0x8001, "Position", "distance3-env"},
    {0x8002, "Direction", "float3-env"},
    {0, nullptr, nullptr},
};

const HostPanelHint kHints[] = {
    FW_HINT_CHANGE_NOTIFY(fw::changeNotify<kRayShade>),
    FW_HINT_CONTROL(0x8001, "distance3-env", "Position"),
    FW_HINT_CONTROL(0x8002, "float3-env", "Direction"),
    FW_HINT_DESTROY_NOTIFY(fw::panelDestroy),
    FW_HINT_END,
};

fw::KindServices services;

}  // namespace

extern const fw::NodeKind kRayShade = {
    .channelGroup = "RayShade",
    .recordSize = sizeof(RayShade),
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
