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
    // gives them; two at a time where the processor has AVX.
    void directions(const double *theta, const double *phi, fw::Vec3 *out, int n) const {
#if ORV_X86
        if (hasAvx()) return directionsAvx(theta, phi, out, n);
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
    [[gnu::target("avx")]] void directionsAvx(const double *theta, const double *phi, fw::Vec3 *out,
                                              int n) const {
        int i = 0;
        for (; i + 1 < n; i += 2) {
            const double angles[4] = {theta[i], phi[i], theta[i + 1], phi[i + 1]};
            bool inRange = true;
            for (double angle : angles)
                inRange = inRange && std::fabs(angle) <= detail::kSinCosLimit;
            if (!inRange) {
                out[i] = direction(theta[i], phi[i]);
                out[i + 1] = direction(theta[i + 1], phi[i + 1]);
                continue;
            }
            double s[4], c[4];
            sinCosFour(angles, s, c);
            out[i] = turned(s[0], c[0], s[1], c[1]);
            out[i + 1] = turned(s[2], c[2], s[3], c[3]);
        }
        if (i < n) out[i] = direction(theta[i], phi[i]);
    }
#endif
};

}  // namespace orv
