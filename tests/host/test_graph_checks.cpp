// What a graph checks as it is wired: cycles, however the connections came
// and went, and the longest chain, which evaluation must be able to reach.
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
