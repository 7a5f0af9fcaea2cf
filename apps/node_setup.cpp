#include "node_setup.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "host/base/error.h"
#include "host/base/suggest.h"
#include "host/graph/root_node.h"
#include "host/graph/value_slot.h"
#include "host/nodes/native_nodes.h"
#include "host/scene/nested_graph.h"

namespace app {
namespace {

std::pair<std::string, std::string> splitAssignment(const std::string &text,
                                                    const std::string &option) {
    const auto equals = text.find('=');
    if (equals == std::string::npos || equals == 0)
        throw host::Error(option + " " + text + ": expected NAME=VALUE");
    return {text.substr(0, equals), text.substr(equals + 1)};
}

const char *constantKind(int type) {
    switch (type) {
        case HOST_NOT_COLOR:
            return "Constant Color";
        case HOST_NOT_VECTOR:
            return "Constant Vector";
        case HOST_NOT_INTEGER:
            return "Constant Integer";
        case HOST_NOT_SCALAR:
            return "Constant Scalar";
        default:
            return nullptr;
    }
}

// --set NAME=VALUE for a host kind: its settings as a scene gives them,
// numbers as numbers ("1,0,0" as three), words as text.
nlohmann::json nativeSettings(const std::vector<std::string> &settings) {
    nlohmann::json object = nlohmann::json::object();
    for (const std::string &setting : settings) {
        const auto [name, value] = splitAssignment(setting, "--set");
        std::vector<double> numbers;
        try {
            numbers = parseNumbers(value, "--set");
        } catch (const host::Error &) {
            object[name] = value;
            continue;
        }
        if (numbers.size() == 1)
            object[name] = numbers[0];
        else
            object[name] = numbers;
    }
    return object;
}

}  // namespace

static void addConstantInputs(PreparedNode &prepared, const NodeChoice &choice, host::Graph &graph);

void addNodeChoiceOptions(CLI::App &command, NodeChoice &choice, bool withInputs) {
    command
        .add_option("node", choice.node,
                    "Node kind by user or server name (\"Sqrt\", \"Orv Sqrt\"), or with "
                    "--scene the name of a node in the scene")
        ->required();
    command.add_option("--scene", choice.scene, "Scene file holding the node")
        ->check(CLI::ExistingFile);
    command.add_option("--graph", choice.graph, "Surface or graph of the scene holding the node");
    command
        .add_option("-s,--set", choice.settings,
                    "Set a panel control as a user would: CONTROL=VALUE, the control by id "
                    "(0x8002) or unique label; choices by text")
        ->take_all();
    command
        .add_option("--image", choice.images,
                    "Read an image file into the scene's image list before the node is made "
                    "(repeatable; in order)")
        ->check(CLI::ExistingFile);
    command.add_option("--file-request", choice.fileRequests,
                       "Answer the next file request the node makes, as a user would: the file "
                       "picked, or \"cancel\" (repeatable; unscripted requests are cancelled)");
    if (withInputs)
        command
            .add_option("-i,--input", choice.inputs,
                        "Feed an input from a constant: INPUT=VALUE (one number, or three "
                        "for colours and vectors: 1,0.5,0)")
            ->take_all();
}

std::unique_ptr<host::Host> makeHost(const Common &common) {
    return std::make_unique<host::Host>(common.modulePath.empty()
                                            ? host::Host::defaultModulePath()
                                            : std::filesystem::path(common.modulePath));
}

std::vector<double> parseNumbers(const std::string &text, const std::string &option) {
    std::vector<double> numbers;
    const char *at = text.c_str();
    while (*at) {
        if (*at == ',' || *at == ' ') {
            ++at;
            continue;
        }
        char *end = nullptr;
        const double value = std::strtod(at, &end);
        if (end == at) throw host::Error(option + " " + text + ": not a number at \"" + at + "\"");
        numbers.push_back(value);
        at = end;
    }
    if (numbers.empty()) throw host::Error(option + ": no number in \"" + text + "\"");
    return numbers;
}

bool reportEvaluationsCutOff(std::uint64_t before) {
    const std::uint64_t cut = host::evaluationsCutOff() - before;
    if (cut == 0) return false;
    std::fprintf(stderr,
                 "orvhost: warning: %llu evaluation%s nested deeper than %d levels and read "
                 "as unconnected\n",
                 static_cast<unsigned long long>(cut), cut == 1 ? "" : "s",
                 host::kMaxEvaluationDepth);
    return true;
}

void reportHeaviestEvaluation() {
    const std::uint64_t rays = host::heaviestEvaluation();
    if (rays == 0) return;
    std::fprintf(stderr,
                 "orvhost: warning: one evaluation fired %llu rays, more than %llu; a node's ray "
                 "counts may be far higher than intended\n",
                 static_cast<unsigned long long>(rays),
                 static_cast<unsigned long long>(host::kRaysPerEvaluationWarning));
}

namespace {

// Every node under a graph, nested graphs included, by path.
void collectNodes(host::Graph &top, host::Graph &graph, const std::string &prefix, int depth,
                  std::vector<NamedNode> &nodes) {
    for (const auto &node : graph.nodes()) {
        const host::NestedEditor *nested = host::nestedEditorOf(*node);
        const std::string path = prefix + node->name();
        if (dynamic_cast<const host::RootNode *>(node.get()) && depth > 0) continue;
        nodes.push_back({path, node.get(), &top, depth});
        if (nested) collectNodes(top, nested->graph(), path + "/", depth + 1, nodes);
    }
}

bool ofKind(const host::Node &node, const std::string &kind) {
    auto *moduleNode = dynamic_cast<const host::ModuleNode *>(&node);
    return node.kindName() == kind || (moduleNode && moduleNode->server().name() == kind);
}

}  // namespace

std::vector<NamedNode> sceneNodes(const host::Scene &scene, host::Graph *within) {
    std::vector<NamedNode> nodes;
    for (host::Graph *graph : within ? std::vector<host::Graph *>{within} : scene.graphs())
        collectNodes(*graph, *graph, graph->name() + "/", 0, nodes);
    return nodes;
}

const host::Graph &surfaceGraphOf(const host::Scene &scene, const host::Node &node) {
    for (const NamedNode &named : sceneNodes(scene))
        if (named.node == &node) return *named.top;
    return node.graph();
}

host::Node &findSceneNode(const host::Scene &scene, const std::string &text, host::Graph *within) {
    std::string nodeName = text;
    if (const auto slash = text.find('/'); slash != std::string::npos) {
        host::Graph &named = scene.graph(text.substr(0, slash));
        if (within && within != &named)
            throw host::Error(scene.file().string() + ": node " + host::inQuotes(text) +
                              " is not in " + host::inQuotes(within->name()));
        within = &named;
        nodeName = text.substr(slash + 1);
    }
    const std::vector<NamedNode> nodes = sceneNodes(scene, within);
    const std::string where = scene.file().string() + ": ";
    // A full path first; then a name, then a kind, nodes of the graphs
    // themselves before nodes inside Group Nodes.
    std::vector<std::function<bool(const NamedNode &)>> tests = {
        [&](const NamedNode &n) { return n.path == text || n.path == within->name() + "/" + text; },
        [&](const NamedNode &n) { return n.depth == 0 && n.node->name() == nodeName; },
        [&](const NamedNode &n) { return n.node->name() == nodeName; },
        [&](const NamedNode &n) { return n.depth == 0 && ofKind(*n.node, nodeName); },
        [&](const NamedNode &n) { return ofKind(*n.node, nodeName); },
    };
    if (!within) tests.front() = [&](const NamedNode &n) { return n.path == text; };
    for (const auto &test : tests) {
        std::vector<const NamedNode *> found;
        for (const NamedNode &named : nodes)
            if (test(named)) found.push_back(&named);
        if (found.size() == 1) return *found.front()->node;
        if (found.size() > 1) {
            std::string list;
            for (const NamedNode *named : found)
                list += (list.empty() ? "" : ", ") + host::inQuotes(named->path);
            throw host::Error(where + "several nodes answer to " + host::inQuotes(text) + " (" +
                              list + "); name one by its path, as Surface/Node");
        }
    }
    std::vector<std::string> names;
    for (const NamedNode &named : nodes)
        names.push_back(named.path);
    throw host::Error(where + "no node " + host::inQuotes(text) +
                      (within ? " in " + host::inQuotes(within->name()) : std::string()) +
                      host::suggestion(nodeName, names, "nodes"));
}

host::OutputConnector &chooseOutput(host::Node &node, const std::string &name) {
    if (name.empty()) {
        if (node.outputs().empty())
            throw host::Error("node " + host::inQuotes(node.name()) + " has no outputs");
        return *node.outputs().front();
    }
    return node.requireOutput(name);
}

int outputChannels(const host::OutputConnector &output) {
    return output.type == HOST_NOT_COLOR || output.type == HOST_NOT_VECTOR ? 3 : 1;
}

int evaluateToNumbers(host::OutputConnector &output, HostSample &sample, double value[3]) {
    const int type = output.type == HOST_NOT_FUNCTION ? HOST_NOT_SCALAR : output.type;
    double raw[HOST_MATERIAL_DOUBLES] = {};
    host::evaluateOutput(output, sample, type, raw);
    if (type == HOST_NOT_INTEGER) {
        std::int32_t whole;
        std::memcpy(&whole, raw, sizeof whole);
        value[0] = whole;
        return 1;
    }
    const int channels = outputChannels(output);
    for (int c = 0; c < channels; ++c)
        value[c] = raw[c];
    return channels;
}

PreparedNode openScene(const Common &common, const NodeChoice &choice) {
    PreparedNode prepared;
    prepared.host = makeHost(common);
    host::Services &services = prepared.host->services();
    for (const std::string &answer : choice.fileRequests) {
        if (answer == "cancel")
            services.fileRequests().cancel();
        else
            services.fileRequests().answer(answer);
    }
    for (const std::string &image : choice.images)
        services.images().load(image);
    if (!choice.scene.empty()) {
        prepared.scene = host::Scene::load(*prepared.host, choice.scene);
        prepared.framesPerSecond = prepared.scene->settings().framesPerSecond;
    }
    return prepared;
}

PreparedNode prepareNode(const Common &common, const NodeChoice &choice) {
    PreparedNode prepared = openScene(common, choice);
    chooseNode(prepared, choice);
    return prepared;
}

void chooseNode(PreparedNode &prepared, const NodeChoice &choice) {
    host::Graph *graph = nullptr;
    if (prepared.scene) {
        host::Graph *within = choice.graph.empty() ? nullptr : &prepared.scene->graph(choice.graph);
        prepared.node = &findSceneNode(*prepared.scene, choice.node, within);
        graph = &prepared.node->graph();
    } else {
        prepared.graph = std::make_unique<host::Graph>("Command line");
        graph = prepared.graph.get();
        const std::vector<std::string> natives = host::nativeNodeKinds();
        if (!prepared.host->findServer(choice.node) &&
            std::find(natives.begin(), natives.end(), choice.node) != natives.end()) {
            // A host kind's settings are given as it is made, as a scene's are.
            prepared.node = &host::addNativeNode(*graph, choice.node, choice.node,
                                                 nativeSettings(choice.settings), "--set");
            return addConstantInputs(prepared, choice, *graph);
        }
        prepared.node = &prepared.host->addNode(*graph, choice.node);
    }

    for (const std::string &setting : choice.settings) {
        const auto [control, value] = splitAssignment(setting, "--set");
        auto *node = dynamic_cast<host::ModuleNode *>(prepared.node);
        if (!node)
            throw host::Error("--set " + setting + ": " + prepared.node->name() +
                              " is a host node without a panel");
        try {
            host::applySetting(*node, control, nlohmann::json(value));
        } catch (const host::Error &error) {
            throw host::Error("--set " + setting + ": " + error.what());
        }
    }
    addConstantInputs(prepared, choice, *graph);
}

static void addConstantInputs(PreparedNode &prepared, const NodeChoice &choice,
                              host::Graph &target) {
    host::Graph *graph = &target;
    for (const std::string &feed : choice.inputs) {
        const auto [inputName, value] = splitAssignment(feed, "--input");
        host::InputConnector *input = prepared.node->input(inputName);
        if (!input) {
            std::vector<std::string> names;
            for (const auto &i : prepared.node->inputs())
                names.push_back(i->name);
            throw host::Error("--input " + feed + ": " + prepared.node->name() + " has no input " +
                              host::inQuotes(inputName) +
                              host::suggestion(inputName, names, "inputs"));
        }
        const char *kind = constantKind(input->type);
        if (!kind) throw host::Error("--input " + feed + ": a constant cannot feed that input");
        const std::vector<double> numbers = parseNumbers(value, "--input");
        for (double number : numbers)
            if (!std::isfinite(number))
                throw host::Error("--input " + feed + ": expected finite numbers");
        const bool single = input->type == HOST_NOT_INTEGER || input->type == HOST_NOT_SCALAR;
        if (single && numbers.size() != 1)
            throw host::Error("--input " + feed + ": " + inputName + " takes one number, found " +
                              std::to_string(numbers.size()));
        nlohmann::json settings;
        if (input->type == HOST_NOT_INTEGER) {
            if (numbers[0] != std::floor(numbers[0]) || numbers[0] < INT32_MIN ||
                numbers[0] > INT32_MAX)
                throw host::Error("--input " + feed + ": " + inputName +
                                  " takes a whole number from -2147483648 to 2147483647");
            settings["value"] = static_cast<std::int32_t>(numbers[0]);
        } else if (input->type == HOST_NOT_SCALAR)
            settings["value"] = numbers[0];
        else if (numbers.size() == 1)
            settings["value"] = {numbers[0], numbers[0], numbers[0]};
        else if (numbers.size() == 3)
            settings["value"] = numbers;
        else
            throw host::Error("--input " + feed + ": give one number or three");
        host::Node &constant = host::addNativeNode(
            *graph, kind, graph->uniqueName(inputName + " value"), settings, "--input " + feed);
        graph->connect(*constant.outputs().front(), *input);
    }
}

}  // namespace app
