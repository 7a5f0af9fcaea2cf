// What Gaussian Reflections and Gaussian Refractions share: the record, the
// values, inputs, saved order and panel, the services, and the evaluation
// that averages samples along directions about normals tilted by
// bell-shaped offsets scaled by the blur, each coloured by the backdrop, a
// traced ray or a spherical image. A node's own file gives its Traits: its
// names, how a sample's direction leaves the tilted normal (a mirror or a
// bend), and what a shadow ray sees.
//
// Traits hold:
//   using Extra: NoIndex, or Index for a node with an index of refraction;
//   kName, kTintLabel, kBlurLabel: the channel group and the labels;
//   kTraceMode: the trace mode of the sampled rays;
//   ray(incoming, tilted, sampleIndex, nodeIndex) -> BentRay;
//   shadowed(record, inputs) -> the colour a shadow ray gets.
#pragma once

#include <array>
#include <cstddef>

#include "bell_sample.h"
#include "blur_source.h"
#include "framework/hints.h"
#include "framework/inputs.h"
#include "framework/lifecycle.h"
#include "framework/module_colors.h"
#include "nodes/math/generator.h"

namespace orv::gaussian {

// The index of refraction of a refracting node: cached value, vparm and
// input.
struct Index {
    double index;
    HostVParmID indexVParm;
    HostNodeInputID iorIn;
};
struct NoIndex {};

template <class Extra>
struct Record {
    fw::NodeBase base;
    std::int32_t mode;
    std::int32_t popupItemCount;
    std::int32_t imageIndex;
    std::int32_t tint;
    fw::Vec3 color;
    HostVParmID colorVParm;
    double seamAngle;
    HostVParmID seamAngleVParm;
    [[no_unique_address]] Extra extra;
    double blur;
    HostVParmID blurVParm;
    std::int32_t samples;
    std::int32_t blurDepth;
    HostNodeInputID colorIn, angleIn, blurIn, samplesIn, depthIn, normalIn;
    HostNodeOutputID colorOut;
};

// Value ids: the index, where there is one, follows the seam angle.
template <class Extra>
struct Ids {
    static constexpr std::uint32_t kIndexCount = std::is_same_v<Extra, Index> ? 1 : 0;
    static constexpr std::uint32_t kMode = 0x8001, kImage = 0x8002, kSeamAngle = 0x8003,
                                   kIndex = 0x8004, kTint = 0x8004 + kIndexCount,
                                   kColor = kTint + 1, kBlur = kTint + 2, kSamples = kTint + 3,
                                   kDepth = kTint + 4, kBorder = kTint + 5;
};

// A bell-shaped offset in each of three directions.
inline fw::Vec3 bellTilt(int thread) {
    fw::Vec3 g;
    for (double &component : g) {
        const std::uint32_t w1 = nextWord(thread), w2 = nextWord(thread), w3 = nextWord(thread);
        component = bellSample(w1, w2, w3);
    }
    return g;
}

template <class Traits>
struct Node {
    using R = Record<typename Traits::Extra>;
    using I = Ids<typename Traits::Extra>;
    static constexpr bool kRefracts = I::kIndexCount == 1;

    static inline ImageServices imageServices;
    static inline Backdrop backdrop;
    static inline fw::KindServices services;
    static constexpr ImagePopup kPopup = {&imageServices, offsetof(R, popupItemCount),
                                          offsetof(R, imageIndex), I::kImage};

    static constexpr auto inputs() {
        std::array<fw::ConnectorSpec, 6 + I::kIndexCount> in{};
        std::size_t i = 0;
        in[i++] = {"Color", HOST_NOT_COLOR, offsetof(R, colorIn)};
        in[i++] = {"Angle", HOST_NOT_SCALAR, offsetof(R, angleIn)};
        if constexpr (kRefracts) in[i++] = {"IOR", HOST_NOT_SCALAR, offsetof(R, extra.iorIn)};
        in[i++] = {"Blur", HOST_NOT_SCALAR, offsetof(R, blurIn)};
        in[i++] = {"Samples", HOST_NOT_INTEGER, offsetof(R, samplesIn)};
        in[i++] = {"Blur Depth", HOST_NOT_INTEGER, offsetof(R, depthIn)};
        in[i++] = {"Normal", HOST_NOT_VECTOR, offsetof(R, normalIn)};
        return in;
    }
    static constexpr auto kInputs = inputs();
    static constexpr fw::ConnectorSpec kOutputs[] = {
        {"Color", HOST_NOT_COLOR, offsetof(R, colorOut)},
    };

