#include "host/raytracer/primary_spot.h"

#include <cmath>
#include <limits>

namespace render {

bool primarySpot(const Tracer &tracer, const Vec &origin, const Vec &direction, int pixelX,
                 int pixelY, ThreadState &thread, SpotContext &context, HostSample &spot) {
    const double length = std::sqrt(direction[0] * direction[0] + direction[1] * direction[1] +
                                    direction[2] * direction[2]);
    if (!(length > 0.0) || !std::isfinite(length)) return false;
    const Vec unit{direction[0] / length, direction[1] / length, direction[2] / length};
    ++thread.primaryRays;
    Tracer::Hit hit;
    if (!tracer.intersect(origin, unit, std::numeric_limits<double>::infinity(), Tracer::Skip{},
                          hit))
        return false;
    // The pixel's footprint per unit of distance, as the tracer sizes spots.
    const Camera &camera = tracer.scene().camera;
    const double pixelAngle =
        2.0 * std::tan(camera.fov * 3.141592653589793 / 360.0) / camera.height;
    context.thread = &thread;
    spot = tracer.spotSample(origin, unit, hit, 0, 0, 1.0, hit.distance * pixelAngle, pixelX,
                             pixelY, context);
    return true;
}

}  // namespace render
