// Advanced RayTrace: one ray through the host's trace operation with full
// control of the trace mode and flags; outputs the colour the ray brings
// back and its length.
#include <cstddef>

#include "framework/hints.h"
#include "framework/inputs.h"
#include "framework/lifecycle.h"
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

void HOST_CALL evaluate(HostInstance instance, HostSample *sample, HostNodeOutputID output,
                        HostNodeValue value) {
    const auto *node = static_cast<const AdvancedRayTrace *>(instance);
    const fw::Inputs inputs(&node->base, sample);
    const fw::Vec3 origin = inputs.triple(node->positionIn, node->position);
    const fw::Vec3 direction = inputs.triple(node->directionIn, node->direction);
    const double eta = inputs.scalar(node->etaIn, node->eta);
    fw::Vec3 color = inputs.triple(node->colorIn, node->color);
    const std::uint32_t word = modeWord(node->mode, node->flags);
    // The host is trusted: its length and colour go on unchecked.
    double length = sample->trace(sample, origin.data(), direction.data(), color.data(), eta, word);
    if (output == node->colorOut)
        fw::setOutput(&node->base, value, color.data());
    else
        fw::setOutput(&node->base, value, &length);
}

constexpr double kGrey = 0.78431;

constexpr fw::ParamSpec kParams[] = {
    {"Position",
     HOST_VP_FLOAT3,
     offsetof(AdvancedRayTrace, position),
     offsetof(AdvancedRayTrace, positionVParm),
     {0.0, 0.0, 0.0}},
    {"Direction",
     HOST_VP_FLOAT3,
     offsetof(AdvancedRayTrace, direction),
     offsetof(AdvancedRayTrace, directionVParm),
     {0.0, 0.0, 0.0}},
    {"Refraction Index",
     HOST_VP_FLOAT,
     offsetof(AdvancedRayTrace, eta),
     offsetof(AdvancedRayTrace, etaVParm),
     {1.0}},
    {"Color",
     HOST_VP_COLOR,
     offsetof(AdvancedRayTrace, color),
     offsetof(AdvancedRayTrace, colorVParm),
     {kGrey, kGrey, kGrey}},
};
enum ParamIndex { kPosition, kDirection, kEta, kColor };

#define ORV_FLAG(member) offsetof(AdvancedRayTrace, flags) + offsetof(TraceFlags, member)
constexpr fw::SettingSpec kSettings[] = {
    {offsetof(AdvancedRayTrace, mode), HOST_TRACE_DISTANCE},
    {ORV_FLAG(backshade), 0},
    {ORV_FLAG(backdrop), 0},
    {ORV_FLAG(object), 0},
    {ORV_FLAG(sampledRay), 0},
    {ORV_FLAG(noPolygon), 0},
};
#undef ORV_FLAG
enum SettingIndex { kMode, kBackshade, kBackdrop, kObject, kSampledRay, kNoPolygon };

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
constexpr fw::ControlSpec kControls[] = {
    {0x8001, fw::ControlSpec::Param, kPosition, 0},
    {0x8002, fw::ControlSpec::Param, kDirection, 1},
    {0x8003, fw::ControlSpec::Setting, kMode, fw::kNoGate},
    {0x8004, fw::ControlSpec::Param, kEta, 2},
    {0x8005, fw::ControlSpec::Param, kColor, 3},
    {0x8006, fw::ControlSpec::Setting, kBackshade, fw::kNoGate},
    {0x8007, fw::ControlSpec::Setting, kBackdrop, fw::kNoGate},
    {0x8008, fw::ControlSpec::Setting, kObject, fw::kNoGate},
    {0x8009, fw::ControlSpec::Setting, kSampledRay, fw::kNoGate},
    {0x800a, fw::ControlSpec::Setting, kNoPolygon, fw::kNoGate},
};

constexpr HostPanelDataDesc kDataDescription[] = {
    {0x8001, "Position", "distance3-env"},
    {0x8002, "Direction", "float3-env"},
    {0x8003, "Mode", "integer"},
    {0x8004, "Refraction Index", "float-env"},
    {0x8005, "Color", "color-env"},
    {0x8006, "Backshade", "integer"},
    {0x8007, "Backdrop", "integer"},
    {0x8008, "Object", "integer"},
    {0x8009, "Sampled Ray", "integer"},
    {0x800a, "No Polygon", "integer"},
    {0, nullptr, nullptr},
};

const char *const kModeChoices[] = {"Distance", "Reflection", "Refraction", "Dissolve",
                                    "Shadow",   "Occlusion",  "Backdrop",   nullptr};
constexpr int kModeValues[] = {0, 1, 2, 3, 4, 5, 6};

