// A host with the module loaded through its descriptor, a graph to build
// nodes in, and helpers to evaluate them as a renderer would.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "host/base/error.h"
#include "host/graph/value_slot.h"
#include "host/nodes/native_nodes.h"
#include "host/panel/panel.h"
#include "host/scene/host.h"
#include "host/scene/scene.h"
#include "host/services/sample.h"

namespace testing_support {

using Triple = std::array<double, 3>;

// The module the build made; ORV_MODULE names it.
inline std::filesystem::path modulePath() {
    const char *path = std::getenv("ORV_MODULE");
    return path ? std::filesystem::path(path) : host::Host::defaultModulePath();
}

// Ray operations that record every ray and answer from a function of the
// ray, so that tests see what a node fires.
struct RayRecorder {
    struct Ray {
        Triple origin, direction;
        bool traced;
        std::uint32_t mode;
    };
    std::vector<Ray> rays;
    std::function<double(const Triple &origin, const Triple &direction)> distance =
        [](const Triple &, const Triple &) { return -1.0; };
    Triple tracedColor{0.0, 0.0, 0.0};

    // Points the sample's ray operations at this recorder.
    void attach(HostSample &sample) {
        sample.hostContext = this;
        sample.cast = cast;
        sample.trace = trace;
    }

  private:
    static RayRecorder &of(const HostSample *sample) {
        return *static_cast<RayRecorder *>(sample->hostContext);
    }
    static double HOST_CALL cast(const HostSample *sample, const double o[3], const double d[3]) {
        RayRecorder &self = of(sample);
        const Triple origin{o[0], o[1], o[2]}, direction{d[0], d[1], d[2]};
        self.rays.push_back({origin, direction, false, 0});
        return self.distance(origin, direction);
    }
    static double HOST_CALL trace(const HostSample *sample, const double o[3], const double d[3],
                                  double color[3], double, std::uint32_t mode) {
        RayRecorder &self = of(sample);
        const Triple origin{o[0], o[1], o[2]}, direction{d[0], d[1], d[2]};
        self.rays.push_back({origin, direction, true, mode});
        for (int c = 0; c < 3; ++c)
            color[c] = self.tracedColor[c];
        return self.distance(origin, direction);
    }
};

// A scalar source of any double, NaN and infinities included, which scene
// settings (JSON numbers) cannot carry.
class ScalarSource final : public host::Node {
  public:
    ScalarSource(host::Graph &graph, std::string name, double value)
        : Node(graph, std::move(name)), value_(value) {
        addOutput(HOST_NOT_SCALAR, "Out");
    }
    const std::string &kindName() const override { return kind_; }
    void evaluate(HostSample &, host::OutputConnector &, host::ValueSlot &slot) override {
        slot.deliver(&value_);
    }

  private:
    std::string kind_ = "Scalar Source";
    double value_;
};

class ModuleTest : public ::testing::Test {
  protected:
    host::Host host{modulePath()};
    host::Graph graph{"Test"};  // after the host: destroyed before the module unloads
    HostSample sample = host::emptySpaceSample();

    host::ModuleNode &add(std::string_view kind) { return host.addNode(graph, kind); }

    host::Panel &panelOf(host::ModuleNode &node) {
        host::Panel *panel = node.panel();
        EXPECT_NE(panel, nullptr);
        return *panel;
    }
    void set(host::ModuleNode &node, const std::string &control, const std::string &value) {
        host::applySetting(node, control, nlohmann::json(value));
    }

    // Evaluates an output as the receiving type asks.
    double scalar(host::Node &node, std::string_view output = {}) {
        double value = 0.0;
        host::evaluateOutput(outputOf(node, output), sample, HOST_NOT_SCALAR, &value);
        return value;
    }
    int integer(host::Node &node, std::string_view output = {}) {
        std::int32_t value = 0;
        host::evaluateOutput(outputOf(node, output), sample, HOST_NOT_INTEGER, &value);
        return value;
    }
    Triple color(host::Node &node, std::string_view output = {}) {
        Triple value{};
        host::evaluateOutput(outputOf(node, output), sample, HOST_NOT_COLOR, value.data());
        return value;
    }

    // Feeds an input from a host constant.
    void feed(host::Node &node, const std::string &input, const nlohmann::json &value) {
        host::InputConnector &in = node.requireInput(input);
        const char *kind = in.type == HOST_NOT_INTEGER  ? "Constant Integer"
                           : in.type == HOST_NOT_COLOR  ? "Constant Color"
                           : in.type == HOST_NOT_VECTOR ? "Constant Vector"
                                                        : "Constant Scalar";
        host::Node &constant = host::addNativeNode(graph, kind, graph.uniqueName(input + " feed"),
                                                   {{"value", value}}, "test");
        graph.connect(*constant.outputs().front(), in);
    }

    // Feeds a scalar input from any double.
    void feedScalar(host::Node &node, const std::string &input, double value) {
        auto &source = graph.add<ScalarSource>(graph.uniqueName(input + " source"), value);
        graph.connect(*source.outputs().front(), node.requireInput(input));
    }

    void startFrame(int frame = 1, double time = 0.0) {
        graph.renderStart(0);
        graph.newTime(frame, time);
    }

  private:
    host::OutputConnector &outputOf(host::Node &node, std::string_view output) {
        if (output.empty()) return *node.outputs().front();
        return node.requireOutput(output);
    }
};

}  // namespace testing_support
