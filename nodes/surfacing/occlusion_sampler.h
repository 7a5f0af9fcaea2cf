// Ambient Occlusion's ray sampling on its own: the rays of one evaluation
// laid out in a cone (random, or polar rings), fired through the sample
// record's cast or trace, and what each contributes summed into the node's
// colour or open share. It reads nothing of a node: the settings, the
// sample record with its ray operations, the backdrop and the Function
// input come in a plain context, so that it can be driven by a cast of a
// test's own.
#pragma once

#include <cstdint>

#include "backdrop.h"
#include "cone_direction.h"
#include "framework/inputs.h"
#include "nodes/math/generator.h"
#include "occlusion_amount.h"
#include "occlusion_batch.h"

namespace orv::occlusion {

inline constexpr double kTwoPi = 6.283185307179586;
// Rays that bring back a colour see it as a blurred reflection would.
inline constexpr std::uint32_t kTraceMode = HOST_TRACE_REFLECTION | HOST_TRACE_SAMPLED;

enum Layout { kRandomLayout = 0, kPolarLayout = 1 };
enum ColorMode { kCustom = 0, kBackdrop = 1, kTrace = 2 };

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

// What one evaluation samples with besides its settings. The backdrop and
// the Function input may be absent (null).
struct Context {
    const HostSample *sample;  // position, normals, thread, cast and trace
    const Backdrop *backdrop;
    const fw::Inputs *inputs;
    HostNodeInputID function;  // maps each ray's amount when connected
    bool scalar;               // the open share rather than the colour
};

// The ray counts of a layout, their inputs applied.
struct Counts {
    int layout;
    int samples;         // random: rays in the cone
    int rings, perRing;  // polar: rings from the axis out, rays on each
    double jitter;       // polar: how far a ray may stray from its place
};

inline double occlusionAmount(const Settings &s, double t) {
    return occlusion::amount(t, s.ranged, s.max, s.shift);
}

inline double clampAmount(const Settings &s, double v) {
    return occlusion::clamped(v, s.clampLow, s.low, s.clampHigh, s.high);
}

// Fires the rays of one evaluation and sums what each one contributes.
class RayFan {
  public:
    RayFan(const Context &context, const Settings &settings)
        : context_(context),
          sample_(context.sample),
          s_(settings),
          scalar_(context.scalar),
          // Asked once: an unconnected Function leaves every v as it is.
          mapped_(context.inputs && context.function &&
                  context.inputs->connected(context.function)),
          traced_((settings.ranged && settings.srfMode == kTrace) || settings.occMode == kTrace),
          perRayColors_(hasBackdrop() &&
                        (settings.srfMode == kBackdrop || settings.bgMode == kBackdrop ||
                         settings.occMode == kBackdrop)) {
        for (int c = 0; c < 3; ++c)
            origin_[c] = sample_->worldPosition[c] + sample_->geometricNormal[c] * settings.offset;
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
        mix(d, t, c);
    }

