#include "host/module/node_server.h"

#include "host/base/error.h"
#include "host/services/services.h"

namespace host {

NodeServer::NodeServer(const ServerInfo &handler, const ServerInfo *interface)
    : handler_(&handler), interface_(interface) {}

const std::string &NodeServer::userName() const {
    return handler_->userName.empty() ? handler_->name : handler_->userName;
}

const HostNodeHandler &NodeServer::handler() {
    if (code_ < 0) {
        if (!handler_->activate)
            throw Error("server " + inQuotes(name()) + " has no NodeHandler activation");
        code_ = handler_->activate(HOST_NODE_HANDLER_VERSION, hostServiceLookup, &record_, nullptr);
    }
    if (code_ != HOST_AFUNC_OK)
        throw Error("server " + inQuotes(name()) + ": NodeHandler activation failed with code " +
                    std::to_string(code_) +
                    (code_ == HOST_AFUNC_BADGLOBAL ? " (a service it needs is missing)" : ""));
    if (!record_.inst->create || !record_.evaluate)
        throw Error("server " + inQuotes(name()) + ": activation left no create or evaluate");
    return record_;
}

HostPanelID NodeServer::panelFor(HostInstance instance) const {
    if (!hasPanel()) return nullptr;
    HostNodeInterface local{instance, nullptr, nullptr, nullptr};
    const int code =
        interface_->activate(HOST_NODE_INTERFACE_VERSION, hostServiceLookup, &local, nullptr);
    if (code != HOST_AFUNC_OK)
        throw Error("server " + inQuotes(name()) + ": NodeInterface activation failed with code " +
                    std::to_string(code));
    return local.panel;
}

}  // namespace host
