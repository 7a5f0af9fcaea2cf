// The spots rays hit, as sample records, and their shading: the camera's
// rays, the record a hit makes, light from the scene's lights through
// transparent occluders, and a pixel's colour.
#include <algorithm>
#include <cmath>
#include <limits>

#include "host/graph/graph.h"
#include "host/raytracer/tracer.h"
#include "host/raytracer/tracer_common.h"

namespace render {
using namespace tracing;

void Tracer::cameraRay(double x, double y, Vec &origin, Vec &direction) const {
    const Camera &camera = scene_.camera;
    const double sx = (x - 0.5 * camera.width) * pixelAngle_;
    const double sy = (0.5 * camera.height - y) * pixelAngle_;
    origin = camera.position;
    direction = unit(plus(cameraForward_, plus(scaled(cameraRight_, sx), scaled(cameraUp_, sy))));
}

HostSample Tracer::spotSample(const Vec &o, const Vec &d, const Hit &hit, int bounces,
                              std::uint32_t flags, double refractionIndex, double spotSize,
                              int pixelX, int pixelY, SpotContext &context) const {
    const Geometry &geometry = geometries_[hit.geometry];
    HostSample sample{};
    const Vec p = plus(o, scaled(d, hit.distance));
    Vec ng = geometry.faceNormals[hit.primitive];
    const std::uint32_t *tri = &geometry.indices[3 * hit.primitive];
    const double w0 = 1.0 - hit.u - hit.v;
    const double w[3] = {w0, hit.u, hit.v};
    Vec ns{0, 0, 0};
    double uv[2] = {0, 0};
    for (int k = 0; k < 3; ++k) {
        for (int c = 0; c < 3; ++c)
            ns[c] += w[k] * geometry.normals[3 * tri[k] + c];
        for (int c = 0; c < 2; ++c)
            uv[c] += w[k] * geometry.uvs[2 * tri[k] + c];
    }
    ns = length(ns) > 0 ? unit(ns) : ng;
    // Both normals face the incoming ray.
    if (dot(ng, d) > 0) {
        ng = scaled(ng, -1.0);
        ns = scaled(ns, -1.0);
    }
    if (dot(ns, d) > 0) ns = ng;
    store(p, sample.worldPosition);
    store(ng, sample.geometricNormal);
    store(ns, sample.shadingNormal);
    store(o, sample.raySource);
    sample.rayLength = hit.distance;
    sample.spotSize = spotSize;
    sample.refractionIndex = refractionIndex;
    sample.textureUV[0] = uv[0];
    sample.textureUV[1] = uv[1];
    sample.pixelX = pixelX;
    sample.pixelY = pixelY;
    sample.threadIndex = context.thread->index;
    sample.bounces = bounces;
    sample.flags = flags;
    sample.surfaceIndex = geometry.surface;
    sample.cast = cast;
    sample.trace = trace;
    sample.shade = shade;
    context.tracer = this;
    context.geometry = hit.geometry;
    context.primitive = hit.primitive;
    context.face = geometry.faceNormals[hit.primitive];
    context.leaveOffset = leaveOffset(p);
    sample.hostContext = &context;
    return sample;
}

double Tracer::transmission(const HostSample &spot, const Vec &toLight, double distance) const {
    const SpotContext &from = contextOf(&spot);
    Vec origin = rayStart(spot, toVec(spot.worldPosition), toLight);
    Skip skip{from.geometry, from.primitive, false};
    double through = 1.0;
    // A few transparent layers at most; beyond that the light is lost.
    for (int layer = 0; layer < 16 && through > 0.0; ++layer) {
        ++from.thread->secondaryRays;
        host::countRay();
        Hit hit;
        if (!intersect(origin, toLight, distance, skip, hit)) return through;
        if (!nested(spot)) return 0.0;
        SpotContext context{this, from.thread};
        HostSample occluder =
            spotSample(origin, toLight, hit, spot.bounces + 1,
                       HOST_SAMPLE_SHADOW | (spot.flags & HOST_SAMPLE_SAMPLED),
                       spot.refractionIndex, spot.spotSize, spot.pixelX, spot.pixelY, context);
        through *= std::clamp(
            shaders_[static_cast<std::size_t>(occluder.surfaceIndex)]->transmission(occluder), 0.0,
            1.0);
        distance -= hit.distance;
        origin = rayStart(occluder, toVec(occluder.worldPosition), toLight);
        skip = Skip{hit.geometry, hit.primitive, false};
    }
    return 0.0;
}

Vec Tracer::shadeSpot(HostSample &spot, host::SurfaceChannels &channels) const {
    channels = shaders_[static_cast<std::size_t>(spot.surfaceIndex)]->shade(spot);
    const Vec color = toVec(channels.color);
    Vec light = {channels.luminosity, channels.luminosity, channels.luminosity};
    if (channels.diffuse != 0.0) {
        const Vec p = toVec(spot.worldPosition), n = toVec(spot.shadingNormal);
        for (const Light &source : scene_.lights) {
            Vec toLight;
            double distance;
            if (source.kind == Light::Kind::Distant) {
                toLight = scaled(source.direction, -1.0);
                distance = std::numeric_limits<double>::infinity();
            } else {
                const Vec offset = minus(source.position, p);
                distance = length(offset);
                if (!(distance > 0)) continue;
                toLight = scaled(offset, 1.0 / distance);
            }
            const double facing = dot(n, toLight);
            if (facing <= 0.0) continue;
            const double through = source.shadows ? transmission(spot, toLight, distance) : 1.0;
            if (through <= 0.0) continue;
            const double amount = channels.diffuse * facing * through * source.intensity;
            light = plus(light, scaled(source.color, amount));
        }
    }
    return times(color, light);
}

Vec Tracer::renderPixel(int x, int y, double jitterX, double jitterY, ThreadState &thread,
                        FirstHitObserver *observer) const {
    Vec origin, direction;
    cameraRay(x + 0.5 + jitterX, y + 0.5 + jitterY, origin, direction);
    ++thread.primaryRays;
    thread.nestedSamples = 0;
    thread.overBudget = false;
    Hit hit;
    if (!intersect(origin, direction, std::numeric_limits<double>::infinity(), Skip{}, hit))
        return backdrop(direction);
    SpotContext context{this, &thread};
    HostSample spot =
        spotSample(origin, direction, hit, 0, 0, 1.0, hit.distance * pixelAngle_, x, y, context);
    host::SurfaceChannels channels;
    if (!observer) [[likely]]
        return shadeSpot(spot, channels);
    observer->beforeShading(spot);
    const Vec color = shadeSpot(spot, channels);
    observer->afterShading(spot, channels);
    return color;
}

}  // namespace render
