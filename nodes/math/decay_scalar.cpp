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

enum Id : std::uint32_t { kDistance = 0x8001, kNominal, kScalar, kClamp };

constexpr fw::ConnectorSpec kInputs[] = {
    {"Distance", HOST_NOT_SCALAR, offsetof(DecayScalar, distanceIn)},
    {"Nominal Distance", HOST_NOT_SCALAR, offsetof(DecayScalar, nominalIn)},
    {"Scalar", HOST_NOT_SCALAR, offsetof(DecayScalar, scalarIn)},
};
constexpr fw::ConnectorSpec kOutputs[] = {{"Scalar", HOST_NOT_SCALAR, offsetof(DecayScalar, out)}};
constexpr fw::ValueRow kRows[] = {
    fw::param(kDistance, "Distance", "distance-env", HOST_VP_DIST,
              FW_PARAM_FIELDS(DecayScalar, distance), 1.0),
    fw::param(kNominal, "Nominal Distance", "distance-env", HOST_VP_DIST,
              FW_PARAM_FIELDS(DecayScalar, nominal), 1.0),
    fw::param(kScalar, "Scalar", "float-env", HOST_VP_FLOAT, FW_PARAM_FIELDS(DecayScalar, scalar),
              2.0),
    fw::setting(kClamp, "Clamp", "iBoolean", offsetof(DecayScalar, clamp), 1),
};
constexpr auto kValues = fw::withGates(kRows, kInputs);
FW_CHECK_VALUES(DecayScalar, kValues, kInputs);
constexpr auto kDataDescription = fw::dataDescription(kValues);

const HostPanelHint kHints[] = {
    FW_HINT_BEGIN(kDecayScalar),      FW_HINT_VALUE(kValues, kDistance),
    FW_HINT_VALUE(kValues, kNominal), FW_HINT_VALUE(kValues, kScalar),
    FW_HINT_VALUE(kValues, kClamp),   FW_HINT_FINISH,
};

fw::KindServices services;

void HOST_CALL evaluate(HostInstance instance, HostSample *sample, HostNodeOutputID,
                        HostNodeValue value) {
    const auto *node = static_cast<const DecayScalar *>(instance);
    const fw::Inputs inputs(&node->base, sample);
    const double d = inputs.scalar(fw::valueRow(kValues, kDistance));
    const double n = inputs.scalar(fw::valueRow(kValues, kNominal));
    const double s = inputs.scalar(fw::valueRow(kValues, kScalar));
    double result = decay::invertedPower(s, decay::exponent(d, n));
    if (node->clamp) result = decay::clampUnit(result);
    fw::setOutput(&node->base, value, &result);
}

}  // namespace

extern constexpr fw::NodeKind kDecayScalar = fw::nodeKind<DecayScalar>({
    .channelGroup = "Exponential Decay (Scalar)",
    .setsPreviewType = true,
    .values = kValues,
    .inputs = kInputs,
    .outputs = kOutputs,
    .dataDescription = kDataDescription.data(),
    .hints = kHints,
    .services = &services,
    .evaluate = evaluate,
});
FW_CHECK_KIND(kDecayScalar);

}  // namespace orv