    static constexpr auto rows() {
        constexpr double grey = fw::kDefaultGrey;
        std::array<fw::ValueRow, 8 + I::kIndexCount> rows{};
        std::size_t i = 0;
        rows[i++] =
            fw::setting(I::kMode, "Mode", "iPopChoice", offsetof(R, mode), kTraceAndBackdrop);
        rows[i++] = fw::setting(I::kImage, "Image", "iPopChoice", offsetof(R, imageIndex), 0);
        rows[i++] = fw::param(I::kSeamAngle, "Image Seam Angle", "angle-env", HOST_VP_ANGLE,
                              FW_PARAM_FIELDS(R, seamAngle), 0.0)
                        .gatedBy("Angle");
        if constexpr (kRefracts)
            rows[i++] = fw::param(I::kIndex, "Refraction Index", "float-env", HOST_VP_FLOAT,
                                  offsetof(R, extra.index), offsetof(R, extra.indexVParm), 1.0)
                            .gatedBy("IOR");
        rows[i++] = fw::setting(I::kTint, Traits::kTintLabel, "iBoolean", offsetof(R, tint), 0);
        rows[i++] = fw::param(I::kColor, "Color", "color-env", HOST_VP_COLOR,
                              FW_PARAM_FIELDS(R, color), grey, grey, grey);
        rows[i++] = fw::param(I::kBlur, Traits::kBlurLabel, "percent-env", HOST_VP_PERCENT,
                              FW_PARAM_FIELDS(R, blur), 0.0)
                        .gatedBy("Blur");
        rows[i++] = fw::setting(I::kSamples, "Samples", "integer", offsetof(R, samples), 8);
        rows[i++] = fw::setting(I::kDepth, "Blur Depth", "integer", offsetof(R, blurDepth), 0);
        return rows;
    }
    static constexpr auto kValues = fw::withGates(rows(), kInputs);
    static constexpr auto kDataDescription = fw::dataDescription(kValues);

    // The vparms are made in the first order; the ints, the image reference
    // and the vparms are saved, copied and refreshed in the second.
    static constexpr auto paramOrder() {
        if constexpr (kRefracts)
            return std::array{I::kColor, I::kSeamAngle, I::kIndex, I::kBlur};
        else
            return std::array{I::kColor, I::kSeamAngle, I::kBlur};
    }
    static constexpr auto saveOrder() {
        if constexpr (kRefracts)
            return std::array{I::kMode,       I::kImage,     I::kTint,  I::kSamples, I::kDepth,
                              fw::kKindItems, I::kSeamAngle, I::kIndex, I::kColor,   I::kBlur};
        else
            return std::array{I::kMode,       I::kImage,     I::kTint,  I::kSamples, I::kDepth,
                              fw::kKindItems, I::kSeamAngle, I::kColor, I::kBlur};
    }
    static constexpr auto kParamOrder = paramOrder();
    static constexpr auto kSaveOrder = saveOrder();

    static int acquireServices(HostServiceLookup lookup) {
        if (const int code = acquireImageServices(lookup, imageServices); code != HOST_AFUNC_OK)
            return code;
        return acquireBackdrop(lookup, backdrop);
    }

    // The row of a value, for evaluate to read it through.
    template <std::uint32_t Id>
    static constexpr const fw::ValueRow &kRow = fw::valueRow(kValues, Id);

