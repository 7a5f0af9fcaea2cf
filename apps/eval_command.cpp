// orvhost eval: evaluates one output of one node N times in a row, between a
// render start and end, and prints one value per line.
#include <cmath>
#include <cstdio>
#include <memory>

#include "host/base/error.h"
#include "host/graph/value_slot.h"
#include "host/services/sample.h"
#include "node_setup.h"

namespace app {
namespace {

struct EvalOptions {
    NodeChoice choice;
    std::string output;
    std::string position, normal, geometricNormal, raySource;
    int thread = 0, bounces = 0, count = 1;
    unsigned flags = 0;
    double time = 0.0;
    int frame = 0;
    bool timeGiven = false, frameGiven = false;
};

void setTriple(double (&field)[3], const std::string &text, const char *option) {
    if (text.empty()) return;
    const std::vector<double> numbers = parseNumbers(text, option);
    if (numbers.size() != 3) throw host::Error(std::string(option) + ": give three numbers: x,y,z");
    for (int c = 0; c < 3; ++c)
        field[c] = numbers[c];
}

void printValue(int type, const double *value) {
    if (type == HOST_NOT_INTEGER) {
        std::printf("%d\n", *reinterpret_cast<const std::int32_t *>(value));
    } else if (type == HOST_NOT_COLOR || type == HOST_NOT_VECTOR) {
        std::printf("%.9g %.9g %.9g\n", value[0], value[1], value[2]);
    } else {
        std::printf("%.9g\n", value[0]);
    }
}

}  // namespace

Run addEvalCommand(CLI::App &program, const Common &common) {
    CLI::App *command = program.add_subcommand(
        "eval",
        "Evaluate one output of a node N times in a row (render start, new time, N "
        "evaluations, render end) and print one value per line");
    // The options live as long as the command that parses into them.
    auto options = std::make_shared<EvalOptions>();
    EvalOptions &o = *options;
    addNodeChoiceOptions(*command, o.choice, true);
    command->add_option("-o,--output", o.output, "Output to evaluate (default: the first)");
    command->add_option("-n,--count", o.count, "Evaluations in a row")->check(CLI::PositiveNumber);
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
    CLI::Option *time = command->add_option("-t,--time", o.time, "Time in seconds");
    command->add_option("-f,--frame", o.frame, "Frame (time = frame / frames per second)")
        ->excludes(time);
    return [&common, options] {
        const EvalOptions &o = *options;
        PreparedNode prepared = prepareNode(common, o.choice);
        host::Node &node = *prepared.node;
        host::OutputConnector *output =
            o.output.empty() ? (node.outputs().empty() ? nullptr : node.outputs().front().get())
                             : node.output(o.output);
        if (!output) {
            std::string known;
            for (const auto &out : node.outputs())
                known += (known.empty() ? "" : ", ") + out->name;
            throw host::Error(node.name() + " has no output \"" + o.output + "\"" +
                              (known.empty() ? "" : "; its outputs are " + known));
        }

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

        const double time = o.frame != 0 ? o.frame / prepared.framesPerSecond : o.time;
        const int frame =
            o.frame != 0 ? o.frame : static_cast<int>(std::lround(time * prepared.framesPerSecond));
        host::Graph &graph = node.graph();
        HostTimeInfo &timeInfo = prepared.host->services().timeInfo();
        timeInfo.time = time;
        timeInfo.frame = frame;
        graph.renderStart(0);
        graph.newTime(frame, time);
        const int type = output->type == HOST_NOT_FUNCTION ? HOST_NOT_SCALAR : output->type;
        for (int i = 0; i < o.count; ++i) {
            double value[HOST_MATERIAL_DOUBLES] = {};
            host::evaluateOutput(*output, sample, type, value);
            printValue(type, value);
        }
        graph.renderEnd();
        host::checkDepthLimit(node.name());
        return 0;
    };
}

}  // namespace app
