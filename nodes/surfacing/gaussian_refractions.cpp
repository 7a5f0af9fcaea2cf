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

constexpr double kGrey = 0.78431;

enum Id : std::uint32_t {
    kMode = 0x8001,
    kImage,
    kSeamAngle,
    kIndex,
    kTint,
    kColor,
    kBlur,
    kSamples,
    kDepth,
    kIndexBorder,
};

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

using R = GaussianRefractions;
constexpr fw::ValueRow kRows[] = {
    fw::setting(kMode, "Mode", "iPopChoice", offsetof(R, mode), kTraceAndBackdrop),
    fw::setting(kImage, "Image", "iPopChoice", offsetof(R, imageIndex), 0),
    fw::param(kSeamAngle, "Image Seam Angle", "angle-env", HOST_VP_ANGLE,
              FW_PARAM_FIELDS(R, seamAngle), 0.0)
        .gatedBy("Angle"),
    fw::param(kIndex, "Refraction Index", "float-env", HOST_VP_FLOAT, FW_PARAM_FIELDS(R, index),
              1.0)
        .gatedBy("IOR"),
    fw::setting(kTint, "Tint Refractions", "iBoolean", offsetof(R, tint), 0),
    fw::param(kColor, "Color", "color-env", HOST_VP_COLOR, FW_PARAM_FIELDS(R, color), kGrey, kGrey,
              kGrey),
    fw::param(kBlur, "Refraction Blur", "percent-env", HOST_VP_PERCENT, FW_PARAM_FIELDS(R, blur),
              0.0)
        .gatedBy("Blur"),
    fw::setting(kSamples, "Samples", "integer", offsetof(R, samples), 8),
    fw::setting(kDepth, "Blur Depth", "integer", offsetof(R, blurDepth), 0),
};
constexpr auto kValues = fw::withGates(kRows, kInputs);
FW_CHECK_VALUES(GaussianRefractions, kValues, kInputs);
constexpr auto kDataDescription = fw::dataDescription(kValues);

// The vparms are made in this order; the ints, the image reference and the
// vparms are saved in the other.
constexpr std::uint32_t kParamOrder[] = {kColor, kSeamAngle, kIndex, kBlur};
constexpr std::uint32_t kSaveOrder[] = {kMode,          kImage,     kTint,  kSamples, kDepth,
                                        fw::kKindItems, kSeamAngle, kIndex, kColor,   kBlur};

const HostPanelHint kHints[] = {
    FW_HINT_CHANGE_NOTIFY((imagePopupChangeNotify<kPopup, kGaussianRefractions>)),
    FW_HINT_VALUE(kValues, kMode),
    FW_HINT_CHOICES(kMode, kBlurSourceChoices),
    FW_HINT_VALUE(kValues, kImage),
    FW_HINT_POPUP_FUNCS(kImage, imagePopupCount<kPopup>, imagePopupName<kPopup>),
    FW_HINT_VALUE(kValues, kSeamAngle),
    FW_HINT_VALUE(kValues, kIndex),
    FW_HINT_VALUE(kValues, kTint),
    FW_HINT_VALUE(kValues, kColor),
    FW_HINT_ENABLE(kTint, nullptr, nullptr, FW_ID(kColor)),
    FW_HINT_BORDER(kIndexBorder, FW_ID(kIndex), FW_ID(kColor)),
    FW_HINT_VALUE(kValues, kBlur),
    FW_HINT_VALUE(kValues, kSamples),
    FW_HINT_MIN(kSamples, 1),
    FW_HINT_HARD_MIN_MAX(kSamples, 1, 0),
    FW_HINT_VALUE(kValues, kDepth),
    FW_HINT_MIN(kDepth, 0),
    FW_HINT_HARD_MIN_MAX(kDepth, 1, 0),
    FW_HINT_FINISH,
};

int acquireServices(HostServiceLookup lookup) {
    if (const int code = acquireImageServices(lookup, imageServices); code != HOST_AFUNC_OK)
        return code;
    return acquireBackdrop(lookup, backdrop);
}

void HOST_CALL evaluate(HostInstance instance, HostSample *sample, HostNodeOutputID,
                        HostNodeValue value) {
    const auto *node = static_cast<const GaussianRefractions *>(instance);
    const fw::Inputs inputs(&node->base, sample);
    const fw::Vec3 tint = inputs.triple(fw::valueRow(kValues, kColor));
    // A shadow ray passes, filtered by the tint when there is one.
    if (sample->flags & HOST_SAMPLE_SHADOW) {
        const fw::Vec3 filter = node->tint ? tint : fw::Vec3{1.0, 1.0, 1.0};
        fw::setOutput(&node->base, value, filter.data());
        return;
    }
    const double seamAngle = inputs.scalar(fw::valueRow(kValues, kSeamAngle));
    const double index = inputs.scalar(fw::valueRow(kValues, kIndex));
    const double blur = inputs.scalar(fw::valueRow(kValues, kBlur));
    const std::int32_t samples = inputs.integer(fw::valueRow(kValues, kSamples));
    const std::int32_t depth = inputs.integer(fw::valueRow(kValues, kDepth));
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

}  // namespace

extern constexpr fw::NodeKind kGaussianRefractions = fw::nodeKind<GaussianRefractions>({
    .channelGroup = "Gaussian Refractions",
    .values = kValues,
    .paramOrder = kParamOrder,
    .saveOrder = kSaveOrder,
    .inputs = kInputs,
    .outputs = kOutputs,
    .dataDescription = kDataDescription.data(),
    .hints = kHints,
    .services = &services,
    .evaluate = evaluate,
    .hooks = {.acquireServices = acquireServices,
              .saveItems = imagePopupSaveItems<kPopup>,
              .loadItems = imagePopupLoadItems<kPopup>,
              .renderStart = imagePopupRenderStart<kPopup>,
              .afterPanelCreated = imagePopupAfterPanelCreated<kPopup>},
});
FW_CHECK_KIND(kGaussianRefractions);
static_assert(savesImageReference<kPopup>(kGaussianRefractions),
              "the image reference is not saved where the popup puts it");

}  // namespace orv
