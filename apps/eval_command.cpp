// orvhost eval: evaluates one output of one node N times in a row, between a
// render start and end, and prints one value per line; or at the spot a ray
// hits in a scene; or over a grid of spots, printed or written as an image.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <tuple>

#include "host/base/error.h"
#include "host/graph/value_slot.h"
#include "host/raytracer/image.h"
#include "host/services/sample.h"
#include "node_setup.h"
#ifdef ORV_WITH_RENDERER
#include "host/raytracer/image_output.h"
#include "host/raytracer/primary_spot.h"
#include "traced_scene.h"
#endif

namespace app {
namespace {

struct EvalOptions {
    NodeChoice choice;
    std::string output;
    std::string position, normal, geometricNormal, raySource;
    std::string pixel, ray, grid, image;
    bool fullFloat = false;
    int thread = 0, bounces = 0, count = 1, width = 0, height = 0;
    unsigned flags = 0;
    double time = 0.0;
    std::optional<int> frame;  // frame 0 is a frame like any other
};

void setTriple(double (&field)[3], const std::string &text, const char *option) {
    if (text.empty()) return;
    const std::vector<double> numbers = parseNumbers(text, option);
    if (numbers.size() != 3)
        throw host::Error(std::string(option) + " " + text + ": give three numbers: x,y,z");
    for (int c = 0; c < 3; ++c)
        field[c] = numbers[c];
}

std::pair<int, int> wholePair(const std::string &text, const char *option, const char *form,
                              int lowest) {
    const std::vector<double> numbers = parseNumbers(text, option);
    if (numbers.size() != 2 || numbers[0] != std::floor(numbers[0]) ||
        numbers[1] != std::floor(numbers[1]) || numbers[0] < lowest || numbers[1] < lowest ||
        numbers[0] > 65535 || numbers[1] > 65535)
        throw host::Error(std::string(option) + " " + text + ": expected " + form +
                          ", two whole numbers from " + std::to_string(lowest));
    return {static_cast<int>(numbers[0]), static_cast<int>(numbers[1])};
}

// One value as a line of text, appended to the values printed once every
// evaluation has succeeded.
void addNumbers(std::string &lines, const host::OutputConnector &output, const double *value,
                int channels) {
    char line[96];
    if (output.type == HOST_NOT_INTEGER)
        std::snprintf(line, sizeof line, "%d\n", static_cast<int>(value[0]));
    else if (channels == 3)
        std::snprintf(line, sizeof line, "%.9g %.9g %.9g\n", value[0], value[1], value[2]);
    else
        std::snprintf(line, sizeof line, "%.9g\n", value[0]);
    lines += line;
}

// The spot the options describe when no ray is fired.
HostSample spotFromOptions(const EvalOptions &o) {
    HostSample sample = host::emptySpaceSample();
    setTriple(sample.worldPosition, o.position, "--position");
    setTriple(sample.shadingNormal, o.normal, "--normal");
    if (o.geometricNormal.empty()) {
        for (int c = 0; c < 3; ++c)
            sample.geometricNormal[c] = sample.shadingNormal[c];
    } else {
        setTriple(sample.geometricNormal, o.geometricNormal, "--geometric-normal");
    }
    if (o.raySource.empty()) {
        for (int c = 0; c < 3; ++c)
            sample.raySource[c] = sample.worldPosition[c] + sample.shadingNormal[c];
    } else {
        setTriple(sample.raySource, o.raySource, "--ray-source");
    }
    sample.threadIndex = o.thread;
    sample.bounces = o.bounces;
    sample.flags = o.flags;
    return sample;
}

// A spot of the unit square facing +z, as a shader test bench lays its grid.
HostSample gridSpot(const EvalOptions &o, int x, int y, int width, int height) {
    HostSample sample = host::emptySpaceSample();
    const double u = (x + 0.5) / width, v = (y + 0.5) / height;
    const double position[3] = {u, v, 0.0};
    for (int c = 0; c < 3; ++c) {
        sample.worldPosition[c] = position[c];
        sample.shadingNormal[c] = sample.geometricNormal[c] = c == 2 ? 1.0 : 0.0;
        sample.raySource[c] = position[c] + sample.shadingNormal[c];
    }
    sample.textureUV[0] = u;
    sample.textureUV[1] = v;
    sample.pixelX = x;
    sample.pixelY = y;
    sample.threadIndex = o.thread;
    sample.bounces = o.bounces;
    sample.flags = o.flags;
    return sample;
}

}  // namespace

Run addEvalCommand(CLI::App &program, const Common &common) {
    CLI::App *command = program.add_subcommand(
        "eval",
        "Evaluate one output of a node N times in a row (render start, new time, N "
        "evaluations, render end) and print one value per line; at the spot a camera ray "
        "or any ray hits in a scene (--pixel, --ray); or over a grid (--grid)");
    // The options live as long as the command that parses into them.
    auto options = std::make_shared<EvalOptions>();
    EvalOptions &o = *options;
    addNodeChoiceOptions(*command, o.choice, true);
    command->add_option("-o,--output", o.output, "Output to evaluate (default: the first)");
    command->add_option("-n,--count", o.count, "Evaluations in a row")
        ->check(CLI::Range(1, 100000000));
    CLI::Option *pixel = command->add_option(
        "--pixel", o.pixel,
        "With --scene: fire the camera ray through this pixel (X,Y from the top left) and "
        "evaluate the node of the surface it hits, as a render would");
    CLI::Option *ray = command->add_option(
        "--ray", o.ray, "With --scene: the same for a ray of your own: OX,OY,OZ,DX,DY,DZ");
    CLI::Option *grid = command->add_option(
        "--grid", o.grid,
        "Evaluate over W,H spots of the unit square (position and texture coordinates from 0 "
        "to 1, normal +z), row by row from the top");
    command
        ->add_option("--width", o.width,
                     "With --pixel: the image width the pixel is of, as render --width")
        ->check(CLI::Range(1, 16384));
    command
        ->add_option("--height", o.height,
                     "With --pixel: the image height the pixel is of, as render --height")
        ->check(CLI::Range(1, 16384));
    command->add_option("--grid-image", o.image,
                        "With --grid: write the values to this image (.png, .exr, .hdr, .tif, "
                        ".pfm) instead of printing them");
    command->add_flag("--float", o.fullFloat, "Write EXR images in full floats, not halves");
    pixel->excludes(ray)->excludes(grid);
    ray->excludes(grid);
    command->add_option("--position", o.position, "World position of the spot: x,y,z");
    command->add_option("--normal", o.normal, "Shading normal: x,y,z (default 0,1,0)");
    command->add_option("--geometric-normal", o.geometricNormal,
                        "Geometric normal: x,y,z (default: the shading normal)");
    command->add_option("--ray-source", o.raySource, "Where the incoming ray started: x,y,z");
    command->add_option("--thread", o.thread, "Render-thread index of the sample");
    command->add_option("--bounces", o.bounces, "Bounce count of the sample");
    command->add_option(
        "--flags", o.flags,
        "Sample flags: 1 shadow, 2 reflection, 4 refraction, 8 sampled, 16 preview");
    CLI::Option *time = command->add_option("-t,--time", o.time, "Time in seconds")->check(kFinite);
    command->add_option("-f,--frame", o.frame, "Frame (time = frame / frames per second)")
        ->excludes(time);
    return [&common, options] {
        const EvalOptions &o = *options;
        const bool firesRay = !o.pixel.empty() || !o.ray.empty();
        if (firesRay && o.choice.scene.empty())
            throw host::Error(std::string(o.pixel.empty() ? "--ray" : "--pixel") +
                              " needs a scene to fire into: add --scene FILE");
        if (!o.image.empty() && o.grid.empty())
            throw host::Error("--grid-image " + o.image + ": give the grid with --grid W,H");
#ifdef ORV_WITH_RENDERER
        if (!o.image.empty()) render::checkImageOutput(o.image);
#else
        if (!o.image.empty())
            throw host::Error("--grid-image " + o.image +
                              ": this orvhost was built without the renderer, which writes images");
        if (firesRay)
            throw host::Error(std::string(o.pixel.empty() ? "--ray" : "--pixel") +
                              ": this orvhost was built without the renderer, which fires rays");
#endif
        std::pair<int, int> gridSize{0, 0};
        if (!o.grid.empty()) gridSize = wholePair(o.grid, "--grid", "W,H", 1);

        PreparedNode prepared = openScene(common, o.choice);
        if (prepared.scene) prepared.scene->checkEvaluable();
        HostSample sample = spotFromOptions(o);
        NodeChoice choice = o.choice;
#ifdef ORV_WITH_RENDERER
        // With a scene the tracer serves the scene's backdrop even when no ray is fired.
        std::unique_ptr<TracedScene> traced;
        if (prepared.scene)
            traced = std::make_unique<TracedScene>(*prepared.host, *prepared.scene,
                                                   ImageSize{o.width, o.height}, 1);

        render::ThreadState thread;
        thread.index = o.thread;
        render::SpotContext context{traced ? &traced->tracer() : nullptr, &thread};
        if (firesRay) {
            const render::Tracer &tracer = traced->tracer();
            render::Vec origin, direction;
            int pixelX = 0, pixelY = 0;
            if (!o.pixel.empty()) {
                std::tie(pixelX, pixelY) = wholePair(o.pixel, "--pixel", "X,Y", 0);
                const render::Camera &camera = tracer.scene().camera;
                if (pixelX >= camera.width || pixelY >= camera.height)
                    throw host::Error("--pixel " + o.pixel + ": outside the " +
                                      std::to_string(camera.width) + "x" +
                                      std::to_string(camera.height) + " frame");
                tracer.cameraRay(pixelX + 0.5, pixelY + 0.5, origin, direction);
            } else {
                const std::vector<double> numbers = parseNumbers(o.ray, "--ray");
                if (numbers.size() != 6)
                    throw host::Error("--ray " + o.ray + ": give six numbers: OX,OY,OZ,DX,DY,DZ");
                origin = {numbers[0], numbers[1], numbers[2]};
                direction = {numbers[3], numbers[4], numbers[5]};
            }
            if (!render::primarySpot(tracer, origin, direction, pixelX, pixelY, thread, context,
                                     sample))
                throw host::Error(
                    std::string(o.pixel.empty() ? "--ray " + o.ray : "--pixel " + o.pixel) +
                    ": the ray hits nothing; only the backdrop is there");
            sample.threadIndex = o.thread;
            const std::string hitSurface =
                prepared.scene->surfaceNames().at(static_cast<std::size_t>(sample.surfaceIndex));
            if (!choice.graph.empty() && choice.graph != hitSurface)
                throw host::Error("the ray hits surface " + host::inQuotes(hitSurface) + ", not " +
                                  host::inQuotes(choice.graph));
            choice.graph = hitSurface;
        }
#endif
        chooseNode(prepared, choice);
        host::OutputConnector &output = chooseOutput(*prepared.node, o.output);

        const double time = o.frame ? *o.frame / prepared.framesPerSecond : o.time;
        if (!(std::fabs(time * prepared.framesPerSecond) <= INT32_MAX))
            throw host::Error("-t " + std::to_string(o.time) +
                              ": the frame it falls in is beyond "
                              "the range of frame numbers");
        const int frame =
            o.frame ? *o.frame : static_cast<int>(std::lround(time * prepared.framesPerSecond));
        HostTimeInfo &timeInfo = prepared.host->services().timeInfo();
        // Every graph of a scene starts, as in a render: rays may shade any surface.
        std::vector<host::Graph *> graphs{&prepared.node->graph()};
        if (prepared.scene) graphs = prepared.scene->graphs();
        for (host::Graph *graph : graphs)
            graph->renderStart(0);
        timeInfo.time = time;
        timeInfo.frame = frame;
        for (host::Graph *graph : graphs)
            graph->newTime(frame, time);

        const std::uint64_t cutBefore = host::evaluationsCutOff();
        double value[3] = {};
        std::string lines;
        render::Image image;
        if (gridSize.first) {
            const auto [width, height] = gridSize;
            image = render::Image(width, height, outputChannels(output));
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    HostSample spot = gridSpot(o, x, y, width, height);
                    const int channels = evaluateToNumbers(output, spot, value);
                    if (o.image.empty()) addNumbers(lines, output, value, channels);
                    for (int c = 0; c < channels; ++c)
                        image.pixel(x, y)[c] = static_cast<float>(value[c]);
                }
        } else {
            for (int i = 0; i < o.count; ++i) {
                HostSample spot = sample;
                addNumbers(lines, output, value, evaluateToNumbers(output, spot, value));
            }
        }
        for (host::Graph *graph : graphs)
            graph->renderEnd();
        // Values, or the image, only when every evaluation went through: a
        // script reading them must not take a cut-off value for a result.
        host::checkDepthLimit(prepared.node->name());
        reportHeaviestEvaluation();
        if (reportEvaluationsCutOff(cutBefore)) return 1;
#ifdef ORV_WITH_RENDERER
        if (!o.image.empty()) {
            render::ImageEncoding encoding;
            encoding.linear = true;
            encoding.fullFloat = o.fullFloat;
            render::writeImage(image, o.image, encoding);
            if (!common.quiet) std::fprintf(stderr, "wrote %s\n", o.image.c_str());
        }
#endif
        if (std::fwrite(lines.data(), 1, lines.size(), stdout) != lines.size() ||
            std::fflush(stdout) != 0)
            throw host::Error("writing the values to standard output failed");
        return 0;
    };
}

}  // namespace app
