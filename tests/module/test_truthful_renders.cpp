// Renders of the demo scenes that tell the truth: the same image whatever
// the number of workers, and 8-bit images shown in the colours they store.
#include <filesystem>

#include "host/io/image_library.h"
#include "host/raytracer/image_output.h"
#include "host/raytracer/renderer.h"
#include "support/module_fixture.h"

namespace {

class SceneRenders : public testing_support::ModuleTest {
  protected:
    std::unique_ptr<host::Scene> scene;
    std::unique_ptr<render::Tracer> tracer;

    void load(const std::string &name, int width) {
        tracer.reset();
        scene = host::Scene::load(host, std::filesystem::path(ORV_SCENES_DIR) / name);
        render::SceneDescription description =
            render::parseSceneDescription(scene->document(), scene->file(), scene->surfaceIndex());
        render::Camera &camera = description.camera;
        camera.height = std::max(1, camera.height * width / camera.width);
        camera.width = width;
        tracer = std::make_unique<render::Tracer>(std::move(description), scene->shaders());
    }
    // Loaded afresh, with the sequences seeded as in a fresh process: the
    // module seeds them when a node that draws is made, and a scene's
    // Gaussian nodes alone would go on from the last render's numbers.
    render::Image renderWith(const std::string &name, int workers, int threadIndices = 16,
                             int width = 40) {
        add("Random");
        load(name, width);
        render::RenderOptions options;
        options.threads = workers;
        options.threadIndices = threadIndices;
        options.tileSize = 8;
        render::Image image;
        scene->renderStart();
        scene->newTime(scene->settings().firstFrame);
        render::renderFrame(*tracer, options, image);
        scene->renderEnd();
        return image;
    }
};

// Every scene whose nodes draw random numbers, with workers that do not
// divide the render threads.
TEST_F(SceneRenders, ScenesWithRandomDrawsGiveOneImageForAnyWorkerCount) {
    for (const char *name :
         {"occlusion.json", "occlusion_bleed.json", "take_samples.json", "blurred_reflections.json",
          "frosted_glass.json", "grouped_occlusion.json"}) {
        const render::Image one = renderWith(name, 1);
        for (int workers : {2, 3, 16})
            EXPECT_EQ(renderWith(name, workers).values, one.values)
                << name << ", " << workers << " workers";
        // The render threads are what the nodes see: fewer give other numbers.
        EXPECT_NE(renderWith(name, 2, 1).values, one.values) << name;
    }
}

TEST_F(SceneRenders, PixelImageShowsTheCardUprightInItsStoredColours) {
    const render::Image image = renderWith("pixel_image.json", 2, 16, 640);
    const std::filesystem::path written =
        std::filesystem::path(testing::TempDir()) / "pixel_image_colours.png";
    render::writeImage(image, written);

    host::ImageLibrary &library = host::imageLibrary("the test", "reading");
    host::ImagePixels card, shown;
    std::string reason;
    ASSERT_TRUE(library.read(std::string(ORV_SCENES_DIR) + "/env/card.png", card, reason))
        << reason;
    ASSERT_TRUE(library.read(written.string(), shown, reason)) << reason;
    // The Reset tile spans pixels 125 to 215 across and 67 to 133 down: 12
    // cells by 9, the card at cells 4 to 7 across and 3 to 5 down.
    const double left = 125.0, top = 67.0, cellWidth = 90.0 / 12, cellHeight = 66.0 / 9;
    for (int row = 0; row < card.height; ++row)
        for (int column = 0; column < card.width; ++column) {
            const int x = static_cast<int>(left + (column + 4.5) * cellWidth);
            const int y = static_cast<int>(top + (row + 3.5) * cellHeight);
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(
                    shown.values[(static_cast<std::size_t>(y) * shown.width + x) * 3 + c],
                    card.values[(static_cast<std::size_t>(row) * card.width + column) * 3 + c])
                    << "card cell " << column << "," << row << " channel " << c << " at " << x
                    << "," << y;
        }
}

}  // namespace
