// Renders frames of a scene with several threads, in tiles.
#pragma once

#include <functional>

#include "host/raytracer/image.h"
#include "host/raytracer/tracer.h"

namespace render {

struct RenderOptions {
    int threads = 1;          // 1 to 16; render-thread indices are 0 to threads - 1
    int samplesPerPixel = 1;  // camera rays per pixel, jittered the same way in every render
    int tileSize = 16;
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

// Renders one frame with the tracer. With one thread the result is the same
// on every run.
RenderStatistics renderFrame(const Tracer &tracer, const RenderOptions &options, Image &image,
                             const ProgressCallback &progress = {});

// A progress bar on standard error: redrawn in place on a terminal, a line per
// tenth otherwise.
class ProgressBar {
  public:
    explicit ProgressBar(std::string label);
    void operator()(int done, int total);
    void finish(const RenderStatistics &statistics);

  private:
    std::string label_;
    bool terminal_;
    int lastTenth_ = -1;
};

}  // namespace render
