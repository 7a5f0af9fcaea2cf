// orvhost render: renders a scene's frames to images, with the module's
// nodes evaluated by the ray tracer's render threads.
#include <cstdio>
#include <memory>
#include <thread>

#include "host/base/error.h"
#include "host/raytracer/renderer.h"
#include "node_setup.h"

namespace app {
namespace {

struct RenderArguments {
    std::string scene, output, pfm, frames;
    int threads = 0, samples = 1, width = 0, height = 0;
};

// "7" or "1-10"; the scene's range when empty.
std::pair<int, int> frameRange(const std::string &text, const host::SceneSettings &scene) {
    if (text.empty()) return {scene.firstFrame, scene.firstFrame};
    int first = 0, last = 0;
    char end = 0;
    if (std::sscanf(text.c_str(), "%d-%d%c", &first, &last, &end) == 2 && last >= first)
        return {first, last};
    if (std::sscanf(text.c_str(), "%d%c", &first, &end) == 1) return {first, first};
    throw host::Error("--frames " + text + ": expected a frame (7) or a range (1-10)");
}

// "out.png" for one frame; "out.0007.png" per frame of a range.
std::filesystem::path numbered(const std::string &file, int frame, bool range) {
    if (file.empty() || !range) return file;
    std::filesystem::path path(file);
    char number[16];
    std::snprintf(number, sizeof number, ".%04d", frame);
    return path.parent_path() / (path.stem().string() + number + path.extension().string());
}

}  // namespace

Run addRenderCommand(CLI::App &program, const Common &common) {
    CLI::App *command = program.add_subcommand(
        "render",
        "Render a scene's frames to PNG images (and optionally PFM), with progress on "
        "standard error");
    // The options live as long as the command that parses into them.
    auto arguments = std::make_shared<RenderArguments>();
    RenderArguments &a = *arguments;
    command->add_option("scene", a.scene, "Scene file")->required()->check(CLI::ExistingFile);
    command
        ->add_option("-o,--output", a.output, "PNG image to write (numbered per frame for a range)")
        ->required();
    command->add_option("--pfm", a.pfm, "Also write linear floats to this PFM image");
    command->add_option(
        "--frames", a.frames,
        "Frame or range to render, e.g. 7 or 1-10 (default: the scene's first frame)");
    command
        ->add_option("-j,--threads", a.threads, "Render threads (default: all cores, at most 16)")
        ->check(CLI::Range(1, 16));
    command->add_option("--samples", a.samples, "Camera rays per pixel")->check(CLI::Range(1, 256));
    command->add_option("--width", a.width, "Image width in pixels (default: the camera's)")
        ->check(CLI::Range(1, 16384));
    command->add_option("--height", a.height, "Image height in pixels (default: the camera's)")
        ->check(CLI::Range(1, 16384));
    return [&common, arguments] {
        const RenderArguments &a = *arguments;
        auto host = makeHost(common);
        auto scene = host::Scene::load(*host, a.scene);
        render::SceneDescription description;
        try {
            description = render::parseSceneDescription(scene->document(), scene->file(),
                                                        scene->surfaceIndex());
        } catch (const render::SceneError &error) {
            throw host::Error(error.what());
        }
        if (a.width) description.camera.width = a.width;
        if (a.height) description.camera.height = a.height;
        render::RenderOptions options;
        options.threads =
            a.threads ? a.threads
                      : static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
        options.samplesPerPixel = a.samples;

        host::SceneSettings settings = scene->settings();
        settings.width = description.camera.width;
        settings.height = description.camera.height;
        settings.renderThreads = options.threads;
        settings.recursionDepth = description.recursionDepth;
        const auto [first, last] = frameRange(a.frames, settings);
        host->services().setScene(settings);

        render::Tracer tracer(std::move(description), scene->shaders());
        host->services().setBackdrop(
            [&tracer](double, const double direction[3], double color[3]) {
                const render::Vec c = tracer.backdrop({direction[0], direction[1], direction[2]});
                for (int k = 0; k < 3; ++k)
                    color[k] = c[k];
            },
            tracer.scene().backdrop.gradient ? 1 : 0);

        std::fprintf(stderr, "%s: %dx%d, %d thread%s, frames %d to %d\n", a.scene.c_str(),
                     tracer.scene().camera.width, tracer.scene().camera.height, options.threads,
                     options.threads == 1 ? "" : "s", first, last);
        scene->renderStart();
        for (int frame = first; frame <= last; ++frame) {
            scene->newTime(frame);
            render::Image image;
            render::ProgressBar bar("frame " + std::to_string(frame));
            const render::RenderStatistics statistics =
                render::renderFrame(tracer, options, image, std::ref(bar));
            bar.finish(statistics);
            // A graph that feeds itself gives no picture worth keeping.
            host::checkDepthLimit(a.scene + ": frame " + std::to_string(frame));
            const auto png = numbered(a.output, frame, last > first);
            render::writePng(image, png, tracer.scene().linearImage);
            if (!a.pfm.empty()) render::writePfm(image, numbered(a.pfm, frame, last > first));
            std::fprintf(stderr, "wrote %s\n", png.c_str());
        }
        scene->renderEnd();
        host->services().setBackdrop({});
        return 0;
    };
}

}  // namespace app
