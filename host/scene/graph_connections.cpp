#include "host/scene/graph_connections.h"

#include <algorithm>

#include "host/base/error.h"
#include "host/scene/scene_values.h"

namespace host {

using nlohmann::json;

void readConnection(Graph &graph, const json &c, const std::string &at) {
    if (!c.is_array() || c.size() != 4 ||
        !std::all_of(c.begin(), c.end(), [](const json &part) { return part.is_string(); }))
        throw Error(
            at + ": a connection is [\"from node\", \"output\", \"to node\", \"input\"], found " +
            describe(c));
    try {
        OutputConnector &from = graph.require(c[0].get_ref<const std::string &>())
                                    .requireOutput(c[1].get_ref<const std::string &>());
        InputConnector &to = graph.require(c[2].get_ref<const std::string &>())
                                 .requireInput(c[3].get_ref<const std::string &>());
        graph.connectUnchecked(from, to);
    } catch (const Error &error) {
        throw Error(at + ": " + error.what());
    }
}

void readConnections(Graph &graph, const json &connections, const std::string &where) {
    if (!connections.is_array()) throw Error(where + ": expected a list");
    for (std::size_t i = 0; i < connections.size(); ++i)
        readConnection(graph, connections[i], where + "[" + std::to_string(i) + "]");
    try {
        graph.checkAcyclic();
    } catch (const Error &error) {
        throw Error(where + ": " + error.what());
    }
}

}  // namespace host
