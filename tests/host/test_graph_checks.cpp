// What a graph checks as it is wired: self-loops and cycles, however the
// connections came and went and however many nodes there are, and the
// longest chain, which evaluation must be able to reach.
#include <gtest/gtest.h>

#include "host/base/error.h"
#include "host/graph/graph_depth.h"
#include "host/nodes/native_nodes.h"

namespace {

using nlohmann::json;

class GraphChecks : public testing::Test {
  protected:
    host::Graph graph{"G"};
    host::Node &mix(const std::string &name) {
        return host::addNativeNode(graph, "Color Math", name, json::object(), name);
    }
    void wire(const std::string &from, const std::string &to, const char *input = "A") {
        graph.connect(from, "Color", to, input);
    }
};

TEST_F(GraphChecks, CyclesAreFoundAfterRewiringAndRemovals) {
    for (const char *name : {"A", "B", "C", "D"})
        mix(name);
    wire("A", "B");
    wire("B", "C");
    EXPECT_THROW(wire("C", "A"), host::Error);
    // B's input moves from A to D: C → A is fine now, and D → ... → D not.
    wire("D", "B");
    EXPECT_NO_THROW(wire("C", "A"));
    EXPECT_THROW(wire("A", "D"), host::Error);
    // B goes, and with it D's only consumer; D may feed C, then A → D
    // closes D → C → A → D, until C → A is undone.
    graph.remove(graph.require("B"));
    EXPECT_NO_THROW(wire("D", "C", "B"));
    EXPECT_THROW(wire("A", "D"), host::Error);
    graph.disconnect(graph.require("A").requireInput("A"));
    EXPECT_NO_THROW(wire("A", "D"));
}

TEST_F(GraphChecks, ANodeWiredIntoItselfIsRefusedEitherWay) {
    mix("C");
    EXPECT_THROW(wire("C", "C"), host::Error);
    try {
        graph.connectUnchecked(graph.require("C").requireOutput("Color"),
                               graph.require("C").requireInput("A"));
        FAIL() << "a self-loop was taken";
    } catch (const host::Error &error) {
        EXPECT_NE(std::string(error.what()).find("would wire the node into itself"),
                  std::string::npos)
            << error.what();
    }
    EXPECT_TRUE(graph.findCycle().empty());
}

TEST_F(GraphChecks, CyclesWiredUncheckedAreFoundAndNamedInTheirFlow) {
    for (const char *name : {"A", "B", "C", "D"})
        mix(name);
    auto unchecked = [this](const char *from, const char *to) {
        graph.connectUnchecked(graph.require(from).requireOutput("Color"),
                               graph.require(to).requireInput("A"));
    };
    unchecked("B", "C");
    unchecked("D", "A");
    EXPECT_NO_THROW(graph.checkAcyclic());
    unchecked("A", "B");
    unchecked("C", "A");
    try {
        graph.checkAcyclic();
        FAIL() << "A → B → C → A was taken";
    } catch (const host::Error &error) {
        const std::string what = error.what();
        // Whichever node the walk starts from, the values' order round it.
        EXPECT_TRUE(what.find("\"A\" → \"B\" → \"C\" → \"A\"") != std::string::npos ||
                    what.find("\"B\" → \"C\" → \"A\" → \"B\"") != std::string::npos ||
                    what.find("\"C\" → \"A\" → \"B\" → \"C\"") != std::string::npos)
            << what;
        EXPECT_EQ(what.find("\"D\""), std::string::npos) << what;
    }
}

TEST_F(GraphChecks, LongGraphsAreWiredAndCheckedInOnePass) {
    // A chain wired from its middle outwards, and closed into one long
    // cycle at the end: found without recursion, its name shortened.
    constexpr int kNodes = 50'000;
    for (int i = 0; i < kNodes; ++i)
        mix("N" + std::to_string(i));
    for (int i = kNodes / 2, j = kNodes / 2 + 1; i > 0 || j < kNodes; --i, ++j) {
        if (i > 0) wire("N" + std::to_string(i - 1), "N" + std::to_string(i));
        if (j < kNodes) wire("N" + std::to_string(j - 1), "N" + std::to_string(j));
    }
    EXPECT_TRUE(graph.findCycle().empty());
    EXPECT_EQ(host::longestChain(graph).nodes, kNodes);
    graph.connectUnchecked(graph.require("N49999").requireOutput("Color"),
                           graph.require("N0").requireInput("A"));
    EXPECT_EQ(graph.findCycle().size(), static_cast<std::size_t>(kNodes));
    try {
        graph.checkAcyclic();
        FAIL() << "the closed chain was taken";
    } catch (const host::Error &error) {
        EXPECT_NE(std::string(error.what()).find("(49990 more)"), std::string::npos)
            << error.what();
    }
}

TEST_F(GraphChecks, LongestChainCountsNodesAcrossDiamonds) {
    // A feeds B and C, both feed D; E hangs off D through a second input.
    for (const char *name : {"A", "B", "C", "D", "E"})
        mix(name);
    wire("A", "B");
    wire("A", "C");
    wire("B", "D");
    wire("C", "D", "B");
    wire("D", "E", "B");
    const host::GraphDepth depth = host::longestChain(graph);
    EXPECT_EQ(depth.nodes, 4);
    EXPECT_EQ(depth.deepest->name(), "A");
    EXPECT_EQ(depth.top->name(), "E");
    EXPECT_NO_THROW(host::checkEvaluationDepth(graph));
}

TEST_F(GraphChecks, ChainsBeyondTheEvaluationDepthAreRefused) {
    for (int i = 0; i <= host::kMaxEvaluationDepth; ++i) {
        mix("N" + std::to_string(i));
        if (i) wire("N" + std::to_string(i - 1), "N" + std::to_string(i));
    }
    try {
        host::checkEvaluationDepth(graph);
        FAIL() << "a chain of " << host::kMaxEvaluationDepth + 1 << " nodes was taken";
    } catch (const host::Error &error) {
        EXPECT_NE(std::string(error.what()).find("\"N0\" to \"N256\" is 257 nodes"),
                  std::string::npos)
            << error.what();
    }
    graph.remove(graph.require("N0"));
    EXPECT_NO_THROW(host::checkEvaluationDepth(graph));
}

}  // namespace
