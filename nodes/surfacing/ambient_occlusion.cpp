// Ambient Occlusion: fires rays into a cone around a normal and turns their
// hit distances into how much of the cone is blocked. "Color" mixes per-ray
// colours by that amount; "Scalar" is the average unblocked share.
#include <algorithm>
#include <cstddef>

#include "framework/hints.h"
#include "framework/inputs.h"
#include "framework/lifecycle.h"
#include "nodes/math/generator.h"
#include "nodes/node_kinds.h"
#include "occlusion_sampler.h"

namespace orv {
namespace {

constexpr std::uint32_t kCreateSeed = 3;

using occlusion::kCustom;
using occlusion::kPolarLayout;
using occlusion::kRandomLayout;
using occlusion::limitColor;
using occlusion::Settings;

struct AmbientOcclusion {
    fw::NodeBase base;
    std::int32_t mode, samples, polar1, polar2;
    double jitterAngle;
    HostVParmID jitterAngleVParm;
    double coneAngle;
    HostVParmID coneAngleVParm;
    std::int32_t ranged;
    double max;
    HostVParmID maxVParm;
    double shift;
    HostVParmID shiftVParm;
    std::int32_t clampLow;
    double low;
    HostVParmID lowVParm;
    std::int32_t clampHigh;
    double high;
    HostVParmID highVParm;
    double offset;
    HostVParmID offsetVParm;
    std::int32_t sampleDepth;
    std::int32_t srfColorMode;
    fw::Vec3 srfColor;
    HostVParmID srfColorVParm;
    double srfBrightness;
    HostVParmID srfBrightnessVParm;
    std::int32_t bgColorMode;
    fw::Vec3 bgColor;
    HostVParmID bgColorVParm;
    double bgBrightness;
    HostVParmID bgBrightnessVParm;
    std::int32_t occColorMode;
    fw::Vec3 occColor;
    HostVParmID occColorVParm;
    double occBrightness;
    HostVParmID occBrightnessVParm;
    std::int32_t limitColorMode;
    fw::Vec3 limitColor;
    HostVParmID limitColorVParm;
    double limitBrightness;
    HostVParmID limitBrightnessVParm;
    HostNodeInputID samplesIn, polar1In, polar2In, jitterAngleIn, coneAngleIn, maxIn, shiftIn,
        lowIn, highIn, offsetIn, sampleDepthIn, srfColorIn, srfBrightnessIn, bgColorIn,
        bgBrightnessIn, occColorIn, occBrightnessIn, limitColorIn, limitBrightnessIn, functionIn,
        normalIn;
    HostNodeOutputID colorOut, scalarOut;
};

enum Id : std::uint32_t {
    kModeId = 0x8001,
    kSamplesId,
    kPolar1Id,
    kPolar2Id,
    kJitterAngleId,
    kConeAngleId,
    kRangedId,
    kMaxId,
    kShiftId,
    kClampLowId,
    kLowId,
    kClampHighId,
    kHighId,
    kOffsetId,
    kSampleDepthId,
    kSrfColorModeId,
    kSrfColorId,
    kSrfBrightnessId,
    kBgColorModeId,
    kBgColorId,
    kBgBrightnessId,
    kOccColorModeId,
    kOccColorId,
    kOccBrightnessId,
    kLimitColorModeId,
    kLimitColorId,
    kLimitBrightnessId,
    kPolarGroup,
    kLayoutStack,
    kBrightnessBorder,
    kSampleGroup,
    kColorGroup,
    kTabs
};

#define ORV_AO(member) offsetof(AmbientOcclusion, member)
constexpr fw::ConnectorSpec kInputs[] = {
    {"Samples", HOST_NOT_INTEGER, ORV_AO(samplesIn)},
    {"Polar 1", HOST_NOT_INTEGER, ORV_AO(polar1In)},
    {"Polar 2", HOST_NOT_INTEGER, ORV_AO(polar2In)},
    {"Jitter Angle", HOST_NOT_SCALAR, ORV_AO(jitterAngleIn)},
    {"Cone Angle", HOST_NOT_SCALAR, ORV_AO(coneAngleIn)},
    {"Max", HOST_NOT_SCALAR, ORV_AO(maxIn)},
    {"Shift", HOST_NOT_SCALAR, ORV_AO(shiftIn)},
    {"Low", HOST_NOT_SCALAR, ORV_AO(lowIn)},
    {"High", HOST_NOT_SCALAR, ORV_AO(highIn)},
    {"Offset", HOST_NOT_SCALAR, ORV_AO(offsetIn)},
    {"Sample Depth", HOST_NOT_INTEGER, ORV_AO(sampleDepthIn)},
    {"Srf Color", HOST_NOT_COLOR, ORV_AO(srfColorIn)},
    {"Srf Brightness", HOST_NOT_SCALAR, ORV_AO(srfBrightnessIn)},
    {"Bg Color", HOST_NOT_COLOR, ORV_AO(bgColorIn)},
    {"Bg Brightness", HOST_NOT_SCALAR, ORV_AO(bgBrightnessIn)},
    {"Occ Color", HOST_NOT_COLOR, ORV_AO(occColorIn)},
    {"Occ Brightness", HOST_NOT_SCALAR, ORV_AO(occBrightnessIn)},
    {"Limit Color", HOST_NOT_COLOR, ORV_AO(limitColorIn)},
    {"Limit Brightness", HOST_NOT_SCALAR, ORV_AO(limitBrightnessIn)},
    {"Function", HOST_NOT_FUNCTION, ORV_AO(functionIn)},
    {"Normal", HOST_NOT_VECTOR, ORV_AO(normalIn)},
};
constexpr fw::ConnectorSpec kOutputs[] = {
    {"Color", HOST_NOT_COLOR, ORV_AO(colorOut)},
    {"Scalar", HOST_NOT_SCALAR, ORV_AO(scalarOut)},
};

#define ORV_AO_PARAM(id, label, dataType, envType, member, ...) \
    fw::param(id, label, dataType, envType, FW_PARAM_FIELDS(AmbientOcclusion, member), __VA_ARGS__)
// A colour mode, its colour and its brightness, whose channel and input are
// named after the colour.
#define ORV_AO_COLOR_ROWS(first, name, member, red, green, blue)                                 \
    fw::setting((first), "Color Mode", "iChoice", ORV_AO(member##ColorMode), kCustom),           \
        ORV_AO_PARAM((first) + 1, name " Color", "color-env", HOST_VP_COLOR, member##Color, red, \
                     green, blue),                                                               \
        ORV_AO_PARAM((first) + 2, "Brightness", "percent-env", HOST_VP_PERCENT,                  \
                     member##Brightness, 1.0)                                                    \
            .channelNamed(name " Brightness")                                                    \
            .gatedBy(name " Brightness")
constexpr fw::ValueRow kRows[] = {
    fw::setting(kModeId, "Mode", "iChoice", ORV_AO(mode), kRandomLayout),
    fw::setting(kSamplesId, "Samples", "integer", ORV_AO(samples), 27),
    fw::setting(kPolar1Id, "Polar Samples 1", "integer", ORV_AO(polar1), 3).gatedBy("Polar 1"),
    fw::setting(kPolar2Id, "Polar Samples 2", "integer", ORV_AO(polar2), 9).gatedBy("Polar 2"),
    ORV_AO_PARAM(kJitterAngleId, "Jitter Angle", "angle-env", HOST_VP_ANGLE, jitterAngle,
                 0.3490658503988659),
    ORV_AO_PARAM(kConeAngleId, "Cone Angle", "angle-env", HOST_VP_ANGLE, coneAngle,
                 1.5707963267948966),
    fw::setting(kRangedId, "Ranged", "iBoolean", ORV_AO(ranged), 1),
    ORV_AO_PARAM(kMaxId, "Max", "distance-env", HOST_VP_DIST, max, 5.0),
    ORV_AO_PARAM(kShiftId, "Shift", "float-env", HOST_VP_FLOAT, shift, 0.0),
    fw::setting(kClampLowId, "Clamp", "iBoolean", ORV_AO(clampLow), 0),
    ORV_AO_PARAM(kLowId, "Low", "float-env", HOST_VP_FLOAT, low, 0.0),
    fw::setting(kClampHighId, "Clamp", "iBoolean", ORV_AO(clampHigh), 0),
    ORV_AO_PARAM(kHighId, "High", "float-env", HOST_VP_FLOAT, high, 1.0),
    ORV_AO_PARAM(kOffsetId, "Offset", "distance-env", HOST_VP_DIST, offset, 0.0),
    fw::setting(kSampleDepthId, "Sample Depth", "integer", ORV_AO(sampleDepth), 0),
    ORV_AO_COLOR_ROWS(kSrfColorModeId, "Srf", srf, 1.0, 1.0, 1.0),
    ORV_AO_COLOR_ROWS(kBgColorModeId, "Bg", bg, 1.0, 1.0, 1.0),
    ORV_AO_COLOR_ROWS(kOccColorModeId, "Occ", occ, 0.0, 0.0, 0.0),
    ORV_AO_COLOR_ROWS(kLimitColorModeId, "Limit", limit, 0.0, 0.0, 0.0),
};
constexpr auto kValues = fw::withGates(kRows, kInputs);
#undef ORV_AO_COLOR_ROWS
#undef ORV_AO_PARAM
#undef ORV_AO
FW_CHECK_VALUES(AmbientOcclusion, kValues, kInputs);
constexpr auto kDataDescription = fw::dataDescription(kValues);

Backdrop backdrop;

Settings evaluateSettings(const AmbientOcclusion *node, const fw::Inputs &in) {
    Settings s;
    s.ranged = node->ranged == 1;
    s.clampLow = node->clampLow == 1;
    s.clampHigh = node->clampHigh == 1;
    s.srfMode = node->srfColorMode;
    s.bgMode = node->bgColorMode;
    s.occMode = node->occColorMode;
    s.coneAngle = in.scalar(fw::valueRow(kValues, kConeAngleId));
    s.max = in.scalar(fw::valueRow(kValues, kMaxId));
    s.shift = in.scalar(fw::valueRow(kValues, kShiftId));
    s.low = in.scalar(fw::valueRow(kValues, kLowId));
    s.high = in.scalar(fw::valueRow(kValues, kHighId));
    s.offset = in.scalar(fw::valueRow(kValues, kOffsetId));
    s.sampleDepth = in.integer(fw::valueRow(kValues, kSampleDepthId));
    s.srfColor = in.triple(fw::valueRow(kValues, kSrfColorId));
    s.srfBrightness = in.scalar(fw::valueRow(kValues, kSrfBrightnessId));
    s.bgColor = in.triple(fw::valueRow(kValues, kBgColorId));
    s.bgBrightness = in.scalar(fw::valueRow(kValues, kBgBrightnessId));
    s.occColor = in.triple(fw::valueRow(kValues, kOccColorId));
    s.occBrightness = in.scalar(fw::valueRow(kValues, kOccBrightnessId));
    s.limitColor = in.triple(fw::valueRow(kValues, kLimitColorId));
    s.limitBrightness = in.scalar(fw::valueRow(kValues, kLimitBrightnessId));
    return s;
}

void HOST_CALL evaluate(HostInstance instance, HostSample *sample, HostNodeOutputID output,
                        HostNodeValue value) {
    const auto *node = static_cast<const AmbientOcclusion *>(instance);
    const bool scalar = output == node->scalarOut;
    auto deliver = [&](const fw::Vec3 &a) {
        if (scalar)
            fw::setOutput(&node->base, value, &a[0]);
        else
            fw::setOutput(&node->base, value, a.data());
    };

    // A shadow ray only asks what the surface lets through: no occlusion.
    if (sample->flags & HOST_SAMPLE_SHADOW) return deliver({0.0, 0.0, 0.0});

    const fw::Inputs inputs(&node->base, sample);
    const Settings s = evaluateSettings(node, inputs);
    fw::Vec3 n{sample->shadingNormal[0], sample->shadingNormal[1], sample->shadingNormal[2]};
    n = inputs.triple(node->normalIn, n);

    if ((sample->flags & HOST_SAMPLE_SAMPLED) && sample->bounces > s.sampleDepth)
        return deliver(limitColor(s, sample, &backdrop, node->limitColorMode));

    occlusion::Counts counts{node->mode, 1, 1, 1, 0.0};
    if (node->mode == kRandomLayout) {
        counts.samples = std::max(inputs.integer(fw::valueRow(kValues, kSamplesId)), 1);
    } else if (node->mode == kPolarLayout) {
        counts.rings = std::max(inputs.integer(fw::valueRow(kValues, kPolar1Id)), 1);
        counts.perRing = std::max(inputs.integer(fw::valueRow(kValues, kPolar2Id)), 1);
        counts.jitter = inputs.scalar(fw::valueRow(kValues, kJitterAngleId));
    }
    const occlusion::Context context{sample, &backdrop, &inputs, node->functionIn, scalar};
    deliver(occlusion::sample(context, s, n, counts));
}

HostError afterDefaults(fw::NodeBase *, void *) {
    seedGenerator(kCreateSeed);
    return nullptr;
}
int acquireServices(HostServiceLookup lookup) {
    return acquireBackdrop(lookup, backdrop);
}

const char *const kLayoutChoices[] = {"Random", "Polar", nullptr};
const char *const kTracedColorChoices[] = {"Custom", "Backdrop", "Trace", nullptr};
const char *const kColorChoices[] = {"Custom", "Backdrop", nullptr};
// Colour fields are enabled only while their mode is "Custom".
constexpr int kCustomOnly[] = {1, 0, 0};

#define ORV_COUNT_CONTROL(id, minimum) \
    FW_HINT_VALUE(kValues, id), FW_HINT_MIN(id, minimum), FW_HINT_HARD_MIN_MAX(id, 1, 0)
#define ORV_COLOR_CONTROLS(mode, choices)                              \
    FW_HINT_VALUE(kValues, mode), FW_HINT_CHOICES(mode, choices),      \
        FW_HINT_VALUE(kValues, (mode) + 1),                            \
        FW_HINT_ENABLE(mode, nullptr, kCustomOnly, FW_ID((mode) + 1)), \
        FW_HINT_VALUE(kValues, (mode) + 2), FW_HINT_MIN((mode) + 2, 0)
const HostPanelHint kHints[] = {
    FW_HINT_BEGIN(kAmbientOcclusion),
    FW_HINT_VALUE(kValues, kModeId),
    FW_HINT_CHOICES(kModeId, kLayoutChoices),
    ORV_COUNT_CONTROL(kSamplesId, 1),
    ORV_COUNT_CONTROL(kPolar1Id, 1),
    ORV_COUNT_CONTROL(kPolar2Id, 1),
    FW_HINT_VALUE(kValues, kJitterAngleId),
    FW_HINT_RANGE(kJitterAngleId, 0, 90, 1),
    FW_HINT_GROUP(kPolarGroup, FW_ID(kPolar1Id), FW_ID(kPolar2Id), FW_ID(kJitterAngleId)),
    FW_HINT_STACK(kLayoutStack, kModeId, nullptr, FW_ID(kSamplesId), FW_ID(kPolarGroup)),
    FW_HINT_VALUE(kValues, kConeAngleId),
    FW_HINT_RANGE(kConeAngleId, 0, 90, 1),
    FW_HINT_VALUE(kValues, kRangedId),
    FW_HINT_VALUE(kValues, kMaxId),
    FW_HINT_MIN(kMaxId, 0),
    FW_HINT_ENABLE(kRangedId, nullptr, nullptr, FW_ID(kMaxId)),
    FW_HINT_VALUE(kValues, kShiftId),
    FW_HINT_SLIDER(kShiftId, 1),
    FW_HINT_VALUE(kValues, kClampLowId),
    FW_HINT_VALUE(kValues, kLowId),
    FW_HINT_SLIDER(kLowId, 1),
    FW_HINT_ENABLE(kClampLowId, nullptr, nullptr, FW_ID(kLowId)),
    FW_HINT_VALUE(kValues, kClampHighId),
    FW_HINT_VALUE(kValues, kHighId),
    FW_HINT_SLIDER(kHighId, 1),
    FW_HINT_ENABLE(kClampHighId, nullptr, nullptr, FW_ID(kHighId)),
    FW_HINT_VALUE(kValues, kOffsetId),
    ORV_COUNT_CONTROL(kSampleDepthId, 0),
    ORV_COLOR_CONTROLS(kSrfColorModeId, kTracedColorChoices),
    ORV_COLOR_CONTROLS(kBgColorModeId, kColorChoices),
    ORV_COLOR_CONTROLS(kOccColorModeId, kTracedColorChoices),
    FW_HINT_BORDER(kBrightnessBorder, FW_ID(kSrfBrightnessId), FW_ID(kBgBrightnessId),
                   FW_ID(kOccBrightnessId)),
    ORV_COLOR_CONTROLS(kLimitColorModeId, kColorChoices),
    FW_HINT_ENABLE(kRangedId, "This control is only enabled in ranged mode", nullptr,
                   FW_ID(kSrfColorModeId), FW_ID(kSrfColorId), FW_ID(kSrfBrightnessId)),
    FW_HINT_LEFT_ALIGN(FW_ID(kRangedId), FW_ID(kClampLowId), FW_ID(kClampHighId)),
    FW_HINT_NARROW(FW_ID(kMaxId), FW_ID(kShiftId), FW_ID(kLowId), FW_ID(kHighId)),
    FW_HINT_GROUP(kSampleGroup, FW_ID(kModeId), FW_ID(kLayoutStack), FW_ID(kConeAngleId),
                  FW_ID(kRangedId), FW_ID(kMaxId), FW_ID(kShiftId), FW_ID(kClampLowId),
                  FW_ID(kLowId), FW_ID(kClampHighId), FW_ID(kHighId), FW_ID(kOffsetId),
                  FW_ID(kSampleDepthId)),
    FW_HINT_LABEL(kSampleGroup, "Sample Settings"),
    FW_HINT_GROUP(kColorGroup, FW_ID(kSrfColorModeId), FW_ID(kSrfColorId), FW_ID(kSrfBrightnessId),
                  FW_ID(kBgColorModeId), FW_ID(kBgColorId), FW_ID(kBgBrightnessId),
                  FW_ID(kOccColorModeId), FW_ID(kOccColorId), FW_ID(kOccBrightnessId),
                  FW_ID(kLimitColorModeId), FW_ID(kLimitColorId), FW_ID(kLimitBrightnessId)),
    FW_HINT_LABEL(kColorGroup, "Color Settings"),
    FW_HINT_TABS(kTabs, FW_ID(kSampleGroup), FW_ID(kColorGroup)),
    FW_HINT_FINISH,
};
#undef ORV_COLOR_CONTROLS
#undef ORV_COUNT_CONTROL

fw::KindServices services;

}  // namespace

extern constexpr fw::NodeKind kAmbientOcclusion = fw::nodeKind<AmbientOcclusion>({
    .channelGroup = "Ambient Occlusion",
    .setsPreviewType = false,
    .values = kValues,
    .inputs = kInputs,
    .outputs = kOutputs,
    .dataDescription = kDataDescription.data(),
    .hints = kHints,
    .services = &services,
    .evaluate = evaluate,
    .hooks = {.acquireServices = acquireServices, .afterDefaults = afterDefaults},
});
FW_CHECK_KIND(kAmbientOcclusion);

}  // namespace orv