const HostPanelHint kHints[] = {
    FW_HINT_CHANGE_NOTIFY(fw::changeNotify<kAdvancedRayTrace>),
    FW_HINT_CONTROL(0x8001, "distance3-env", "Position"),
    FW_HINT_CONTROL(0x8002, "float3-env", "Direction"),
    FW_HINT_CONTROL(0x8003, "iPopTransform", "Mode"),
    FW_HINT_CHOICES(0x8003, kModeChoices),
    FW_HINT_INT_TRANSFORM(0x8003, 7, kModeValues),
    FW_HINT_CONTROL(0x8004, "float-env", "Refraction Index"),
    FW_HINT_CONTROL(0x8005, "color-env", "Color"),
    FW_HINT_CONTROL(0x8006, "iBoolean", "Backshade"),
    FW_HINT_CONTROL(0x8007, "iBoolean", "Backdrop"),
    FW_HINT_CONTROL(0x8008, "iBoolean", "Object"),
    FW_HINT_CONTROL(0x8009, "iBoolean", "Sampled Ray"),
    FW_HINT_CONTROL(0x800a, "iBoolean", "No Polygon"),
    FW_HINT_GROUP(0x800b, FW_IDS(FW_ID(0x8001), FW_ID(0x8002))),
    FW_HINT_LABEL(0x800b, "Settings"),
    FW_HINT_GROUP(0x800c, FW_IDS(FW_ID(0x8003), FW_ID(0x8004), FW_ID(0x8005), FW_ID(0x8006),
                                 FW_ID(0x8007), FW_ID(0x8008), FW_ID(0x8009), FW_ID(0x800a))),
    FW_HINT_LABEL(0x800c, "Advanced"),
    FW_HINT_TABS(0x800d, FW_IDS(FW_ID(0x800b), FW_ID(0x800c))),
    FW_HINT_DESTROY_NOTIFY(fw::panelDestroy),
    FW_HINT_END,
};

// Every setting in a block of its own, so that scenes may hold them in any
// order, lack some, or repeat them.
struct Block {
    HostBlockIdent ident;
    bool isParam;
    int index;
};
constexpr Block kBlocks[] = {
    {{HOST_ID4('R', 'P', 'O', 'S'), "Position"}, true, kPosition},
    {{HOST_ID4('R', 'D', 'I', 'R'), "Direction"}, true, kDirection},
    {{HOST_ID4('M', 'O', 'D', 'E'), "Mode"}, false, kMode},
    {{HOST_ID4('R', 'I', 'O', 'R'), "IOR"}, true, kEta},
    {{HOST_ID4('C', 'O', 'L', 'O'), "Color"}, true, kColor},
    {{HOST_ID4('B', 'S', 'H', 'A'), "Backshade"}, false, kBackshade},
    {{HOST_ID4('B', 'D', 'R', 'O'), "Backdrop"}, false, kBackdrop},
    {{HOST_ID4('O', 'B', 'J', 'E'), "Object"}, false, kObject},
    {{HOST_ID4('S', 'R', 'A', 'Y'), "Sampled Ray"}, false, kSampledRay},
    {{HOST_ID4('P', 'O', 'L', 'Y'), "No Polygon"}, false, kNoPolygon},
};
constexpr HostBlockIdent kBlockIdents[] = {
    kBlocks[0].ident, kBlocks[1].ident, kBlocks[2].ident, kBlocks[3].ident,
    kBlocks[4].ident, kBlocks[5].ident, kBlocks[6].ident, kBlocks[7].ident,
    kBlocks[8].ident, kBlocks[9].ident, {0, nullptr},
};

HostError save(fw::NodeBase *node, const HostSaveState *state) {
    for (const Block &block : kBlocks) {
        state->beginBlock(state->writeData, &block.ident, 1);
        if (block.isParam) {
            // A failed vparm save ends the save at once, its block left open.
            if (HostError error = fw::saveParam(node, kParams[block.index], state)) return error;
        } else {
            fw::saveInt16(state, fw::field<std::int32_t>(node, kSettings[block.index].offset));
        }
        state->endBlock(state->writeData);
    }
    return nullptr;
}

HostError load(fw::NodeBase *node, const HostLoadState *state) {
    while (const std::uint32_t id = state->findBlock(state->readData, kBlockIdents)) {
        for (const Block &block : kBlocks) {
            if (block.ident.id != id) continue;
            if (block.isParam) {
                if (HostError error = fw::loadParam(node, kParams[block.index], state))
                    return error;
            } else {
                fw::loadInt16(state, fw::field<std::int32_t>(node, kSettings[block.index].offset));
            }
        }
        state->endBlock(state->readData);
    }
    fw::refreshCachedValues(node, 0.0);
    return nullptr;
}

fw::KindServices services;

}  // namespace

extern const fw::NodeKind kAdvancedRayTrace = {
    .channelGroup = "Advanced RayTrace",
    .recordSize = sizeof(AdvancedRayTrace),
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
    .hooks = {.load = load, .save = save},
};

}  // namespace orv
