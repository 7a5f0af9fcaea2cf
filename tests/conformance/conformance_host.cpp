#include "conformance_host.h"

#include "host/base/error.h"

namespace conformance {

ConformanceHost::ConformanceHost(const std::filesystem::path &modulePath) {
    if (host::currentServicesOrNull())
        throw host::Error("another host is already running in this process");
    host::setCurrentServices(&services_);
    try {
        module_ = std::make_unique<host::Module>(modulePath);
    } catch (...) {
        host::setCurrentServices(nullptr);
        throw;
    }
    for (const host::ServerInfo &handler : module_->servers())
        if (handler.serverClass == HOST_CLASS_NODE_HANDLER)
            kinds_.push_back(std::make_unique<host::NodeServer>(
                handler, record(HOST_CLASS_NODE_INTERFACE, handler.name)));
}

ConformanceHost::~ConformanceHost() {
    kinds_.clear();
    module_.reset();
    host::setCurrentServices(nullptr);
}

host::NodeServer *ConformanceHost::find(std::string_view name) const {
    for (const auto &kind : kinds_)
        if (kind->name() == name || kind->userName() == name) return kind.get();
    return nullptr;
}

const host::ServerInfo *ConformanceHost::record(std::string_view serverClass,
                                                std::string_view name) const {
    for (const host::ServerInfo &server : module_->servers())
        if (server.serverClass == serverClass && server.name == name) return &server;
    return nullptr;
}

host::ModuleNode &ConformanceHost::add(host::Graph &graph, host::NodeServer &kind) {
    return graph.add<host::ModuleNode>(graph.uniqueName(kind.userName()), kind);
}

}  // namespace conformance