    // Fires n rays at once, when no ray may draw from the generator (see
    // drawsBetweenRays): every ray is cast first, then what each contributes
    // is summed in the same order as fire sums it, so the result is the same
    // bit for bit, but the amounts are worked out four rays abreast, the
    // sums stay in registers and the colour modes are looked at once.
    void fireAll(const fw::Vec3 *directions, int n) {
        constexpr int kMost = 64;
        double t[kMost], v[kMost];
        for (int first = 0; first < n; first += kMost) {
            const int m = n - first < kMost ? n - first : kMost;
            for (int i = 0; i < m; ++i)
                t[i] = sample_->cast(sample_, origin_.data(), directions[first + i].data());
            count_ += m;
            if (perRayColors_ && !scalar_) {
                for (int i = 0; i < m; ++i)
                    mix(directions[first + i], t[i], fw::Vec3{0.0, 0.0, 0.0});
                continue;
            }
            occlusion::amountsFast(rule(), t, v, m);
            if (scalar_) {
                double sum = sum_[0];
                for (int i = 0; i < m; ++i)
                    sum += v[i];
                sum_[0] = sum;
            } else {
                sum_ = occlusion::addColorsFast(fixedColors(), t, v, m, sum_);
            }
        }
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
    // The colour a mode gives for a ray along d that brought back c.
    fw::Vec3 modeColor(int mode, const fw::Vec3 &custom, const fw::Vec3 &d,
                       const fw::Vec3 &c) const {
        if (mode == kBackdrop && hasBackdrop()) return context_.backdrop->lookup(d);
        if (mode == kTrace) return c;
        return custom;
    }

    // Adds what a ray along d contributes, that hit at t (negative for a
    // miss) and brought back the colour c.
    void mix(const fw::Vec3 &d, double t, const fw::Vec3 &c) {
        const double v = amount(t);
        const fw::Vec3 srf = modeColor(s_.srfMode, s_.srfColor, d, c);
        const fw::Vec3 bg = modeColor(s_.bgMode == kTrace ? kCustom : s_.bgMode, s_.bgColor, d, c);
        const fw::Vec3 occ = modeColor(s_.occMode, s_.occColor, d, c);
        const fw::Vec3 &open = t >= 0.0 ? srf : bg;
        const double openBrightness = t >= 0.0 ? s_.srfBrightness : s_.bgBrightness;
        for (int k = 0; k < 3; ++k)
            sum_[k] += open[k] * (1.0 - v) * openBrightness + occ[k] * v * s_.occBrightness;
    }

    occlusion::AmountRule rule() const {
        return {s_.ranged, s_.max, s_.shift, s_.clampLow, s_.low, s_.clampHigh, s_.high};
    }

    // The colours of the modes, when none depends on the ray.
    occlusion::FixedColors fixedColors() const {
        const fw::Vec3 none{0.0, 0.0, 0.0};
        return {modeColor(s_.srfMode, s_.srfColor, none, none),
                s_.bgColor,
                modeColor(s_.occMode, s_.occColor, none, none),
                s_.srfBrightness,
                s_.bgBrightness,
                s_.occBrightness};
    }

    double amount(double t) const {
        double v = occlusionAmount(s_, t);
        if (mapped_) v = context_.inputs->function(context_.function, v);
        return clampAmount(s_, v);
    }

    bool hasBackdrop() const { return context_.backdrop && context_.backdrop->present(); }

    const Context &context_;
    const HostSample *sample_;
    const Settings &s_;
    bool scalar_;
    bool mapped_;
    bool traced_;        // a colour mode asks for the colour the ray brings back
    bool perRayColors_;  // a colour mode looks up the backdrop along each ray
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
            double theta[kBatch], phi[kBatch];
            for (int i = 0; i < n; ++i) {
                const Angles a = angles(first + i, u[2 * i], u[2 * i + 1]);
                theta[i] = a.theta;
                phi[i] = a.phi;
            }
            fw::Vec3 directions[kBatch];
            frame.directions(theta, phi, directions, n);
            fan.fireAll(directions, n);
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

// The colour beyond the sample depth: the limit colour, or the backdrop seen
// along the incoming ray.
inline fw::Vec3 limitColor(const Settings &s, const HostSample *sample, const Backdrop *backdrop,
                           int limitMode) {
    fw::Vec3 color = s.limitColor;
    if (limitMode == kBackdrop && backdrop && backdrop->present()) {
        fw::Vec3 incoming;
        for (int c = 0; c < 3; ++c)
            incoming[c] = sample->worldPosition[c] - sample->raySource[c];
        color = backdrop->lookup(fw::normalize(incoming));
    }
    return color * s.limitBrightness;
}

// The colour (or open share, in [0]) of one evaluation: its rays fired
// around normal n in the layout the counts give.
inline fw::Vec3 sample(const Context &context, const Settings &s, const fw::Vec3 &n,
                       const Counts &counts) {
    const ConeFrame frame = ConeFrame::around(n);
    RayFan fan(context, s);
    const int thread = context.sample->threadIndex;
    if (counts.layout == kRandomLayout) {
        fireFan(fan, frame, thread, counts.samples, [&](long long, double u1, double u2) {
            return Angles{u2 * s.coneAngle, u1 * kTwoPi};
        });
    } else if (counts.layout == kPolarLayout) {
        const int rings = counts.rings, perRing = counts.perRing;
        const double jitter = counts.jitter;
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
    return fan.result();
}

}  // namespace orv::occlusion
