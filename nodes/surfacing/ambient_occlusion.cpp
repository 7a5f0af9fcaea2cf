// Ambient Occlusion: fires rays into a cone around a normal and turns their
// hit distances into how much of the cone is blocked. "Color" mixes per-ray
// colours by that amount; "Scalar" is the average unblocked share.
#include <cmath>
#include <cstddef>

#include "backdrop.h"
#include "cone_direction.h"
#include "framework/hints.h"
#include "framework/inputs.h"
#include "framework/lifecycle.h"
#include "nodes/math/generator.h"
#include "nodes/node_kinds.h"

namespace orv {
namespace {

constexpr std::uint32_t kCreateSeed = 3;
constexpr double kTwoPi = 6.283185307179586;
constexpr std::uint32_t kTraceMode = 0x40000001u;  // "Reflection" as a sampled ray

enum Layout { kRandomLayout = 0, kPolarLayout = 1 };
enum ColorMode { kCustom = 0, kBackdrop = 1, kTrace = 2 };

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

Backdrop backdrop;

// The values of one evaluation: settings, and parameters with their inputs
// applied.
struct Settings {
    bool ranged, clampLow, clampHigh;
    int srfMode, bgMode, occMode;
    double coneAngle, max, shift, low, high, offset;
    int sampleDepth;
    fw::Vec3 srfColor, bgColor, occColor, limitColor;
    double srfBrightness, bgBrightness, occBrightness, limitBrightness;
};

Settings evaluateSettings(const AmbientOcclusion *node, const fw::Inputs &in) {
    Settings s;
    s.ranged = node->ranged == 1;
    s.clampLow = node->clampLow == 1;
    s.clampHigh = node->clampHigh == 1;
    s.srfMode = node->srfColorMode;
    s.bgMode = node->bgColorMode;
    s.occMode = node->occColorMode;
    s.coneAngle = in.scalar(node->coneAngleIn, node->coneAngle);
    s.max = in.scalar(node->maxIn, node->max);
    s.shift = in.scalar(node->shiftIn, node->shift);
    s.low = in.scalar(node->lowIn, node->low);
    s.high = in.scalar(node->highIn, node->high);
    s.offset = in.scalar(node->offsetIn, node->offset);
    s.sampleDepth = in.integer(node->sampleDepthIn, node->sampleDepth);
    s.srfColor = in.triple(node->srfColorIn, node->srfColor);
    s.srfBrightness = in.scalar(node->srfBrightnessIn, node->srfBrightness);
    s.bgColor = in.triple(node->bgColorIn, node->bgColor);
    s.bgBrightness = in.scalar(node->bgBrightnessIn, node->bgBrightness);
    s.occColor = in.triple(node->occColorIn, node->occColor);
    s.occBrightness = in.scalar(node->occBrightnessIn, node->occBrightness);
    s.limitColor = in.triple(node->limitColorIn, node->limitColor);
    s.limitBrightness = in.scalar(node->limitBrightnessIn, node->limitBrightness);
    return s;
}

// How occluded one ray is, from its hit distance t (negative for a miss).
// A hit at distance 0 with a Max of 0 counts as a hit at the spot itself:
// fully occluded, as every shorter Max would have it.
double occlusionAmount(const Settings &s, double t) {
    if (t < 0.0) return 0.0;
    if (!s.ranged) return 1.0 - s.shift;
    if (t > s.max) return 0.0;
    const double share = s.max > 0.0 ? t / s.max : 0.0;
    return 1.0 - share - s.shift;
}

// Low and High bound the unoccluded share 1 - v; the low clamp wins.
double clampAmount(const Settings &s, double v) {
    if (s.clampLow && v > 1.0 - s.low) return 1.0 - s.low;
    if (s.clampHigh && v < 1.0 - s.high) return 1.0 - s.high;
    return v;
}

// Fires the rays of one evaluation and sums what each one contributes.
class RayFan {
  public:
    RayFan(const AmbientOcclusion *node, const fw::Inputs &inputs, const HostSample *sample,
           const Settings &settings, bool scalar)
        : node_(node),
          inputs_(inputs),
          sample_(sample),
          s_(settings),
          scalar_(scalar),
          // Asked once: an unconnected Function leaves every v as it is.
          mapped_(inputs.connected(node->functionIn)),
          traced_((settings.ranged && settings.srfMode == kTrace) || settings.occMode == kTrace) {
        for (int c = 0; c < 3; ++c)
            origin_[c] = sample->worldPosition[c] + sample->geometricNormal[c] * settings.offset;
    }

