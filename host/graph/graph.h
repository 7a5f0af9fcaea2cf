// Node graphs: nodes with typed input and output connectors, the connections
// between them, and the evaluation that pulls values along those connections.
//
// A graph's structure (nodes, connectors, connections) changes only outside
// renders; during a render it is read-only, so evaluation may run on several
// threads at once and may re-enter the same graph from inside a node's own
// evaluate (a traced ray that shades another surface).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/base/envelope.h"
#include "host/graph/value_slot.h"
#include "hostapi/node.h"

namespace host {

class Graph;
class Node;

struct OutputConnector {
    Node *node = nullptr;
    std::string name;
    int type = 0;
    int consumers = 0;  // the inputs it feeds
    // A module node's evaluate and instance, called straight from an
    // evaluation rather than through the node; null for the host's own
    // nodes.
    HostEvaluateFunc moduleEvaluate = nullptr;
    HostInstance moduleInstance = nullptr;

    HostNodeOutputID id() { return reinterpret_cast<HostNodeOutputID>(this); }
    static OutputConnector *from(HostNodeOutputID id) {
        return reinterpret_cast<OutputConnector *>(id);
    }
};

struct InputConnector {
    Node *node = nullptr;
    std::string name;
    int type = 0;
    HostInputEventFunc event = nullptr;  // the module's, told of connection changes
    OutputConnector *source = nullptr;   // null while unconnected

    HostNodeInputID id() { return reinterpret_cast<HostNodeInputID>(this); }
    static InputConnector *from(HostNodeInputID id) {
        return reinterpret_cast<InputConnector *>(id);
    }
};

// Nested evaluations deeper than this are cut off: the input reads as
// unconnected. It stops runaway recursion through rays that keep re-entering
// a graph, not legitimate shading, which the renderer bounds far lower, and
// graphs that feed themselves through nodes the host cannot see into (a Get
// Material fetching a store whose inputs lead back to it, a nested graph that
// reaches its own Group Node). Once a thread is cut off, every evaluation it
// makes fails at once until its outermost one returns, so a cycle that
// branches costs no more than one that does not.
constexpr int kMaxEvaluationDepth = 256;

// The node at which an evaluation was first cut off at the depth limit since
// the last call, or empty when none was; the record is cleared.
std::string takeDepthLimitReport();
// Throws Error saying where a graph fed itself, when an evaluation was cut
// off since the last report.
void checkDepthLimit(const std::string &where);

// Evaluates what feeds the input into value (laid out for the input's type;
// for a Function input it holds the argument on entry). False, with value
// untouched, when the input is unconnected or the depth limit is reached.
bool evaluateInput(const InputConnector &input, HostSample &sample, void *value);
// Evaluates an output for a receiver of the given type. False when the types
// do not connect or the node delivered nothing.
bool evaluateOutput(OutputConnector &output, HostSample &sample, int receivingType, void *value);
// Ray operations count every ray they fire here. An evaluation that fires
// more than kRaysPerEvaluationWarning rays, its nested evaluations included,
// is remembered, for the host to warn of once after a run: such a node (an
// occlusion with tens of thousands of rays a side, say) keeps a render busy
// for hours, and the user should hear why.
constexpr std::uint64_t kRaysPerEvaluationWarning = 1'000'000;
// What one thread's evaluations keep: the rays it has fired, how deeply its
// evaluations nest, and whether the nesting went too deep and the nodes above
// unwind at once. One thread-local record, as every evaluation and every ray
// touches it.
struct OutputCapture;
struct EvaluationThread {
    std::uint64_t raysFired = 0;
    int depth = 0;
    bool cutOff = false;
    OutputCapture *capture = nullptr;  // outputs whose values are being kept (see output_capture.h)
};
extern thread_local constinit EvaluationThread evaluationThread;
// Inline, as every ray counts itself.
inline void countRay() {
    ++evaluationThread.raysFired;
}
// The most rays one evaluation fired beyond the warning level; 0 if none did.
std::uint64_t heaviestEvaluation();

// How many evaluations the depth limit has cut off since the program
// started; the host reports a change after a render or an evaluation.
std::uint64_t evaluationsCutOff();

// What a node's values depend on: the nodes it evaluates, added to the list.
using Dependencies = std::function<void(const Node &, std::vector<const Node *> &)>;
// The nodes around a cycle of dependencies among and beyond the nodes
// given, each once, each depending on the next and the last on the first;
// empty when there is none. One walk, without recursion, in time in
// proportion to the nodes and dependencies met.
std::vector<const Node *> findCycle(const std::vector<const Node *> &nodes,
                                    const Dependencies &dependencies);

// The cycle as values flow round it, back to where they started: "A" →
// "B" → "A"; long ones shortened. With graphs, nodes are named "graph/node".
std::string cyclePath(const std::vector<const Node *> &cycle, bool withGraphs = false);

class Node {
  public:
    virtual ~Node();
    Node(const Node &) = delete;
    Node &operator=(const Node &) = delete;

    Graph &graph() const { return *graph_; }
    const std::string &name() const { return name_; }
    // The kind's user name: "Sqrt", "Constant Color".
    virtual const std::string &kindName() const = 0;
    // The module's instance behind the node; null for host-native nodes.
    virtual HostInstance instance() const { return nullptr; }

    HostNodeID id() { return reinterpret_cast<HostNodeID>(this); }
    static Node *from(HostNodeID id) { return reinterpret_cast<Node *>(id); }

