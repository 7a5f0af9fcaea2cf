#include "host/raytracer/renderer.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <optional>
#include <thread>

#include "host/raytracer/primary_spot.h"

namespace render {
namespace {

// A fixed jitter per pixel sample, so that renders repeat exactly.
double jitter(int x, int y, int sample, int axis) {
    std::uint32_t h = static_cast<std::uint32_t>(x) * 0x8da6b343u ^
                      static_cast<std::uint32_t>(y) * 0xd8163841u ^
                      static_cast<std::uint32_t>(sample * 2 + axis) * 0xcb1ab31fu;
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    return h * (1.0 / 4294967296.0) - 0.5;
}

}  // namespace

Region renderRegion(const Tracer &tracer, const RenderOptions &options) {
    const Camera &camera = tracer.scene().camera;
    if (!options.region) return Region{0, 0, camera.width, camera.height};
    const Region &r = *options.region;
    if (r.x0 < 0 || r.y0 < 0 || r.x1 > camera.width || r.y1 > camera.height || r.x0 >= r.x1 ||
        r.y0 >= r.y1)
        throw SceneError("region " + std::to_string(r.x0) + "," + std::to_string(r.y0) + "," +
                         std::to_string(r.x1) + "," + std::to_string(r.y1) + " is not inside the " +
                         std::to_string(camera.width) + "x" + std::to_string(camera.height) +
                         " frame (x0,y0,x1,y1 with x0 < x1 <= " + std::to_string(camera.width) +
                         ", y0 < y1 <= " + std::to_string(camera.height) + ")");
    return r;
}

int threadIndexCount(const RenderOptions &options) {
    const int workers = std::clamp(options.threads, 1, 16);
    if (options.dynamicTiles || options.threadIndices <= 0) return workers;
    return std::clamp(options.threadIndices, 1, 16);
}

namespace {

// The tiles of a region and the render-thread indices that own them, run by
// the workers; renderTile(tile, state) renders one tile with its index's
// state.
using TileWork = std::function<void(const Region &tile, ThreadState &state)>;

RenderStatistics runTiles(const RenderOptions &options, const Region &region,
                          const TileWork &renderTile, const ProgressCallback &progress) {
    const auto started = std::chrono::steady_clock::now();
    const int tile = std::max(1, options.tileSize);
    const int columns = (region.width() + tile - 1) / tile;
    const int rows = (region.height() + tile - 1) / tile;
    const int tiles = columns * rows;
    const int workerCount = std::clamp(options.threads, 1, 16);
    const int indexCount = threadIndexCount(options);

    std::vector<ThreadState> states(static_cast<std::size_t>(indexCount));
    for (int i = 0; i < indexCount; ++i)
        states[static_cast<std::size_t>(i)].index = i;
    std::atomic<int> nextTile{0}, nextIndex{0}, doneTiles{0};
    auto tileRegion = [&](int t) {
        const int x0 = region.x0 + (t % columns) * tile, y0 = region.y0 + (t / columns) * tile;
        return Region{x0, y0, std::min(x0 + tile, region.x1), std::min(y0 + tile, region.y1)};
    };
    // Worker 0 is the calling thread; it reports progress between its tiles.
    auto work = [&](int worker) {
        auto reported = std::chrono::steady_clock::now();
        auto finished = [&] {
            const int done = doneTiles.fetch_add(1) + 1;
            const auto now = std::chrono::steady_clock::now();
            if (worker == 0 && progress && now - reported > std::chrono::milliseconds(100)) {
                progress(done, tiles);
                reported = now;
            }
        };
        if (options.dynamicTiles) {
            for (int t = nextTile.fetch_add(1); t < tiles; t = nextTile.fetch_add(1)) {
                renderTile(tileRegion(t), states[static_cast<std::size_t>(worker)]);
                finished();
            }
            return;
        }
        for (int index = nextIndex.fetch_add(1); index < indexCount; index = nextIndex.fetch_add(1))
            for (int t = index; t < tiles; t += indexCount) {
                renderTile(tileRegion(t), states[static_cast<std::size_t>(index)]);
                finished();
            }
    };

    std::vector<std::thread> workers;
    for (int i = 1; i < std::min(workerCount, indexCount); ++i)
        workers.emplace_back(work, i);
    work(0);
    for (auto &worker : workers)
        worker.join();
    if (progress) progress(tiles, tiles);

    RenderStatistics statistics;
    for (const ThreadState &state : states) {
        statistics.primaryRays += state.primaryRays;
        statistics.secondaryRays += state.secondaryRays;
        statistics.samplesOverBudget += state.samplesOverBudget;
    }
    statistics.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return statistics;
}

// Hands the observer the index's camera samples, in the tracer's terms.
class ObserverOnThread final : public FirstHitObserver {
  public:
    ObserverOnThread(SampleObserver &observer, int thread) : observer_(observer), thread_(thread) {}
    void beforeShading(const HostSample &spot) override { observer_.beforeShading(thread_, spot); }
    void afterShading(const HostSample &spot, const host::SurfaceChannels &channels) override {
        observer_.afterShading(thread_, spot, channels);
    }

