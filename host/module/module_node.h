// A node of a module's kind in a graph: the module's instance behind it, and
// the host's calls into the module's callbacks.
#pragma once

#include "host/graph/graph.h"
#include "host/module/node_server.h"

namespace host {

class LoadState;
class Panel;
class SaveState;

class ModuleNode final : public Node {
  public:
    const std::string &kindName() const override { return server_->userName(); }
    HostInstance instance() const override { return instance_; }
    NodeServer &server() const { return *server_; }

    void evaluate(HostSample &sample, OutputConnector &output, ValueSlot &value) override;
    void renderStart(int renderMode) override;
    void newTime(int frame, double time) override;
    void renderEnd() override;

    // The node's panel, made by the module on first request and the same one
    // afterwards; null for a kind without a panel.
    Panel *panel();

    // Copies another node's settings of the same kind into this one.
    void copyFrom(const ModuleNode &source);
    // Throw Error with the module's error text, naming the node, and when
    // the node leaves a block open or ends one it did not begin.
    void save(SaveState &state) const;
    void load(LoadState &state);

    ~ModuleNode() override;

  private:
    friend class Graph;
    ModuleNode(Graph &graph, std::string name, NodeServer &server);
    void checkBlocks(const char *what, int before, int after) const;

    NodeServer *server_;
    const HostNodeHandler *handler_;
    HostInstance instance_ = nullptr;
    HostPanelID panelId_ = nullptr;
};

}  // namespace host
