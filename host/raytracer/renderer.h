// Renders frames of a scene with several threads, in tiles.
//
// The nodes see a fixed number of render-thread indices. Each index owns a
// fixed share of the tiles (index i takes tiles i, i + T, i + 2T... of T
// indices, in order), and a worker renders one index's tiles at a time.
// Nodes that draw random numbers draw from their render thread's own
// sequence, so each pixel gets the same numbers however many workers share
// the indices: the image depends on the number of indices, never on the
// number of workers. Dynamic tiles go to whichever worker is free, each
// worker an index of its own: a little faster when tiles cost unevenly, but
// not repeatable.
#pragma once

#include <functional>
#include <optional>

#include "host/raytracer/image.h"
#include "host/raytracer/tracer.h"

namespace render {

// A rectangle of the frame's pixels: x0 to x1 - 1 across, y0 to y1 - 1 down.
struct Region {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    int width() const { return x1 - x0; }
    int height() const { return y1 - y0; }
};

struct RenderOptions {
    int threads = 1;  // workers, 1 to 16
    // Render-thread indices the nodes see, 1 to 16; 0 for as many as there
    // are workers. Ignored with dynamic tiles, where each worker is an index.
    int threadIndices = 0;
    int samplesPerPixel = 1;  // camera rays per pixel, jittered the same way in every render
    int tileSize = 16;
    bool dynamicTiles = false;
    // Only these pixels are rendered, into an image of the region's size;
    // samples keep their pixel coordinates in the whole frame.
    std::optional<Region> region;
};

struct RenderStatistics {
    std::uint64_t primaryRays = 0;
    std::uint64_t secondaryRays = 0;
    std::uint64_t samplesOverBudget = 0;  // camera samples cut short by the nested-sample budget
    double seconds = 0.0;
};

// Told how many tiles are done out of how many; called from the thread that
// renders, about ten times a second.
using ProgressCallback = std::function<void(int done, int total)>;

// Watches a frame's camera samples. startSample comes first for every
// camera sample, then, when the ray hits, beforeShading and afterShading.
// thread is the render-thread index, which one worker at a time uses; imageX
// and imageY place the pixel in the image; weight is the sample's share of
// the pixel (one over the samples per pixel).
class SampleObserver {
  public:
    virtual void startSample(int thread, int imageX, int imageY, int sample, double weight) = 0;
    virtual void beforeShading(int thread, const HostSample &spot) = 0;
    virtual void afterShading(int thread, const HostSample &spot,
                              const host::SurfaceChannels &channels) = 0;

  protected:
    ~SampleObserver() = default;
};

// Told of the spot a camera sample's ray hits first, without shading it.
using FirstHitCallback =
    std::function<void(HostSample &spot, int imageX, int imageY, int sample, double weight)>;
// Whether a pass over the first hits wants this camera sample.
using SampleWanted = std::function<bool(int imageX, int imageY, int sample)>;

// How many render-thread indices the nodes see with these options.
int threadIndexCount(const RenderOptions &options);

// The region a render covers: the options' region, or the whole frame.
// Throws SceneError for a region outside the frame or without pixels.
Region renderRegion(const Tracer &tracer, const RenderOptions &options);

// Renders one frame with the tracer.
RenderStatistics renderFrame(const Tracer &tracer, const RenderOptions &options, Image &image,
                             const ProgressCallback &progress = {},
                             SampleObserver *observer = nullptr);

// Fires the camera rays of the wanted samples again, tiled as a frame is,
// and hands over the spots they hit first, unshaded: the pass that evaluates
// what the frame's shading never did. Returns the rays it fired.
RenderStatistics visitFirstHits(const Tracer &tracer, const RenderOptions &options,
                                const SampleWanted &wanted, const FirstHitCallback &visit);

// A progress bar on standard error: redrawn in place on a terminal, a line per
// tenth otherwise; silent when quiet.
class ProgressBar {
  public:
    explicit ProgressBar(std::string label, bool quiet = false);
    void operator()(int done, int total);
    void finish(const RenderStatistics &statistics);
    // Ends the bar saying the frame failed; its error follows.
    void fail();

  private:
    std::string label_;
    bool terminal_;
    bool quiet_;
    int lastTenth_ = -1;
};

}  // namespace render
