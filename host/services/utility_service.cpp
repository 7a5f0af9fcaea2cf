// "NodeUtilityFuncs": colour blending, spherical mapping and node sizes.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "host/services/services.h"

namespace host {
namespace {

// One channel of a blend mode, before opacity: the foreground f over the
// background b.
double blendChannel(int mode, double f, double b) {
    switch (mode) {
        case 1:  // Additive
            return b + f;
        case 2:  // Subtractive
            return b - f;
        case 3:  // Multiply
            return b * f;
        case 4:  // Screen
            return 1.0 - (1.0 - b) * (1.0 - f);
        case 5:  // Darken
            return std::min(b, f);
        case 6:  // Lighten
            return std::max(b, f);
        case 7:  // Difference
            return std::fabs(b - f);
        case 8:  // Negative: the foreground's negative laid over the background
            return 1.0 - f;
        case 9:  // Color Dodge; a white foreground saturates anything but black
            return f >= 1.0 ? (b > 0.0 ? 1.0 : 0.0) : std::min(1.0, b / (1.0 - f));
        case 10:  // Color Burn; a black foreground darkens anything but white
            return f <= 0.0 ? (b >= 1.0 ? 1.0 : 0.0) : 1.0 - std::min(1.0, (1.0 - b) / f);
        default:  // Normal, and any code the host does not know
            return f;
    }
}

// The blended colour mixed with the background by the opacity, unclamped:
// an animated opacity may run past 0 and 1 on purpose.
void HOST_CALL blend(double result[3], const double fg[3], const double bg[3], double opacity,
                     int mode) {
    if (!result || !fg || !bg) return;
    double blended[3];
    for (int c = 0; c < 3; ++c) {
        // Red, Green and Blue take one channel of the foreground, the others
        // of the background.
        if (mode >= 11 && mode <= 13)
            blended[c] = c == mode - 11 ? fg[c] : bg[c];
        else
            blended[c] = blendChannel(mode, fg[c], bg[c]);
    }
    for (int c = 0; c < 3; ++c)
        result[c] = bg[c] + (blended[c] - bg[c]) * opacity;
}

// u runs once around the vertical axis, 0 and 1 meeting where the heading
// (the angle from +z towards +x) equals the seam angle; v runs from straight
// down (0) to straight up (1). A zero or non-finite direction looks at the
// horizon on the seam.
void HOST_CALL sphericalMap(double seamAngle, const double direction[3], double *u, double *v) {
    double uu = 0.0, vv = 0.5;
    if (direction) {
        const double x = direction[0], y = direction[1], z = direction[2];
        const double length = std::sqrt(x * x + y * y + z * z);
        if (length > 0.0 && std::isfinite(length) && std::isfinite(seamAngle)) {
            const double turns = (std::atan2(x, z) - seamAngle) / (2.0 * std::numbers::pi);
            uu = turns - std::floor(turns);
            if (uu >= 1.0) uu = 0.0;  // a tiny negative turn rounds up to 1
            vv = 0.5 + std::asin(std::clamp(y / length, -1.0, 1.0)) / std::numbers::pi;
        }
    }
    if (u) *u = uu;
    if (v) *v = vv;
}

// Nodes have no place or extent in this host's editor, which has no canvas:
// every node reports zero size at the origin.
void HOST_CALL nodeSize(HostNodeID /*node*/, double size[3], double center[3]) {
    for (int i = 0; i < 3; ++i) {
        if (size) size[i] = 0.0;
        if (center) center[i] = 0.0;
    }
}

const HostNodeUtilityFuncs kNodeUtility = {blend, sphericalMap, nodeSize};

}  // namespace

const HostNodeUtilityFuncs *nodeUtilityService() {
    return &kNodeUtility;
}

}  // namespace host
