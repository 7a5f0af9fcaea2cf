// The root node of a nested graph: the node a nested editor's graph ends in.
// Its inputs are added by the node that owns the editor; whatever the nested
// graph wires into them is what that node reads when it evaluates them. It
// has no outputs, so nothing ever asks it for a value.
#pragma once

#include "host/graph/graph.h"

namespace host {

class RootNode final : public Node {
  public:
    static constexpr const char *kName = "Root";

    const std::string &kindName() const override;
    void evaluate(HostSample &sample, OutputConnector &output, ValueSlot &value) override;

  private:
    friend class Graph;
    RootNode(Graph &graph, std::string name) : Node(graph, std::move(name)) {}
};

}  // namespace host
