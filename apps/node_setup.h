// What panel and eval share: a node picked by kind or from a scene, settings
// given by panel control, and inputs fed by constants.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "commands.h"
#include "host/scene/host.h"
#include "host/scene/scene.h"

namespace app {

struct NodeChoice {
    std::string node;   // a kind ("Sqrt", "Orv Sqrt") or, with a scene, a node's name
    std::string scene;  // scene file, optional
    std::string graph;  // graph of the scene holding the node, optional
    std::vector<std::string> settings;      // CONTROL=VALUE
    std::vector<std::string> inputs;        // INPUT=VALUE
    std::vector<std::string> images;        // files read into the image list first
    std::vector<std::string> fileRequests;  // answers to file requests: a file or "cancel"
};

void addNodeChoiceOptions(CLI::App &command, NodeChoice &choice, bool withInputs);

// A host, optionally a scene, and the node chosen. Members are destroyed in
// reverse order: graphs and scene before the host that loaded the module.
struct PreparedNode {
    std::unique_ptr<host::Host> host;
    std::unique_ptr<host::Scene> scene;
    std::unique_ptr<host::Graph> graph;  // the graph a kind's node is made in
    host::Node *node = nullptr;
    double framesPerSecond = 30.0;
};

std::unique_ptr<host::Host> makeHost(const Common &common);
PreparedNode prepareNode(const Common &common, const NodeChoice &choice);
// prepareNode in two steps, for callers that learn the graph in between: the
// host and scene, then the node with its settings and inputs.
PreparedNode openScene(const Common &common, const NodeChoice &choice);
void chooseNode(PreparedNode &prepared, const NodeChoice &choice);

// A node of a scene with the path users name it by: "Surface/Node", and
// "Surface/Group/Node" for a node inside a Group Node's graph.
struct NamedNode {
    std::string path;
    host::Node *node = nullptr;
    host::Graph *top = nullptr;  // the scene's graph it lies under
    int depth = 0;               // Group Nodes it lies inside
};
// Every node of the scene's graphs (or of one), nested graphs included.
std::vector<NamedNode> sceneNodes(const host::Scene &scene, host::Graph *within = nullptr);
// The scene's graph a node lies under, through any Group Nodes.
const host::Graph &surfaceGraphOf(const host::Scene &scene, const host::Node &node);

// A node of a scene, as a user names it: its path ("Surface/Node",
// "Surface/Group/Node"), or "Node" when one node alone has that name, or a
// kind ("Ambient Occlusion") when one node alone is of it; nodes of the
// graphs themselves come before nodes inside Group Nodes. Within a graph,
// only that graph is searched. Throws host::Error listing what there is.
host::Node &findSceneNode(const host::Scene &scene, const std::string &text,
                          host::Graph *within = nullptr);

// The output a user names (the first when the name is empty); throws
// host::Error listing the outputs there are.
host::OutputConnector &chooseOutput(host::Node &node, const std::string &name);

// An output's value as numbers: the channels it has (1 for scalars, integers
// and functions, 3 for colours and vectors) written to value.
int outputChannels(const host::OutputConnector &output);
int evaluateToNumbers(host::OutputConnector &output, HostSample &sample, double value[3]);

// "1", "1,2,3" or "1 2 3" as numbers; throws host::Error naming the option.
std::vector<double> parseNumbers(const std::string &text, const std::string &option);

}  // namespace app
