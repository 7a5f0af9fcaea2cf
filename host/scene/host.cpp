#include "host/scene/host.h"

#include <unistd.h>
#include <cstdlib>

#include "host/base/error.h"
#include "host/base/suggest.h"
#include "host/scene/nested_graph.h"

namespace host {

Host::Host(const std::filesystem::path &modulePath) {
    if (currentServicesOrNull()) throw Error("another host is already running in this process");
    setCurrentServices(&services_);
    try {
        module_ = std::make_unique<Module>(modulePath);
    } catch (...) {
        setCurrentServices(nullptr);
        throw;
    }
    // Pair each NodeHandler with the NodeInterface of the same name.
    const auto &records = module_->servers();
    for (const ServerInfo &handler : records) {
        if (handler.serverClass != HOST_CLASS_NODE_HANDLER) continue;
        const ServerInfo *interface = nullptr;
        for (const ServerInfo &other : records)
            if (other.serverClass == HOST_CLASS_NODE_INTERFACE && other.name == handler.name)
                interface = &other;
        servers_.push_back(std::make_unique<NodeServer>(handler, interface));
    }
    NestedEditor::setGraphIO(nestedGraphIO(*this));
}

Host::~Host() {
    NestedEditor::setGraphIO({});
    servers_.clear();
    module_.reset();
    setCurrentServices(nullptr);
}

std::filesystem::path Host::defaultModulePath() {
    if (const char *named = std::getenv("ORV_MODULE"); named && *named) return named;
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return "orvnodes.so";
    // Beside the program, or one folder up for the tools built in sub-folders
    // of the build (tests, benchmarks).
    const auto beside = self.parent_path() / "orvnodes.so";
    const auto above = self.parent_path().parent_path() / "orvnodes.so";
    return !std::filesystem::exists(beside) && std::filesystem::exists(above) ? above : beside;
}

NodeServer *Host::findServer(std::string_view name) const {
    for (const auto &server : servers_)
        if (server->name() == name || server->userName() == name) return server.get();
    return nullptr;
}

NodeServer &Host::requireServer(std::string_view name) const {
    if (NodeServer *server = findServer(name)) return *server;
    std::vector<std::string> names;
    for (const auto &server : servers_)
        names.push_back(server->userName());
    std::string text = "no node kind " + inQuotes(std::string(name));
    if (const std::string near = nearestName(name, names); !near.empty())
        text += "; did you mean " + inQuotes(near) + "?";
    std::string known;
    for (const std::string &kind : names)
        known += (known.empty() ? "" : ", ") + inQuotes(kind);
    throw Error(text + "; the module offers " + known);
}

ModuleNode &Host::addNode(Graph &graph, std::string_view kind, std::string name) {
    NodeServer &server = requireServer(kind);
    if (name.empty()) name = graph.uniqueName(server.userName());
    return graph.add<ModuleNode>(std::move(name), server);
}

}  // namespace host
