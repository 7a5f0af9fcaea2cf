#include "host/graph/graph.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "host/base/error.h"
#include "host/base/suggest.h"
#include "host/graph/connector_type.h"

namespace host {
namespace {

std::string connectorName(const Node &node, const std::string &connector) {
    return inQuotes(node.name()) + "." + inQuotes(connector);
}

}  // namespace

const char *typeName(int type) {
    switch (type) {
        case HOST_NOT_COLOR:
            return "Color";
        case HOST_NOT_SCALAR:
            return "Scalar";
        case HOST_NOT_VECTOR:
            return "Vector";
        case HOST_NOT_INTEGER:
            return "Integer";
        case HOST_NOT_FUNCTION:
            return "Function";
        case HOST_NOT_MATERIAL:
            return "Material";
        default:
            return "unknown";
    }
}

// ---- Node ----

Node::Node(Graph &graph, std::string name) : graph_(&graph), name_(std::move(name)) {
    channelGroup_ = &graph.channelGroup().addChild(name_);
    channelGroup_->setHostOwned();
}

Node::~Node() {
    graph_->channelGroup().removeChild(channelGroup_);
}

InputConnector *Node::addInput(int type, std::string name, HostInputEventFunc event) {
    if (!validConnectorType(type)) return nullptr;
    auto input = std::make_unique<InputConnector>();
    input->node = this;
    input->name = std::move(name);
    input->type = type;
    input->event = event;
    inputs_.push_back(std::move(input));
    return inputs_.back().get();
}

OutputConnector *Node::addOutput(int type, std::string name) {
    if (!validConnectorType(type)) return nullptr;
    auto output = std::make_unique<OutputConnector>();
    output->node = this;
    output->name = std::move(name);
    output->type = type;
    outputs_.push_back(std::move(output));
    return outputs_.back().get();
}

bool Node::removeInput(const InputConnector *input) {
    auto at = std::find_if(inputs_.begin(), inputs_.end(),
                           [input](const auto &i) { return i.get() == input; });
    if (at == inputs_.end()) return false;
    if ((*at)->source) graph_->disconnect(**at);
    inputs_.erase(at);
    return true;
}

bool Node::removeOutput(const OutputConnector *output) {
    auto at = std::find_if(outputs_.begin(), outputs_.end(),
                           [output](const auto &o) { return o.get() == output; });
    if (at == outputs_.end()) return false;
    graph_->disconnectAllFrom(**at);
    outputs_.erase(at);
    return true;
}

InputConnector *Node::input(std::string_view name) const {
    for (const auto &input : inputs_)
        if (input->name == name) return input.get();
    return nullptr;
}

OutputConnector *Node::output(std::string_view name) const {
    for (const auto &output : outputs_)
        if (output->name == name) return output.get();
    return nullptr;
}

InputConnector &Node::requireInput(std::string_view name) const {
    if (InputConnector *found = input(name)) return *found;
    std::vector<std::string> names;
    for (const auto &input : inputs_)
        names.push_back(input->name);
    throw Error("node " + inQuotes(name_) + " (" + kindName() + ") has no input " +
                inQuotes(std::string(name)) + suggestion(name, names, "inputs"));
}

OutputConnector &Node::requireOutput(std::string_view name) const {
    if (OutputConnector *found = output(name)) return *found;
    std::vector<std::string> names;
    for (const auto &output : outputs_)
        names.push_back(output->name);
    throw Error("node " + inQuotes(name_) + " (" + kindName() + ") has no output " +
                inQuotes(std::string(name)) + suggestion(name, names, "outputs"));
}

void Node::inputChanged(InputConnector &input, int event) {
    if (input.event) input.event(instance(), input.id(), event);
}

void Node::setColor(int red, int green, int blue) {
    color_[0] = red;
    color_[1] = green;
    color_[2] = blue;
}

// ---- Graph ----

Graph::Graph(std::string name) : name_(std::move(name)), channels_(name_) {
    channels_.setHostOwned();
}

Graph::~Graph() {
    // The whole graph goes: no node needs to hear of its inputs going first.
    for (const auto &node : nodes_)
        for (const auto &input : node->inputs_)
            input->source = nullptr;
    while (!nodes_.empty())
        nodes_.pop_back();
}

void Graph::checkNewName(const std::string &name) const {
    if (name.empty()) throw Error("graph " + inQuotes(name_) + ": a node needs a name");
    if (find(name))
        throw Error("graph " + inQuotes(name_) + " already has a node " + inQuotes(name));
}

std::string Graph::uniqueName(std::string_view base) const {
    std::string name(base);
    for (int n = 2; find(name); ++n)
        name = std::string(base) + " (" + std::to_string(n) + ")";
    return name;
}

void Graph::rename(Node &node, std::string name) {
    if (name == node.name_) return;
    checkNewName(name);
    byName_.erase(node.name_);
    node.name_ = std::move(name);
    byName_.emplace(node.name_, &node);
}

void Graph::remove(Node &node) {
    auto at = std::find_if(nodes_.begin(), nodes_.end(),
                           [&node](const auto &n) { return n.get() == &node; });
    if (at == nodes_.end())
        throw Error("graph " + inQuotes(name_) + " has no node " + inQuotes(node.name()));
    for (const auto &output : node.outputs_)
        disconnectAllFrom(*output);
    // The node's own inputs go with it, unannounced: it is being destroyed.
    for (const auto &input : node.inputs_) {
        if (input->source) --input->source->consumers;
        input->source = nullptr;
    }
    byName_.erase(node.name_);
    std::unique_ptr<Node> doomed = std::move(*at);
    nodes_.erase(at);
}

Node *Graph::find(std::string_view name) const {
    const auto found = byName_.find(name);
    return found == byName_.end() ? nullptr : found->second;
}

Node &Graph::require(std::string_view name) const {
    if (Node *node = find(name)) return *node;
    std::vector<std::string> names;
    for (const auto &node : nodes_)
        names.push_back(node->name());
    throw Error("graph " + inQuotes(name_) + " has no node " + inQuotes(std::string(name)) +
                suggestion(name, names, "nodes"));
}

bool Graph::reachesUpstream(const Node &from, const Node &target) const {
    // A node wired into itself: the test below would not see it, as the
    // node feeds nothing yet.
    if (&from == &target) return true;
    // Nothing feeds on target: no connection into it can close a cycle. This
    // keeps a chain read front to back linear; one read back to front starts
    // each walk at a node with nothing upstream yet.
    if (std::none_of(target.outputs().begin(), target.outputs().end(),
                     [](const auto &output) { return output->consumers > 0; }))
        return false;
    // Depth-first over the sources of from's inputs, each node once.
    std::vector<const Node *> pending{&from};
    std::unordered_set<const Node *> visited{&from};
    while (!pending.empty()) {
        const Node *node = pending.back();
        pending.pop_back();
        if (node == &target) return true;
        for (const auto &input : node->inputs())
            if (input->source && visited.insert(input->source->node).second)
                pending.push_back(input->source->node);
    }
    return false;
}

void Graph::checkConnectable(const OutputConnector &from, const InputConnector &to) const {
    if (&from.node->graph() != this || &to.node->graph() != this)
        throw Error("graph " + inQuotes(name_) + ": cannot connect " +
                    connectorName(*from.node, from.name) + " to " +
                    connectorName(*to.node, to.name) + " across graphs");
    if (!typesConnect(from.type, to.type))
        throw Error("cannot connect " + connectorName(*from.node, from.name) + " (" +
                    typeName(from.type) + ") to " + connectorName(*to.node, to.name) + " (" +
                    typeName(to.type) + ")");
    if (from.node == to.node)
        throw Error("connecting " + connectorName(*from.node, from.name) + " to " +
                    connectorName(*to.node, to.name) + " would wire the node into itself");
}

void Graph::connect(OutputConnector &from, InputConnector &to) {
    checkConnectable(from, to);
    if (reachesUpstream(*from.node, *to.node))
        throw Error("connecting " + connectorName(*from.node, from.name) + " to " +
                    connectorName(*to.node, to.name) + " would make a cycle");
    if (to.source == &from) return;
    setSource(to, &from);
}

void Graph::connectUnchecked(OutputConnector &from, InputConnector &to) {
    checkConnectable(from, to);
    if (to.source == &from) return;
    setSource(to, &from);
}

std::vector<const Node *> findCycle(const std::vector<const Node *> &nodes,
                                    const Dependencies &dependencies) {
    // Depth-first along the dependencies. A node is Open while it is on the
    // walk's path; meeting an Open node again closes a cycle.
    enum class Mark : char { Unseen, Open, Done };
    std::unordered_map<const Node *, Mark> marks;
    marks.reserve(nodes.size());
    struct Step {
        const Node *node;
        std::vector<const Node *> next;
        std::size_t done = 0;
    };
    std::vector<Step> path;
    auto enter = [&](const Node *node) {
        marks[node] = Mark::Open;
        path.push_back({node, {}, 0});
        dependencies(*node, path.back().next);
    };
    for (const Node *start : nodes) {
        if (marks[start] != Mark::Unseen) continue;
        enter(start);
        while (!path.empty()) {
            Step &step = path.back();
            if (step.done == step.next.size()) {
                marks[step.node] = Mark::Done;
                path.pop_back();
                continue;
            }
            const Node *next = step.next[step.done++];
            const Mark mark = marks[next];
            if (mark == Mark::Open) {
                std::vector<const Node *> cycle;
                auto at = path.end();
                do {
                    --at;
                    cycle.insert(cycle.begin(), at->node);
                } while (at->node != next);
                return cycle;
            }
            if (mark == Mark::Unseen) enter(next);
        }
    }
    return {};
}

std::vector<const Node *> Graph::findCycle() const {
    std::vector<const Node *> nodes;
    nodes.reserve(nodes_.size());
    for (const auto &node : nodes_)
        nodes.push_back(node.get());
    return host::findCycle(nodes, [](const Node &node, std::vector<const Node *> &sources) {
        for (const auto &input : node.inputs())
            if (input->source) sources.push_back(input->source->node);
    });
}

std::string cyclePath(const std::vector<const Node *> &cycle, bool withGraphs) {
    auto name = [withGraphs](const Node *node) {
        return withGraphs ? inQuotes(node->graph().name() + "/" + node->name())
                          : inQuotes(node->name());
    };
    // Each node depends on the next: values flow from the last to the first.
    std::vector<std::string> names;
    for (auto node = cycle.rbegin(); node != cycle.rend(); ++node)
        names.push_back(name(*node));
    if (names.size() > 12) {
        const std::size_t left = names.size() - 10;
        names.erase(names.begin() + 5, names.end() - 5);
        names.insert(names.begin() + 5, "... (" + std::to_string(left) + " more)");
    }
    std::string path;
    for (const std::string &text : names)
        path += text + " → ";
    return path + name(cycle.back());
}

void Graph::checkAcyclic() const {
    const std::vector<const Node *> cycle = findCycle();
    if (!cycle.empty())
        throw Error("graph " + inQuotes(name_) + " feeds itself: " + cyclePath(cycle));
}

void Graph::connect(std::string_view fromNode, std::string_view output, std::string_view toNode,
                    std::string_view input) {
    connect(require(fromNode).requireOutput(output), require(toNode).requireInput(input));
}

void Graph::disconnect(InputConnector &to) {
    if (to.source) setSource(to, nullptr);
}

void Graph::setSource(InputConnector &to, OutputConnector *from) {
    to.node->inputChanged(to, HOST_INPUT_EVENT_CHANGING);
    if (to.source) --to.source->consumers;
    to.source = from;
    if (from) ++from->consumers;
    to.node->inputChanged(to, HOST_INPUT_EVENT_CHANGED);
}

void Graph::disconnectAllFrom(const OutputConnector &output) {
    for (const auto &node : nodes_)
        for (const auto &input : node->inputs_)
            if (input->source == &output) setSource(*input, nullptr);
}

void Graph::renderStart(int renderMode) {
    for (const auto &node : nodes_)
        node->renderStart(renderMode);
}

void Graph::newTime(int frame, double time) {
    for (const auto &node : nodes_)
        node->newTime(frame, time);
}

void Graph::renderEnd() {
    for (const auto &node : nodes_)
        node->renderEnd();
}

}  // namespace host
