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
    int mode = inputs.integer(node->modeIn, node->mode);
    if (mode < 0) mode = 0;
    if (mode > kModeCount - 1) mode = kModeCount - 1;
    int n = inputs.integer(node->samplesIn, node->samples);
    if (n < 1) n = 1;
    ChannelValues ch[3];
    for (int c = 0; c < 3; ++c) {
        const ChannelSettings &settings = node->channel[c];
        ch[c].shift = inputs.scalar(node->channelIn[c][0], settings.shift);
        ch[c].low = inputs.scalar(node->channelIn[c][1], settings.low);
        ch[c].high = inputs.scalar(node->channelIn[c][2], settings.high);
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

#define ORV_CHANNEL(c, member)                                       \
    offsetof(TakeSamples, channel) + (c) * sizeof(ChannelSettings) + \
        offsetof(ChannelSettings, member)
#define ORV_CHANNEL_PARAMS(c, name)                                                           \
    {name " Shift", HOST_VP_FLOAT, ORV_CHANNEL(c, shift), ORV_CHANNEL(c, shiftVParm), {0.0}}, \
        {name " Low", HOST_VP_FLOAT, ORV_CHANNEL(c, low), ORV_CHANNEL(c, lowVParm), {0.0}}, { \
        name " High", HOST_VP_FLOAT, ORV_CHANNEL(c, high), ORV_CHANNEL(c, highVParm), {       \
            1.0                                                                               \
        }                                                                                     \
    }
constexpr fw::ParamSpec kParams[] = {
    ORV_CHANNEL_PARAMS(0, "R"),
    ORV_CHANNEL_PARAMS(1, "G"),
    ORV_CHANNEL_PARAMS(2, "B"),
};
constexpr fw::SettingSpec kSettings[] = {
    {offsetof(TakeSamples, mode), kAverage}, {offsetof(TakeSamples, samples), 12},
    {ORV_CHANNEL(0, clampLow), 0},           {ORV_CHANNEL(0, clampHigh), 0},
    {ORV_CHANNEL(1, clampLow), 0},           {ORV_CHANNEL(1, clampHigh), 0},
    {ORV_CHANNEL(2, clampLow), 0},           {ORV_CHANNEL(2, clampHigh), 0},
};
#undef ORV_CHANNEL_PARAMS
#undef ORV_CHANNEL

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

// Per channel: shift, low clamp box, low, high clamp box, high.
#define ORV_CHANNEL_CONTROLS(c, first)                                     \
    {(first), fw::ControlSpec::Param, (c)*3, (c)*3 + 3},                   \
        {(first) + 1, fw::ControlSpec::Setting, 2 + (c)*2, fw::kNoGate},   \
        {(first) + 2, fw::ControlSpec::Param, (c)*3 + 1, (c)*3 + 4},       \
        {(first) + 3, fw::ControlSpec::Setting, 3 + (c)*2, fw::kNoGate}, { \
        (first) + 4, fw::ControlSpec::Param, (c)*3 + 2, (c)*3 + 5          \
    }
constexpr fw::ControlSpec kControls[] = {
    {0x8001, fw::ControlSpec::Setting, 0, 0}, {0x8002, fw::ControlSpec::Setting, 1, 1},
    ORV_CHANNEL_CONTROLS(0, 0x8003),          ORV_CHANNEL_CONTROLS(1, 0x8008),
    ORV_CHANNEL_CONTROLS(2, 0x800d),
};
#undef ORV_CHANNEL_CONTROLS

constexpr HostPanelDataDesc kDataDescription[] = {
    {0x8001, "Mode", "integer"},      {0x8002, "Samples", "integer"},
    {0x8003, "R Shift", "float-env"}, {0x8004, "Clamp", "integer"},
    {0x8005, "R Low", "float-env"},   {0x8006, "Clamp", "integer"},
    {0x8007, "R High", "float-env"},  {0x8008, "G Shift", "float-env"},
    {0x8009, "Clamp", "integer"},     {0x800a, "G Low", "float-env"},
    {0x800b, "Clamp", "integer"},     {0x800c, "G High", "float-env"},
    {0x800d, "B Shift", "float-env"}, {0x800e, "Clamp", "integer"},
    {0x800f, "B Low", "float-env"},   {0x8010, "Clamp", "integer"},
    {0x8011, "B High", "float-env"},  {0, nullptr, nullptr},
};

const char *const kModeChoices[] = {"Average",  "Minimum",     "Maximum",  "Darkest", "Brightest",
                                    "Additive", "Subtractive", "Multiply", nullptr};
static_assert(sizeof(kModeChoices) / sizeof(kModeChoices[0]) == kModeCount + 1);

#define ORV_CHANNEL_HINTS(first, name)                                     \
    FW_HINT_CONTROL((first), "float-env", name " Shift"),                  \
        FW_HINT_CONTROL((first) + 1, "iBoolean", "Clamp"),                 \
        FW_HINT_CONTROL((first) + 2, "float-env", name " Low"),            \
        FW_HINT_CONTROL((first) + 3, "iBoolean", "Clamp"),                 \
        FW_HINT_CONTROL((first) + 4, "float-env", name " High"),           \
        FW_HINT_ENABLE((first) + 1, nullptr, nullptr, FW_ID((first) + 2)), \
        FW_HINT_ENABLE((first) + 3, nullptr, nullptr, FW_ID((first) + 4)), \
        FW_HINT_SLIDER((first), 1), FW_HINT_SLIDER((first) + 2, 1), FW_HINT_SLIDER((first) + 4, 1)
const HostPanelHint kHints[] = {
    FW_HINT_CHANGE_NOTIFY(fw::changeNotify<kTakeSamples>),
    FW_HINT_CONTROL(0x8001, "iPopChoice", "Mode"),
    FW_HINT_CHOICES(0x8001, kModeChoices),
    FW_HINT_CONTROL(0x8002, "integer", "Samples"),
    FW_HINT_MIN(0x8002, 1),
    FW_HINT_HARD_MIN_MAX(0x8002, 1, 0),
    ORV_CHANNEL_HINTS(0x8003, "R"),
    ORV_CHANNEL_HINTS(0x8008, "G"),
    ORV_CHANNEL_HINTS(0x800d, "B"),
    FW_HINT_LEFT_ALIGN(FW_ID(0x8004), FW_ID(0x8006), FW_ID(0x8009), FW_ID(0x800b), FW_ID(0x800e),
                       FW_ID(0x8010)),
    FW_HINT_NARROW(FW_ID(0x8005), FW_ID(0x8007), FW_ID(0x800a), FW_ID(0x800c), FW_ID(0x800f),
                   FW_ID(0x8011)),
    FW_HINT_BORDER(0x8012, FW_ID(0x8002), FW_ID(0x8007), FW_ID(0x800c)),
    FW_HINT_DESTROY_NOTIFY(fw::panelDestroy),
    FW_HINT_END,
};
#undef ORV_CHANNEL_HINTS

fw::KindServices services;

}  // namespace

extern const fw::NodeKind kTakeSamples = {
    .channelGroup = "Take Samples",
    .recordSize = sizeof(TakeSamples),
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
    .hooks = {},
};

}  // namespace orv