  private:
    SampleObserver &observer_;
    int thread_;
};

}  // namespace

RenderStatistics renderFrame(const Tracer &tracer, const RenderOptions &options, Image &image,
                             const ProgressCallback &progress, SampleObserver *observer) {
    const Region region = renderRegion(tracer, options);
    image = Image(region.width(), region.height());
    const int samples = std::max(1, options.samplesPerPixel);
    const double weight = 1.0 / samples;
    auto renderTile = [&](const Region &tile, ThreadState &state) {
        std::optional<ObserverOnThread> watching;
        if (observer) watching.emplace(*observer, state.index);
        for (int y = tile.y0; y < tile.y1; ++y)
            for (int x = tile.x0; x < tile.x1; ++x) {
                Vec sum{0, 0, 0};
                for (int s = 0; s < samples; ++s) {
                    const double jx = samples > 1 ? jitter(x, y, s, 0) : 0.0;
                    const double jy = samples > 1 ? jitter(x, y, s, 1) : 0.0;
                    if (observer)
                        observer->startSample(state.index, x - region.x0, y - region.y0, s, weight);
                    const Vec c =
                        tracer.renderPixel(x, y, jx, jy, state, watching ? &*watching : nullptr);
                    for (int k = 0; k < 3; ++k)
                        sum[k] += c[k];
                }
                float *out = image.pixel(x - region.x0, y - region.y0);
                for (int k = 0; k < 3; ++k)
                    out[k] = static_cast<float>(sum[k] / samples);
            }
    };
    return runTiles(options, region, renderTile, progress);
}

RenderStatistics visitFirstHits(const Tracer &tracer, const RenderOptions &options,
                                const SampleWanted &wanted, const FirstHitCallback &visit) {
    const Region region = renderRegion(tracer, options);
    const int samples = std::max(1, options.samplesPerPixel);
    const double weight = 1.0 / samples;
    auto visitTile = [&](const Region &tile, ThreadState &state) {
        for (int y = tile.y0; y < tile.y1; ++y)
            for (int x = tile.x0; x < tile.x1; ++x)
                for (int s = 0; s < samples; ++s) {
                    if (!wanted(x - region.x0, y - region.y0, s)) continue;
                    const double jx = samples > 1 ? jitter(x, y, s, 0) : 0.0;
                    const double jy = samples > 1 ? jitter(x, y, s, 1) : 0.0;
                    // The same ray the pixel's shading fired.
                    Vec origin, direction;
                    tracer.cameraRay(x + 0.5 + jx, y + 0.5 + jy, origin, direction);
                    SpotContext context{&tracer, &state};
                    HostSample spot;
                    if (primarySpot(tracer, origin, direction, x, y, state, context, spot))
                        visit(spot, x - region.x0, y - region.y0, s, weight);
                }
    };
    return runTiles(options, region, visitTile, {});
}

ProgressBar::ProgressBar(std::string label, bool quiet)
    : label_(std::move(label)), terminal_(isatty(2) != 0), quiet_(quiet) {}

void ProgressBar::operator()(int done, int total) {
    if (quiet_) return;
    const double share = total > 0 ? static_cast<double>(done) / total : 1.0;
    if (terminal_) {
        constexpr int kWidth = 40;
        const int filled = static_cast<int>(share * kWidth);
        std::fprintf(stderr, "\r%s [%.*s%*s] %3d%%  %d/%d tiles", label_.c_str(), filled,
                     "########################################", kWidth - filled, "",
                     static_cast<int>(share * 100), done, total);
        std::fflush(stderr);
        return;
    }
    const int tenth = static_cast<int>(share * 10);
    if (tenth != lastTenth_) {
        lastTenth_ = tenth;
        std::fprintf(stderr, "%s %3d%%\n", label_.c_str(), tenth * 10);
    }
}

void ProgressBar::fail() {
    if (quiet_) return;
    if (terminal_) std::fprintf(stderr, "\n");
    std::fprintf(stderr, "%s failed\n", label_.c_str());
}

void ProgressBar::finish(const RenderStatistics &s) {
    if (quiet_) return;
    if (terminal_) std::fprintf(stderr, "\n");
    std::fprintf(stderr, "%s done in %.2f s: %llu primary, %llu secondary rays (%.2f M rays/s)\n",
                 label_.c_str(), s.seconds, static_cast<unsigned long long>(s.primaryRays),
                 static_cast<unsigned long long>(s.secondaryRays),
                 s.seconds > 0 ? (s.primaryRays + s.secondaryRays) / s.seconds / 1e6 : 0.0);
}

}  // namespace render
