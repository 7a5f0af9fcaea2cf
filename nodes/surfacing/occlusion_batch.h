// What a batch of occlusion rays adds up to, once every ray is cast: the
// amount each is blocked, and the colour sum when no colour depends on the
// ray. The AVX2 forms run the scalar forms' operations in the same order,
// four rays or three channels abreast and without fused multiply-adds, so
// they give the same bits.
#pragma once

#include <bit>
#include <cstdint>

#include "framework/vec3.h"
#include "occlusion_amount.h"
#include "quad.h"

namespace orv::occlusion {

// How hit distances become amounts: amountOf, then clamped.
struct AmountRule {
    bool ranged;
    double max, shift;
    bool clampLow;
    double low;
    bool clampHigh;
    double high;

    double operator()(double t) const {
        return clamped(amountOf(t, ranged, max, shift), clampLow, low, clampHigh, high);
    }
};

// The colours of a ray that hit, of one that missed, and of its blocked
// share, each with its brightness.
struct FixedColors {
    fw::Vec3 hit, miss, occluded;
    double hitBrightness, missBrightness, occludedBrightness;
};

// The amounts of n rays with hit distances t.
inline void amounts(const AmountRule &rule, const double *t, double *v, int n) {
    for (int i = 0; i < n; ++i)
        v[i] = rule(t[i]);
}

// sum plus what n rays with hit distances t and amounts v contribute: the
// open share 1 - v in the hit or miss colour, the rest in the blocked colour.
inline fw::Vec3 addColors(const FixedColors &c, const double *t, const double *v, int n,
                          fw::Vec3 sum) {
    double sum0 = sum[0], sum1 = sum[1], sum2 = sum[2];
    for (int i = 0; i < n; ++i) {
        const bool hit = t[i] >= 0.0;
        const double openBrightness = pick(hit, c.hitBrightness, c.missBrightness);
        sum0 += pick(hit, c.hit[0], c.miss[0]) * (1.0 - v[i]) * openBrightness +
                c.occluded[0] * v[i] * c.occludedBrightness;
        sum1 += pick(hit, c.hit[1], c.miss[1]) * (1.0 - v[i]) * openBrightness +
                c.occluded[1] * v[i] * c.occludedBrightness;
        sum2 += pick(hit, c.hit[2], c.miss[2]) * (1.0 - v[i]) * openBrightness +
                c.occluded[2] * v[i] * c.occludedBrightness;
    }
    return {sum0, sum1, sum2};
}

#if ORV_X86
// amounts, four rays abreast; a short last group is padded with misses.
[[gnu::target("avx2")]] inline void amountsAvx2(const AmountRule &rule, const double *t, double *v,
                                                int n) {
    const DoubleQuad zero{}, capped = rule.max + DoubleQuad{}, shift = rule.shift + DoubleQuad{};
    const DoubleQuad lowest = (1.0 - rule.low) + DoubleQuad{},
                     highest = (1.0 - rule.high) + DoubleQuad{};
    for (int i = 0; i < n; i += 4) {
        const int lanes = n - i < 4 ? n - i : 4;
        const DoubleQuad d = loadQuad(t + i, lanes, -1.0);
        const DoubleQuad share = rule.max > 0.0 ? d / rule.max : zero;
        const DoubleQuad hit =
            rule.ranged ? select(d > capped, zero, 1.0 - share - shift) : (1.0 - rule.shift) + zero;
        DoubleQuad a = select(d < 0.0, zero, hit);
        // clamped: the low clamp wins, so the high one applies only where
        // the low one did not.
        WordQuad open = ~WordQuad{};
        if (rule.clampLow) {
            const WordQuad over = a > lowest;
            a = select(over, lowest, a);
            open = ~over;
        }
        if (rule.clampHigh) a = select((a < highest) & open, highest, a);
        storeQuad(v + i, a, lanes);
    }
}

// addColors, the three channels abreast in one register.
[[gnu::target("avx2")]] inline fw::Vec3 addColorsAvx2(const FixedColors &c, const double *t,
                                                      const double *v, int n, fw::Vec3 sum) {
    const DoubleQuad hitColor{c.hit[0], c.hit[1], c.hit[2], 0.0};
    const DoubleQuad missColor{c.miss[0], c.miss[1], c.miss[2], 0.0};
    const DoubleQuad occluded{c.occluded[0], c.occluded[1], c.occluded[2], 0.0};
    const DoubleQuad hitBrightness = c.hitBrightness + DoubleQuad{};
    const DoubleQuad missBrightness = c.missBrightness + DoubleQuad{};
    DoubleQuad total{sum[0], sum[1], sum[2], 0.0};
    for (int i = 0; i < n; ++i) {
        const WordQuad hit = t[i] + DoubleQuad{} >= 0.0;
        total += select(hit, hitColor, missColor) * (1.0 - v[i]) *
                     select(hit, hitBrightness, missBrightness) +
                 occluded * v[i] * c.occludedBrightness;
    }
    return {total[0], total[1], total[2]};
}
#endif

// amounts and addColors, on the widest form the processor has.
inline void amountsFast(const AmountRule &rule, const double *t, double *v, int n) {
#if ORV_X86
    if (hasAvx2()) return amountsAvx2(rule, t, v, n);
#endif
    amounts(rule, t, v, n);
}
inline fw::Vec3 addColorsFast(const FixedColors &c, const double *t, const double *v, int n,
                              fw::Vec3 sum) {
#if ORV_X86
    if (hasAvx2()) return addColorsAvx2(c, t, v, n, sum);
#endif
    return addColors(c, t, v, n, sum);
}

}  // namespace orv::occlusion
