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

// Render-thread indices by default: as many as the most workers a render
// has, so that any -j renders at full speed and gives the same image.
constexpr int kDefaultThreadIndices = 16;

struct RenderArguments {
    std::string scene, output, pfm, frames, region, stats;
    std::vector<std::string> aovs, settings;
    int threads = 0, threadIndices = kDefaultThreadIndices, samples = 0, width = 0, height = 0;
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

// The output for a frame: its last run of '#' replaced by the frame number,
// padded to the run's length ("out.####.png" gives "out.0007.png"); without
// one, "out.png" for a single frame and "out.0007.png" per frame of a range.
std::filesystem::path numbered(const std::filesystem::path &file, int frame, bool range) {
    const std::string name = file.filename().string();
    const auto last = name.rfind('#');
    if (last != std::string::npos) {
        const auto first = name.find_last_not_of('#', last) + 1;
        char number[16];
        std::snprintf(number, sizeof number, "%0*d", static_cast<int>(last - first + 1), frame);
        return file.parent_path() / (name.substr(0, first) + number + name.substr(last + 1));
    }
    if (file.empty() || !range) return file;
    char number[16];
    std::snprintf(number, sizeof number, ".%04d", frame);
    return file.parent_path() / (file.stem().string() + number + file.extension().string());
}

// "-s Surface/Node.Control=VALUE": the node is the first prefix before a dot that names a node of
// the scene, as control labels and panel paths may hold dots and slashes of their own.
void applyRenderSetting(const host::Scene &scene, const std::string &setting) {
    const auto equals = setting.find('=');
    if (equals == std::string::npos || equals == 0)
        throw host::Error("--set " + setting + ": expected NODE.CONTROL=VALUE");
    const std::string target = setting.substr(0, equals);
    std::string firstError;
    for (auto dot = target.find('.'); dot != std::string::npos; dot = target.find('.', dot + 1)) {
        host::Node *node = nullptr;
        try {
            node = &findSceneNode(scene, target.substr(0, dot));
        } catch (const host::Error &error) {
            if (firstError.empty()) firstError = error.what();
            continue;
        }
        auto *moduleNode = dynamic_cast<host::ModuleNode *>(node);
        if (!moduleNode)
            throw host::Error("--set " + setting + ": " + host::inQuotes(node->name()) +
                              " is a host node without a panel");
        try {
            host::applySetting(*moduleNode, target.substr(dot + 1),
                               nlohmann::json(setting.substr(equals + 1)));
        } catch (const host::Error &error) {
            throw host::Error("--set " + setting + ": " + error.what());
        }
        return;
    }
    throw host::Error("--set " + setting + ": " +
                      (firstError.empty() ? "expected NODE.CONTROL=VALUE" : firstError));
}

// One file a frame writes: the beauty, AOVs, or in an EXR both, as named
// channels.
struct FileLayers {
    std::filesystem::path file;
    bool beauty = false;
    std::vector<const Aov *> aovs;
};

std::filesystem::path sameFile(const std::filesystem::path &file) {
    return std::filesystem::absolute(render::writeTarget(file)).lexically_normal();
}

// The files a frame writes: AOVs that name the same file as the beauty, or
// as each other, share it as named channels, which only EXR holds.
std::vector<FileLayers> layeredOutputs(const std::string &output, const std::vector<Aov> &aovs) {
    std::vector<FileLayers> files{{output, true, {}}};
    for (const Aov &aov : aovs) {
        const auto shared = std::find_if(files.begin(), files.end(), [&](const FileLayers &file) {
            return sameFile(file.file) == sameFile(aov.file);
        });
        if (shared == files.end()) {
            files.push_back({aov.file, false, {&aov}});
            continue;
        }
        if (render::imageFormatOf(aov.file) != render::ImageFormat::Exr)
            throw host::Error("--aov " + aov.request + ": " + aov.file.string() +
                              " is named for two images; only an .exr file holds several, as "
                              "named channels");
        for (const Aov *other : shared->aovs)
            if (other->name == aov.name)
                throw host::Error("--aov " + aov.request + ": " + aov.file.string() +
                                  " already holds " + aov.name);
        shared->aovs.push_back(&aov);
    }
    return files;
}

std::string numbers(const render::Vec &v) {
    char text[96];
    std::snprintf(text, sizeof text, "%.9g %.9g %.9g", v[0], v[1], v[2]);
    return text;
}

// What a layered file records of how it was made: the camera and the
// render's settings.
std::vector<std::pair<std::string, std::string>> renderMetadata(
    const std::string &sceneFile, const render::Tracer &tracer,
    const render::RenderOptions &options, const render::Region &region) {
    const render::Camera &camera = tracer.scene().camera;
    return {
        {"orv:scene", sceneFile},
        {"orv:camera:position", numbers(camera.position)},
        {"orv:camera:target", numbers(camera.target)},
        {"orv:camera:up", numbers(camera.up)},
        {"orv:camera:fov", std::to_string(camera.fov)},
        {"orv:frameSize", std::to_string(camera.width) + "x" + std::to_string(camera.height)},
        {"orv:region", std::to_string(region.x0) + "," + std::to_string(region.y0) + "," +
                           std::to_string(region.x1) + "," + std::to_string(region.y1)},
        {"orv:samples", std::to_string(options.samplesPerPixel)},
        {"orv:renderThreads", std::to_string(render::threadIndexCount(options))},
        {"orv:recursionDepth", std::to_string(tracer.scene().recursionDepth)},
    };
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
                     "--float), .hdr, .tif (floats) or .pfm; '#'s are replaced by the frame "
                     "number (out.####.png), else numbered per frame for a range")
        ->required()
        ->check(kNonEmpty);
    command->add_option("--pfm", a.pfm, "Also write linear floats to this PFM image")
        ->check(kNonEmpty);
    command
        ->add_option("--aov", a.aovs,
                     "Also write a node's output at every pixel's first hit, the very value "
                     "the surface's shading used (evaluated after the frame where the shading "
                     "never pulled it): NODE.OUTPUT=FILE, NODE as Surface/Node or "
                     "Surface/Group/Node; or one of "
                     "the render's own: depth, normal, position, alpha, id. Naming the -o "
                     "image (.exr) adds it to that file as named channels (repeatable)")
        ->take_all();
    command
        ->add_option("-s,--set", a.settings,
                     "Set a module node's panel control as a user would, as eval -s does: "
                     "NODE.CONTROL=VALUE, NODE as Surface/Node (repeatable)")
        ->take_all();
    command->add_flag("--float", a.fullFloat, "Write EXR images in full floats, not halves");
    command->add_option(
        "--frames", a.frames,
        "Frame or range to render, e.g. 7 or 1-10 (default: the scene's first frame)");
    command
        ->add_option("-j,--threads", a.threads,
                     "Workers rendering at once (default: all cores, at most 16); the image "
                     "does not depend on it")
        ->check(CLI::Range(1, 16));
    command
        ->add_option("--thread-indices", a.threadIndices,
                     "Render threads the nodes see, each with its own random sequence and its "
                     "own tiles; the image depends on it (default 16; 1 draws every number from "
                     "the single sequence eval --thread 0 draws from)")
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
    CLI::Option *statsOption =
        command->add_option("--stats", a.stats,
                            "Report per node and per kind on standard error (even under -q): "
                            "evaluations, time in the node's own evaluate, rays cast, traced and "
                            "shaded; --stats FILE.json also writes them as JSON");
    statsOption->expected(0, 1);
    command->add_flag("--dynamic-tiles", a.dynamicTiles,
                      "Hand tiles to whichever worker is free, each worker a render thread of "
                      "its own: can be faster, but two renders no longer give the same image");
    return [&common, arguments, statsOption] {
        const RenderArguments &a = *arguments;
        const bool statsAsked = statsOption->count() > 0;
        auto host = makeHost(common);
        auto scene = host::Scene::load(*host, a.scene);
        for (const std::string &setting : a.settings)
            applyRenderSetting(*scene, setting);
        scene->checkEvaluable();

        render::RenderOptions options;
        options.threads =
            a.threads ? a.threads
                      : static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
        options.threadIndices = a.threadIndices;
        options.dynamicTiles = a.dynamicTiles;
        TracedScene traced(*host, *scene, {a.width, a.height}, render::threadIndexCount(options));
        const render::Tracer &tracer = traced.tracer();
        options.samplesPerPixel = a.samples ? a.samples : tracer.scene().samplesPerPixel;
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
        const std::vector<FileLayers> files = layeredOutputs(a.output, aovs);

        // Every file of every frame is checked before the first ray: a bad
        // name or folder should not cost a render.
        std::set<std::filesystem::path> targets;
        for (long long counter = first; counter <= last; ++counter) {
            const int frame = static_cast<int>(counter);
            std::vector<std::filesystem::path> outputs;
            for (const FileLayers &file : files)
                outputs.push_back(numbered(file.file, frame, range));
            if (!a.pfm.empty()) outputs.push_back(numbered(a.pfm, frame, range));
            for (const auto &file : outputs) {
                if (!targets.insert(render::writeTarget(file)).second)
                    throw host::Error(file.string() + ": named for two images of frame " +
                                      std::to_string(frame));
                render::checkImageOutput(file);
            }
        }
        if (!a.stats.empty()) {
            const std::filesystem::path statsFile = a.stats;
            const std::filesystem::path folder = statsFile.parent_path();
            if (statsFile.extension() != ".json")
                throw host::Error("--stats " + a.stats +
                                  ": the figures are written as JSON; name a .json file");
            if (std::filesystem::exists(statsFile) &&
                std::filesystem::equivalent(statsFile, a.scene))
                throw host::Error("--stats " + a.stats + ": is the scene being rendered");
            if (!folder.empty() && !std::filesystem::is_directory(folder))
                throw host::Error("--stats " + a.stats + ": the folder " + folder.string() +
                                  " does not exist");
        }

        const render::Region region = render::renderRegion(tracer, options);
        const int indices = render::threadIndexCount(options);
        if (!common.quiet)
            std::fprintf(stderr,
                         "%s: %dx%d, %d sample%s per pixel, %d worker%s, %d render thread%s, "
                         "frames %d to %d\n",
                         a.scene.c_str(), region.width(), region.height(), options.samplesPerPixel,
                         options.samplesPerPixel == 1 ? "" : "s", options.threads,
                         options.threads == 1 ? "" : "s", indices, indices == 1 ? "" : "s", first,
                         last);
        if (common.verbose)
            std::fprintf(stderr, "tiles: %s; %zu extra image%s\n",
                         options.dynamicTiles
                             ? "to whichever worker is free (not repeatable)"
                             : "fixed per render thread (the same image for any worker count)",
                         aovs.size(), aovs.size() == 1 ? "" : "s");

        std::unique_ptr<host::EvaluationStatistics> statistics;
        StatsReport report;
        if (statsAsked) {
            std::vector<const host::Graph *> graphs;
            for (host::Graph *graph : scene->graphs())
                graphs.push_back(graph);
            statistics = std::make_unique<host::EvaluationStatistics>(graphs);
        }
        AovRecorder recorder(aovs, options.samplesPerPixel);

        render::ImageEncoding encoding;
        encoding.linear = tracer.scene().linearImage;
        encoding.fullFloat = a.fullFloat;
        render::ImageEncoding linear = encoding;
        linear.linear = true;
        const std::vector<std::pair<std::string, std::string>> metadata =
            renderMetadata(a.scene, tracer, options, region);
        scene->renderStart();
        const std::uint64_t cutBefore = host::evaluationsCutOff();
        std::uint64_t overBudget = 0;
        // Counted wide: a range ending at the last int must still end.
        for (long long counter = first; counter <= last; ++counter) {
            const int frame = static_cast<int>(counter);
            scene->newTime(frame);
            if (statistics) statistics->take();  // new-time work is not the frame's
            recorder.startFrame(region.width(), region.height());
            render::Image image;
            render::ProgressBar bar("frame " + std::to_string(frame), common.quiet);
            render::RenderStatistics figures, after;
            try {
                figures = render::renderFrame(tracer, options, image, std::ref(bar),
                                              aovs.empty() ? nullptr : &recorder);
                // Outputs the shading never pulled, after the beauty, which they
                // then cannot change.
                after = recorder.finishFrame(tracer, options);
                // A graph that feeds itself gives no picture worth keeping.
                host::checkDepthLimit(a.scene + ": frame " + std::to_string(frame));
            } catch (...) {
                bar.fail();
                throw;
            }
            figures.primaryRays += after.primaryRays;
            figures.secondaryRays += after.secondaryRays;
            figures.samplesOverBudget += after.samplesOverBudget;
            figures.seconds += after.seconds;
            bar.finish(figures);
            if (after.primaryRays && !common.quiet)
                std::fprintf(stderr,
                             "frame %d: %llu spot%s evaluated again, after the beauty, for node "
                             "outputs the shading never pulled (%s)\n",
                             frame, static_cast<unsigned long long>(after.primaryRays),
                             after.primaryRays == 1 ? "" : "s", recorder.unpulled().c_str());
            overBudget += figures.samplesOverBudget;
            if (statistics) report.addFrame(frame, figures.seconds, statistics->take());

            // A frame's images land together or not at all.
            render::ImageBatch batch;
            std::string written;
            for (const FileLayers &file : files) {
                const auto name = numbered(file.file, frame, range);
                std::vector<render::ImageLayer> layers;
                for (const Aov *aov : file.aovs)
                    layers.push_back({&aov->image, aovChannelNames(*aov)});
                if (file.beauty && layers.empty())
                    batch.add(image, name, encoding);
                else if (!file.beauty && layers.size() == 1)
                    batch.add(*layers.front().image, name, linear);
                else {
                    if (file.beauty) layers.insert(layers.begin(), {&image, {"R", "G", "B"}});
                    batch.addLayers(layers, name, encoding, metadata);
                }
                written += (written.empty() ? "" : ", ") + name.string();
            }
            if (!a.pfm.empty()) {
                const auto name = numbered(a.pfm, frame, range);
                batch.add(image, name, linear);
                written += ", " + name.string();
            }
            batch.commit();
            if (!common.quiet) std::fprintf(stderr, "wrote %s\n", written.c_str());
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
            // Asked for, so shown even under -q.
            std::fprintf(stderr, "%s", report.table().c_str());
            if (!a.stats.empty()) {
                report.writeJson(a.stats);
                if (!common.quiet) std::fprintf(stderr, "wrote %s\n", a.stats.c_str());
            }
        }
        reportHeaviestEvaluation();
        return reportEvaluationsCutOff(cutBefore) ? 1 : 0;
    };
}

}  // namespace app
