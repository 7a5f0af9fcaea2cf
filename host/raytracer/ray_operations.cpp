// The sample record's ray operations, cast, trace and shade, as nodes call
// them: the path every ray a node fires takes, kept in one file so that its
// helpers inline into it.
#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "host/graph/graph.h"
#include "host/raytracer/tracer.h"
#include "host/raytracer/tracer_common.h"

namespace render {
using namespace tracing;
namespace {

// The unit direction of a ray as a node passes it; false for a zero or
// broken one. Most callers pass unit directions: no square root for those.
bool unitDirection(const double d[3], Vec &direction) {
    direction = toVec(d);
    const double squared = dot(direction, direction);
    if (std::fabs(squared - 1.0) <= 1e-12) return true;
    if (!(squared > 0.0) || !std::isfinite(squared)) return false;
    direction = scaled(direction, 1.0 / std::sqrt(squared));
    return true;
}

// As unitDirection, straight into the ray that Embree is given; returns that
// ray's direction as Embree has it. The components are read one by one: a
// node has usually just stored them one by one, and a wider read of them
// would wait for those stores to land.
std::optional<Vec> setUnitDirection(RTCRayHit &rayhit, const double d[3]) {
    double x = d[0];
    asm("" : "+x"(x));
    double y = d[1];
    asm("" : "+x"(y));
    double z = d[2];
    const double squared = x * x + y * y + z * z;
    double scale = 1.0;
    if (!(std::fabs(squared - 1.0) <= 1e-12)) {
        if (!(squared > 0.0) || !std::isfinite(squared)) return std::nullopt;
        scale = 1.0 / std::sqrt(squared);
    }
    // Kept in registers rather than read back from the ray: the side the ray
    // leaves by waits on them, and Embree waits on that.
    const float fx = static_cast<float>(x * scale), fy = static_cast<float>(y * scale),
                fz = static_cast<float>(z * scale);
    rayhit.ray.dir_x = fx;
    rayhit.ray.dir_y = fy;
    rayhit.ray.dir_z = fz;
    return Vec{fx, fy, fz};
}

}  // namespace

// Inline into cast, the path of most rays.
inline double Tracer::nearestPastPolygon(RTCRayHit &rayhit, const Vec &o, unsigned geometry,
                                         unsigned primitive) const {
    RTCIntersectContext context;
    rtcInitIntersectContext(&context);
    setRayFrom(rayhit, o, static_cast<float>(epsilon_));
    rtcIntersect1(embreeScene_, &context, &rayhit);
    if (rayhit.hit.geomID == RTC_INVALID_GEOMETRY_ID) return -1.0;
    if (rayhit.hit.geomID != geometry || rayhit.hit.primID != primitive) [[likely]]
        return rayhit.ray.tfar;
    return pastOwnPolygon(rayhit, geometry, primitive);
}

// The spot's own polygon is met, if at all, right at the origin through
// rounding; rather than filter every candidate hit, the ray goes on past it
// in the rare case it comes first. Embree leaves a ray's origin and direction
// as they were, so only its extent is set again.
double Tracer::pastOwnPolygon(RTCRayHit &rayhit, unsigned geometry, unsigned primitive) const {
    RTCIntersectContext context;
    rtcInitIntersectContext(&context);
    for (int attempt = 1; attempt < 4; ++attempt) {
        setRayExtent(rayhit, static_cast<float>(static_cast<double>(rayhit.ray.tfar) + epsilon_));
        rtcIntersect1(embreeScene_, &context, &rayhit);
        if (rayhit.hit.geomID == RTC_INVALID_GEOMETRY_ID) return -1.0;
        if (rayhit.hit.geomID != geometry || rayhit.hit.primID != primitive) return rayhit.ray.tfar;
    }
    return -1.0;
}

double HOST_CALL Tracer::cast(const HostSample *sample, const double o[3], const double d[3]) {
    const SpotContext &from = contextOf(sample);
    const Tracer &tracer = *from.tracer;
    if (from.geometry == RTC_INVALID_GEOMETRY_ID || from.primitive == RTC_INVALID_GEOMETRY_ID) {
        // Not a spot on a polygon: the general path, with its filter.
        Vec direction;
        if (!unitDirection(d, direction)) return -1.0;
        ++from.thread->secondaryRays;
        host::countRay();
        Hit hit;
        const Skip skip{from.geometry, from.primitive, false};
        return tracer.intersect(toVec(o), direction, std::numeric_limits<double>::infinity(), skip,
                                hit)
                   ? hit.distance
                   : -1.0;
    }
    // The common case, a node's ray from a spot: the ray is set up for
    // Embree straight from the node's numbers.
    RTCRayHit rayhit;
    const std::optional<Vec> given = setUnitDirection(rayhit, d);
    if (!given) return -1.0;
    const Vec &direction = *given;
    // Off the surface when the ray leaves the spot; distances are still from
    // the origin the node gave.
    const Vec origin = toVec(o);
    const Vec start = tracer.rayStart(*sample, origin, direction);
    double startsAt = dot(minus(start, origin), direction);
    // Worked out now, while Embree has yet to start: one number then waits
    // out the intersection rather than the three vectors it comes from.
    asm("" : "+x"(startsAt));
    const double distance = tracer.nearestPastPolygon(rayhit, start, from.geometry, from.primitive);
    // Counted once Embree has returned: the counters are memory that the
    // compiler cannot tell apart from the ray's numbers, and counted first
    // they made it keep the ray's start in memory and read it back.
    ++from.thread->secondaryRays;
    host::countRay();
    return distance < 0.0 ? -1.0 : distance + startsAt;
}

double HOST_CALL Tracer::trace(const HostSample *sample, const double o[3], const double d[3],
                               double color[3], double eta, std::uint32_t mode) {
    SpotContext &from = contextOf(sample);
    const Tracer &tracer = *from.tracer;
    std::uint32_t kind = mode & HOST_TRACE_MODE_MASK;
    if (kind > HOST_TRACE_BACKDROP) kind = HOST_TRACE_DISTANCE;
    Vec direction;
    if (!unitDirection(d, direction)) return -1.0;
    if (kind == HOST_TRACE_BACKDROP) {
        store(tracer.backdrop(direction), color);
        return -1.0;
    }

    Skip skip;
    skip.geometry = from.geometry;
    skip.primitive = RTC_INVALID_GEOMETRY_ID;  // the whole object
    if (mode & HOST_TRACE_OBJECT) {
        if (mode & HOST_TRACE_NOPOLYGON)
            skip.primitive = from.primitive;
        else
            skip.geometry = RTC_INVALID_GEOMETRY_ID;  // nothing skipped
    }
    skip.backFaces = !(mode & HOST_TRACE_BACKSHADE);
    ++from.thread->secondaryRays;
    host::countRay();
    Hit hit;
    const Vec given = toVec(o), origin = tracer.rayStart(*sample, given, direction);
    if (!tracer.intersect(origin, direction, std::numeric_limits<double>::infinity(), skip, hit)) {
        if (kind == HOST_TRACE_SHADOW || kind == HOST_TRACE_OCCLUSION)
            store({1, 1, 1}, color);
        else if (mode & HOST_TRACE_BACKDROPF)
            store(tracer.backdrop(direction), color);
        else if (kind != HOST_TRACE_DISTANCE)
            store({0, 0, 0}, color);
        return -1.0;
    }
    // Distances are from the origin the node gave.
    const double distance = hit.distance + dot(minus(origin, given), direction);
    if (kind == HOST_TRACE_DISTANCE) return distance;
    if (kind == HOST_TRACE_OCCLUSION || !tracer.nested(*sample)) {
        store({0, 0, 0}, color);
        return distance;
    }

    std::uint32_t flags = sample->flags & HOST_SAMPLE_SAMPLED;
    if (mode & HOST_TRACE_SAMPLED) flags |= HOST_SAMPLE_SAMPLED;
    if (kind == HOST_TRACE_REFLECTION) flags |= HOST_SAMPLE_REFLECT;
    if (kind == HOST_TRACE_REFRACTION) flags |= HOST_SAMPLE_REFRACT;
    if (kind == HOST_TRACE_SHADOW) flags |= HOST_SAMPLE_SHADOW;
    const double index = kind == HOST_TRACE_REFRACTION ? eta : sample->refractionIndex;
    SpotContext context{&tracer, from.thread};
    HostSample spot = tracer.spotSample(origin, direction, hit, sample->bounces + 1, flags, index,
                                        sample->spotSize + hit.distance * tracer.pixelAngle_,
                                        sample->pixelX, sample->pixelY, context);
    const host::SurfaceShader &shader =
        *tracer.shaders_[static_cast<std::size_t>(spot.surfaceIndex)];
    if (kind == HOST_TRACE_SHADOW) {
        const double through = std::clamp(shader.transmission(spot), 0.0, 1.0);
        store({through, through, through}, color);
    } else if (kind == HOST_TRACE_DISSOLVE) {
        store(toVec(shader.shade(spot).color), color);
    } else {
        host::SurfaceChannels channels;
        store(tracer.shadeSpot(spot, channels), color);
    }
    return distance;
}

double HOST_CALL Tracer::shade(const HostSample *sample, const double o[3], const double d[3],
                               HostShadedSample *shaded) {
    SpotContext &from = contextOf(sample);
    const Tracer &tracer = *from.tracer;
    *shaded = HostShadedSample{};
    shaded->distance = -1.0;
    shaded->surfaceIndex = -1;
    shaded->eta = sample->refractionIndex;
    Vec direction;
    if (!unitDirection(d, direction)) return -1.0;
    const Vec given = toVec(o), origin = tracer.rayStart(*sample, given, direction);
    ++from.thread->secondaryRays;
    host::countRay();
    Hit hit;
    const Skip skip{from.geometry, from.primitive, false};
    if (!tracer.intersect(origin, direction, std::numeric_limits<double>::infinity(), skip, hit))
        return -1.0;
    // Distances are from the origin the node gave.
    hit.distance += dot(minus(origin, given), direction);
    SpotContext context{&tracer, from.thread};
    HostSample spot = tracer.spotSample(
        given, direction, hit, sample->bounces + 1, sample->flags & HOST_SAMPLE_SAMPLED,
        sample->refractionIndex, sample->spotSize + hit.distance * tracer.pixelAngle_,
        sample->pixelX, sample->pixelY, context);
    shaded->distance = hit.distance;
    shaded->surfaceIndex = spot.surfaceIndex;
    for (int c = 0; c < 3; ++c) {
        shaded->position[c] = spot.worldPosition[c];
        shaded->normal[c] = spot.shadingNormal[c];
    }
    if (!tracer.nested(*sample)) return hit.distance;
    host::SurfaceChannels channels;
    store(tracer.shadeSpot(spot, channels), shaded->color);
    store(toVec(channels.color), shaded->rawColor);
    shaded->luminosity = channels.luminosity;
    shaded->diffuse = channels.diffuse;
    shaded->eta = channels.refractionIndex;
    return hit.distance;
}

}  // namespace render
