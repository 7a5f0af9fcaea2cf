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

enum Id : std::uint32_t { kInput = 0x8001 };

constexpr fw::ConnectorSpec kInputs[] = {{"In", HOST_NOT_SCALAR, offsetof(Sqrt, in)}};
constexpr fw::ConnectorSpec kOutputs[] = {{"Out", HOST_NOT_SCALAR, offsetof(Sqrt, out)}};
constexpr fw::ValueRow kRows[] = {
    fw::param(kInput, "Input", "float-env", HOST_VP_FLOAT, FW_PARAM_FIELDS(Sqrt, input), 1.0)
        .gatedBy("In"),
};
constexpr auto kValues = fw::withGates(kRows, kInputs);
FW_CHECK_VALUES(Sqrt, kValues, kInputs);
constexpr auto kDataDescription = fw::dataDescription(kValues);

const HostPanelHint kHints[] = {
    FW_HINT_BEGIN(kSqrt),
    FW_HINT_VALUE(kValues, kInput),
    FW_HINT_FINISH,
};

fw::KindServices services;

void HOST_CALL evaluate(HostInstance instance, HostSample *sample, HostNodeOutputID,
                        HostNodeValue value) {
    const auto *node = static_cast<const Sqrt *>(instance);
    const fw::Inputs inputs(&node->base, sample);
    const double x = inputs.scalar(fw::valueRow(kValues, kInput));
    const double result = std::sqrt(std::fabs(x));
    fw::setOutput(&node->base, value, &result);
}

}  // namespace

extern constexpr fw::NodeKind kSqrt = fw::nodeKind<Sqrt>({
    .channelGroup = "Sqrt",
    .setsPreviewType = true,
    .values = kValues,
    .inputs = kInputs,
    .outputs = kOutputs,
    .dataDescription = kDataDescription.data(),
    .hints = kHints,
    .services = &services,
    .evaluate = evaluate,
});
FW_CHECK_KIND(kSqrt);

}  // namespace orv
