// The stand-in host: one loaded module, the services its nodes reach, and the
// node kinds it offers. While a Host lives, the service lookup handed to the
// module's activations serves it.
//
// Graphs that hold the module's nodes must be destroyed before the Host: the
// module is stopped and unloaded with it.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/graph/graph.h"
#include "host/module/module_loader.h"
#include "host/module/module_node.h"
#include "host/module/node_server.h"
#include "host/services/services.h"

namespace host {

class Host {
  public:
    // Loads the module (see Module) and makes this the current host. Throws
    // Error when the module does not load or another host is current.
    explicit Host(const std::filesystem::path &modulePath);
    ~Host();
    Host(const Host &) = delete;
    Host &operator=(const Host &) = delete;

    // Where the module is looked for when none is named: $ORV_MODULE, else
    // orvnodes.so beside the running
    // program (or one folder up, for tools in sub-folders of the build).
    static std::filesystem::path defaultModulePath();

    Services &services() { return services_; }
    const Module &module() const { return *module_; }

    // The node kinds, in server-table order.
    const std::vector<std::unique_ptr<NodeServer>> &nodeServers() const { return servers_; }
    // A kind by server name ("Orv Sqrt") or user name ("Sqrt"); null if none.
    NodeServer *findServer(std::string_view name) const;
    // As findServer, but throws Error listing the kinds there are.
    NodeServer &requireServer(std::string_view name) const;

    // Adds a node of a module kind; the name defaults to a free variant of the
    // user name.
    ModuleNode &addNode(Graph &graph, std::string_view kind, std::string name = {});

  private:
    Services services_;
    std::unique_ptr<Module> module_;
    std::vector<std::unique_ptr<NodeServer>> servers_;
};

}  // namespace host
