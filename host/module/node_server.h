// One node kind a module offers: its NodeHandler server and, when it has a
// panel, its NodeInterface server, activated on first use as the host's
// editor would do when the user first adds such a node.
#pragma once

#include <string>

#include "host/module/module_loader.h"
#include "hostapi/hostapi.h"

namespace host {

class NodeServer {
  public:
    NodeServer(const ServerInfo &handler, const ServerInfo *interface);
    NodeServer(const NodeServer &) = delete;
    NodeServer &operator=(const NodeServer &) = delete;

    const std::string &name() const { return handler_->name; }
    // The menu text: the user name, or the server name without one.
    const std::string &userName() const;
    const std::string &group() const { return handler_->group; }
    // Whether a NodeInterface server with an activation stands beside it.
    bool hasPanel() const { return interface_ && interface_->activate; }

    // Activates the handler once; later calls return the first result. Throws
    // Error naming the server and the code when the activation fails.
    const HostNodeHandler &handler();
    // The activation's result code, or -1 before the first activation.
    int activationCode() const { return code_; }

    // Runs the panel activation for an instance; the panel it hands back
    // (null without a panel server or when the node made none).
    HostPanelID panelFor(HostInstance instance) const;

  private:
    const ServerInfo *handler_;
    const ServerInfo *interface_;
    // The operation tables the host hands the activation to fill.
    HostInstanceFuncs instanceFuncs_{};
    HostItemFuncs itemFuncs_{};
    HostRenderFuncs renderFuncs_{};
    HostNodeHandler record_{&instanceFuncs_, &itemFuncs_, &renderFuncs_, nullptr};
    int code_ = -1;
};

}  // namespace host