    void fire(const fw::Vec3 &d) {
        ++count_;
        if (scalar_) {
            const double t = sample_->cast(sample_, origin_.data(), d.data());
            sum_[0] += amount(t);
            return;
        }
        fw::Vec3 c{0.0, 0.0, 0.0};
        const double t = traced_ ? sample_->trace(sample_, origin_.data(), d.data(), c.data(),
                                                  sample_->refractionIndex, kTraceMode)
                                 : sample_->cast(sample_, origin_.data(), d.data());
        const double v = amount(t);

        fw::Vec3 srf = s_.srfColor, bg = s_.bgColor, occ = s_.occColor;
        if (s_.srfMode == kBackdrop && backdrop.present())
            srf = backdrop.lookup(d);
        else if (s_.srfMode == kTrace)
            srf = c;
        if (s_.bgMode == kBackdrop && backdrop.present()) bg = backdrop.lookup(d);
        if (s_.occMode == kBackdrop && backdrop.present())
            occ = backdrop.lookup(d);
        else if (s_.occMode == kTrace)
            occ = c;

        const fw::Vec3 &open = t >= 0.0 ? srf : bg;
        const double openBrightness = t >= 0.0 ? s_.srfBrightness : s_.bgBrightness;
        for (int k = 0; k < 3; ++k)
            sum_[k] += open[k] * (1.0 - v) * openBrightness + occ[k] * v * s_.occBrightness;
    }

    // Whether firing a ray may evaluate other nodes, which may draw from
    // the generator themselves.
    bool drawsBetweenRays() const { return mapped_ || (traced_ && !scalar_); }

    fw::Vec3 result() const {
        fw::Vec3 a = sum_;
        if (count_ == 0) return a;
        if (scalar_) {
            a[0] = 1.0 - a[0] / count_;
        } else {
            for (double &channel : a)
                channel /= count_;
        }
        return a;
    }

  private:
    double amount(double t) const {
        double v = occlusionAmount(s_, t);
        if (mapped_) v = inputs_.function(node_->functionIn, v);
        return clampAmount(s_, v);
    }

