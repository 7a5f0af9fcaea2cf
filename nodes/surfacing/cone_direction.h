// Directions in a cone around an axis, as Ambient Occlusion lays out its
// rays: θ is the angle from the axis and φ the angle around it.
#pragma once

#include <cmath>

#include "framework/vec3.h"
#include "sin_cos.h"

namespace orv {

// The two turns that carry the +x axis onto the cone axis n: by the
// elevation e in the x-y plane, then by the azimuth a in the x-z plane.
struct ConeFrame {
    double cosE, sinE, cosA, sinA;

    static ConeFrame around(const fw::Vec3 &n) {
        const double a = std::atan2(n[2], n[0]);
        const double e = std::atan2(n[1], std::sqrt(n[2] * n[2] + n[0] * n[0]));
        return {std::cos(e), std::sin(e), std::cos(a), std::sin(a)};
    }

    // The ray at (θ, φ). Each turn is written as a rotation, which equals the
    // polar form r·cos(g + e), r·sin(g + e) of the same turn without the
    // atan2 and square root per ray.
    fw::Vec3 direction(double theta, double phi) const {
        double sinTheta, cosTheta, sinPhi, cosPhi;
        sinCosPair(theta, phi, sinTheta, cosTheta, sinPhi, cosPhi);
        return turned(sinTheta, cosTheta, sinPhi, cosPhi);
    }

    // The rays at (theta[i], phi[i]) for i below n, exactly as direction
    // gives them; four at a time where the processor has AVX2.
    void directions(const double *theta, const double *phi, fw::Vec3 *out, int n) const {
#if ORV_X86
        if (hasAvx2()) return directionsAvx2(theta, phi, out, n);
#endif
        for (int i = 0; i < n; ++i)
            out[i] = direction(theta[i], phi[i]);
    }

  private:
    fw::Vec3 turned(double sinTheta, double x, double sinPhi, double cosPhi) const {
        const double y = sinTheta * sinPhi;
        const double z = sinTheta * cosPhi;
        const double x1 = x * cosE - y * sinE;
        const double y1 = x * sinE + y * cosE;
        return {x1 * cosA - z * sinA, y1, x1 * sinA + z * cosA};
    }

#if ORV_X86
    // Four rays at a time, one lane each: the same operations as direction
    // and turned, in the same order, so the same bits. A short last group
    // is padded with zero angles, whose lanes are not stored.
    [[gnu::target("avx2")]] void directionsAvx2(const double *theta, const double *phi,
                                                fw::Vec3 *out, int n) const {
        for (int i = 0; i < n; i += 4) {
            const int lanes = n - i < 4 ? n - i : 4;
            const DoubleQuad t = loadQuad(theta + i, lanes, 0.0);
            const DoubleQuad p = loadQuad(phi + i, lanes, 0.0);
            if (!withinSinCosLimit(t) || !withinSinCosLimit(p)) {
                for (int j = i; j < i + lanes; ++j)
                    out[j] = direction(theta[j], phi[j]);
                continue;
            }
            DoubleQuad sinTheta, cosTheta, sinPhi, cosPhi;
            sinCosFour(t, sinTheta, cosTheta);
            sinCosFour(p, sinPhi, cosPhi);
            const DoubleQuad y = sinTheta * sinPhi;
            const DoubleQuad z = sinTheta * cosPhi;
            const DoubleQuad x1 = cosTheta * cosE - y * sinE;
            const DoubleQuad y1 = cosTheta * sinE + y * cosE;
            const DoubleQuad x2 = x1 * cosA - z * sinA;
            const DoubleQuad z2 = x1 * sinA + z * cosA;
            if (lanes == 4) {
                storeDirections(x2, y1, z2, out + i);
            } else {
                for (int j = 0; j < lanes; ++j)
                    out[i + j] = {x2[j], y1[j], z2[j]};
            }
        }
    }

    // Four directions, given as their x, y and z lanes, stored one after the
    // other as out[0] to out[3]: the twelve numbers rearranged in registers
    // and written as three full registers, rather than picked out one by one.
    [[gnu::target("avx2")]] [[gnu::always_inline]] static void storeDirections(const DoubleQuad &x,
                                                                               const DoubleQuad &y,
                                                                               const DoubleQuad &z,
                                                                               fw::Vec3 *out) {
        // Vec3 is three doubles with nothing between, so four of them are
        // twelve doubles in a row.
        static_assert(sizeof(fw::Vec3) == 3 * sizeof(double));
        const __m256d xs = __builtin_bit_cast(__m256d, x), ys = __builtin_bit_cast(__m256d, y),
                      zs = __builtin_bit_cast(__m256d, z);
        const __m256d xy02 = _mm256_unpacklo_pd(xs, ys);  // x0 y0 x2 y2
        const __m256d xy13 = _mm256_unpackhi_pd(xs, ys);  // x1 y1 x3 y3
        const __m256d zx = _mm256_unpacklo_pd(zs, xy13);  // z0 x1 z2 x3
        const __m256d yz = _mm256_unpackhi_pd(xy13, zs);  // y1 z1 y3 z3
        auto *o = reinterpret_cast<double *>(out);
        _mm256_storeu_pd(o, _mm256_permute2f128_pd(xy02, zx, 0x20));      // x0 y0 z0 x1
        _mm256_storeu_pd(o + 4, _mm256_permute2f128_pd(yz, xy02, 0x30));  // y1 z1 x2 y2
        _mm256_storeu_pd(o + 8, _mm256_permute2f128_pd(zx, yz, 0x31));    // z2 x3 y3 z3
    }
#endif
};

}  // namespace orv
