// Evaluation without a renderer: every output of every kind in empty space
// (rays hit nothing), fresh and after edits, into the report; and the values
// users build on, for the kinds that have settled ones.
#include <cmath>
#include <exception>
#include <functional>

#include "check.h"
#include "conformance.h"
#include "host/nodes/native_nodes.h"
#include "host/services/sample.h"
#include "node_access.h"

namespace conformance {
namespace {

class Bench {
  public:
    Bench(ConformanceHost &host, host::NodeServer &kind)
        : host_(host), node(host.add(graph, kind)) {}

    double scalar(std::string_view output = {}) {
        const std::vector<double> values = evaluate(outputOf(output), sample);
        return values.empty() ? std::nan("") : values[0];
    }
    std::vector<double> run(int count, std::string_view output = {}) {
        std::vector<double> values;
        for (int i = 0; i < count; ++i)
            values.push_back(scalar(output));
        return values;
    }
    void set(const std::string &control, const std::string &text) {
        setControl(node, control, text);
    }
    // Feeds an input from a host constant.
    void feed(const std::string &input, double value) {
        host::Node &constant =
            host::addNativeNode(graph, "Constant Scalar", graph.uniqueName(input + " feed"),
                                {{"value", value}}, "conformance");
        graph.connect(*constant.outputs().front(), node.requireInput(input));
    }
    host::ModuleNode &add(std::string_view kind) { return host_.add(graph, *host_.find(kind)); }

    host::Graph graph{"Bench"};
    HostSample sample = host::emptySpaceSample();

  private:
    host::OutputConnector &outputOf(std::string_view output) {
        return output.empty() ? *node.outputs().front() : node.requireOutput(output);
    }
    ConformanceHost &host_;

  public:
    host::ModuleNode &node;
};

void everyOutput(Bench &bench, const std::string &stage, int count, Report &report) {
    for (const auto &output : bench.node.outputs())
        for (int i = 0; i < count; ++i)
            report.values(bench.node.kindName() + " " + stage + " " + output->name,
                          evaluate(*output, bench.sample));
}

// Fresh (defaults, before any render), then edited, over one frame.
void fingerprint(ConformanceHost &host, host::NodeServer &kind, Report &report) {
    checks().setSubject(kind.userName() + ": evaluate");
    Bench bench(host, kind);
    bench.sample.pixelX = 3;
    bench.sample.pixelY = 5;
    everyOutput(bench, "fresh", 1, report);
    editEveryControl(bench.node);
    bench.graph.renderStart(0);
    bench.graph.newTime(2, 2.0 / 30.0);
    everyOutput(bench, "edited", 3, report);
    bench.sample.flags = HOST_SAMPLE_SHADOW;
    everyOutput(bench, "shadow", 1, report);
    bench.graph.renderEnd();
}

using Reference = std::function<void(Bench &)>;

const std::vector<std::pair<const char *, Reference>> &references() {
    static const std::vector<std::pair<const char *, Reference>> table = {
        {"Sqrt",
         [](Bench &b) {
             CHECK_EQ(b.scalar(), 1.0);  // a fresh node evaluates with its defaults
             b.set("Input", "9");
             CHECK_EQ(b.scalar(), 3.0);
             b.feed("In", -16.0);  // the connected input wins; its magnitude is taken
             CHECK_EQ(b.scalar(), 4.0);
         }},
        {"Counter",
         [](Bench &b) {
             b.set("A", "3");
             b.set("Mode", "Counter Greater Than A");
             b.graph.renderStart(0);
             b.graph.newTime(1, 0.0);
             CHECK_EQ(b.run(9), (std::vector<double>{0, 1, 2, 3, 0, 1, 2, 3, 0}));
         }},
        {"Hold Value",
         [](Bench &b) {
             host::ModuleNode &counter = b.add("Counter");
             setControl(counter, "A", "1000");
             b.graph.connect(*counter.outputs().front(), b.node.requireInput("In"));
             b.set("Mode", "A Greater Than B");
             b.set("A", "2");
             b.set("B", "1");
             b.graph.renderStart(0);
             b.graph.newTime(1, 0.0);
             CHECK_EQ(b.run(3), (std::vector<double>{0, 0, 0}));
             b.set("A", "0");
             CHECK_EQ(b.run(2), (std::vector<double>{3, 4}));
         }},
        {"Exponential Decay (Color)",
         [](Bench &b) {
             b.set("Distance", "1");
             for (double channel : evaluate(*b.node.outputs().front(), b.sample))
                 CHECK_NEAR(channel, 0.78431, 1e-12);
         }},
        {"Exponential Decay (Scalar)",
         [](Bench &b) {
             b.set("Distance", "2");
             CHECK_NEAR(b.scalar(), 0.25, 1e-12);
         }},
        {"Random",
         [](Bench &b) {
             b.set("Min", "2");
             b.set("Max", "4");
             const std::vector<double> values = b.run(200);
             bool inRange = true, varied = false;
             for (double value : values) {
                 inRange = inRange && value >= 2.0 && value <= 4.0;
                 varied = varied || value != values.front();
             }
             CHECK(inRange);
             CHECK(varied);
         }},
        {"Render Info",
         [](Bench &b) {
             b.sample.pixelX = 12;
             b.sample.pixelY = 34;
             CHECK_EQ(b.scalar("Render X"), 12.0);
             CHECK_EQ(b.scalar("Render Y"), 34.0);
         }},
        {"Ambient Occlusion",
         [](Bench &b) {
             b.sample.flags = HOST_SAMPLE_SHADOW;  // shadow rays see no occlusion
             CHECK_EQ(b.scalar("Scalar"), 0.0);
         }},
    };
    return table;
}

}  // namespace

void checkEvaluation(ConformanceHost &host, Report &report) {
    for (const auto &kind : host.kinds()) {
        try {
            fingerprint(host, *kind, report);
        } catch (const std::exception &error) {
            FAIL(std::string("threw: ") + error.what());
        }
    }
    for (const auto &[name, reference] : references()) {
        host::NodeServer *kind = host.find(name);
        if (!kind) continue;  // not offered by this module
        checks().setSubject(std::string(name) + ": reference values");
        try {
            Bench bench(host, *kind);
            reference(bench);
            bench.graph.renderEnd();
        } catch (const std::exception &error) {
            FAIL(std::string("threw: ") + error.what());
        }
    }
}

}  // namespace conformance
