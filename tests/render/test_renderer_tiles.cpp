// How frames are split among render threads: a fixed share of tiles per
// thread, so that state a thread carries from pixel to pixel repeats, and
// regions that render exactly the pixels of the whole frame.
#include <gtest/gtest.h>

#include <array>
#include <atomic>

#include "host/raytracer/meshes.h"
#include "host/raytracer/renderer.h"

namespace {

// Stands in for a node drawing from its render thread's own random
// sequence: each thread's shades count up, and the count is the colour.
// Without counting, the colour is where the spot lies.
class ThreadCountingSurface final : public host::SurfaceShader {
  public:
    bool counting = true;
    host::SurfaceChannels shade(HostSample &sample) const override {
        const double drawn = static_cast<double>(counts_[sample.threadIndex]++);
        host::SurfaceChannels channels;
        for (int c = 0; c < 3; ++c)
            channels.color[c] = counting ? drawn : sample.worldPosition[c];
        channels.luminosity = 1.0;
        channels.diffuse = 0.0;
        return channels;
    }
    void restart() {
        for (auto &count : counts_)
            count = 0;
    }

  private:
    mutable std::array<std::atomic<long>, 16> counts_{};
};

class RendererTiles : public ::testing::Test {
  protected:
    void SetUp() override {
        render::SceneDescription scene;
        scene.camera.position = {0, 5, 0.01};
        scene.camera.width = 45;  // tiles of 16 that do not divide the frame
        scene.camera.height = 37;
        scene.objects = {{"Floor", render::planeMesh(40, 40), 0}};
        tracer = std::make_unique<render::Tracer>(
            scene, std::vector<const host::SurfaceShader *>{&surface});
    }
    render::Image renderWith(render::RenderOptions options) {
        surface.restart();
        render::Image image;
        render::renderFrame(*tracer, options, image);
        return image;
    }

    ThreadCountingSurface surface;
    std::unique_ptr<render::Tracer> tracer;
};

TEST_F(RendererTiles, RendersWithTheSameThreadCountRepeat) {
    render::RenderOptions options;
    options.threads = 3;
    const render::Image first = renderWith(options);
    for (int run = 0; run < 3; ++run)
        EXPECT_EQ(renderWith(options).values, first.values) << "run " << run;
}

TEST_F(RendererTiles, ARegionRendersThePixelsOfTheWholeFrame) {
    surface.counting = false;
    render::RenderOptions options;
    options.threads = 2;
    options.samplesPerPixel = 2;
    const render::Image whole = renderWith(options);
    options.region = render::Region{5, 7, 30, 20};
    const render::Image part = renderWith(options);
    ASSERT_EQ(part.width, 25);
    ASSERT_EQ(part.height, 13);
    for (int y = 0; y < part.height; ++y)
        for (int x = 0; x < part.width; ++x)
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(part.pixel(x, y)[c], whole.pixel(x + 5, y + 7)[c]) << x << "," << y;

    for (const render::Region bad :
         {render::Region{0, 0, 46, 10}, render::Region{5, 5, 5, 9}, render::Region{-1, 0, 4, 4}}) {
        options.region = bad;
        EXPECT_THROW(renderWith(options), render::SceneError);
    }
}

}  // namespace