    // Connectors. Adding gives null for an unknown type code.
    InputConnector *addInput(int type, std::string name, HostInputEventFunc event = nullptr);
    OutputConnector *addOutput(int type, std::string name);
    // Disconnects and drops a connector of this node; false when it is not ours.
    bool removeInput(const InputConnector *input);
    bool removeOutput(const OutputConnector *output);
    InputConnector *input(std::string_view name) const;
    OutputConnector *output(std::string_view name) const;
    // As above, but throw Error naming the node and the connector.
    InputConnector &requireInput(std::string_view name) const;
    OutputConnector &requireOutput(std::string_view name) const;
    const std::vector<std::unique_ptr<InputConnector>> &inputs() const { return inputs_; }
    const std::vector<std::unique_ptr<OutputConnector>> &outputs() const { return outputs_; }

    // Writes the value of one of this node's outputs into the slot.
    virtual void evaluate(HostSample &sample, OutputConnector &output, ValueSlot &value) = 0;

    // Render life cycle; errors are thrown as Error naming the node.
    virtual void renderStart(int /*renderMode*/) {}
    virtual void newTime(int /*frame*/, double /*time*/) {}
    virtual void renderEnd() {}

    // Told before (HOST_INPUT_EVENT_CHANGING) and after (..._CHANGED) one of
    // its inputs is connected or disconnected; calls the input's callback.
    virtual void inputChanged(InputConnector &input, int event);

    // What the editor shows of the node, as the module set it.
    ChannelGroup &channelGroup() const { return *channelGroup_; }
    void setColor(int red, int green, int blue);
    const int *color() const { return color_; }
    void setPreviewType(int type) { previewType_ = type; }
    int previewType() const { return previewType_; }
    void notePreviewUpdate() { ++previewUpdates_; }
    int previewUpdates() const { return previewUpdates_; }

  protected:
    Node(Graph &graph, std::string name);

  private:
    friend class Graph;
    Graph *graph_;
    std::string name_;
    ChannelGroup *channelGroup_;
    std::vector<std::unique_ptr<InputConnector>> inputs_;
    std::vector<std::unique_ptr<OutputConnector>> outputs_;
    int color_[3] = {0, 0, 0};
    int previewType_ = HOST_PREVIEW_NONE;
    int previewUpdates_ = 0;
};

class Graph {
  public:
    explicit Graph(std::string name = "Graph");
    // Drops every connection without events, then destroys the nodes, last
    // added first.
    ~Graph();
    Graph(const Graph &) = delete;
    Graph &operator=(const Graph &) = delete;

    const std::string &name() const { return name_; }
    ChannelGroup &channelGroup() { return channels_; }

    // Makes a node T(graph, name, args...) under a name not yet used here.
    // Node constructors may throw Error; the graph is then unchanged.
    template <class T, class... Args>
    T &add(std::string name, Args &&...args) {
        checkNewName(name);
        auto node = std::unique_ptr<T>(new T(*this, std::move(name), std::forward<Args>(args)...));
        T &added = *node;
        byName_.emplace(added.name(), &added);
        nodes_.push_back(std::move(node));
        return added;
    }
    // "base", or "base (2)", "base (3)"... whichever is free.
    std::string uniqueName(std::string_view base) const;
    void rename(Node &node, std::string name);
    // Disconnects everything the node feeds (with events), then destroys it.
    void remove(Node &node);

    Node *find(std::string_view name) const;
    Node &require(std::string_view name) const;  // throws Error for an unknown name
    const std::vector<std::unique_ptr<Node>> &nodes() const { return nodes_; }

    // Connects an output to an input of this graph, replacing the input's
    // source. Throws Error for a foreign connector, types that do not connect,
    // or a connection that would close a cycle.
    void connect(OutputConnector &from, InputConnector &to);
    void connect(std::string_view fromNode, std::string_view output, std::string_view toNode,
                 std::string_view input);
    // As connect, but a cycle through other nodes is left for checkAcyclic to
    // find: wiring a whole graph this way and checking once takes time in
    // proportion to its size, whatever the order of its connections. A node
    // wired into itself is refused at once all the same.
    void connectUnchecked(OutputConnector &from, InputConnector &to);
    // Throws Error naming the nodes around a cycle, when there is one.
    void checkAcyclic() const;
    // The nodes around a cycle, each once, downstream to upstream; empty
    // when there is none. One walk over the graph, without recursion.
    std::vector<const Node *> findCycle() const;
    void disconnect(InputConnector &to);

    // The render life cycle, for every node in the order they were added.
    void renderStart(int renderMode);
    void newTime(int frame, double time);
    void renderEnd();

  private:
    friend class Node;
    void checkNewName(const std::string &name) const;
    void checkConnectable(const OutputConnector &from, const InputConnector &to) const;
    bool reachesUpstream(const Node &from, const Node &target) const;
    void setSource(InputConnector &to, OutputConnector *from);
    void disconnectAllFrom(const OutputConnector &output);

    std::string name_;
    ChannelGroup channels_;
    std::vector<std::unique_ptr<Node>> nodes_;
    // Names looked up by hash: reading a graph of many nodes looks each up
    // once per connection.
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const {
            return std::hash<std::string_view>{}(name);
        }
    };
    std::unordered_map<std::string, Node *, NameHash, std::equal_to<>> byName_;
};

}  // namespace host
