// Take Samples: evaluates its "Color" input several times for one shading
// sample, shifts and clamps each value, and combines them by a mode.
#include <cstddef>

#include "framework/hints.h"
#include "framework/inputs.h"
#include "framework/lifecycle.h"
#include "nodes/node_kinds.h"

namespace orv {
namespace {

enum Mode {
    kAverage,
    kMinimum,
    kMaximum,
    kDarkest,
    kBrightest,
    kAdditive,
    kSubtractive,
    kMultiply
};
constexpr int kModeCount = 8;

// The shift and clamps of one colour channel.
struct ChannelSettings {
    double shift;
    HostVParmID shiftVParm;
    std::int32_t clampLow;
    double low;
    HostVParmID lowVParm;
    std::int32_t clampHigh;
    double high;
    HostVParmID highVParm;
};

struct TakeSamples {
    fw::NodeBase base;
    std::int32_t mode;
    std::int32_t samples;
    ChannelSettings channel[3];
    HostNodeInputID modeIn, samplesIn, colorIn;
    HostNodeInputID channelIn[3][3];  // shift, low, high of red, green, blue
    HostNodeOutputID out;
};

// The shift, low and high of one evaluation, with their inputs applied.
struct ChannelValues {
    double shift, low, high;
    bool clampLow, clampHigh;
};

double brightness(const fw::Vec3 &c) {
    return (c[0] + c[1] + c[2]) / 3.0;
}

enum Id : std::uint32_t {
    kModeId = 0x8001,
    kSamplesId,
    // Per channel: shift, low clamp box, low, high clamp box, high.
    kRShift,
    kRClampLow,
    kRLow,
    kRClampHigh,
    kRHigh,
    kGShift,
    kGClampLow,
    kGLow,
    kGClampHigh,
    kGHigh,
    kBShift,
    kBClampLow,
    kBLow,
    kBClampHigh,
    kBHigh,
    kBorder
};

#define ORV_CHANNEL_INPUT(c, k) \
    offsetof(TakeSamples, channelIn) + ((c)*3 + (k)) * sizeof(HostNodeInputID)
constexpr fw::ConnectorSpec kInputs[] = {
    {"Mode", HOST_NOT_INTEGER, offsetof(TakeSamples, modeIn)},
    {"Samples", HOST_NOT_INTEGER, offsetof(TakeSamples, samplesIn)},
    {"Color", HOST_NOT_COLOR, offsetof(TakeSamples, colorIn)},
    {"R Shift", HOST_NOT_SCALAR, ORV_CHANNEL_INPUT(0, 0)},
    {"R Low", HOST_NOT_SCALAR, ORV_CHANNEL_INPUT(0, 1)},
    {"R High", HOST_NOT_SCALAR, ORV_CHANNEL_INPUT(0, 2)},
    {"G Shift", HOST_NOT_SCALAR, ORV_CHANNEL_INPUT(1, 0)},
    {"G Low", HOST_NOT_SCALAR, ORV_CHANNEL_INPUT(1, 1)},
    {"G High", HOST_NOT_SCALAR, ORV_CHANNEL_INPUT(1, 2)},
    {"B Shift", HOST_NOT_SCALAR, ORV_CHANNEL_INPUT(2, 0)},
    {"B Low", HOST_NOT_SCALAR, ORV_CHANNEL_INPUT(2, 1)},
    {"B High", HOST_NOT_SCALAR, ORV_CHANNEL_INPUT(2, 2)},
};
#undef ORV_CHANNEL_INPUT
constexpr fw::ConnectorSpec kOutputs[] = {{"Color", HOST_NOT_COLOR, offsetof(TakeSamples, out)}};

#define ORV_CHANNEL(c, member)                                       \
    offsetof(TakeSamples, channel) + (c) * sizeof(ChannelSettings) + \
        offsetof(ChannelSettings, member)
#define ORV_CHANNEL_ROWS(c, name, first)                                                       \
    fw::param((first), name " Shift", "float-env", HOST_VP_FLOAT, ORV_CHANNEL(c, shift),       \
              ORV_CHANNEL(c, shiftVParm), 0.0),                                                \
        fw::setting((first) + 1, "Clamp", "iBoolean", ORV_CHANNEL(c, clampLow), 0),            \
        fw::param((first) + 2, name " Low", "float-env", HOST_VP_FLOAT, ORV_CHANNEL(c, low),   \
                  ORV_CHANNEL(c, lowVParm), 0.0),                                              \
        fw::setting((first) + 3, "Clamp", "iBoolean", ORV_CHANNEL(c, clampHigh), 0),           \
        fw::param((first) + 4, name " High", "float-env", HOST_VP_FLOAT, ORV_CHANNEL(c, high), \
                  ORV_CHANNEL(c, highVParm), 1.0)
constexpr fw::ValueRow kRows[] = {
    fw::setting(kModeId, "Mode", "iPopChoice", offsetof(TakeSamples, mode), kAverage),
    fw::setting(kSamplesId, "Samples", "integer", offsetof(TakeSamples, samples), 12),
    ORV_CHANNEL_ROWS(0, "R", kRShift),
    ORV_CHANNEL_ROWS(1, "G", kGShift),
    ORV_CHANNEL_ROWS(2, "B", kBShift),
};
constexpr auto kValues = fw::withGates(kRows, kInputs);
#undef ORV_CHANNEL_ROWS
#undef ORV_CHANNEL

// The rows evaluation reads for each channel.
struct ChannelRows {
    const fw::ValueRow *shift, *low, *high;
};
constexpr ChannelRows channelRows(std::uint32_t shift) {
    return {fw::findRow(kValues, shift), fw::findRow(kValues, shift + 2),
            fw::findRow(kValues, shift + 4)};
}
constexpr ChannelRows kChannelRows[3] = {channelRows(kRShift), channelRows(kGShift),
                                         channelRows(kBShift)};
FW_CHECK_VALUES(TakeSamples, kValues, kInputs);
constexpr auto kDataDescription = fw::dataDescription(kValues);

const char *const kModeChoices[] = {"Average",  "Minimum",     "Maximum",  "Darkest", "Brightest",
                                    "Additive", "Subtractive", "Multiply", nullptr};
static_assert(sizeof(kModeChoices) / sizeof(kModeChoices[0]) == kModeCount + 1);

#define ORV_CHANNEL_HINTS(first)                                                  \
    FW_HINT_VALUE(kValues, (first)), FW_HINT_VALUE(kValues, (first) + 1),         \
        FW_HINT_VALUE(kValues, (first) + 2), FW_HINT_VALUE(kValues, (first) + 3), \
        FW_HINT_VALUE(kValues, (first) + 4),                                      \
        FW_HINT_ENABLE((first) + 1, nullptr, nullptr, FW_ID((first) + 2)),        \
        FW_HINT_ENABLE((first) + 3, nullptr, nullptr, FW_ID((first) + 4)),        \
        FW_HINT_SLIDER((first), 1), FW_HINT_SLIDER((first) + 2, 1), FW_HINT_SLIDER((first) + 4, 1)
const HostPanelHint kHints[] = {
    FW_HINT_BEGIN(kTakeSamples),
    FW_HINT_VALUE(kValues, kModeId),
    FW_HINT_CHOICES(kModeId, kModeChoices),
    FW_HINT_VALUE(kValues, kSamplesId),
    FW_HINT_MIN(kSamplesId, 1),
    FW_HINT_HARD_MIN_MAX(kSamplesId, 1, 0),
    ORV_CHANNEL_HINTS(kRShift),
    ORV_CHANNEL_HINTS(kGShift),
    ORV_CHANNEL_HINTS(kBShift),
    FW_HINT_LEFT_ALIGN(FW_ID(kRClampLow), FW_ID(kRClampHigh), FW_ID(kGClampLow), FW_ID(kGClampHigh),
                       FW_ID(kBClampLow), FW_ID(kBClampHigh)),
    FW_HINT_NARROW(FW_ID(kRLow), FW_ID(kRHigh), FW_ID(kGLow), FW_ID(kGHigh), FW_ID(kBLow),
                   FW_ID(kBHigh)),
    FW_HINT_BORDER(kBorder, FW_ID(kSamplesId), FW_ID(kRHigh), FW_ID(kGHigh)),
    FW_HINT_FINISH,
};
#undef ORV_CHANNEL_HINTS

fw::KindServices services;

fw::Vec3 takeSample(const TakeSamples *node, const fw::Inputs &inputs, const ChannelValues *ch) {
    fw::Vec3 s = inputs.triple(node->colorIn, {0.0, 0.0, 0.0});
    for (int c = 0; c < 3; ++c) {
        s[c] = ch[c].shift + s[c];
        if (ch[c].clampLow && s[c] < ch[c].low) s[c] = ch[c].low;
        if (ch[c].clampHigh && s[c] > ch[c].high) s[c] = ch[c].high;
    }
    return s;
}

void HOST_CALL evaluate(HostInstance instance, HostSample *sample, HostNodeOutputID,
                        HostNodeValue value) {
    const auto *node = static_cast<const TakeSamples *>(instance);
    const fw::Inputs inputs(&node->base, sample);
    const int mode = inputs.choice(fw::valueRow(kValues, kModeId), kModeCount);
    int n = inputs.integer(fw::valueRow(kValues, kSamplesId));
    if (n < 1) n = 1;
    ChannelValues ch[3];
    for (int c = 0; c < 3; ++c) {
        const ChannelSettings &settings = node->channel[c];
        ch[c].shift = inputs.scalar(*kChannelRows[c].shift);
        ch[c].low = inputs.scalar(*kChannelRows[c].low);
        ch[c].high = inputs.scalar(*kChannelRows[c].high);
        ch[c].clampLow = settings.clampLow != 0;
        ch[c].clampHigh = settings.clampHigh != 0;
    }

    // Each sample is taken only when its turn comes, so the input is
    // evaluated exactly n times.
    fw::Vec3 a{0.0, 0.0, 0.0};
    switch (mode) {
        case kAverage:
        case kAdditive:
            for (int i = 0; i < n; ++i)
                a += takeSample(node, inputs, ch);
            if (mode == kAverage)
                for (double &channel : a)
                    channel /= static_cast<double>(n);
            break;
        case kSubtractive:
            for (int i = 0; i < n; ++i)
                a = a - takeSample(node, inputs, ch);
            break;
        case kMinimum:
        case kMaximum:
            a = takeSample(node, inputs, ch);
            for (int i = 1; i < n; ++i) {
                const fw::Vec3 s = takeSample(node, inputs, ch);
                for (int c = 0; c < 3; ++c)
                    if (mode == kMinimum ? s[c] < a[c] : s[c] > a[c]) a[c] = s[c];
            }
            break;
        case kDarkest:
        case kBrightest: {
            a = takeSample(node, inputs, ch);
            double best = brightness(a);
            for (int i = 1; i < n; ++i) {
                const fw::Vec3 s = takeSample(node, inputs, ch);
                const double v = brightness(s);
                // Strictly: ties keep the earlier sample.
                if (mode == kDarkest ? v < best : v > best) {
                    a = s;
                    best = v;
                }
            }
            break;
        }
        default:  // kMultiply
            a = takeSample(node, inputs, ch);
            for (int i = 1; i < n; ++i)
                a = a * takeSample(node, inputs, ch);
            break;
    }
    fw::setOutput(&node->base, value, a.data());
}

}  // namespace

extern constexpr fw::NodeKind kTakeSamples = fw::nodeKind<TakeSamples>({
    .channelGroup = "Take Samples",
    .setsPreviewType = false,
    .values = kValues,
    .inputs = kInputs,
    .outputs = kOutputs,
    .dataDescription = kDataDescription.data(),
    .hints = kHints,
    .services = &services,
    .evaluate = evaluate,
});
FW_CHECK_KIND(kTakeSamples);

}  // namespace orv
