// What the page of orvhost serve draws, as JSON: a graph's nodes, connectors
// and wires, and a node's panel walked from the same panel model that
// orvhost panel prints, so that the page and the printout cannot disagree.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "host/panel/panel.h"
#include "host/scene/scene.h"

namespace app {

// A node named by its graph and the names of the nodes leading to it through
// nested editors: ["Floor", "Group", "AO"] is node AO inside Group's graph.
using NodePath = std::vector<std::string>;

// The node at the path; throws host::Error naming the part that is not there.
host::Node &nodeAt(const host::Scene &scene, const NodePath &path);
// The graph a path of graph and nested owners leads to: ["Floor"] or
// ["Floor", "Group"].
host::Graph &graphAt(const host::Scene &scene, const NodePath &path);

// The scene's graphs by name, surfaces first.
nlohmann::json graphList(const host::Scene &scene);
// {"nodes": [...], "connections": [...]} of one graph, each node with its
// kind, editor colour, connectors and whether it opens a nested graph.
nlohmann::json graphJson(const host::Graph &graph);
// The panel as nested items in the order orvhost panel prints them.
nlohmann::json panelJson(const host::Panel &panel, double time);

}  // namespace app
