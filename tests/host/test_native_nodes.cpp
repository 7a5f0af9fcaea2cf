// The host's native nodes: each family's values at known spots, values
// converted along connections, functions fed in place, surface channels,
// and settings refused with messages that name the key, the value and what
// is allowed.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>

#include "host/base/error.h"
#include "host/nodes/native_nodes.h"
#include "host/services/sample.h"

namespace host {
namespace {

using nlohmann::json;
using Triple = std::array<double, 3>;

constexpr const char *kWhere = "scenes/test.json: graphs.G.nodes[0]";

class NativeNodes : public ::testing::Test {
  protected:
    Node &add(const std::string &kind, const json &settings = json::object(),
              std::string name = "") {
        if (name.empty()) name = graph.uniqueName(kind);
        return addNativeNode(graph, kind, name, settings, kWhere);
    }
    double scalar(Node &node, const std::string &output) {
        double value = -12345.0;
        EXPECT_TRUE(evaluateOutput(node.requireOutput(output), sample, HOST_NOT_SCALAR, &value));
        return value;
    }
    Triple triple(Node &node, const std::string &output, int type = HOST_NOT_VECTOR) {
        Triple value = {-1.0, -1.0, -1.0};
        EXPECT_TRUE(evaluateOutput(node.requireOutput(output), sample, type, value.data()));
        return value;
    }
    std::int32_t integer(Node &node, const std::string &output) {
        std::int32_t value = -12345;
        EXPECT_TRUE(evaluateOutput(node.requireOutput(output), sample, HOST_NOT_INTEGER, &value));
        return value;
    }
    // The value a Function output gives for the argument x, passed in place.
    double function(Node &node, double x) {
        EXPECT_TRUE(evaluateOutput(node.requireOutput("Function"), sample, HOST_NOT_FUNCTION, &x));
        return x;
    }
    void connect(Node &from, const std::string &output, Node &to, const std::string &input) {
        graph.connect(from.requireOutput(output), to.requireInput(input));
    }
    // The message addNativeNode throws for these settings.
    std::string refusal(const std::string &kind, const json &settings) {
        const std::size_t before = graph.nodes().size();
        try {
            add(kind, settings);
        } catch (const Error &error) {
            EXPECT_EQ(graph.nodes().size(), before) << "a refused node stays out of the graph";
            return error.what();
        }
        ADD_FAILURE() << kind << " accepted " << settings.dump();
        return "";
    }