    static void HOST_CALL evaluate(HostInstance instance, HostSample *sample, HostNodeOutputID,
                                   HostNodeValue value) {
        const auto *node = static_cast<const R *>(instance);
        const fw::Inputs inputs(&node->base, sample);
        if (sample->flags & HOST_SAMPLE_SHADOW) {
            const fw::Vec3 seen = Traits::shadowed(inputs, *node, kRow<I::kColor>);
            fw::setOutput(&node->base, value, seen.data());
            return;
        }
        const fw::Vec3 tint = inputs.triple(kRow<I::kColor>);
        const double seamAngle = inputs.scalar(kRow<I::kSeamAngle>);
        double index = sample->refractionIndex;
        if constexpr (kRefracts) index = inputs.scalar(kRow<I::kIndex>);
        const double blur = inputs.scalar(kRow<I::kBlur>);
        const std::int32_t samples = inputs.integer(kRow<I::kSamples>);
        const std::int32_t depth = inputs.integer(kRow<I::kDepth>);
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
                                    blurModeWord(blur, Traits::kTraceMode)};

        fw::Vec3 sum{0.0, 0.0, 0.0};
        for (int i = 0; i < count; ++i) {
            const fw::Vec3 g = bellTilt(sample->threadIndex);
            const fw::Vec3 t = perturbedNormal(frame.normal, g[0], g[1], g[2], blur);
            const BentRay ray = Traits::ray(frame.incoming, t, sample->refractionIndex, index);
            sum += blurSampleColor(sampling, origin, ray.direction, ray.index);
        }
        fw::Vec3 result = sum * (1.0 / count);
        if (node->tint) result = result * tint;
        fw::setOutput(&node->base, value, result.data());
    }

    // The kind, given its hint list (which names the kind itself).
    static constexpr fw::NodeKind kind(const HostPanelHint *hints) {
        return fw::nodeKind<R>({
            .channelGroup = Traits::kName,
            .values = kValues,
            .paramOrder = kParamOrder,
            .saveOrder = kSaveOrder,
            .inputs = kInputs,
            .outputs = kOutputs,
            .dataDescription = kDataDescription.data(),
            .hints = hints,
            .services = &services,
            .evaluate = evaluate,
            .hooks = imagePopupHooks<kPopup>(acquireServices),
        });
    }
};

}  // namespace orv::gaussian

// The hint list of a Gaussian node G of kind Kind; the index's control, where
// there is one, follows the seam angle and joins the colour in its border.
#define ORV_GAUSSIAN_HINTS(G, Kind, ...)                                                          \
    FW_HINT_CHANGE_NOTIFY((imagePopupChangeNotify<G::kPopup, Kind>)),                             \
        FW_HINT_VALUE(G::kValues, G::I::kMode), FW_HINT_CHOICES(G::I::kMode, kBlurSourceChoices), \
        FW_HINT_VALUE(G::kValues, G::I::kImage),                                                  \
        FW_HINT_POPUP_FUNCS(G::I::kImage, imagePopupCount<G::kPopup>, imagePopupName<G::kPopup>), \
        FW_HINT_VALUE(G::kValues, G::I::kSeamAngle),                                              \
        __VA_ARGS__ FW_HINT_VALUE(G::kValues, G::I::kTint),                                       \
        FW_HINT_VALUE(G::kValues, G::I::kColor),                                                  \
        FW_HINT_ENABLE(G::I::kTint, nullptr, nullptr, FW_ID(G::I::kColor))
#define ORV_GAUSSIAN_HINTS_END(G)                                                      \
    FW_HINT_VALUE(G::kValues, G::I::kBlur), FW_HINT_VALUE(G::kValues, G::I::kSamples), \
        FW_HINT_MIN(G::I::kSamples, 1), FW_HINT_HARD_MIN_MAX(G::I::kSamples, 1, 0),    \
        FW_HINT_VALUE(G::kValues, G::I::kDepth), FW_HINT_MIN(G::I::kDepth, 0),         \
        FW_HINT_HARD_MIN_MAX(G::I::kDepth, 1, 0), FW_HINT_FINISH
