// The tracer's Embree scene: the meshes' geometry and face normals, and the
// nearest hit along a ray with what it skips.
#include <algorithm>
#include <cmath>
#include <string>

#include "host/raytracer/tracer.h"
#include "host/raytracer/tracer_common.h"

namespace render {
using namespace tracing;

namespace {
// The intersect context handed to Embree, extended with what the filter
// skips. Embree passes the context it was given to the filter.
struct FilterContext {
    RTCIntersectContext embree;
    const Tracer::Skip *skip;
    const std::vector<Vec> *const *faceNormals;
};

}  // namespace

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

double Tracer::leaveOffset(const Vec &position) const {
    // Positions are floats in Embree: their rounding, and so the distance
    // a hit on a neighbouring polygon may lie off the plane, grows with
    // their size. 2^-16 of the largest coordinate is well above it.
    const double magnitude =
        std::max({std::fabs(position[0]), std::fabs(position[1]), std::fabs(position[2])});
    return std::max(epsilon_, magnitude * (1.0 / 65536.0));
}

}  // namespace render