    Graph graph{"G"};
    HostSample sample = emptySpaceSample();
};

#define EXPECT_TRIPLE(actual, x, y, z)    \
    do {                                  \
        const Triple got_ = (actual);     \
        EXPECT_NEAR(got_[0], (x), 1e-12); \
        EXPECT_NEAR(got_[1], (y), 1e-12); \
        EXPECT_NEAR(got_[2], (z), 1e-12); \
    } while (0)

TEST_F(NativeNodes, KindsAreListedAndEachNamesItself) {
    const auto kinds = nativeNodeKinds();
    EXPECT_EQ(kinds.size(), 11u);
    for (const std::string &kind : kinds)
        EXPECT_EQ(add(kind).kindName(), kind);
}

TEST_F(NativeNodes, ConstantsDeliverTheirValueConvertedForTheReceiver) {
    Node &s = add("Constant Scalar", {{"value", 2.75}});
    EXPECT_EQ(scalar(s, "Scalar"), 2.75);
    EXPECT_TRIPLE(triple(s, "Scalar"), 2.75, 2.75, 2.75);
    EXPECT_EQ(integer(s, "Scalar"), 2);

    Node &i = add("Constant Integer", {{"value", -7.0}});  // a whole number written as 7.0
    EXPECT_EQ(integer(i, "Integer"), -7);
    EXPECT_EQ(scalar(i, "Integer"), -7.0);

    Node &c = add("Constant Color", {{"value", {0.2, 0.4, 0.9}}});
    EXPECT_TRIPLE(triple(c, "Color", HOST_NOT_COLOR), 0.2, 0.4, 0.9);
    EXPECT_NEAR(scalar(c, "Color"), 0.5, 1e-12);

    Node &v = add("Constant Vector", {{"value", 3}});  // one number for all three
    EXPECT_TRIPLE(triple(v, "Vector"), 3, 3, 3);
    EXPECT_TRIPLE(triple(add("Constant Vector"), "Vector"), 0, 0, 0);
}

TEST_F(NativeNodes, SpotInfoReadsTheSampleRecord) {
    Node &spot = add("Spot Info");
    sample.worldPosition[0] = 3.0;
    sample.worldPosition[1] = 4.0;
    sample.raySource[0] = 0.0;
    sample.raySource[1] = 0.0;
    sample.geometricNormal[2] = 0.5;
    sample.rayLength = 5.0;
    sample.textureUV[0] = 0.25;
    sample.textureUV[1] = 0.75;
    sample.pixelX = 12;
    sample.pixelY = 34;
    sample.bounces = 2;
    sample.threadIndex = 5;
    EXPECT_TRIPLE(triple(spot, "Position"), 3, 4, 0);
    EXPECT_TRIPLE(triple(spot, "Geometric Normal"), 0, 1, 0.5);
    EXPECT_TRIPLE(triple(spot, "Normal"), 0, 1, 0);
    EXPECT_TRIPLE(triple(spot, "Ray Direction"), 0.6, 0.8, 0);
    EXPECT_TRIPLE(triple(spot, "Ray Source"), 0, 0, 0);
    EXPECT_EQ(scalar(spot, "Ray Length"), 5.0);
    EXPECT_EQ(integer(spot, "Bounces"), 2);
    EXPECT_EQ(integer(spot, "Thread"), 5);
    EXPECT_EQ(scalar(spot, "Thread"), 5.0);
    EXPECT_TRIPLE(triple(spot, "UV"), 0.25, 0.75, 0);
    EXPECT_TRIPLE(triple(spot, "Pixel"), 12, 34, 0);

    // A ray source on the spot has no direction: the ray arrives against
    // the normal rather than as NaN.
    std::copy(sample.worldPosition, sample.worldPosition + 3, sample.raySource);
    EXPECT_TRIPLE(triple(spot, "Ray Direction"), 0, -1, 0);
}

TEST_F(NativeNodes, FunctionOperations) {
    Node &linear = add("Function", {{"op", "linear"}, {"a", 2.0}, {"b", -1.0}});
    EXPECT_EQ(function(linear, 3.0), 5.0);
    EXPECT_EQ(function(add("Function"), 0.3), 0.3);  // linear 1x + 0 by default

    Node &power = add("Function", {{"op", "power"}, {"a", 0.5}});
    EXPECT_EQ(function(power, 16.0), 4.0);
    EXPECT_EQ(function(power, -4.0), 0.0) << "a fractional power of a negative is undefined";
    EXPECT_EQ(function(add("Function", {{"op", "power"}, {"a", -1.0}}), 0.0), 0.0)
        << "and 1/0 is not a shading value";

    Node &smooth = add("Function", {{"op", "smoothstep"}, {"a", 1.0}, {"b", 3.0}});
    EXPECT_EQ(function(smooth, 0.0), 0.0);
    EXPECT_EQ(function(smooth, 2.0), 0.5);
    EXPECT_EQ(function(smooth, 9.0), 1.0);
    Node &step = add("Function", {{"op", "smoothstep"}, {"a", 1.0}, {"b", 1.0}});
    EXPECT_EQ(function(step, 0.999), 0.0);
    EXPECT_EQ(function(step, 1.0), 1.0);

    EXPECT_EQ(function(add("Function", {{"op", "invert"}}), 0.25), 0.75);

    Node &clamp = add("Function", {{"op", "clamp"}, {"a", -1.0}, {"b", 2.0}});
    EXPECT_EQ(function(clamp, -5.0), -1.0);
    EXPECT_EQ(function(clamp, 1.5), 1.5);
    EXPECT_EQ(function(clamp, 7.0), 2.0);

    // A Function output feeds Function inputs only.
    double value = 1.0;
    EXPECT_FALSE(evaluateOutput(linear.requireOutput("Function"), sample, HOST_NOT_SCALAR, &value));
    EXPECT_THROW(connect(linear, "Function", add("Surface"), "Diffuse"), Error);
}

TEST_F(NativeNodes, TripleMathOperations) {
    const auto math = [&](const char *op, const Triple &a, const Triple &b, double amount = 0.5) {
        return &add("Vector Math", {{"op", op}, {"A", a}, {"B", b}, {"Amount", amount}});
    };
    EXPECT_TRIPLE(triple(*math("add", {1, 2, 3}, {10, 20, 30}), "Vector"), 11, 22, 33);
    EXPECT_TRIPLE(triple(*math("subtract", {1, 2, 3}, {10, 20, 30}), "Vector"), -9, -18, -27);
    EXPECT_TRIPLE(triple(*math("multiply", {1, 2, 3}, {2, 0.5, -1}), "Vector"), 2, 1, -3);
    EXPECT_TRIPLE(triple(*math("scale", {1, 2, 3}, {9, 9, 9}, 2.0), "Vector"), 2, 4, 6);
    EXPECT_TRIPLE(triple(*math("mix", {0, 0, 0}, {4, 8, 12}, 0.25), "Vector"), 1, 2, 3);
    EXPECT_TRIPLE(triple(*math("normalize", {0, 3, 4}, {}), "Vector"), 0, 0.6, 0.8);
    EXPECT_TRIPLE(triple(*math("normalize", {0, 0, 0}, {}), "Vector"), 0, 0, 0);
    // Reflecting about an unnormalised normal reflects about its direction.
    EXPECT_TRIPLE(triple(*math("reflect", {1, -1, 0}, {0, 5, 0}), "Vector"), 1, 1, 0);
    EXPECT_TRIPLE(triple(*math("reflect", {1, -1, 0}, {0, 0, 0}), "Vector"), 1, -1, 0);

    // "Scalar" is the dot product for dot, the result's length otherwise;
    // the triple output of dot reads back as the dot through a Scalar input.
    Node *dot = math("dot", {1, 2, 3}, {4, -5, 6});
    EXPECT_EQ(scalar(*dot, "Scalar"), 12.0);
    EXPECT_NEAR(scalar(*dot, "Vector"), 12.0, 1e-12);
    EXPECT_EQ(scalar(*math("add", {0, 3, 0}, {0, 0, 4}), "Scalar"), 5.0);

    Node &color = add("Color Math", {{"op", "multiply"}, {"A", {0.5, 1, 1}}, {"B", 0.5}});
    EXPECT_EQ(color.requireOutput("Color").type, HOST_NOT_COLOR);
    EXPECT_TRIPLE(triple(color, "Color", HOST_NOT_COLOR), 0.25, 0.5, 0.5);
}

TEST_F(NativeNodes, ConnectedInputsReplaceSettingsAndConvert) {
    // Reflect the incoming ray about the spot's normal: a mirror direction.
    Node &spot = add("Spot Info");
    Node &reflect = add("Vector Math", {{"op", "reflect"}, {"A", {9, 9, 9}}});
    connect(spot, "Ray Direction", reflect, "A");
    connect(spot, "Normal", reflect, "B");
    sample.worldPosition[0] = 1.0;
    sample.raySource[0] = 0.0;
    sample.raySource[1] = 1.0;
    const double h = std::sqrt(0.5);
    EXPECT_TRIPLE(triple(reflect, "Vector"), h, h, 0);

    // A Scalar into a Color input broadcasts; an Integer into a Scalar input
    // widens; disconnected, the setting is back.
    Node &mix = add("Color Math", {{"op", "mix"}, {"A", {0, 0, 0}}, {"B", {1, 1, 1}}});
    connect(add("Constant Scalar", {{"value", 0.5}}), "Scalar", mix, "B");
    connect(add("Constant Integer", {{"value", 1}}), "Integer", mix, "Amount");
    EXPECT_TRIPLE(triple(mix, "Color", HOST_NOT_COLOR), 0.5, 0.5, 0.5);
    graph.disconnect(mix.requireInput("Amount"));
    EXPECT_TRIPLE(triple(mix, "Color", HOST_NOT_COLOR), 0.25, 0.25, 0.25);
}

TEST_F(NativeNodes, CheckerAlternatesCellsInWorldAndUVSpace) {
    Node &checker = add("Checker", {{"Color A", {1, 0, 0}}, {"Color B", {0, 0, 1}}, {"Size", 2.0}});
    const auto at = [&](double x, double y, double z) {
        sample.worldPosition[0] = x;
        sample.worldPosition[1] = y;
        sample.worldPosition[2] = z;
        return scalar(checker, "Scalar");
    };
    EXPECT_EQ(at(0.5, 0.5, 0.5), 0.0);
    EXPECT_EQ(at(2.5, 0.5, 0.5), 1.0);
    EXPECT_EQ(at(2.5, 2.5, 0.5), 0.0);
    EXPECT_EQ(at(-0.5, 0.5, 0.5), 1.0) << "cells continue across zero, not mirrored";
    EXPECT_EQ(at(-2.5, 0.5, 0.5), 0.0);
    EXPECT_EQ(at(3e30, 0.5, 0.5), 0.0) << "a far coordinate is a cell like any other";
    EXPECT_EQ(at(std::numeric_limits<double>::quiet_NaN(), 2.5, 0.5), 1.0);
    at(2.5, 0.5, 0.5);
    EXPECT_TRIPLE(triple(checker, "Color", HOST_NOT_COLOR), 0, 0, 1);

    Node &uv = add("Checker", {{"space", "uv"}, {"Size", 0.5}});
    sample.textureUV[0] = 0.75;
    sample.textureUV[1] = 0.25;
    EXPECT_TRIPLE(triple(uv, "Color", HOST_NOT_COLOR), 0, 0, 0);  // white A, black B
    sample.textureUV[1] = 0.75;
    EXPECT_TRIPLE(triple(uv, "Color", HOST_NOT_COLOR), 1, 1, 1);

    // A connected size of zero has no cells: all Color A.
    connect(add("Constant Scalar"), "Scalar", checker, "Size");
    at(2.5, 0.5, 0.5);
    EXPECT_TRIPLE(triple(checker, "Color", HOST_NOT_COLOR), 1, 0, 0);
}

TEST_F(NativeNodes, GradientRunsAlongItsAxisAndTakesAFunction) {
    Node &gradient = add("Gradient", {{"axis", "x"},
                                      {"start", 2.0},
                                      {"end", 6.0},
                                      {"Color A", {0, 0, 0}},
                                      {"Color B", {1, 0.5, 0}}});
    const auto at = [&](double x) {
        sample.worldPosition[0] = x;
        return scalar(gradient, "Scalar");
    };
    EXPECT_EQ(at(0.0), 0.0);
    EXPECT_EQ(at(3.0), 0.25);
    EXPECT_EQ(at(9.0), 1.0);
    at(4.0);
    EXPECT_TRIPLE(triple(gradient, "Color", HOST_NOT_COLOR), 0.5, 0.25, 0);

    // The position goes through the function in place, and the result stays
    // between the colours however far the function overshoots.
    connect(add("Function", {{"op", "power"}, {"a", 2.0}}), "Function", gradient, "Function");
    EXPECT_EQ(at(4.0), 0.25);
    Node &steep = add("Function", {{"op", "linear"}, {"a", 10.0}});
    connect(steep, "Function", gradient, "Function");
    EXPECT_EQ(at(4.0), 1.0);

    Node &reversed =
        add("Gradient", {{"space", "uv"}, {"axis", "y"}, {"start", 1.0}, {"end", 0.0}});
    sample.textureUV[1] = 0.2;
    EXPECT_NEAR(scalar(reversed, "Scalar"), 0.8, 1e-12);
    Node &step = add("Gradient", {{"start", 0.5}, {"end", 0.5}});
    sample.worldPosition[1] = 0.4;
    EXPECT_EQ(scalar(step, "Scalar"), 0.0);
    sample.worldPosition[1] = 0.5;
    EXPECT_EQ(scalar(step, "Scalar"), 1.0);
}

TEST_F(NativeNodes, SurfaceChannelsComeFromSettingsAndInputs) {
    auto &plain = dynamic_cast<SurfaceNode &>(add("Surface"));
    const SurfaceChannels unwired;
    const SurfaceChannels got = plain.channels(sample);
    EXPECT_EQ(got.color[0], unwired.color[0]);
    EXPECT_EQ(got.diffuse, unwired.diffuse);
    EXPECT_EQ(got.refractionIndex, unwired.refractionIndex);
    EXPECT_TRUE(plain.outputs().empty());

    auto &glass = dynamic_cast<SurfaceNode &>(add("Surface", {{"Color", {0.1, 0.2, 0.3}},
                                                              {"Luminosity", 0.25},
                                                              {"Diffuse", 0.5},
                                                              {"Transparency", 0.9},
                                                              {"Refraction Index", 1.5}}));
    SurfaceChannels c = glass.channels(sample);
    EXPECT_EQ(c.color[2], 0.3);
    EXPECT_EQ(c.luminosity, 0.25);
    EXPECT_EQ(c.transparency, 0.9);
    EXPECT_EQ(c.refractionIndex, 1.5);

    // Wired: a checker's colour, and a vector's average as a scalar channel.
    connect(add("Checker", {{"Color A", {0, 1, 0}}}), "Color", glass, "Color");
    connect(add("Constant Vector", {{"value", {0.0, 0.3, 0.6}}}), "Vector", glass, "Diffuse");
    sample.worldPosition[0] = 0.5;
    sample.worldPosition[2] = 0.5;
    c = glass.channels(sample);
    EXPECT_EQ(c.color[1], 1.0);
    EXPECT_NEAR(c.diffuse, 0.3, 1e-12);
    EXPECT_EQ(c.luminosity, 0.25) << "unwired channels keep their settings";
}

TEST_F(NativeNodes, SettingsAreRefusedWithWhereWhatAndWhatIsAllowed) {
    const auto refused = [&](const std::string &kind, const json &settings) {
        return refusal(kind, settings);
    };
    std::string message;
    try {
        add("Constant Colour");
    } catch (const Error &error) {
        message = error.what();
    }
    EXPECT_EQ(
        message.rfind(std::string(kWhere) + ": unknown native node kind \"Constant Colour\"", 0),
        0u)
        << message;
    EXPECT_NE(message.find("\"Constant Color\""), std::string::npos) << message;

    message = refused("Function", {{"op", "sine"}});
    EXPECT_NE(message.find(std::string(kWhere) + ".settings.op: "), std::string::npos) << message;
    EXPECT_NE(message.find("\"sine\""), std::string::npos) << message;
    EXPECT_NE(message.find("\"smoothstep\""), std::string::npos) << message;

    message = refused("Function", {{"op", "power"}, {"a", 2}, {"b", 1}});
    EXPECT_NE(message.find(".settings.b: "), std::string::npos) << message;
    EXPECT_NE(message.find("\"op\" and \"a\""), std::string::npos) << message;

    message = refused("Checker", {{"colour A", {1, 1, 1}}});
    EXPECT_NE(message.find("\"Color A\""), std::string::npos) << message;

    message = refused("Constant Integer", {{"value", 2.5}});
    EXPECT_NE(message.find(".settings.value: expected a whole number"), std::string::npos)
        << message;
    EXPECT_NE(message.find("2.5"), std::string::npos) << message;
    EXPECT_NE(refused("Constant Integer", {{"value", 3e9}}).find("3000000000"), std::string::npos);
    EXPECT_NE(refused("Constant Scalar", {{"value", "1"}}).find("found \"1\""), std::string::npos);
    EXPECT_NE(refused("Constant Color", {{"value", {1, 2}}}).find("three numbers"),
              std::string::npos);
    EXPECT_NE(refused("Checker", {{"Size", 0}}).find(".settings.Size: must be above 0"),
              std::string::npos);
    EXPECT_NE(refused("Surface", {{"Refraction Index", -1}}).find("must be above 0"),
              std::string::npos);
    EXPECT_NE(refused("Function", {{"op", "clamp"}, {"a", 2}, {"b", 1}}).find(".settings.b"),
              std::string::npos);
    EXPECT_NE(refused("Gradient", {{"axis", "w"}}).find("\"x\", \"y\" and \"z\""),
              std::string::npos);
    EXPECT_NE(refused("Spot Info", {{"value", 1}}).find("it takes none"), std::string::npos);
    EXPECT_NE(refused("Surface", json::array({1})).find(".settings: expected an object"),
              std::string::npos);
    EXPECT_TRUE(graph.nodes().empty());
}

}  // namespace
}  // namespace host