    const AmbientOcclusion *node_;
    const fw::Inputs &inputs_;
    const HostSample *sample_;
    const Settings &s_;
    bool scalar_;
    bool mapped_;
    bool traced_;  // a colour mode asks for the colour the ray brings back
    fw::Vec3 origin_;
    fw::Vec3 sum_{0.0, 0.0, 0.0};
    int count_ = 0;
};

struct Angles {
    double theta, phi;
};

// Fires count rays of a layout: angles(k, u1, u2) places ray k from its two
// draws, φ's first. When nothing but the generator can draw between two rays
// (no trace that shades, no Function input that evaluates a graph), the
// draws and directions are made a batch at a time, in the same order, so
// that the work of neighbouring rays overlaps.
template <class Layout>
void fireFan(RayFan &fan, const ConeFrame &frame, int thread, long long count,
             const Layout &angles) {
    if (!fan.drawsBetweenRays()) {
        constexpr int kBatch = 32;
        for (long long first = 0; first < count; first += kBatch) {
            const int n = count - first < kBatch ? static_cast<int>(count - first) : kBatch;
            double u[2 * kBatch];
            nextReals(thread, u, 2 * n);
            fw::Vec3 directions[kBatch];
            for (int i = 0; i < n; ++i) {
                const Angles a = angles(first + i, u[2 * i], u[2 * i + 1]);
                directions[i] = frame.direction(a.theta, a.phi);
            }
            for (int i = 0; i < n; ++i)
                fan.fire(directions[i]);
        }
        return;
    }
    for (long long k = 0; k < count; ++k) {
        double u[2];
        nextReals(thread, u, 2);
        const Angles a = angles(k, u[0], u[1]);
        fan.fire(frame.direction(a.theta, a.phi));
    }
}

fw::Vec3 limitColor(const Settings &s, const HostSample *sample, int limitMode) {
    fw::Vec3 color = s.limitColor;
    if (limitMode == kBackdrop && backdrop.present()) {
        fw::Vec3 incoming;
        for (int c = 0; c < 3; ++c)
            incoming[c] = sample->worldPosition[c] - sample->raySource[c];
        color = backdrop.lookup(fw::normalize(incoming));
    }
    return color * s.limitBrightness;
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
    const ConeFrame frame = ConeFrame::around(n);

    if ((sample->flags & HOST_SAMPLE_SAMPLED) && sample->bounces > s.sampleDepth)
        return deliver(limitColor(s, sample, node->limitColorMode));

    RayFan fan(node, inputs, sample, s, scalar);
    const int thread = sample->threadIndex;
    if (node->mode == kRandomLayout) {
        int count = inputs.integer(node->samplesIn, node->samples);
        if (count <= 0) count = 1;
        fireFan(fan, frame, thread, count, [&](long long, double u1, double u2) {
            return Angles{u2 * s.coneAngle, u1 * kTwoPi};
        });
    } else if (node->mode == kPolarLayout) {
        int rings = inputs.integer(node->polar1In, node->polar1);
        if (rings <= 0) rings = 1;
        int perRing = inputs.integer(node->polar2In, node->polar2);
        if (perRing <= 0) perRing = 1;
        const double jitter = inputs.scalar(node->jitterAngleIn, node->jitterAngle);
        fan.fire(n);
        const double dTheta = rings > 1 ? s.coneAngle / (rings - 1) : 0.0;
        const double dPhi = kTwoPi / perRing;
        // Ring by ring from the axis out, around each ring in turn.
        const long long count = static_cast<long long>(rings - 1) * perRing;
        fireFan(fan, frame, thread, count, [&](long long k, double u1, double u2) {
            const long long j = 1 + k / perRing, i = k % perRing;
            return Angles{j * dTheta - jitter * u2, i * dPhi - jitter + 2.0 * jitter * u1};
        });
    }
    deliver(fan.result());
}

void afterDefaults(fw::NodeBase *, void *) {
    seedGenerator(kCreateSeed);
}
int acquireServices(HostServiceLookup lookup) {
    return acquireBackdrop(lookup, backdrop);
}

#define ORV_AO(member) offsetof(AmbientOcclusion, member)
#define ORV_AO_PARAM(label, type, member, ...)                \
    {                                                         \
        label, type, ORV_AO(member), ORV_AO(member##VParm), { \
            __VA_ARGS__                                       \
        }                                                     \
    }
constexpr fw::ParamSpec kParams[] = {
    ORV_AO_PARAM("Jitter Angle", HOST_VP_ANGLE, jitterAngle, 0.3490658503988659),
    ORV_AO_PARAM("Cone Angle", HOST_VP_ANGLE, coneAngle, 1.5707963267948966),
    ORV_AO_PARAM("Max", HOST_VP_DIST, max, 5.0),
    ORV_AO_PARAM("Shift", HOST_VP_FLOAT, shift, 0.0),
    ORV_AO_PARAM("Low", HOST_VP_FLOAT, low, 0.0),
    ORV_AO_PARAM("High", HOST_VP_FLOAT, high, 1.0),
    ORV_AO_PARAM("Offset", HOST_VP_DIST, offset, 0.0),
    ORV_AO_PARAM("Srf Color", HOST_VP_COLOR, srfColor, 1.0, 1.0, 1.0),
    ORV_AO_PARAM("Srf Brightness", HOST_VP_PERCENT, srfBrightness, 1.0),
    ORV_AO_PARAM("Bg Color", HOST_VP_COLOR, bgColor, 1.0, 1.0, 1.0),
    ORV_AO_PARAM("Bg Brightness", HOST_VP_PERCENT, bgBrightness, 1.0),
    ORV_AO_PARAM("Occ Color", HOST_VP_COLOR, occColor, 0.0, 0.0, 0.0),
    ORV_AO_PARAM("Occ Brightness", HOST_VP_PERCENT, occBrightness, 1.0),
    ORV_AO_PARAM("Limit Color", HOST_VP_COLOR, limitColor, 0.0, 0.0, 0.0),
    ORV_AO_PARAM("Limit Brightness", HOST_VP_PERCENT, limitBrightness, 1.0),
};
#undef ORV_AO_PARAM

// In the order they are saved.
constexpr fw::SettingSpec kSettings[] = {
    {ORV_AO(mode), kRandomLayout},
    {ORV_AO(samples), 27},
    {ORV_AO(polar1), 3},
    {ORV_AO(polar2), 9},
    {ORV_AO(ranged), 1},
    {ORV_AO(clampLow), 0},
    {ORV_AO(clampHigh), 0},
    {ORV_AO(sampleDepth), 0},
    {ORV_AO(srfColorMode), kCustom},
    {ORV_AO(bgColorMode), kCustom},
    {ORV_AO(occColorMode), kCustom},
    {ORV_AO(limitColorMode), kCustom},
};

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
#undef ORV_AO

// Value id → setting or parameter, and the input whose connection hides it.
constexpr fw::ControlSpec kControls[] = {
    {0x8001, fw::ControlSpec::Setting, 0, fw::kNoGate},
    {0x8002, fw::ControlSpec::Setting, 1, 0},
    {0x8003, fw::ControlSpec::Setting, 2, 1},
    {0x8004, fw::ControlSpec::Setting, 3, 2},
    {0x8005, fw::ControlSpec::Param, 0, 3},
    {0x8006, fw::ControlSpec::Param, 1, 4},
    {0x8007, fw::ControlSpec::Setting, 4, fw::kNoGate},
    {0x8008, fw::ControlSpec::Param, 2, 5},
    {0x8009, fw::ControlSpec::Param, 3, 6},
    {0x800a, fw::ControlSpec::Setting, 5, fw::kNoGate},
    {0x800b, fw::ControlSpec::Param, 4, 7},
    {0x800c, fw::ControlSpec::Setting, 6, fw::kNoGate},
    {0x800d, fw::ControlSpec::Param, 5, 8},
    {0x800e, fw::ControlSpec::Param, 6, 9},
    {0x800f, fw::ControlSpec::Setting, 7, 10},
    {0x8010, fw::ControlSpec::Setting, 8, fw::kNoGate},
    {0x8011, fw::ControlSpec::Param, 7, 11},
    {0x8012, fw::ControlSpec::Param, 8, 12},
    {0x8013, fw::ControlSpec::Setting, 9, fw::kNoGate},
    {0x8014, fw::ControlSpec::Param, 9, 13},
    {0x8015, fw::ControlSpec::Param, 10, 14},
    {0x8016, fw::ControlSpec::Setting, 10, fw::kNoGate},
    {0x8017, fw::ControlSpec::Param, 11, 15},
    {0x8018, fw::ControlSpec::Param, 12, 16},
    {0x8019, fw::ControlSpec::Setting, 11, fw::kNoGate},
    {0x801a, fw::ControlSpec::Param, 13, 17},
    {0x801b, fw::ControlSpec::Param, 14, 18},
};

constexpr HostPanelDataDesc kDataDescription[] = {
    {0x8001, "Mode", "integer"},
    {0x8002, "Samples", "integer"},
    {0x8003, "Polar Samples 1", "integer"},
    {0x8004, "Polar Samples 2", "integer"},
    {0x8005, "Jitter Angle", "angle-env"},
    {0x8006, "Cone Angle", "angle-env"},
    {0x8007, "Ranged", "integer"},
    {0x8008, "Max", "distance-env"},
    {0x8009, "Shift", "float-env"},
    {0x800a, "Clamp", "integer"},
    {0x800b, "Low", "float-env"},
    {0x800c, "Clamp", "integer"},
    {0x800d, "High", "float-env"},
    {0x800e, "Offset", "distance-env"},
    {0x800f, "Sample Depth", "integer"},
    {0x8010, "Color Mode", "integer"},
    {0x8011, "Srf Color", "color-env"},
    {0x8012, "Brightness", "percent-env"},
    {0x8013, "Color Mode", "integer"},
    {0x8014, "Bg Color", "color-env"},
    {0x8015, "Brightness", "percent-env"},
    {0x8016, "Color Mode", "integer"},
    {0x8017, "Occ Color", "color-env"},
    {0x8018, "Brightness", "percent-env"},
    {0x8019, "Color Mode", "integer"},
    {0x801a, "Limit Color", "color-env"},
    {0x801b, "Brightness", "percent-env"},
    {0, nullptr, nullptr},
};

const char *const kLayoutChoices[] = {"Random", "Polar", nullptr};
const char *const kTracedColorChoices[] = {"Custom", "Backdrop", "Trace", nullptr};
const char *const kColorChoices[] = {"Custom", "Backdrop", nullptr};
// Colour fields are enabled only while their mode is "Custom".
constexpr int kCustomOnly[] = {1, 0, 0};

#define ORV_COUNT_CONTROL(id, label, minimum) \
    FW_HINT_CONTROL(id, "integer", label), FW_HINT_MIN(id, minimum), FW_HINT_HARD_MIN_MAX(id, 1, 0)
#define ORV_COLOR_CONTROLS(mode, choices, color, label)                             \
    FW_HINT_CONTROL(mode, "iChoice", "Color Mode"), FW_HINT_CHOICES(mode, choices), \
        FW_HINT_CONTROL(color, "color-env", label),                                 \
        FW_HINT_ENABLE(mode, nullptr, kCustomOnly, FW_ID(color)),                   \
        FW_HINT_CONTROL((color) + 1, "percent-env", "Brightness"), FW_HINT_MIN((color) + 1, 0)
const HostPanelHint kHints[] = {
    FW_HINT_CHANGE_NOTIFY(fw::changeNotify<kAmbientOcclusion>),
    FW_HINT_CONTROL(0x8001, "iChoice", "Mode"),
    FW_HINT_CHOICES(0x8001, kLayoutChoices),
    ORV_COUNT_CONTROL(0x8002, "Samples", 1),
    ORV_COUNT_CONTROL(0x8003, "Polar Samples 1", 1),
    ORV_COUNT_CONTROL(0x8004, "Polar Samples 2", 1),
    FW_HINT_CONTROL(0x8005, "angle-env", "Jitter Angle"),
    FW_HINT_RANGE(0x8005, 0, 90, 1),
    FW_HINT_GROUP(0x801c, FW_ID(0x8003), FW_ID(0x8004), FW_ID(0x8005)),
    FW_HINT_STACK(0x801d, 0x8001, nullptr, FW_ID(0x8002), FW_ID(0x801c)),
    FW_HINT_CONTROL(0x8006, "angle-env", "Cone Angle"),
    FW_HINT_RANGE(0x8006, 0, 90, 1),
    FW_HINT_CONTROL(0x8007, "iBoolean", "Ranged"),
    FW_HINT_CONTROL(0x8008, "distance-env", "Max"),
    FW_HINT_MIN(0x8008, 0),
    FW_HINT_ENABLE(0x8007, nullptr, nullptr, FW_ID(0x8008)),
    FW_HINT_CONTROL(0x8009, "float-env", "Shift"),
    FW_HINT_SLIDER(0x8009, 1),
    FW_HINT_CONTROL(0x800a, "iBoolean", "Clamp"),
    FW_HINT_CONTROL(0x800b, "float-env", "Low"),
    FW_HINT_SLIDER(0x800b, 1),
    FW_HINT_ENABLE(0x800a, nullptr, nullptr, FW_ID(0x800b)),
    FW_HINT_CONTROL(0x800c, "iBoolean", "Clamp"),
    FW_HINT_CONTROL(0x800d, "float-env", "High"),
    FW_HINT_SLIDER(0x800d, 1),
    FW_HINT_ENABLE(0x800c, nullptr, nullptr, FW_ID(0x800d)),
    FW_HINT_CONTROL(0x800e, "distance-env", "Offset"),
    ORV_COUNT_CONTROL(0x800f, "Sample Depth", 0),
    ORV_COLOR_CONTROLS(0x8010, kTracedColorChoices, 0x8011, "Srf Color"),
    ORV_COLOR_CONTROLS(0x8013, kColorChoices, 0x8014, "Bg Color"),
    ORV_COLOR_CONTROLS(0x8016, kTracedColorChoices, 0x8017, "Occ Color"),
    FW_HINT_BORDER(0x801e, FW_ID(0x8012), FW_ID(0x8015), FW_ID(0x8018)),
    ORV_COLOR_CONTROLS(0x8019, kColorChoices, 0x801a, "Limit Color"),
    FW_HINT_ENABLE(0x8007, "This control is only enabled in ranged mode", nullptr, FW_ID(0x8010),
                   FW_ID(0x8011), FW_ID(0x8012)),
    FW_HINT_LEFT_ALIGN(FW_ID(0x8007), FW_ID(0x800a), FW_ID(0x800c)),
    FW_HINT_NARROW(FW_ID(0x8008), FW_ID(0x8009), FW_ID(0x800b), FW_ID(0x800d)),
    FW_HINT_GROUP(0x801f, FW_ID(0x8001), FW_ID(0x801d), FW_ID(0x8006), FW_ID(0x8007), FW_ID(0x8008),
                  FW_ID(0x8009), FW_ID(0x800a), FW_ID(0x800b), FW_ID(0x800c), FW_ID(0x800d),
                  FW_ID(0x800e), FW_ID(0x800f)),
    FW_HINT_LABEL(0x801f, "Sample Settings"),
    FW_HINT_GROUP(0x8020, FW_ID(0x8010), FW_ID(0x8011), FW_ID(0x8012), FW_ID(0x8013), FW_ID(0x8014),
                  FW_ID(0x8015), FW_ID(0x8016), FW_ID(0x8017), FW_ID(0x8018), FW_ID(0x8019),
                  FW_ID(0x801a), FW_ID(0x801b)),
    FW_HINT_LABEL(0x8020, "Color Settings"),
    FW_HINT_TABS(0x8021, FW_ID(0x801f), FW_ID(0x8020)),
    FW_HINT_DESTROY_NOTIFY(fw::panelDestroy),
    FW_HINT_END,
};
#undef ORV_COLOR_CONTROLS
#undef ORV_COUNT_CONTROL

fw::KindServices services;

}  // namespace

extern const fw::NodeKind kAmbientOcclusion = {
    .channelGroup = "Ambient Occlusion",
    .recordSize = sizeof(AmbientOcclusion),
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
    .hooks = {.acquireServices = acquireServices, .afterDefaults = afterDefaults},
};

}  // namespace orv
