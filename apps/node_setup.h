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

// "1", "1,2,3" or "1 2 3" as numbers; throws host::Error naming the option.
std::vector<double> parseNumbers(const std::string &text, const std::string &option);

}  // namespace app
