#include "host/scene/nested_graph.h"

#include <algorithm>

#include "host/base/error.h"
#include "host/io/io_state.h"
#include "host/nodes/native_nodes.h"
#include "host/scene/graph_connections.h"
#include "host/scene/host.h"
#include "host/scene/scene.h"
#include "host/scene/scene_values.h"

namespace host {
namespace {

using nlohmann::json;

const json &listAt(const json &description, const char *key, const std::string &where) {
    static const json empty = json::array();
    const auto found = description.find(key);
    if (found == description.end()) return empty;
    if (!found->is_array())
        throw Error(where + "." + key + ": expected a list, found " + describe(*found));
    return *found;
}

json describeNode(const Node &node, const NestedEditor &editor) {
    json entry = {{"name", node.name()}};
    if (const auto *module = dynamic_cast<const ModuleNode *>(&node)) {
        entry["server"] = module->kindName();
        NestedEditor *nested = nestedEditorOf(node);
        {
            // A nested graph inside is written as a graph, not inside the data.
            NestedEditor::SavedApartScope apart;
            TextSaveState state;
            module->save(state);
            entry["data"] = state.items();
        }
        if (nested) entry["graph"] = describeNestedGraph(*nested);
        return entry;
    }
    entry["native"] = node.kindName();
    const auto &settings = editor.nativeSettings();
    const auto found = std::find_if(settings.begin(), settings.end(),
                                    [&node](const auto &kept) { return kept.first == &node; });
    if (found != settings.end() && !found->second.empty()) entry["settings"] = found->second;
    return entry;
}

void addNode(Host &host, NestedEditor &editor, const json &entry, const std::string &at) {
    Graph &graph = editor.graph();
    const std::string name = requireText(entry, "name", at);
    if (graph.find(name))
        throw Error(at + ".name: a node \"" + name + "\" exists already" +
                    (name == RootNode::kName ? " (the root node's name)" : ""));
    const json settings = entry.value("settings", json::object());
    if (!settings.is_object())
        throw Error(at + ".settings: expected an object, found " + describe(settings));
    if (entry.contains("native")) {
        Node &made = addNativeNode(graph, requireText(entry, "native", at), name, settings, at);
        editor.nativeSettings().emplace_back(&made, settings);
        return;
    }
    ModuleNode *made = nullptr;
    try {
        made = &host.addNode(graph, requireText(entry, "server", at), name);
    } catch (const Error &error) {
        throw Error(at + ".server: " + error.what());
    }
    if (entry.contains("data")) {
        try {
            TextLoadState state(entry["data"]);
            made->load(state);
        } catch (const std::exception &error) {
            throw Error(at + ": saved data: " + error.what());
        }
    }
    for (auto setting = settings.begin(); setting != settings.end(); ++setting) {
        try {
            applySetting(*made, setting.key(), setting.value());
        } catch (const Error &error) {
            throw Error(at + ".settings." + setting.key() + ": " + error.what() + " (value " +
                        describe(setting.value()) + ")");
        }
    }
    if (entry.contains("graph")) readNestedGraph(host, *made, entry["graph"], at + ".graph");
}

void connectAll(NestedEditor &editor, const json &description, const std::string &where) {
    Graph &graph = editor.graph();
    const json &connections = listAt(description, "connections", where);
    for (std::size_t i = 0; i < connections.size(); ++i)
        readConnection(graph, connections[i], where + ".connections[" + std::to_string(i) + "]");
    const auto root = description.find("root");
    if (root == description.end()) return;
    if (!root->is_object())
        throw Error(where + ".root: expected an object of root inputs, found " + describe(*root));
    for (auto feed = root->begin(); feed != root->end(); ++feed) {
        const std::string at = where + ".root." + feed.key();
        const json &source = feed.value();
        if (!source.is_array() || source.size() != 2 || !source[0].is_string() ||
            !source[1].is_string())
            throw Error(at + ": a root input is fed by [\"node\", \"output\"], found " +
                        describe(source));
        try {
            InputConnector &input = editor.root().requireInput(feed.key());
            graph.connectUnchecked(graph.require(source[0].get<std::string>())
                                       .requireOutput(source[1].get<std::string>()),
                                   input);
        } catch (const Error &error) {
            throw Error(at + ": " + error.what());
        }
    }
}

// Cycles are looked for once every connection is made, root feeds included.
void checkAcyclic(const Graph &graph, const std::string &where) {
    try {
        graph.checkAcyclic();
    } catch (const Error &error) {
        throw Error(where + ".connections: " + error.what());
    }
}

}  // namespace

NestedEditor *nestedEditorOf(const Node &node) {
    const std::vector<NestedEditor *> owned = NestedEditor::ownedBy(node);
    return owned.empty() ? nullptr : owned.front();
}

json describeNestedGraph(const NestedEditor &editor) {
    json nodes = json::array(), connections = json::array(), root = json::object();
    const Graph &graph = editor.graph();
    for (const auto &node : graph.nodes()) {
        if (node.get() == &editor.root()) continue;
        nodes.push_back(describeNode(*node, editor));
    }
    for (const auto &node : graph.nodes())
        for (const auto &input : node->inputs()) {
            if (!input->source) continue;
            if (node.get() == &editor.root())
                root[input->name] = {input->source->node->name(), input->source->name};
            else
                connections.push_back(
                    {input->source->node->name(), input->source->name, node->name(), input->name});
        }
    return {{"nodes", nodes}, {"connections", connections}, {"root", root}};
}

void buildNestedGraph(Host &host, NestedEditor &editor, const json &description,
                      const std::string &where) {
    editor.clear();
    try {
        if (!description.is_object())
            throw Error(where +
                        ": a nested graph is an object with \"nodes\", \"connections\" "
                        "and \"root\", found " +
                        describe(description));
        const json &nodes = listAt(description, "nodes", where);
        for (std::size_t i = 0; i < nodes.size(); ++i)
            addNode(host, editor, nodes[i], where + ".nodes[" + std::to_string(i) + "]");
        connectAll(editor, description, where);
        checkAcyclic(editor.graph(), where);
    } catch (...) {
        editor.clear();
        throw;
    }
}

void readNestedGraph(Host &host, ModuleNode &node, const json &description,
                     const std::string &where) {
    NestedEditor *editor = nestedEditorOf(node);
    if (!editor)
        throw Error(where + ": node " + inQuotes(node.name()) + " (" + node.kindName() +
                    ") has no nested graph");
    buildNestedGraph(host, *editor, description, where);
}

NestedGraphIO nestedGraphIO(Host &host) {
    NestedGraphIO io;
    io.describe = [](const NestedEditor &editor) { return describeNestedGraph(editor); };
    io.build = [&host](NestedEditor &editor, const json &description) {
        buildNestedGraph(host, editor, description, "nested graph");
    };
    return io;
}

}  // namespace host
