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
        double sinTheta, x, sinPhi, cosPhi;
        sinCosPair(theta, phi, sinTheta, x, sinPhi, cosPhi);
        const double y = sinTheta * sinPhi;
        const double z = sinTheta * cosPhi;
        const double x1 = x * cosE - y * sinE;
        const double y1 = x * sinE + y * cosE;
        return {x1 * cosA - z * sinA, y1, x1 * sinA + z * cosA};
    }
};

}  // namespace orv
