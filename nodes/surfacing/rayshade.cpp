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

enum Id : std::uint32_t { kPosition = 0x8001, kDirection };

constexpr fw::ConnectorSpec kInputs[] = {
    {"Position", HOST_NOT_VECTOR, offsetof(RayShade, positionIn)},
    {"Direction", HOST_NOT_VECTOR, offsetof(RayShade, directionIn)},
};
constexpr fw::ConnectorSpec kOutputs[] = {
    {"Color", HOST_NOT_COLOR, offsetof(RayShade, colorOut)},
    {"Length", HOST_NOT_SCALAR, offsetof(RayShade, lengthOut)},
};
constexpr fw::ValueRow kRows[] = {
    fw::param(kPosition, "Position", "distance3-env", HOST_VP_FLOAT3,
              FW_PARAM_FIELDS(RayShade, position), 0.0, 0.0, 0.0),
    fw::param(kDirection, "Direction", "float3-env", HOST_VP_FLOAT3,
              FW_PARAM_FIELDS(RayShade, direction), 0.0, 0.0, 0.0),
};
constexpr auto kValues = fw::withGates(kRows, kInputs);
FW_CHECK_VALUES(RayShade, kValues, kInputs);
constexpr auto kDataDescription = fw::dataDescription(kValues);

const HostPanelHint kHints[] = {
    FW_HINT_BEGIN(kRayShade),
    FW_HINT_VALUE(kValues, kPosition),
    FW_HINT_VALUE(kValues, kDirection),
    FW_HINT_FINISH,
};

fw::KindServices services;

void HOST_CALL evaluate(HostInstance instance, HostSample *sample, HostNodeOutputID output,
                        HostNodeValue value) {
    const auto *node = static_cast<const RayShade *>(instance);
    const fw::Inputs inputs(&node->base, sample);
    const fw::Vec3 origin = inputs.triple(fw::valueRow(kValues, kPosition));
    const fw::Vec3 direction = inputs.triple(fw::valueRow(kValues, kDirection));
    // Black unless the host shades something: a miss leaves the colour alone.
    HostShadedSample shaded;
    shaded.color[0] = shaded.color[1] = shaded.color[2] = 0.0;
    double length = sample->shade(sample, origin.data(), direction.data(), &shaded);
    if (output == node->colorOut)
        fw::setOutput(&node->base, value, shaded.color);
    else
        fw::setOutput(&node->base, value, &length);
}

}  // namespace

extern constexpr fw::NodeKind kRayShade = fw::nodeKind<RayShade>({
    .channelGroup = "RayShade",
    .setsPreviewType = true,
    .values = kValues,
    .inputs = kInputs,
    .outputs = kOutputs,
    .dataDescription = kDataDescription.data(),
    .hints = kHints,
    .services = &services,
    .evaluate = evaluate,
});
FW_CHECK_KIND(kRayShade);

}  // namespace orv
