// The host core around one loaded module, without scene files, images or a
// renderer: the services the module's activations find, the module loaded
// through the system's library loader, and its node kinds.
#pragma once

#include <filesystem>
#include <memory>
#include <string_view>
#include <vector>

#include "host/graph/graph.h"
#include "host/module/module_loader.h"
#include "host/module/module_node.h"
#include "host/module/node_server.h"
#include "host/services/services.h"

namespace conformance {

class ConformanceHost {
  public:
    // Loads and starts the module; throws host::Error when it does not load.
    explicit ConformanceHost(const std::filesystem::path &modulePath);
    ~ConformanceHost();
    ConformanceHost(const ConformanceHost &) = delete;
    ConformanceHost &operator=(const ConformanceHost &) = delete;

    host::Services &services() { return services_; }
    const host::Module &module() const { return *module_; }
    // One kind per NodeHandler record, in server-table order.
    const std::vector<std::unique_ptr<host::NodeServer>> &kinds() const { return kinds_; }
    // A kind by user or server name; null when the module has none.
    host::NodeServer *find(std::string_view name) const;
    // The server records of a kind: its NodeHandler and its NodeInterface.
    const host::ServerInfo *record(std::string_view serverClass, std::string_view name) const;

    host::ModuleNode &add(host::Graph &graph, host::NodeServer &kind);

  private:
    host::Services services_;
    std::unique_ptr<host::Module> module_;
    std::vector<std::unique_ptr<host::NodeServer>> kinds_;
};

}  // namespace conformance
