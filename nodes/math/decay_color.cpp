// Exponential Decay (Color): each channel raised to distance / nominal
// distance, so the colour itself at the nominal distance.
#include <cstddef>

#include "decay.h"
#include "framework/hints.h"
#include "framework/inputs.h"
#include "framework/lifecycle.h"
#include "framework/module_colors.h"
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

enum Id : std::uint32_t { kDistance = 0x8001, kNominal, kColor, kClamp };

constexpr fw::ConnectorSpec kInputs[] = {
    {"Distance", HOST_NOT_SCALAR, offsetof(DecayColor, distanceIn)},
    {"Nominal Distance", HOST_NOT_SCALAR, offsetof(DecayColor, nominalIn)},
    {"Color", HOST_NOT_COLOR, offsetof(DecayColor, colorIn)},
};
constexpr fw::ConnectorSpec kOutputs[] = {{"Color", HOST_NOT_COLOR, offsetof(DecayColor, out)}};
constexpr fw::ValueRow kRows[] = {
    fw::param(kDistance, "Distance", "distance-env", HOST_VP_DIST,
              FW_PARAM_FIELDS(DecayColor, distance), 1.0),
    fw::param(kNominal, "Nominal Distance", "distance-env", HOST_VP_DIST,
              FW_PARAM_FIELDS(DecayColor, nominal), 1.0),
    fw::param(kColor, "Color", "color-env", HOST_VP_COLOR, FW_PARAM_FIELDS(DecayColor, color),
              fw::kDefaultGrey, fw::kDefaultGrey, fw::kDefaultGrey),
    fw::setting(kClamp, "Clamp", "iBoolean", offsetof(DecayColor, clamp), 1),
};
constexpr auto kValues = fw::withGates(kRows, kInputs);
FW_CHECK_VALUES(DecayColor, kValues, kInputs);
constexpr auto kDataDescription = fw::dataDescription(kValues);

const HostPanelHint kHints[] = {
    FW_HINT_BEGIN(kDecayColor),       FW_HINT_VALUE(kValues, kDistance),
    FW_HINT_VALUE(kValues, kNominal), FW_HINT_VALUE(kValues, kColor),
    FW_HINT_VALUE(kValues, kClamp),   FW_HINT_FINISH,
};

fw::KindServices services;

void HOST_CALL evaluate(HostInstance instance, HostSample *sample, HostNodeOutputID,
                        HostNodeValue value) {
    const auto *node = static_cast<const DecayColor *>(instance);
    const fw::Inputs inputs(&node->base, sample);
    const double d = inputs.scalar(fw::valueRow(kValues, kDistance));
    const double n = inputs.scalar(fw::valueRow(kValues, kNominal));
    fw::Vec3 c = inputs.triple(fw::valueRow(kValues, kColor));
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

}  // namespace

extern constexpr fw::NodeKind kDecayColor = fw::nodeKind<DecayColor>({
    .channelGroup = "Exponential Decay (Color)",
    .setsPreviewType = true,
    .values = kValues,
    .inputs = kInputs,
    .outputs = kOutputs,
    .dataDescription = kDataDescription.data(),
    .hints = kHints,
    .services = &services,
    .evaluate = evaluate,
});
FW_CHECK_KIND(kDecayColor);

}  // namespace orv
