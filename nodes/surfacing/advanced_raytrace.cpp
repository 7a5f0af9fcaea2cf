// Advanced RayTrace: one ray through the host's trace operation with full
// control of the trace mode and flags; outputs the colour the ray brings
// back and its length.
#include <cstddef>

#include "framework/hints.h"
#include "framework/inputs.h"
#include "framework/lifecycle.h"
#include "framework/module_colors.h"
#include "framework/persistence.h"
#include "nodes/node_kinds.h"
#include "trace_mode.h"

namespace orv {
namespace {

struct AdvancedRayTrace {
    fw::NodeBase base;
    fw::Vec3 position;
    HostVParmID positionVParm;
    fw::Vec3 direction;
    HostVParmID directionVParm;
    std::int32_t mode;
    double eta;
    HostVParmID etaVParm;
    fw::Vec3 color;
    HostVParmID colorVParm;
    TraceFlags flags;
    HostNodeInputID positionIn, directionIn, etaIn, colorIn;
    HostNodeOutputID colorOut, lengthOut;
};

enum Id : std::uint32_t {
    kPosition = 0x8001,
    kDirection,
    kMode,
    kEta,
    kColor,
    kBackshade,
    kBackdrop,
    kObject,
    kSampledRay,
    kNoPolygon,
    kSettingsGroup,
    kAdvancedGroup,
    kTabs
};

constexpr fw::ConnectorSpec kInputs[] = {
    {"Position", HOST_NOT_VECTOR, offsetof(AdvancedRayTrace, positionIn)},
    {"Direction", HOST_NOT_VECTOR, offsetof(AdvancedRayTrace, directionIn)},
    {"IOR", HOST_NOT_SCALAR, offsetof(AdvancedRayTrace, etaIn)},
    {"Color", HOST_NOT_COLOR, offsetof(AdvancedRayTrace, colorIn)},
};
constexpr fw::ConnectorSpec kOutputs[] = {
    {"Color", HOST_NOT_COLOR, offsetof(AdvancedRayTrace, colorOut)},
    {"Length", HOST_NOT_SCALAR, offsetof(AdvancedRayTrace, lengthOut)},
};

#define ORV_FLAG(member) offsetof(AdvancedRayTrace, flags) + offsetof(TraceFlags, member)
constexpr fw::ValueRow kRows[] = {
    fw::param(kPosition, "Position", "distance3-env", HOST_VP_FLOAT3,
              FW_PARAM_FIELDS(AdvancedRayTrace, position), 0.0, 0.0, 0.0),
    fw::param(kDirection, "Direction", "float3-env", HOST_VP_FLOAT3,
              FW_PARAM_FIELDS(AdvancedRayTrace, direction), 0.0, 0.0, 0.0),
    fw::setting(kMode, "Mode", "iPopTransform", offsetof(AdvancedRayTrace, mode),
                HOST_TRACE_DISTANCE),
    fw::param(kEta, "Refraction Index", "float-env", HOST_VP_FLOAT,
              FW_PARAM_FIELDS(AdvancedRayTrace, eta), 1.0)
        .gatedBy("IOR"),
    fw::param(kColor, "Color", "color-env", HOST_VP_COLOR, FW_PARAM_FIELDS(AdvancedRayTrace, color),
              fw::kDefaultGrey, fw::kDefaultGrey, fw::kDefaultGrey),
    fw::setting(kBackshade, "Backshade", "iBoolean", ORV_FLAG(backshade), 0),
    fw::setting(kBackdrop, "Backdrop", "iBoolean", ORV_FLAG(backdrop), 0),
    fw::setting(kObject, "Object", "iBoolean", ORV_FLAG(object), 0),
    fw::setting(kSampledRay, "Sampled Ray", "iBoolean", ORV_FLAG(sampledRay), 0),
    fw::setting(kNoPolygon, "No Polygon", "iBoolean", ORV_FLAG(noPolygon), 0),
};
constexpr auto kValues = fw::withGates(kRows, kInputs);
#undef ORV_FLAG
FW_CHECK_VALUES(AdvancedRayTrace, kValues, kInputs);
constexpr auto kDataDescription = fw::dataDescription(kValues);

const char *const kModeChoices[] = {"Distance", "Reflection", "Refraction", "Dissolve",
                                    "Shadow",   "Occlusion",  "Backdrop",   nullptr};
constexpr int kModeValues[] = {HOST_TRACE_DISTANCE, HOST_TRACE_REFLECTION, HOST_TRACE_REFRACTION,
                               HOST_TRACE_DISSOLVE, HOST_TRACE_SHADOW,     HOST_TRACE_OCCLUSION,
                               HOST_TRACE_BACKDROP};

const HostPanelHint kHints[] = {
    FW_HINT_BEGIN(kAdvancedRayTrace),
    FW_HINT_VALUE(kValues, kPosition),
    FW_HINT_VALUE(kValues, kDirection),
    FW_HINT_VALUE(kValues, kMode),
    FW_HINT_CHOICES(kMode, kModeChoices),
    FW_HINT_INT_TRANSFORM(kMode, 7, kModeValues),
    FW_HINT_VALUE(kValues, kEta),
    FW_HINT_VALUE(kValues, kColor),
    FW_HINT_VALUE(kValues, kBackshade),
    FW_HINT_VALUE(kValues, kBackdrop),
    FW_HINT_VALUE(kValues, kObject),
    FW_HINT_VALUE(kValues, kSampledRay),
    FW_HINT_VALUE(kValues, kNoPolygon),
    FW_HINT_GROUP(kSettingsGroup, FW_IDS(FW_ID(kPosition), FW_ID(kDirection))),
    FW_HINT_LABEL(kSettingsGroup, "Settings"),
    FW_HINT_GROUP(kAdvancedGroup,
                  FW_IDS(FW_ID(kMode), FW_ID(kEta), FW_ID(kColor), FW_ID(kBackshade),
                         FW_ID(kBackdrop), FW_ID(kObject), FW_ID(kSampledRay), FW_ID(kNoPolygon))),
    FW_HINT_LABEL(kAdvancedGroup, "Advanced"),
    FW_HINT_TABS(kTabs, FW_IDS(FW_ID(kSettingsGroup), FW_ID(kAdvancedGroup))),
    FW_HINT_FINISH,
};

// Every setting in a block of its own, so that scenes may hold them in any
// order, lack some, or repeat them.
struct Block {
    HostBlockIdent ident;
    std::uint32_t value;
};
constexpr Block kBlocks[] = {
    {{HOST_ID4('R', 'P', 'O', 'S'), "Position"}, kPosition},
    {{HOST_ID4('R', 'D', 'I', 'R'), "Direction"}, kDirection},
    {{HOST_ID4('M', 'O', 'D', 'E'), "Mode"}, kMode},
    {{HOST_ID4('R', 'I', 'O', 'R'), "IOR"}, kEta},
    {{HOST_ID4('C', 'O', 'L', 'O'), "Color"}, kColor},
    {{HOST_ID4('B', 'S', 'H', 'A'), "Backshade"}, kBackshade},
    {{HOST_ID4('B', 'D', 'R', 'O'), "Backdrop"}, kBackdrop},
    {{HOST_ID4('O', 'B', 'J', 'E'), "Object"}, kObject},
    {{HOST_ID4('S', 'R', 'A', 'Y'), "Sampled Ray"}, kSampledRay},
    {{HOST_ID4('P', 'O', 'L', 'Y'), "No Polygon"}, kNoPolygon},
};
constexpr HostBlockIdent kBlockIdents[] = {
    kBlocks[0].ident, kBlocks[1].ident, kBlocks[2].ident, kBlocks[3].ident,
    kBlocks[4].ident, kBlocks[5].ident, kBlocks[6].ident, kBlocks[7].ident,
    kBlocks[8].ident, kBlocks[9].ident, {0, nullptr},
};

HostError save(fw::NodeBase *node, const HostSaveState *state) {
    for (const Block &block : kBlocks) {
        const fw::ValueRow &row = *fw::findRow(kValues, block.value);
        state->beginBlock(state->writeData, &block.ident, 1);
        if (row.isParam()) {
            // A failed vparm save ends the save at once, its block left open.
            if (HostError error = fw::saveParam(node, row, state)) return error;
        } else {
            fw::saveInt16(state, fw::field<std::int32_t>(node, row.offset));
        }
        state->endBlock(state->writeData);
    }
    return nullptr;
}

HostError load(fw::NodeBase *node, const HostLoadState *state) {
    while (const std::uint32_t id = state->findBlock(state->readData, kBlockIdents)) {
        for (const Block &block : kBlocks) {
            if (block.ident.id != id) continue;
            const fw::ValueRow &row = *fw::findRow(kValues, block.value);
            if (row.isParam()) {
                if (HostError error = fw::loadParam(node, row, state)) return error;
            } else {
                fw::loadInt16(state, fw::field<std::int32_t>(node, row.offset));
            }
        }
        state->endBlock(state->readData);
    }
    fw::refreshCachedValues(node, 0.0);
    return nullptr;
}

fw::KindServices services;

void HOST_CALL evaluate(HostInstance instance, HostSample *sample, HostNodeOutputID output,
                        HostNodeValue value) {
    const auto *node = static_cast<const AdvancedRayTrace *>(instance);
    const fw::Inputs inputs(&node->base, sample);
    const fw::Vec3 origin = inputs.triple(fw::valueRow(kValues, kPosition));
    const fw::Vec3 direction = inputs.triple(fw::valueRow(kValues, kDirection));
    const double eta = inputs.scalar(fw::valueRow(kValues, kEta));
    fw::Vec3 color = inputs.triple(fw::valueRow(kValues, kColor));
    const std::uint32_t word = modeWord(node->mode, node->flags);
    // The host is trusted: its length and colour go on unchecked.
    double length = sample->trace(sample, origin.data(), direction.data(), color.data(), eta, word);
    if (output == node->colorOut)
        fw::setOutput(&node->base, value, color.data());
    else
        fw::setOutput(&node->base, value, &length);
}

}  // namespace

extern constexpr fw::NodeKind kAdvancedRayTrace = fw::nodeKind<AdvancedRayTrace>({
    .channelGroup = "Advanced RayTrace",
    .setsPreviewType = true,
    .values = kValues,
    .inputs = kInputs,
    .outputs = kOutputs,
    .dataDescription = kDataDescription.data(),
    .hints = kHints,
    .services = &services,
    .evaluate = evaluate,
    .hooks = {.load = load, .save = save},
});
FW_CHECK_KIND(kAdvancedRayTrace);

}  // namespace orv
