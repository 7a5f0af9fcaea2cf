// Gaussian Reflections: a blurred reflection, the average of mirror rays
// about normals tilted by bell-shaped offsets scaled by the blur, each
// coloured by the backdrop, a traced ray or a spherical image.
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

struct GaussianReflections {
    fw::NodeBase base;
    std::int32_t mode;
    std::int32_t popupItemCount;
    std::int32_t imageIndex;
    std::int32_t tint;
    fw::Vec3 color;
    HostVParmID colorVParm;
    double seamAngle;
    HostVParmID seamAngleVParm;
    double blur;
    HostVParmID blurVParm;
    std::int32_t samples;
    std::int32_t blurDepth;
    HostNodeInputID colorIn, angleIn, blurIn, samplesIn, depthIn, normalIn;
    HostNodeOutputID colorOut;
};

ImageServices imageServices;
Backdrop backdrop;
fw::KindServices services;

constexpr ImagePopup kPopup = {&imageServices, offsetof(GaussianReflections, popupItemCount),
                               offsetof(GaussianReflections, imageIndex), 0x8002};

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
    const auto *node = static_cast<const GaussianReflections *>(instance);
    // A shadow ray sees no reflection.
    if (sample->flags & HOST_SAMPLE_SHADOW) {
        const fw::Vec3 black{0.0, 0.0, 0.0};
        fw::setOutput(&node->base, value, black.data());
        return;
    }
    const fw::Inputs inputs(&node->base, sample);
    const fw::Vec3 tint = inputs.triple(node->colorIn, node->color);
    const double seamAngle = inputs.scalar(node->angleIn, node->seamAngle);
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
                                blurModeWord(blur, HOST_TRACE_REFLECTION)};

    fw::Vec3 sum{0.0, 0.0, 0.0};
    for (int i = 0; i < count; ++i) {
        const fw::Vec3 g = bellTilt(sample->threadIndex);
        const fw::Vec3 t = perturbedNormal(frame.normal, g[0], g[1], g[2], blur);
        const fw::Vec3 r = reflectAbout(frame.incoming, t);
        sum += blurSampleColor(sampling, origin, r, sample->refractionIndex);
    }
    fw::Vec3 result = sum * (1.0 / count);
    if (node->tint) result = result * tint;
    fw::setOutput(&node->base, value, result.data());
}

constexpr double kGrey = 0.78431;

constexpr fw::ParamSpec kParams[] = {
    {"Color",
     HOST_VP_COLOR,
     offsetof(GaussianReflections, color),
     offsetof(GaussianReflections, colorVParm),
     {kGrey, kGrey, kGrey}},
    {"Image Seam Angle",
     HOST_VP_ANGLE,
     offsetof(GaussianReflections, seamAngle),
     offsetof(GaussianReflections, seamAngleVParm),
     {0.0}},
    {"Reflection Blur",
     HOST_VP_PERCENT,
     offsetof(GaussianReflections, blur),
     offsetof(GaussianReflections, blurVParm),
     {0.0}},
};
enum ParamIndex { kColor, kSeamAngle, kBlur };

constexpr fw::SettingSpec kSettings[] = {
    {offsetof(GaussianReflections, mode), kTraceAndBackdrop},
    {offsetof(GaussianReflections, imageIndex), 0},
    {offsetof(GaussianReflections, tint), 0},
    {offsetof(GaussianReflections, samples), 8},
    {offsetof(GaussianReflections, blurDepth), 0},
};
enum SettingIndex { kMode, kImage, kTint, kSamples, kDepth };

constexpr fw::ConnectorSpec kInputs[] = {
    {"Color", HOST_NOT_COLOR, offsetof(GaussianReflections, colorIn)},
    {"Angle", HOST_NOT_SCALAR, offsetof(GaussianReflections, angleIn)},
    {"Blur", HOST_NOT_SCALAR, offsetof(GaussianReflections, blurIn)},
    {"Samples", HOST_NOT_INTEGER, offsetof(GaussianReflections, samplesIn)},
    {"Blur Depth", HOST_NOT_INTEGER, offsetof(GaussianReflections, depthIn)},
    {"Normal", HOST_NOT_VECTOR, offsetof(GaussianReflections, normalIn)},
};
constexpr fw::ConnectorSpec kOutputs[] = {
    {"Color", HOST_NOT_COLOR, offsetof(GaussianReflections, colorOut)},
};
constexpr fw::ControlSpec kControls[] = {
    {0x8001, fw::ControlSpec::Setting, kMode, fw::kNoGate},
    {0x8002, fw::ControlSpec::Setting, kImage, fw::kNoGate},
    {0x8003, fw::ControlSpec::Param, kSeamAngle, 1},
    {0x8004, fw::ControlSpec::Setting, kTint, fw::kNoGate},
    {0x8005, fw::ControlSpec::Param, kColor, 0},
    {0x8006, fw::ControlSpec::Param, kBlur, 2},
    {0x8007, fw::ControlSpec::Setting, kSamples, 3},
    {0x8008, fw::ControlSpec::Setting, kDepth, 4},
};

constexpr HostPanelDataDesc kDataDescription[] = {
    {0x8001, "Mode", "integer"},
    {0x8002, "Image", "integer"},
    {0x8003, "Image Seam Angle", "angle-env"},
    {0x8004, "Tint Reflections", "integer"},
    {0x8005, "Color", "color-env"},
    {0x8006, "Reflection Blur", "percent-env"},
    {0x8007, "Samples", "integer"},
    {0x8008, "Blur Depth", "integer"},
    {0, nullptr, nullptr},
};

const HostPanelHint kHints[] = {
    FW_HINT_CHANGE_NOTIFY((imagePopupChangeNotify<kPopup, kGaussianReflections>)),
    FW_HINT_CONTROL(0x8001, "iPopChoice", "Mode"),
    FW_HINT_CHOICES(0x8001, kBlurSourceChoices),
    FW_HINT_CONTROL(0x8002, "iPopChoice", "Image"),
    FW_HINT_POPUP_FUNCS(0x8002, imagePopupCount<kPopup>, imagePopupName<kPopup>),
    FW_HINT_CONTROL(0x8003, "angle-env", "Image Seam Angle"),
    FW_HINT_CONTROL(0x8004, "iBoolean", "Tint Reflections"),
    FW_HINT_CONTROL(0x8005, "color-env", "Color"),
    FW_HINT_ENABLE(0x8004, nullptr, nullptr, FW_ID(0x8005)),
    FW_HINT_BORDER(0x8009, FW_ID(0x8005)),
    FW_HINT_CONTROL(0x8006, "percent-env", "Reflection Blur"),
    FW_HINT_CONTROL(0x8007, "integer", "Samples"),
    FW_HINT_MIN(0x8007, 1),
    FW_HINT_HARD_MIN_MAX(0x8007, 1, 0),
    FW_HINT_CONTROL(0x8008, "integer", "Blur Depth"),
    FW_HINT_MIN(0x8008, 0),
    FW_HINT_HARD_MIN_MAX(0x8008, 1, 0),
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
constexpr ParamIndex kSavedParams[] = {kSeamAngle, kColor, kBlur};

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

extern const fw::NodeKind kGaussianReflections = {
    .channelGroup = "Gaussian Reflections",
    .recordSize = sizeof(GaussianReflections),
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
