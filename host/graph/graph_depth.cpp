#include "host/graph/graph_depth.h"

#include <unordered_map>
#include <vector>

#include "host/base/error.h"

namespace host {

GraphDepth longestChain(const Graph &graph) {
    // chain[n]: the longest chain ending at n, counted from its upstream end,
    // and that end. Connections never make cycles, so every walk ends.
    struct Chain {
        int nodes = 0;
        const Node *deepest = nullptr;
    };
    std::unordered_map<const Node *, Chain> chain;
    GraphDepth result;
    for (const auto &start : graph.nodes()) {
        std::vector<const Node *> pending{start.get()};
        while (!pending.empty()) {
            const Node *node = pending.back();
            if (chain.count(node)) {
                pending.pop_back();
                continue;
            }
            bool ready = true;
            for (const auto &input : node->inputs())
                if (input->source && !chain.count(input->source->node)) {
                    pending.push_back(input->source->node);
                    ready = false;
                }
            if (!ready) continue;
            pending.pop_back();
            Chain own{1, node};
            for (const auto &input : node->inputs())
                if (input->source) {
                    const Chain &up = chain[input->source->node];
                    if (up.nodes + 1 > own.nodes) own = Chain{up.nodes + 1, up.deepest};
                }
            chain[node] = own;
            if (own.nodes > result.nodes) result = GraphDepth{own.nodes, own.deepest, node};
        }
    }
    return result;
}

void checkEvaluationDepth(const Graph &graph) {
    const GraphDepth depth = longestChain(graph);
    if (depth.nodes <= kMaxEvaluationDepth) return;
    throw Error("graph " + inQuotes(graph.name()) + ": the chain from " +
                inQuotes(depth.deepest->name()) + " to " + inQuotes(depth.top->name()) + " is " +
                std::to_string(depth.nodes) + " nodes long; evaluations nest at most " +
                std::to_string(kMaxEvaluationDepth) +
                " deep, so its upstream end would read as "
                "unconnected");
}

}  // namespace host
