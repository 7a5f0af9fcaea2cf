// Gaussian Refractions: frosted glass, the average of rays bent through
// normals tilted by bell-shaped offsets scaled by the blur (mirrored beyond
// the critical angle), each coloured by the backdrop, a traced ray or a
// spherical image. Shadow rays pass through it filtered by its tint.
#include <cstddef>

#include "bell_sample.h"
#include "blur_source.h"
#include "framework/hints.h"
#include "framework/inputs.h"
#include "framework/lifecycle.h"
#include "framework/persistence.h"
#include "nodes/math/generator.h"
#include "nodes/node_kinds.h"

namespace orv {
namespace {

struct GaussianRefractions {
    fw::NodeBase base;
    std::int32_t mode;
    std::int32_t popupItemCount;
    std::int32_t imageIndex;
    std::int32_t tint;
    fw::Vec3 color;
    HostVParmID colorVParm;
    double seamAngle;
    HostVParmID seamAngleVParm;
    double index;
    HostVParmID indexVParm;
    double blur;
    HostVParmID blurVParm;
    std::int32_t samples;
    std::int32_t blurDepth;
    HostNodeInputID colorIn, angleIn, iorIn, blurIn, samplesIn, depthIn, normalIn;
    HostNodeOutputID colorOut;
};

ImageServices imageServices;
Backdrop backdrop;
fw::KindServices services;

constexpr ImagePopup kPopup = {&imageServices, offsetof(GaussianRefractions, popupItemCount),
                               offsetof(GaussianRefractions, imageIndex), 0x8002};

fw::Vec3 bellTilt(int thread) {
    fw::Vec3 g;
    for (double &component : g) {
        const std::uint32_t w1 = nextWord(thread), w2 = nextWord(thread), w3 = nextWord(thread);
        component = bellSample(w1, w2, w3);
    }
    return g;
}

void HOST_CALL evaluate(HostInstance instance, HostSample *sample, HostNodeOutputID,
                        HostNodeValue value) {
    const auto *node = static_cast<const GaussianRefractions *>(instance);
    const fw::Inputs inputs(&node->base, sample);
    const fw::Vec3 tint = inputs.triple(node->colorIn, node->color);
    // A shadow ray passes, filtered by the tint when there is one.
    if (sample->flags & HOST_SAMPLE_SHADOW) {
        const fw::Vec3 filter = node->tint ? tint : fw::Vec3{1.0, 1.0, 1.0};
        fw::setOutput(&node->base, value, filter.data());
        return;
    }
    const double seamAngle = inputs.scalar(node->angleIn, node->seamAngle);
    const double index = inputs.scalar(node->iorIn, node->index);
    const double blur = inputs.scalar(node->blurIn, node->blur);
    const std::int32_t samples = inputs.integer(node->samplesIn, node->samples);
    const std::int32_t depth = inputs.integer(node->depthIn, node->blurDepth);
    const fw::Vec3 normal = inputs.triple(
        node->normalIn,
        {sample->shadingNormal[0], sample->shadingNormal[1], sample->shadingNormal[2]});

    const BlurFrame frame = blurFrame(*sample, normal);
    const fw::Vec3 origin{sample->worldPosition[0], sample->worldPosition[1],
                          sample->worldPosition[2]};
    HostImageID image = nullptr;
    if (node->mode > kTraceAndBackdrop && node->imageIndex > 0)
        image = imageAtIndex(imageServices.images, node->imageIndex);
    const int count = blurSampleCount(blur, samples, depth, sample->flags, sample->bounces);
    const BlurSampling sampling{node->mode,
                                sample,
                                &backdrop,
                                &imageServices,
                                image,
                                seamAngle,
                                blurModeWord(blur, HOST_TRACE_REFRACTION)};

    fw::Vec3 sum{0.0, 0.0, 0.0};
    for (int i = 0; i < count; ++i) {
        const fw::Vec3 g = bellTilt(sample->threadIndex);
        const fw::Vec3 t = perturbedNormal(frame.normal, g[0], g[1], g[2], blur);
        const BentRay ray = bendRay(frame.incoming, t, sample->refractionIndex, index);
        sum += blurSampleColor(sampling, origin, ray.direction, ray.index);
    }
    fw::Vec3 result = sum * (1.0 / count);
    if (node->tint) result = result * tint;
    fw::setOutput(&node->base, value, result.data());
}

constexpr double kGrey = 0.78431;

constexpr fw::ParamSpec kParams[] = {
    {"Color",
     HOST_VP_COLOR,
     offsetof(GaussianRefractions, color),
     offsetof(GaussianRefractions, colorVParm),
     {kGrey, kGrey, kGrey}},
    {"Image Seam Angle",
     HOST_VP_ANGLE,
     offsetof(GaussianRefractions, seamAngle),
     offsetof(GaussianRefractions, seamAngleVParm),
     {0.0}},
    {"Refraction Index",
     HOST_VP_FLOAT,
     offsetof(GaussianRefractions, index),
     offsetof(GaussianRefractions, indexVParm),
     {1.0}},
    {"Refraction Blur",
     HOST_VP_PERCENT,
     offsetof(GaussianRefractions, blur),
     offsetof(GaussianRefractions, blurVParm),
     {0.0}},
};
enum ParamIndex { kColor, kSeamAngle, kIndex, kBlur };

constexpr fw::SettingSpec kSettings[] = {
    {offsetof(GaussianRefractions, mode), kTraceAndBackdrop},
    {offsetof(GaussianRefractions, imageIndex), 0},
    {offsetof(GaussianRefractions, tint), 0},
    {offsetof(GaussianRefractions, samples), 8},
    {offsetof(GaussianRefractions, blurDepth), 0},
};
enum SettingIndex { kMode, kImage, kTint, kSamples, kDepth };

constexpr fw::ConnectorSpec kInputs[] = {
    {"Color", HOST_NOT_COLOR, offsetof(GaussianRefractions, colorIn)},
    {"Angle", HOST_NOT_SCALAR, offsetof(GaussianRefractions, angleIn)},
    {"IOR", HOST_NOT_SCALAR, offsetof(GaussianRefractions, iorIn)},
    {"Blur", HOST_NOT_SCALAR, offsetof(GaussianRefractions, blurIn)},
    {"Samples", HOST_NOT_INTEGER, offsetof(GaussianRefractions, samplesIn)},
    {"Blur Depth", HOST_NOT_INTEGER, offsetof(GaussianRefractions, depthIn)},
    {"Normal", HOST_NOT_VECTOR, offsetof(GaussianRefractions, normalIn)},
};
constexpr fw::ConnectorSpec kOutputs[] = {
    {"Color", HOST_NOT_COLOR, offsetof(GaussianRefractions, colorOut)},
};
constexpr fw::ControlSpec kControls[] = {
    {0x8001, fw::ControlSpec::Setting, kMode, fw::kNoGate},
    {0x8002, fw::ControlSpec::Setting, kImage, fw::kNoGate},
    {0x8003, fw::ControlSpec::Param, kSeamAngle, 1},
    {0x8004, fw::ControlSpec::Param, kIndex, 2},
    {0x8005, fw::ControlSpec::Setting, kTint, fw::kNoGate},
    {0x8006, fw::ControlSpec::Param, kColor, 0},
    {0x8007, fw::ControlSpec::Param, kBlur, 3},
    {0x8008, fw::ControlSpec::Setting, kSamples, 4},
    {0x8009, fw::ControlSpec::Setting, kDepth, 5},
};

constexpr HostPanelDataDesc kDataDescription[] = {
    {0x8001, "Mode", "integer"},
    {0x8002, "Image", "integer"},
    {0x8003, "Image Seam Angle", "angle-env"},
    {0x8004, "Refraction Index", "float-env"},
    {0x8005, "Tint Refractions", "integer"},
    {0x8006, "Color", "color-env"},
    {0x8007, "Refraction Blur", "percent-env"},
    {0x8008, "Samples", "integer"},
    {0x8009, "Blur Depth", "integer"},
    {0, nullptr, nullptr},
};

const HostPanelHint kHints[] = {
    FW_HINT_CHANGE_NOTIFY((imagePopupChangeNotify<kPopup, kGaussianRefractions>)),
    FW_HINT_CONTROL(0x8001, "iPopChoice", "Mode"),
    FW_HINT_CHOICES(0x8001, kBlurSourceChoices),
    FW_HINT_CONTROL(0x8002, "iPopChoice", "Image"),
    FW_HINT_POPUP_FUNCS(0x8002, imagePopupCount<kPopup>, imagePopupName<kPopup>),
    FW_HINT_CONTROL(0x8003, "angle-env", "Image Seam Angle"),
    FW_HINT_CONTROL(0x8004, "float-env", "Refraction Index"),
    FW_HINT_CONTROL(0x8005, "iBoolean", "Tint Refractions"),
    FW_HINT_CONTROL(0x8006, "color-env", "Color"),
    FW_HINT_ENABLE(0x8005, nullptr, nullptr, FW_ID(0x8006)),
    FW_HINT_BORDER(0x800a, FW_ID(0x8004), FW_ID(0x8006)),
    FW_HINT_CONTROL(0x8007, "percent-env", "Refraction Blur"),
    FW_HINT_CONTROL(0x8008, "integer", "Samples"),
    FW_HINT_MIN(0x8008, 1),
    FW_HINT_HARD_MIN_MAX(0x8008, 1, 0),
    FW_HINT_CONTROL(0x8009, "integer", "Blur Depth"),
    FW_HINT_MIN(0x8009, 0),
    FW_HINT_HARD_MIN_MAX(0x8009, 1, 0),
    FW_HINT_DESTROY_NOTIFY(fw::panelDestroy),
    FW_HINT_END,
};

int acquireServices(HostServiceLookup lookup) {
    if (const int code = acquireImageServices(lookup, imageServices); code != HOST_AFUNC_OK)
        return code;
    return acquireBackdrop(lookup, backdrop);
}

// The ints, then the image reference when one is selected, then the vparms
// in their saved order.
constexpr ParamIndex kSavedParams[] = {kSeamAngle, kIndex, kColor, kBlur};

HostError save(fw::NodeBase *node, const HostSaveState *state) {
    for (const fw::SettingSpec &setting : kSettings)
        fw::saveInt16(state, fw::field<std::int32_t>(node, setting.offset));
    saveImageReference(kPopup, node, state);
    for (ParamIndex param : kSavedParams)
        if (HostError error = fw::saveParam(node, kParams[param], state)) return error;
    return nullptr;
}

HostError load(fw::NodeBase *node, const HostLoadState *state) {
    for (const fw::SettingSpec &setting : kSettings)
        fw::loadInt16(state, fw::field<std::int32_t>(node, setting.offset));
    loadImageReference(kPopup, node, state);
    for (ParamIndex param : kSavedParams)
        if (HostError error = fw::loadParam(node, kParams[param], state)) return error;
    fw::refreshCachedValues(node, 0.0);
    return nullptr;
}

HostError renderStart(fw::NodeBase *node, int) {
    popupRenderStart(kPopup, node);
    return nullptr;
}

void afterPanelCreated(fw::NodeBase *node) {
    popupAfterPanelCreated(kPopup, node);
}

}  // namespace

extern const fw::NodeKind kGaussianRefractions = {
    .channelGroup = "Gaussian Refractions",
    .recordSize = sizeof(GaussianRefractions),
    .setsPreviewType = false,
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
    .hooks = {.acquireServices = acquireServices,
              .load = load,
              .save = save,
              .renderStart = renderStart,
              .afterPanelCreated = afterPanelCreated},
};

}  // namespace orv
