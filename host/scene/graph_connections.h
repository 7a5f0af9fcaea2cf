// A graph's "connections" as scene files hold them: a list of ["from node",
// "output", "to node", "input"], wired in one pass and checked for cycles
// once at the end, so that a graph of any size reads in time in proportion
// to its size.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "host/graph/graph.h"

namespace host {

// Wires every connection listed; `where` names the list in errors ("file:
// surfaces.Ball.connections"), each entry by its index after it. Throws
// Error for a malformed entry, an unknown node or connector, types that do
// not connect, a node wired into itself or a cycle (naming its nodes).
void readConnections(Graph &graph, const nlohmann::json &connections, const std::string &where);

// The same for one connection, named by `at`, whose cycles the caller
// checks with Graph::checkAcyclic once all are made.
void readConnection(Graph &graph, const nlohmann::json &connection, const std::string &at);

}  // namespace host
