// Reading a scene's graphs: "surfaces" and "graphs", each a graph of named
// nodes and their connections; and finding them again by name.
#include <algorithm>

#include "host/io/io_state.h"
#include "host/scene/graph_connections.h"
#include "host/scene/host.h"
#include "host/scene/nested_graph.h"
#include "host/scene/scene_entries.h"
#include "host/scene/scene_values.h"

namespace host {

using nlohmann::json;

void Scene::readGraphs(const char *section, bool surfaces) {
    const auto found = document_.find(section);
    if (found == document_.end()) return;
    if (!found->is_object())
        throw Error(where(section) + ": expected an object of named graphs, found " +
                    describe(*found));
    // Names are unique within a section; "graphs" come after "surfaces".
    const auto earlier = document_.find("surfaces");
    for (auto item = found->begin(); item != found->end(); ++item) {
        auto entry = std::make_unique<GraphEntry>();
        entry->name = item.key();
        entry->surface = surfaces;
        entry->section = section;
        if (!surfaces && earlier != document_.end() && earlier->is_object() &&
            earlier->contains(entry->name))
            throw Error(where(std::string(section) + "." + item.key()) +
                        ": a surface or graph of that name exists already");
        entry->graph = std::make_unique<Graph>(entry->name);
        GraphEntry &added = *graphs_.emplace_back(std::move(entry));
        readGraph(added, item.value(), std::string(section) + "." + item.key());
        if (surfaces) surfaceNames_.push_back(added.name);
    }
}

void Scene::readGraph(GraphEntry &entry, json &description, const std::string &key) {
    Graph &graph = *entry.graph;
    if (!description.is_object())
        throw Error(where(key) + ": expected an object, found " + describe(description));
    json empty = json::array();
    json &nodes = description.contains("nodes") ? description["nodes"] : empty;
    if (!nodes.is_array()) throw Error(where(key + ".nodes") + ": expected a list of nodes");
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const std::string at = key + ".nodes[" + std::to_string(i) + "]";
        json &node = nodes[i];
        const std::string name = requireText(node, "name", where(at));
        if (name.empty()) throw Error(where(at + ".name") + ": a node needs a name, found \"\"");
        if (graph.find(name))
            throw Error(where(at + ".name") + ": a node \"" + name + "\" exists already");
        const json settings = node.value("settings", json::object());
        if (!settings.is_object()) throw Error(where(at + ".settings") + ": expected an object");
        if (node.contains("native")) {
            for (const char *moduleOnly : {"server", "data", "binary"})
                if (node.contains(moduleOnly))
                    throw Error(where(at + "." + moduleOnly) +
                                ": a host (\"native\") node takes no \"" + moduleOnly + "\"");
            addNativeNode(graph, requireText(node, "native", where(at)), name, settings, where(at));
            continue;
        }
        if (node.contains("data") && node.contains("binary"))
            throw Error(where(at) + ": saved data comes as \"data\" or as \"binary\", not both");
        const std::string server = requireText(node, "server", where(at));
        ModuleNode *made = nullptr;
        try {
            made = &host_.addNode(graph, server, name);
        } catch (const Error &error) {
            throw Error(where(at + ".server") + ": " + error.what());
        }
        entry.moduleNodes.emplace_back(i, made);
        try {
            if (node.contains("data")) {
                TextLoadState state(node["data"]);
                made->load(state);
            } else if (node.contains("binary")) {
                BinaryLoadState state(
                    fromHex(requireText(node, "binary", where(at)), where(at + ".binary")));
                made->load(state);
            }
        } catch (const std::exception &error) {
            throw Error(where(at) + ": saved data: " + error.what());
        }
        // The node holds its saved data now, and saves it afresh: the
        // document need not keep a second copy of every node's state.
        keyOrder_.erase(node, "data");
        keyOrder_.erase(node, "binary");
        for (auto setting = settings.begin(); setting != settings.end(); ++setting) {
            try {
                applySetting(*made, setting.key(), setting.value());
            } catch (const Error &) {
                // It may name what a later node makes (a Get Material's slot
                // names a store further down): tried again once all are read.
                deferred_.push_back({made, setting.key(), setting.value(), at});
            }
        }
        if (node.contains("graph"))
            readNestedGraph(host_, *made, node["graph"], where(at + ".graph"));
    }
    if (entry.surface) {
        SurfaceNode *surface = nullptr;
        for (const auto &node : graph.nodes())
            if (auto *found = dynamic_cast<SurfaceNode *>(node.get())) surface = found;
        if (!surface)
            surface = &dynamic_cast<SurfaceNode &>(addNativeNode(
                graph, "Surface", graph.uniqueName("Surface"), json::object(), where(key)));
        entry.shader = std::make_unique<GraphSurface>(*surface);
    }
    readConnections(graph, description.contains("connections") ? description["connections"] : empty,
                    where(key + ".connections"));
}

std::map<std::string, int> Scene::surfaceIndex() const {
    std::map<std::string, int> index;
    for (std::size_t i = 0; i < surfaceNames_.size(); ++i)
        index[surfaceNames_[i]] = static_cast<int>(i);
    return index;
}

std::vector<const SurfaceShader *> Scene::shaders() const {
    std::vector<const SurfaceShader *> shaders;
    for (const auto &entry : graphs_)
        if (entry->surface) shaders.push_back(entry->shader.get());
    return shaders;
}

Graph &Scene::graph(std::string_view name) const {
    for (const auto &entry : graphs_)
        if (entry->name == name) return *entry->graph;
    std::string known;
    for (const auto &entry : graphs_)
        known += (known.empty() ? "" : ", ") + inQuotes(entry->name);
    throw Error(file_.string() + ": no surface or graph " + inQuotes(std::string(name)) +
                (known.empty() ? " (it has none)" : "; it has " + known));
}

std::vector<Graph *> Scene::graphs() const {
    std::vector<Graph *> graphs;
    for (const auto &entry : graphs_)
        graphs.push_back(entry->graph.get());
    return graphs;
}

}  // namespace host
