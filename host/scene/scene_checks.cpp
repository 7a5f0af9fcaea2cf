// What a scene must pass before it is evaluated, beyond what reading it
// checks: a file may hold a graph too deep to evaluate, or one that feeds
// itself through nodes whose wiring is not a connection, and still be
// opened, saved and repaired.
#include <map>
#include <optional>
#include <unordered_map>
#include <vector>

#include "host/base/error.h"
#include "host/graph/graph_depth.h"
#include "host/module/module_node.h"
#include "host/panel/panel.h"
#include "host/scene/nested_graph.h"
#include "host/scene/scene.h"

namespace host {
namespace {

// A panel control's text, or empty when the node shows no such control.
std::string shownText(const Node &node, const char *control) {
    const auto *module = dynamic_cast<const ModuleNode *>(&node);
    Panel *panel = module ? const_cast<ModuleNode *>(module)->panel() : nullptr;
    if (!panel) return {};
    try {
        const Panel::Control *found = panel->find(control);
        if (!found) return {};
        // A text control's own text; a choice's text as the popup shows it.
        if (found->kind == Panel::ValueKind::String) return panel->text(found->id).value_or("");
        return panel->valueText(found->id, 0.0);
    } catch (const Error &) {
        return {};
    }
}

// Every node of the scene's graphs and of the graphs nested in them, and
// what each evaluates besides its inputs' sources: a Group Node its nested
// graph's root, a Get Material the Store Material of the name its slot
// shows. With several stores of that name, which one it fetches is the
// module's affair: each is taken as fetched, so that a loop through any of
// them is found before the first evaluation rather than during the render.
struct SceneDependencies {
    std::vector<const Graph *> graphs;
    std::vector<const Node *> nodes;
    std::unordered_map<const Node *, std::vector<const Node *>> beyondInputs;

    explicit SceneDependencies(const std::vector<Graph *> &sceneGraphs) {
        std::vector<const Graph *> pending(sceneGraphs.begin(), sceneGraphs.end());
        std::map<std::string, std::vector<const Node *>> stores;
        std::vector<const Node *> fetches;
        while (!pending.empty()) {
            const Graph *graph = pending.back();
            pending.pop_back();
            graphs.push_back(graph);
            for (const auto &node : graph->nodes()) {
                nodes.push_back(node.get());
                if (const NestedEditor *nested = nestedEditorOf(*node)) {
                    beyondInputs[node.get()].push_back(&nested->root());
                    pending.push_back(&nested->graph());
                }
                if (node->kindName() == "Store Material")
                    stores[shownText(*node, "Name")].push_back(node.get());
                else if (node->kindName() == "Get Material")
                    fetches.push_back(node.get());
            }
        }
        for (const Node *fetch : fetches) {
            const auto found = stores.find(shownText(*fetch, "Slot"));
            if (found != stores.end())
                beyondInputs[fetch].insert(beyondInputs[fetch].end(), found->second.begin(),
                                           found->second.end());
        }
    }

    std::vector<const Node *> cycle() const {
        return findCycle(nodes, [this](const Node &node, std::vector<const Node *> &next) {
            for (const auto &input : node.inputs())
                if (input->source) next.push_back(input->source->node);
            if (const auto found = beyondInputs.find(&node); found != beyondInputs.end())
                next.insert(next.end(), found->second.begin(), found->second.end());
        });
    }
};

}  // namespace

void Scene::checkEvaluable() const {
    const SceneDependencies dependencies(graphs());
    for (const Graph *graph : dependencies.graphs) {
        try {
            checkEvaluationDepth(*graph);
        } catch (const Error &error) {
            throw Error(file_.string() + ": " + error.what());
        }
    }
    if (const std::vector<const Node *> cycle = dependencies.cycle(); !cycle.empty())
        throw Error(file_.string() + ": the scene feeds itself: " + cyclePath(cycle, true) +
                    " (a Get Material fetching a store its own value reaches, or a nested "
                    "graph reaching its own Group Node)");
}

}  // namespace host
