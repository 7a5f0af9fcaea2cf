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

HostError afterDefaults(fw::NodeBase *, void *) {
    seedGenerator(kCreateSeed);
    return nullptr;
}

enum Id : std::uint32_t { kMin = 0x8001, kMax };

constexpr fw::ConnectorSpec kInputs[] = {
    {"Min", HOST_NOT_SCALAR, offsetof(Random, minIn)},
    {"Max", HOST_NOT_SCALAR, offsetof(Random, maxIn)},
};
constexpr fw::ConnectorSpec kOutputs[] = {{"Out", HOST_NOT_SCALAR, offsetof(Random, out)}};
constexpr fw::ValueRow kRows[] = {
    fw::param(kMin, "Min", "float-env", HOST_VP_FLOAT, FW_PARAM_FIELDS(Random, minimum), 0.0),
    fw::param(kMax, "Max", "float-env", HOST_VP_FLOAT, FW_PARAM_FIELDS(Random, maximum), 1.0),
};
constexpr auto kValues = fw::withGates(kRows, kInputs);
FW_CHECK_VALUES(Random, kValues, kInputs);
constexpr auto kDataDescription = fw::dataDescription(kValues);

const HostPanelHint kHints[] = {
    FW_HINT_BEGIN(kRandom),
    FW_HINT_VALUE(kValues, kMin),
    FW_HINT_VALUE(kValues, kMax),
    FW_HINT_FINISH,
};

fw::KindServices services;

void HOST_CALL evaluate(HostInstance instance, HostSample *sample, HostNodeOutputID,
                        HostNodeValue value) {
    const auto *node = static_cast<const Random *>(instance);
    const fw::Inputs inputs(&node->base, sample);
    const double minimum = inputs.scalar(fw::valueRow(kValues, kMin));
    const double maximum = inputs.scalar(fw::valueRow(kValues, kMax));
    const double r = nextReal(sample->threadIndex);
    const double result = minimum + r * (maximum - minimum);
    fw::setOutput(&node->base, value, &result);
}

}  // namespace

extern constexpr fw::NodeKind kRandom = fw::nodeKind<Random>({
    .channelGroup = "Random",
    .setsPreviewType = true,
    .values = kValues,
    .inputs = kInputs,
    .outputs = kOutputs,
    .dataDescription = kDataDescription.data(),
    .hints = kHints,
    .services = &services,
    .evaluate = evaluate,
    .hooks = {.afterDefaults = afterDefaults},
});
FW_CHECK_KIND(kRandom);

}  // namespace orv
