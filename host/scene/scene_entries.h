// A scene's graphs as the scene keeps them: each with its name, whether it
// is a surface's, its shader, and its module nodes with the document entries
// they came from. Shared by the scene's reading and saving.
#pragma once

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "host/nodes/native_nodes.h"
#include "host/scene/scene.h"

namespace host {

class Scene::GraphSurface final : public SurfaceShader {
  public:
    explicit GraphSurface(const SurfaceNode &node) : node_(node) {}
    SurfaceChannels shade(HostSample &sample) const override { return node_.channels(sample); }
    double transmission(HostSample &sample) const override { return node_.transparency(sample); }

  private:
    const SurfaceNode &node_;
};

struct Scene::GraphEntry {
    std::string name;
    bool surface = false;
    const char *section = "graphs";  // the document's key the graph is under
    std::unique_ptr<Graph> graph;
    std::unique_ptr<GraphSurface> shader;
    // Module nodes and the indices of the entries they came from in the
    // graph's "nodes", for saving.
    std::vector<std::pair<std::size_t, ModuleNode *>> moduleNodes;
};

Scene::Scene(Host &host, json document, std::filesystem::path file)
    : host_(host), document_(std::move(document)), file_(std::move(file)) {}

}  // namespace host
