#include "host/raytracer/tracer.h"

#include "host/graph/graph.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include <emmintrin.h>

namespace render {
namespace {

double dot(const Vec &a, const Vec &b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
Vec cross(const Vec &a, const Vec &b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
Vec scaled(const Vec &a, double s) {
    return {a[0] * s, a[1] * s, a[2] * s};
}
Vec plus(const Vec &a, const Vec &b) {
    return {a[0] + b[0], a[1] + b[1], a[2] + b[2]};
}
Vec minus(const Vec &a, const Vec &b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}
Vec times(const Vec &a, const Vec &b) {
    return {a[0] * b[0], a[1] * b[1], a[2] * b[2]};
}
double length(const Vec &a) {
    return std::sqrt(dot(a, a));
}
Vec unit(const Vec &a) {
    return scaled(a, 1.0 / length(a));
}
Vec toVec(const double v[3]) {
    return {v[0], v[1], v[2]};
}
void store(const Vec &v, double out[3]) {
    out[0] = v[0], out[1] = v[1], out[2] = v[2];
}

// The intersect context handed to Embree, extended with what the filter
// skips. Embree passes the context it was given to the filter.
struct FilterContext {
    RTCIntersectContext embree;
    const Tracer::Skip *skip;
    const std::vector<Vec> *const *faceNormals;
};

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

// offset when a ray along direction leaves by the face's side, -offset when
// it goes below (or the two are not comparable). Occlusion rays near the
// horizon fall on either side as good as at random, so the sign is set by a
// mask rather than by a branch that would often guess wrong; the mask stays
// in vector registers, on the path every ray waits on.
double sidedOffset(double offset, const Vec &face, const Vec &direction) {
    const double side = dot(face, direction);
    const __m128d below = _mm_cmpnle_sd(_mm_setzero_pd(), _mm_set_sd(side));  // !(0 <= side)
    return _mm_cvtsd_f64(_mm_xor_pd(_mm_set_sd(offset), _mm_and_pd(below, _mm_set_sd(-0.0))));
}

// A ray whose origin and direction are set: between tnear and tfar, with no
// hit yet.
void setRayExtent(RTCRayHit &rayhit, float tnear, float tfar = 3.0e38f) {
    rayhit.ray.tnear = tnear;
    rayhit.ray.tfar = tfar;
    rayhit.ray.time = 0.0f;
    rayhit.ray.mask = 0xffffffffu;
    rayhit.ray.id = 0;
    rayhit.ray.flags = 0;
    rayhit.hit.geomID = RTC_INVALID_GEOMETRY_ID;
    rayhit.hit.instID[0] = RTC_INVALID_GEOMETRY_ID;
}

// The rest of a ray whose direction is set: from o, between tnear and tfar,
// with no hit yet.
void setRayFrom(RTCRayHit &rayhit, const Vec &o, float tnear, float tfar = 3.0e38f) {
    rayhit.ray.org_x = static_cast<float>(o[0]);
    rayhit.ray.org_y = static_cast<float>(o[1]);
    rayhit.ray.org_z = static_cast<float>(o[2]);
    setRayExtent(rayhit, tnear, tfar);
}

SpotContext &contextOf(const HostSample *sample) {
    return *static_cast<SpotContext *>(sample->hostContext);
}

}  // namespace

struct Tracer::Geometry {
    int surface = 0;
    std::vector<Vec> faceNormals;
    std::vector<float> normals, uvs;
    std::vector<std::uint32_t> indices;
};

namespace {

// The filter behind every skipped polygon and passed-through back face. The
// face normals of geometry g are at faceNormals[g].
void skipFilter(const RTCFilterFunctionNArguments *args) {
    const auto *context = reinterpret_cast<const FilterContext *>(args->context);
    const Tracer::Skip &skip = *context->skip;
    const unsigned geometry = RTCHitN_geomID(args->hit, args->N, 0);
    const unsigned primitive = RTCHitN_primID(args->hit, args->N, 0);
    if (geometry == skip.geometry &&
        (skip.primitive == RTC_INVALID_GEOMETRY_ID || primitive == skip.primitive)) {
        args->valid[0] = 0;
        return;
    }
    if (skip.backFaces) {
        const Vec &n = context->faceNormals[geometry]->at(primitive);
        const Vec d{RTCRayN_dir_x(args->ray, args->N, 0), RTCRayN_dir_y(args->ray, args->N, 0),
                    RTCRayN_dir_z(args->ray, args->N, 0)};
        if (dot(n, d) > 0.0) args->valid[0] = 0;
    }
}

}  // namespace

Tracer::Tracer(SceneDescription scene, std::vector<const host::SurfaceShader *> shaders,
               TracerOptions options)
    : scene_(std::move(scene)), shaders_(std::move(shaders)), options_(options) {
    // One build thread: the scene is built in the calling thread, which keeps
    // builds reproducible and visible to thread checkers.
    device_ = rtcNewDevice("threads=1");
    if (!device_)
        throw SceneError("cannot start Embree (error " +
                         std::to_string(rtcGetDeviceError(nullptr)) + ")");
    embreeScene_ = rtcNewScene(device_);
    rtcSetSceneFlags(embreeScene_,
                     RTC_SCENE_FLAG_CONTEXT_FILTER_FUNCTION |
                         (options_.watertight ? RTC_SCENE_FLAG_ROBUST : RTC_SCENE_FLAG_NONE));

    Vec lower{1e300, 1e300, 1e300}, upper{-1e300, -1e300, -1e300};
    geometries_.resize(scene_.objects.size());
    for (std::size_t g = 0; g < scene_.objects.size(); ++g) {
        const Mesh &mesh = scene_.objects[g].mesh;
        Geometry &geometry = geometries_[g];
        geometry.surface = scene_.objects[g].surface;
        if (geometry.surface < 0 || static_cast<std::size_t>(geometry.surface) >= shaders_.size())
            throw SceneError("object \"" + scene_.objects[g].name + "\" has no surface shader");
        geometry.normals = mesh.normals;
        geometry.uvs = mesh.uvs;
        geometry.indices = mesh.indices;
        const std::size_t vertices = mesh.positions.size() / 3, triangles = mesh.indices.size() / 3;
        RTCGeometry handle = rtcNewGeometry(device_, RTC_GEOMETRY_TYPE_TRIANGLE);
        auto *positions = static_cast<float *>(rtcSetNewGeometryBuffer(
            handle, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3, 3 * sizeof(float), vertices));
        std::copy(mesh.positions.begin(), mesh.positions.end(), positions);
        auto *indices = static_cast<unsigned *>(rtcSetNewGeometryBuffer(
            handle, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3, 3 * sizeof(unsigned), triangles));
        std::copy(mesh.indices.begin(), mesh.indices.end(), indices);
        rtcCommitGeometry(handle);
        rtcAttachGeometryByID(embreeScene_, handle, static_cast<unsigned>(g));
        rtcReleaseGeometry(handle);

        for (std::size_t v = 0; v < vertices; ++v)
            for (int c = 0; c < 3; ++c) {
                lower[c] = std::min<double>(lower[c], mesh.positions[3 * v + c]);
                upper[c] = std::max<double>(upper[c], mesh.positions[3 * v + c]);
            }
        geometry.faceNormals.resize(triangles);
        for (std::size_t t = 0; t < triangles; ++t) {
            Vec p[3];
            for (int k = 0; k < 3; ++k)
                for (int c = 0; c < 3; ++c)
                    p[k][c] = mesh.positions[3 * mesh.indices[3 * t + k] + c];
            const Vec n = cross(minus(p[1], p[0]), minus(p[2], p[0]));
            const double l = length(n);
            geometry.faceNormals[t] = l > 0 ? scaled(n, 1.0 / l) : Vec{0, 1, 0};
        }
    }
    rtcCommitScene(embreeScene_);
    for (const Geometry &geometry : geometries_)
        faceNormalTable_.push_back(&geometry.faceNormals);
    if (!geometries_.empty()) epsilon_ = std::max(1e-7, 1e-6 * length(minus(upper, lower)));

    const Camera &camera = scene_.camera;
    cameraForward_ = unit(minus(camera.target, camera.position));
    cameraRight_ = cross(cameraForward_, camera.up);
    if (length(cameraRight_) < 1e-12) cameraRight_ = cross(cameraForward_, Vec{0, 0, 1});
    cameraRight_ = unit(cameraRight_);
    cameraUp_ = cross(cameraRight_, cameraForward_);
    pixelAngle_ = 2.0 * std::tan(camera.fov * 3.141592653589793 / 360.0) / camera.height;
}

Tracer::~Tracer() {
    if (embreeScene_) rtcReleaseScene(embreeScene_);
    if (device_) rtcReleaseDevice(device_);
}

namespace {

bool intersectOnce(RTCScene scene, RTCIntersectContext *context, const Vec &o, const Vec &d,
                   double tnear, double maxDistance, Tracer::Hit &hit) {
    RTCRayHit rayhit;
    rayhit.ray.dir_x = static_cast<float>(d[0]);
    rayhit.ray.dir_y = static_cast<float>(d[1]);
    rayhit.ray.dir_z = static_cast<float>(d[2]);
    setRayFrom(rayhit, o, static_cast<float>(tnear),
               static_cast<float>(std::min(maxDistance, 3.0e38)));
    rtcIntersect1(scene, context, &rayhit);
    if (rayhit.hit.geomID == RTC_INVALID_GEOMETRY_ID) return false;
    hit.distance = rayhit.ray.tfar;
    hit.geometry = rayhit.hit.geomID;
    hit.primitive = rayhit.hit.primID;
    hit.u = rayhit.hit.u;
    hit.v = rayhit.hit.v;
    return true;
}

}  // namespace

bool Tracer::intersect(const Vec &o, const Vec &d, double maxDistance, const Skip &skip,
                       Hit &hit) const {
    FilterContext context;
    rtcInitIntersectContext(&context.embree);
    context.skip = &skip;
    context.faceNormals = nullptr;
    const bool onePolygon =
        skip.geometry != RTC_INVALID_GEOMETRY_ID && skip.primitive != RTC_INVALID_GEOMETRY_ID;
    if (onePolygon && !skip.backFaces) {
        // The spot's own polygon is met, if at all, right at the origin
        // through rounding; rather than filter every candidate hit, go on
        // past it in the rare case it comes first.
        double tnear = epsilon_;
        for (int attempt = 0; attempt < 4; ++attempt) {
            if (!intersectOnce(embreeScene_, &context.embree, o, d, tnear, maxDistance, hit))
                return false;
            if (hit.geometry != skip.geometry || hit.primitive != skip.primitive) return true;
            tnear = hit.distance + epsilon_;
        }
        return false;
    }
    // The filter needs every geometry's face normals when back faces pass.
    if (skip.backFaces) context.faceNormals = faceNormalTable_.data();
    if (skip.geometry != RTC_INVALID_GEOMETRY_ID || skip.backFaces)
        context.embree.filter = skipFilter;
    return intersectOnce(embreeScene_, &context.embree, o, d, epsilon_, maxDistance, hit);
}

bool Tracer::nested(const HostSample &sample) const {
    if (sample.bounces + 1 > scene_.recursionDepth) return false;
    ThreadState &thread = *contextOf(&sample).thread;
    if (thread.nestedSamples >= kNestedSampleBudget) {
        if (!thread.overBudget) ++thread.samplesOverBudget;
        thread.overBudget = true;
        return false;
    }
    ++thread.nestedSamples;
    return true;
}

// Inline: it runs for every ray a node fires.
inline Vec Tracer::rayStart(const HostSample &sample, const Vec &origin,
                            const Vec &direction) const {
    const SpotContext &from = contextOf(&sample);
    if (!options_.offsetOrigins || from.primitive == RTC_INVALID_GEOMETRY_ID ||
        origin[0] != sample.worldPosition[0] || origin[1] != sample.worldPosition[1] ||
        origin[2] != sample.worldPosition[2]) [[unlikely]]
        return origin;
    return plus(origin, scaled(from.face, sidedOffset(from.leaveOffset, from.face, direction)));
}

double Tracer::leaveOffset(const Vec &position) const {
    // Positions are floats in Embree: their rounding, and so the distance
    // a hit on a neighbouring polygon may lie off the plane, grows with
    // their size. 2^-16 of the largest coordinate is well above it.
    const double magnitude =
        std::max({std::fabs(position[0]), std::fabs(position[1]), std::fabs(position[2])});
    return std::max(epsilon_, magnitude * (1.0 / 65536.0));
}

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

// ---- The sample record's ray operations ----

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
