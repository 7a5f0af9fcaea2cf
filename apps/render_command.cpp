// orvhost render: renders a scene's frames to images, with the module's
// nodes evaluated by the ray tracer's render threads.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <set>
#include <thread>

#include "aov.h"
#include "host/base/error.h"
#include "host/raytracer/image_output.h"
#include "host/raytracer/renderer.h"
#include "node_setup.h"
#include "stats_report.h"
#include "traced_scene.h"

namespace app {
namespace {

struct RenderArguments {
    std::string scene, output, pfm, frames, region, stats;
    std::vector<std::string> aovs;
    int threads = 0, samples = 0, width = 0, height = 0;
    bool fullFloat = false, dynamicTiles = false;
};

// One frame number of --frames: all of the text, within the int range.
int frameNumber(const std::string &text, const std::string &all) {
    int value = 0;
    const char *end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (error == std::errc::result_out_of_range)
        throw host::Error("--frames " + all + ": " + text +
                          " is beyond the frame numbers (-2147483648 to 2147483647)");
    if (error != std::errc() || at != end || text.empty())
        throw host::Error("--frames " + all + ": expected a frame (7) or a range (1-10)");
    return value;
}

// "7" or "1-10" (a negative first frame is "-5-3"); the scene's range when
// empty.
std::pair<int, int> frameRange(const std::string &text, const host::SceneSettings &scene) {
    if (text.empty()) return {scene.firstFrame, scene.firstFrame};
    const auto dash = text.find('-', 1);
    if (dash == std::string::npos) {
        const int frame = frameNumber(text, text);
        return {frame, frame};
    }
    const int first = frameNumber(text.substr(0, dash), text);
    const int last = frameNumber(text.substr(dash + 1), text);
    if (last < first)
        throw host::Error("--frames " + text + ": the last frame comes before the first");
    return {first, last};
}

// "out.png" for one frame; "out.0007.png" per frame of a range.
std::filesystem::path numbered(const std::filesystem::path &file, int frame, bool range) {
    if (file.empty() || !range) return file;
    char number[16];
    std::snprintf(number, sizeof number, ".%04d", frame);
    return file.parent_path() / (file.stem().string() + number + file.extension().string());
}

render::Region parseRegion(const std::string &text) {
    const std::vector<double> n = parseNumbers(text, "--region");
    if (n.size() != 4 ||
        std::any_of(n.begin(), n.end(), [](double v) { return v != static_cast<int>(v) || v < 0; }))
        throw host::Error("--region " + text + ": expected X0,Y0,X1,Y1, four whole pixels");
    return {static_cast<int>(n[0]), static_cast<int>(n[1]), static_cast<int>(n[2]),
            static_cast<int>(n[3])};
}

}  // namespace

Run addRenderCommand(CLI::App &program, const Common &common) {
    CLI::App *command = program.add_subcommand(
        "render",
        "Render a scene's frames to images (.png, .exr, .hdr, .tif or .pfm, by extension), "
        "with node outputs as extra images, per-node statistics and progress on standard "
        "error");
    // The options live as long as the command that parses into them.
    auto arguments = std::make_shared<RenderArguments>();
    RenderArguments &a = *arguments;
    command->add_option("scene", a.scene, "Scene file")->required()->check(CLI::ExistingFile);
    command
        ->add_option("-o,--output", a.output,
                     "Image to write, by extension: .png (8 bits), .exr (half floats; see "
                     "--float), .hdr, .tif (floats) or .pfm; numbered per frame for a range")
        ->required()
        ->check(kNonEmpty);
    command->add_option("--pfm", a.pfm, "Also write linear floats to this PFM image")
        ->check(kNonEmpty);
    command
        ->add_option("--aov", a.aovs,
                     "Also write a node's output at every pixel's first hit: "
                     "NODE.OUTPUT=FILE, NODE as Surface/Node (repeatable)")
        ->take_all();
    command->add_flag("--float", a.fullFloat, "Write EXR images in full floats, not halves");
    command->add_option(
        "--frames", a.frames,
        "Frame or range to render, e.g. 7 or 1-10 (default: the scene's first frame)");
    command
        ->add_option("-j,--threads", a.threads, "Render threads (default: all cores, at most 16)")
        ->check(CLI::Range(1, 16));
    command
        ->add_option("--samples", a.samples,
                     "Camera rays per pixel (default: the scene's image.samples, else 1)")
        ->check(CLI::Range(1, 256));
    command
        ->add_option("--width", a.width,
                     "Image width in pixels (default: the camera's; alone, the height follows "
                     "the camera's aspect)")
        ->check(CLI::Range(1, 16384));
    command
        ->add_option("--height", a.height,
                     "Image height in pixels (default: the camera's; alone, the width follows)")
        ->check(CLI::Range(1, 16384));
    command->add_option("--region", a.region,
                        "Render only pixels X0 to X1-1 across and Y0 to Y1-1 down, into an "
                        "image of that size: X0,Y0,X1,Y1");
    command->add_flag("--stats{-}", a.stats,
                      "Report per node and per kind: evaluations, time in the node's own "
                      "evaluate, rays cast, traced and shaded; --stats=FILE.json also writes "
                      "them as JSON");
    command->add_flag("--dynamic-tiles", a.dynamicTiles,
                      "Hand tiles to whichever thread is free: can be faster, but two renders "
                      "no longer give the same image");
    return [&common, arguments] {
        const RenderArguments &a = *arguments;
        auto host = makeHost(common);
        auto scene = host::Scene::load(*host, a.scene);
        scene->checkEvaluable();
        const int threads =
            a.threads ? a.threads
                      : static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
        TracedScene traced(*host, *scene, {a.width, a.height}, threads);
        const render::Tracer &tracer = traced.tracer();

        render::RenderOptions options;
        options.threads = threads;
        options.samplesPerPixel = a.samples ? a.samples : tracer.scene().samplesPerPixel;
        options.dynamicTiles = a.dynamicTiles;
        if (!a.region.empty()) options.region = parseRegion(a.region);
        try {
            render::renderRegion(tracer, options);
        } catch (const render::SceneError &error) {
            throw host::Error("--region " + a.region + ": " + error.what());
        }
        const auto [first, last] = frameRange(a.frames, traced.settings());
        const bool range = last > first;

        std::vector<Aov> aovs;
        for (const std::string &request : a.aovs)
            aovs.push_back(parseAov(*scene, request));

        // Every file of every frame is checked before the first ray: a bad
        // name or folder should not cost a render.
        std::set<std::filesystem::path> files;
        for (long long counter = first; counter <= last; ++counter) {
            const int frame = static_cast<int>(counter);
            std::vector<std::filesystem::path> outputs{numbered(a.output, frame, range)};
            if (!a.pfm.empty()) outputs.push_back(numbered(a.pfm, frame, range));
            for (const Aov &aov : aovs)
                outputs.push_back(numbered(aov.file, frame, range));
            for (const auto &file : outputs) {
                if (!files.insert(render::writeTarget(file)).second)
                    throw host::Error(file.string() + ": named for two images of frame " +
                                      std::to_string(frame));
                render::checkImageOutput(file);
            }
        }
        if (a.stats.size() > 1 || (a.stats.size() == 1 && a.stats != "-")) {
            const std::filesystem::path folder = std::filesystem::path(a.stats).parent_path();
            if (!folder.empty() && !std::filesystem::is_directory(folder))
                throw host::Error("--stats=" + a.stats + ": the folder " + folder.string() +
                                  " does not exist");
        }

        const render::Region region = render::renderRegion(tracer, options);
        if (!common.quiet)
            std::fprintf(stderr, "%s: %dx%d, %d sample%s per pixel, %d thread%s, frames %d to %d\n",
                         a.scene.c_str(), region.width(), region.height(), options.samplesPerPixel,
                         options.samplesPerPixel == 1 ? "" : "s", options.threads,
                         options.threads == 1 ? "" : "s", first, last);
        if (common.verbose)
            std::fprintf(stderr, "tiles: %s; %zu node output image%s\n",
                         options.dynamicTiles ? "to whichever thread is free (not repeatable)"
                                              : "fixed per thread (repeatable)",
                         aovs.size(), aovs.size() == 1 ? "" : "s");

        std::unique_ptr<host::EvaluationStatistics> statistics;
        StatsReport report;
        if (!a.stats.empty()) {
            std::vector<const host::Graph *> graphs;
            for (host::Graph *graph : scene->graphs())
                graphs.push_back(graph);
            statistics = std::make_unique<host::EvaluationStatistics>(graphs);
        }
        render::FirstHitCallback firstHit;
        if (!aovs.empty())
            firstHit = [&aovs](HostSample &spot, int x, int y, double weight) {
                addAovSpot(aovs, spot, x, y, weight);
            };

        render::ImageEncoding encoding;
        encoding.linear = tracer.scene().linearImage;
        encoding.fullFloat = a.fullFloat;
        render::ImageEncoding linear = encoding;
        linear.linear = true;
        scene->renderStart();
        const std::uint64_t cutBefore = host::evaluationsCutOff();
        std::uint64_t overBudget = 0;
        // Counted wide: a range ending at the last int must still end.
        for (long long counter = first; counter <= last; ++counter) {
            const int frame = static_cast<int>(counter);
            scene->newTime(frame);
            if (statistics) statistics->take();  // new-time work is not the frame's
            startAovFrame(aovs, region.width(), region.height());
            render::Image image;
            render::ProgressBar bar("frame " + std::to_string(frame), common.quiet);
            render::RenderStatistics figures;
            try {
                figures = render::renderFrame(tracer, options, image, std::ref(bar), firstHit);
                // A graph that feeds itself gives no picture worth keeping.
                host::checkDepthLimit(a.scene + ": frame " + std::to_string(frame));
            } catch (...) {
                bar.fail();
                throw;
            }
            bar.finish(figures);
            overBudget += figures.samplesOverBudget;
            if (statistics) report.addFrame(frame, figures.seconds, statistics->take());

            // A frame's images land together or not at all.
            render::ImageBatch batch;
            const auto beauty = numbered(a.output, frame, range);
            batch.add(image, beauty, encoding);
            if (!a.pfm.empty()) batch.add(image, numbered(a.pfm, frame, range), linear);
            for (const Aov &aov : aovs)
                batch.add(aov.image, numbered(aov.file, frame, range), linear);
            batch.commit();
            if (!common.quiet) {
                std::fprintf(stderr, "wrote %s", beauty.c_str());
                if (!a.pfm.empty())
                    std::fprintf(stderr, ", %s", numbered(a.pfm, frame, range).c_str());
                for (const Aov &aov : aovs)
                    std::fprintf(stderr, ", %s", numbered(aov.file, frame, range).c_str());
                std::fprintf(stderr, "\n");
            }
        }
        scene->renderEnd();
        if (overBudget)
            std::fprintf(stderr,
                         "orvhost: warning: %llu camera sample%s made %d nested samples, the most "
                         "one may; rays beyond that came back black\n",
                         static_cast<unsigned long long>(overBudget), overBudget == 1 ? "" : "s",
                         render::kNestedSampleBudget);
        if (statistics) {
            statistics.reset();
            if (!common.quiet) std::fprintf(stderr, "%s", report.table().c_str());
            if (a.stats != "-") {
                report.writeJson(a.stats);
                if (!common.quiet) std::fprintf(stderr, "wrote %s\n", a.stats.c_str());
            }
        }
        reportHeaviestEvaluation();
        return reportEvaluationsCutOff(cutBefore) ? 1 : 0;
    };
}

}  // namespace app
