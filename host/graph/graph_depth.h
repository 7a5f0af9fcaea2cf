// How deep a graph's evaluation nests: the longest chain of connected nodes,
// which must stay within the evaluation depth limit or the nodes beyond the
// limit would read as unconnected.
#pragma once

#include "host/graph/graph.h"

namespace host {

struct GraphDepth {
    int nodes = 0;                  // the longest chain, counted in nodes
    const Node *deepest = nullptr;  // the node at its upstream end
    const Node *top = nullptr;      // the node at its downstream end
};

// Walks the graph once (no recursion), whatever its size.
GraphDepth longestChain(const Graph &graph);

// Throws Error naming the graph and the chain's ends when an evaluation of
// the graph would nest deeper than kMaxEvaluationDepth.
void checkEvaluationDepth(const Graph &graph);

}  // namespace host
