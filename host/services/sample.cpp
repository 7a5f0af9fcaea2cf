#include "host/services/sample.h"

#include <cmath>

#include "host/graph/graph.h"
#include "host/services/services.h"

namespace host {
namespace {

double HOST_CALL castNothing(const HostSample *, const double[3], const double[3]) {
    countRay();
    return -1.0;
}

void backdropAlong(const double direction[3], double color[3]) {
    Services *services = currentServicesOrNull();
    if (!services) {
        color[0] = color[1] = color[2] = 0.0;
        return;
    }
    const double length = std::sqrt(direction[0] * direction[0] + direction[1] * direction[1] +
                                    direction[2] * direction[2]);
    const double unit[3] = {direction[0] / length, direction[1] / length, direction[2] / length};
    services->backdrop(services->timeInfo().time, unit, color);
}

double HOST_CALL traceNothing(const HostSample *, const double[3], const double direction[3],
                              double color[3], double, std::uint32_t mode) {
    countRay();
    const std::uint32_t kind = mode & HOST_TRACE_MODE_MASK;
    if (kind == HOST_TRACE_DISTANCE) return -1.0;
    if (kind == HOST_TRACE_SHADOW || kind == HOST_TRACE_OCCLUSION) {
        color[0] = color[1] = color[2] = 1.0;  // nothing in the way
    } else if (kind == HOST_TRACE_BACKDROP || (mode & HOST_TRACE_BACKDROPF)) {
        backdropAlong(direction, color);
    } else {
        color[0] = color[1] = color[2] = 0.0;
    }
    return -1.0;
}

double HOST_CALL shadeNothing(const HostSample *, const double[3], const double[3],
                              HostShadedSample *shaded) {
    countRay();
    if (shaded) {
        *shaded = HostShadedSample{};
        shaded->distance = -1.0;
        shaded->surfaceIndex = -1;
        shaded->eta = 1.0;
    }
    return -1.0;
}

}  // namespace

HostSample emptySpaceSample() {
    HostSample sample{};
    sample.geometricNormal[1] = 1.0;
    sample.shadingNormal[1] = 1.0;
    sample.raySource[1] = 1.0;
    sample.rayLength = 1.0;
    sample.spotSize = 0.001;
    sample.refractionIndex = 1.0;
    sample.surfaceIndex = -1;
    sample.cast = castNothing;
    sample.trace = traceNothing;
    sample.shade = shadeNothing;
    return sample;
}

}  // namespace host
