#include "node_setup.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "host/base/error.h"
#include "host/nodes/native_nodes.h"

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

}  // namespace

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

PreparedNode prepareNode(const Common &common, const NodeChoice &choice) {
    PreparedNode prepared;
    prepared.host = makeHost(common);
    host::Graph *graph = nullptr;
    if (!choice.scene.empty()) {
        prepared.scene = host::Scene::load(*prepared.host, choice.scene);
        prepared.framesPerSecond = prepared.scene->settings().framesPerSecond;
        const auto graphs = choice.graph.empty()
                                ? prepared.scene->graphs()
                                : std::vector<host::Graph *>{&prepared.scene->graph(choice.graph)};
        for (host::Graph *candidate : graphs) {
            if (host::Node *found = candidate->find(choice.node)) {
                if (prepared.node)
                    throw host::Error(choice.scene + ": several graphs hold a node \"" +
                                      choice.node + "\"; name one with --graph");
                prepared.node = found;
                graph = candidate;
            }
        }
        if (!prepared.node)
            throw host::Error(choice.scene + ": no node named \"" + choice.node + "\"");
    } else {
        prepared.graph = std::make_unique<host::Graph>("Command line");
        graph = prepared.graph.get();
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
    for (const std::string &feed : choice.inputs) {
        const auto [inputName, value] = splitAssignment(feed, "--input");
        host::InputConnector *input = prepared.node->input(inputName);
        if (!input) {
            std::string known;
            for (const auto &i : prepared.node->inputs())
                known += (known.empty() ? "" : ", ") + i->name;
            throw host::Error("--input " + feed + ": " + prepared.node->name() +
                              " has no input \"" + inputName + "\"; its inputs are " + known);
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
    return prepared;
}

}  // namespace app
