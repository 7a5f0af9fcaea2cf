// The ray tracer behind the sample record's cast, trace and shade: an Embree
// scene of the scene's meshes, and the shading of the spots rays hit by
// their surfaces' node graphs.
//
// A Tracer is read-only once built, so any number of render threads may trace
// at once; each thread brings its own ThreadState for its counters. Every
// sample record the tracer makes carries a SpotContext in hostContext, which
// tells the ray operations where the spot lies and whose thread it is.
//
// Ray operations, as nodes see them (directions need not be unit length;
// distances are in world units):
//   cast   nearest hit along the ray, -1 for none. Front and back faces count;
//          the polygon the spot lies on is skipped, so rays leave a surface
//          without an offset.
//   shade  as cast, then the hit shaded by its surface as a nested sample,
//          lighting included; the record gets colour, position, normal, raw
//          colour, luminosity, diffuse, refraction index, distance and surface
//          index (distance and surface -1, colours black, for a miss).
//   trace  by the mode word's low part:
//          0 Distance    the hit distance only; the colour is left alone
//          1 Reflection  the hit shaded fully; the nested sample has flag 2
//          2 Refraction  the same with flag 4, in a medium of the given index
//          3 Dissolve    the hit surface's own colour, without lighting
//          4 Shadow      light let through: white on a miss, the surface's
//                        transparency on a hit
//          5 Occlusion   white on a miss, black on a hit
//          6 Backdrop    the backdrop along the ray; no geometry (returns -1)
//          other values act as Distance.
//        and its flags:
//          Backshade (0x08000000)  back faces count (without it rays pass
//                                  through faces seen from behind)
//          Backdrop  (0x10000000)  a miss brings the backdrop colour (without
//                                  it a miss is black; Shadow and Occlusion
//                                  misses are white either way)
//          Object    (0x20000000)  the object the spot lies on may be hit
//                                  (without it the whole object is skipped)
//          Sampled   (0x40000000)  the nested sample carries flag 8
//          No Polygon(0x80000000)  with Object: the spot's own polygon is
//                                  still skipped
//          A miss returns -1.
// A nested sample has bounces one above the sample that fired the ray and
// keeps its flag 8. Beyond the scene's recursion limit a ray still finds its
// distance but brings back black, shading nothing. The same happens once a
// camera sample has made kNestedSampleBudget nested samples in all: surfaces
// that each fire more than one shading ray (two facing mirrors that trace and
// shade) would otherwise double their work with every bounce. The renderer
// counts the camera samples that ran out, so that the user hears of it.
//
// Casting is watertight (no ray slips between two triangles sharing an
// edge), and a ray that leaves the spot a sample record describes starts a
// little off the surface, on the side it heads to, by an amount that grows
// with the size of the spot's coordinates: float rounding would otherwise
// let it hit the polygons next to the one it leaves. Shadow rays toward lights
// evaluate the occluding surface with flag 1 and multiply its transparency.
#pragma once

#include <embree3/rtcore.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "host/graph/surface.h"
#include "host/raytracer/scene_description.h"

namespace render {

// Rays one render thread fired; each thread has its own, on a cache line of
// its own.
struct alignas(64) ThreadState {
    int index = 0;
    std::uint64_t primaryRays = 0;
    std::uint64_t secondaryRays = 0;
    std::uint64_t samplesOverBudget = 0;  // camera samples that used up their budget
    int nestedSamples = 0;                // in the current camera sample
    bool overBudget = false;              // the current camera sample ran out
};

// Nested samples one camera sample may make, all bounces together.
constexpr int kNestedSampleBudget = 16384;

// How rays are cast; both on, except to measure what they cost.
struct TracerOptions {
    bool watertight = true;     // Embree's robust mode
    bool offsetOrigins = true;  // rays leaving a spot start off its surface
};

class Tracer;

// Told of the spot a camera ray hits first: before it is shaded, so that
// what its shading evaluates can be watched, and after, with what the
// surface gave. Called on the thread that renders the pixel.
class FirstHitObserver {
  public:
    virtual void beforeShading(const HostSample &spot) = 0;
    virtual void afterShading(const HostSample &spot, const host::SurfaceChannels &channels) = 0;

