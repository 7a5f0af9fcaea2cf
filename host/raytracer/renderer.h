// Renders frames of a scene with several threads, in tiles.
//
// By default each thread renders a fixed share of the tiles (thread i takes
// tiles i, i + T, i + 2T... of T threads, in order), so two renders with the
// same thread count repeat byte for byte. The image still depends on the
// thread count: nodes that draw random numbers draw from their render
// thread's own sequence, and which pixels a thread shades, in what order,
// decides which numbers each pixel gets. Dynamic tiles go to whichever thread
// is free: a little faster when tiles cost unevenly, but not repeatable.
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
    int threads = 1;          // 1 to 16; render-thread indices are 0 to threads - 1
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

// Told of the spot each camera ray hits first, before the spot is shaded, on
// the thread that renders the pixel: imageX and imageY place it in the
// image, weight is its share of the pixel (one over the samples per pixel).
using FirstHitCallback =
    std::function<void(HostSample &spot, int imageX, int imageY, double weight)>;

// The region a render covers: the options' region, or the whole frame.
// Throws SceneError for a region outside the frame or without pixels.
Region renderRegion(const Tracer &tracer, const RenderOptions &options);

// Renders one frame with the tracer.
RenderStatistics renderFrame(const Tracer &tracer, const RenderOptions &options, Image &image,
                             const ProgressCallback &progress = {},
                             const FirstHitCallback &firstHit = {});

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
