// Nested graphs as scene files hold them: a node that owns a nested editor
// (a Group Node) carries "graph": {"nodes": [...], "connections": [...],
// "root": {"Color": ["node", "output"], ...}}, the nodes and connections
// written as in any surface graph and "root" feeding the root node's inputs.
// Nested graphs nest in turn: a node inside may carry a "graph" of its own.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "host/module/module_node.h"
#include "host/services/nested_editor.h"

namespace host {

class Host;

// The description of an editor's graph.
nlohmann::json describeNestedGraph(const NestedEditor &editor);
// Replaces the editor's graph with the one described. Throws Error prefixed
// by where and the key path; the graph is then left empty, never half-built.
void buildNestedGraph(Host &host, NestedEditor &editor, const nlohmann::json &description,
                      const std::string &where);

// The one nested editor a node owns; null when it owns none.
NestedEditor *nestedEditorOf(const Node &node);

// The same, for a module node's scene entry: builds the node's nested graph
// from the entry's "graph", throwing Error naming where when the node owns no
// nested editor.
void readNestedGraph(Host &host, ModuleNode &node, const nlohmann::json &description,
                     const std::string &where);

// The hooks that let editors copy, save and load their graphs with every
// node kind of this host.
NestedGraphIO nestedGraphIO(Host &host);

}  // namespace host