  protected:
    ~FirstHitObserver() = default;
};

// The host's part of a sample record the tracer made.
struct SpotContext {
    const Tracer *tracer = nullptr;
    ThreadState *thread = nullptr;
    unsigned geometry = RTC_INVALID_GEOMETRY_ID;   // the object the spot lies on
    unsigned primitive = RTC_INVALID_GEOMETRY_ID;  // its polygon
    // Where rays leaving the spot start: this far off the polygon, along its
    // face normal, on the side they head to. Worked out once with the spot,
    // as an occlusion fires dozens of rays from it.
    Vec face{};
    double leaveOffset = 0.0;
};

class Tracer {
  public:
    Tracer(SceneDescription scene, std::vector<const host::SurfaceShader *> shaders,
           TracerOptions options = {});
    ~Tracer();
    Tracer(const Tracer &) = delete;
    Tracer &operator=(const Tracer &) = delete;

    const SceneDescription &scene() const { return scene_; }
    RTCScene embreeScene() const { return embreeScene_; }

    // What rays leaving a spot skip.
    struct Skip {
        unsigned geometry = RTC_INVALID_GEOMETRY_ID;
        unsigned primitive = RTC_INVALID_GEOMETRY_ID;  // invalid: skip the whole geometry
        bool backFaces = false;                        // pass through faces seen from behind
    };
    struct Hit {
        double distance = -1.0;
        unsigned geometry = RTC_INVALID_GEOMETRY_ID, primitive = RTC_INVALID_GEOMETRY_ID;
        float u = 0, v = 0;
    };
    // The nearest hit along a unit direction within maxDistance.
    bool intersect(const Vec &origin, const Vec &direction, double maxDistance, const Skip &skip,
                   Hit &hit) const;

    // The colour a camera ray through the pixel centre (shifted by jitter, in
    // pixels) brings back.
    Vec renderPixel(int x, int y, double jitterX, double jitterY, ThreadState &thread,
                    FirstHitObserver *observer = nullptr) const;
    // The camera's ray through a point of the image plane, in pixels.
    void cameraRay(double x, double y, Vec &origin, Vec &direction) const;
    Vec backdrop(const Vec &unitDirection) const { return scene_.backdrop.along(unitDirection); }

    // A sample record for the spot a ray hit, as evaluate receives it.
    HostSample spotSample(const Vec &origin, const Vec &direction, const Hit &hit, int bounces,
                          std::uint32_t flags, double refractionIndex, double spotSize, int pixelX,
                          int pixelY, SpotContext &context) const;
    // The spot's surface lit by the scene's lights; channels are returned too.
    Vec shadeSpot(HostSample &spot, host::SurfaceChannels &channels) const;

    // The ray operations put into every sample record.
    static double HOST_CALL cast(const HostSample *sample, const double origin[3],
                                 const double direction[3]);
    static double HOST_CALL trace(const HostSample *sample, const double origin[3],
                                  const double direction[3], double color[3], double eta,
                                  std::uint32_t mode);
    static double HOST_CALL shade(const HostSample *sample, const double origin[3],
                                  const double direction[3], HostShadedSample *shaded);

  private:
    struct Geometry;
    double transmission(const HostSample &spot, const Vec &toLight, double distance) const;
    // The distance to the nearest hit from a spot on a polygon, that polygon
    // skipped; -1 for none. The cast of most rays: rayhit comes with its unit
    // direction set, the rest is set here.
    double nearestPastPolygon(RTCRayHit &rayhit, const Vec &origin, unsigned geometry,
                              unsigned primitive) const;
    // nearestPastPolygon's rare second look, when the first hit was the
    // spot's own polygon.
    [[gnu::noinline]] double pastOwnPolygon(RTCRayHit &rayhit, unsigned geometry,
                                            unsigned primitive) const;
    // Whether a ray fired from the sample may shade what it hits; counts the
    // nested sample against its camera sample's budget.
    bool nested(const HostSample &sample) const;
    // Where a ray from origin along the unit direction starts: off the
    // sample's surface when it leaves the sample's spot.
    Vec rayStart(const HostSample &sample, const Vec &origin, const Vec &direction) const;
    // How far off its polygon a ray leaving a spot at position starts.
    double leaveOffset(const Vec &position) const;

    SceneDescription scene_;
    std::vector<const host::SurfaceShader *> shaders_;
    std::vector<Geometry> geometries_;
    std::vector<const std::vector<Vec> *> faceNormalTable_;  // by geometry id, for the filter
    RTCDevice device_ = nullptr;
    RTCScene embreeScene_ = nullptr;
    TracerOptions options_;
    double epsilon_ = 1e-6;  // the nearest distance a ray counts, from the scene's size
    Vec cameraForward_{}, cameraRight_{}, cameraUp_{};
    double pixelAngle_ = 0.0;  // the view angle of one pixel, in radians
};

}  // namespace render
