// A scene file: the scene's settings and its node graphs (one per surface,
// and free-standing ones), read from and written to one JSON document. The
// renderer reads its own parts of the same document (camera, lights,
// objects, backdrop); this class keeps the document for it.
//
// Node entries name a module kind ("server") or a host kind ("native"). A
// module node may carry saved data ("data": the text form of its saved
// items, or "binary": the binary form in hex) and settings by panel control
// ("settings": control id or unique label → value), applied through the
// node's panel as a user would, after any saved data.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "host/graph/graph.h"
#include "host/graph/surface.h"
#include "host/scene/key_order.h"
#include "host/services/scene_settings.h"

namespace host {

class Host;
class ModuleNode;
class SurfaceNode;

class Scene {
  public:
    // Reads a scene file; throws Error naming the file, the key and the value.
    static std::unique_ptr<Scene> load(Host &host, const std::filesystem::path &file);
    // A scene from a document already read; file names where it came from,
    // and `orders` the order its text gave keys in, to be kept on saving.
    static std::unique_ptr<Scene> fromJson(Host &host, nlohmann::json document,
                                           const std::filesystem::path &file,
                                           TextKeyOrders orders = {});
    ~Scene();

    const std::filesystem::path &file() const { return file_; }
    const nlohmann::json &document() const { return document_; }
    const SceneSettings &settings() const { return settings_; }

    // Surfaces in file order; their index is the renderer's surface index.
    const std::vector<std::string> &surfaceNames() const { return surfaceNames_; }
    std::map<std::string, int> surfaceIndex() const;
    // One shader per surface, in surface order; owned by the scene.
    std::vector<const SurfaceShader *> shaders() const;

    // A graph by name: a surface's or a free-standing one's.
    Graph &graph(std::string_view name) const;
    std::vector<Graph *> graphs() const;

    // Throws Error when evaluating the scene could not end well: naming the
    // graph and both ends of a chain of nodes, in any graph, nested graphs
    // included, longer than evaluations nest; or the path of nodes round a
    // cycle through what connections do not show (a Get Material fetching a
    // store its value feeds, a nested graph reaching its own Group Node).
    // Reading and saving take such a scene; evaluating it must not start.
    void checkEvaluable() const;

    // The render sequence over every graph, with the host's time service set
    // for each frame.
    void renderStart(int renderMode = 0);
    void newTime(int frame);
    void renderEnd();
    double timeOfFrame(int frame) const { return frame / settings_.framesPerSecond; }

    // The document with every module node's data saved in the text or the
    // binary form, in place of its settings, as written into `folder`: the
    // paths it names rewritten to name the same files from there. Without a
    // folder, as written back where it came from.
    nlohmann::json save(bool binary) const { return save(binary, file_.parent_path()); }
    nlohmann::json save(bool binary, const std::filesystem::path &folder) const;
    // How saveTo writes module nodes: as readable settings by panel name
    // (falling back to text data for a node whose state the panel cannot
    // carry whole), as text data, or as binary data.
    enum class SaveForm { Settings, Text, Binary };
    // The text of the scene file as written into `folder`, with the comments
    // the file opened with.
    std::string savedText(SaveForm form, const std::filesystem::path &folder) const;
    // The same text in pieces, handed to `sink` as it is written.
    void writeText(SaveForm form, const std::filesystem::path &folder,
                   const std::function<void(std::string_view)> &sink) const;
    // Writes the scene to a file in place of what the path names, whole or
    // not at all (host/base/replaced_file.h).
    void saveTo(const std::filesystem::path &file, SaveForm form) const;
    void saveTo(const std::filesystem::path &file, bool binary) const {
        saveTo(file, binary ? SaveForm::Binary : SaveForm::Text);
    }

    Host &host() const { return host_; }
    // A module node and the place of its entry in the document: the
    // entry's index in the "nodes" of the graph `graph` in `section`. A
    // place rather than a JSON pointer: a scene of many nodes keeps one each.
    struct ModuleEntry {
        const char *section;  // "surfaces" or "graphs"
        const std::string *graph;
        std::size_t index;
        ModuleNode *node;

        const nlohmann::json &in(const nlohmann::json &document) const {
            return document.at(section).at(*graph).at("nodes").at(index);
        }
    };
    // Every module node, in the order the scene names them.
    std::vector<ModuleEntry> moduleNodes() const;

  private:
    Scene(Host &host, nlohmann::json document, std::filesystem::path file);
    struct GraphEntry;
    class GraphSurface;

    void readSettings();
    void readImages();
    void readGraphs(const char *section, bool surfaces);
    void readGraph(GraphEntry &entry, nlohmann::json &description, const std::string &where);
    std::string where(const std::string &key) const;
    void applyDeferredSettings();

    // A setting that failed while the scene was read, tried again at the end.
    struct DeferredSetting {
        ModuleNode *node;
        std::string control;
        nlohmann::json value;
        std::string at;
    };

    Host &host_;
    nlohmann::json document_;
    KeyOrder keyOrder_;  // of document_'s objects, as its text had them
    std::filesystem::path file_;
    std::string comments_;  // the comment lines the file opened with
    SceneSettings settings_;
    std::vector<std::string> surfaceNames_;
    std::vector<std::unique_ptr<GraphEntry>> graphs_;  // surfaces first
    std::vector<DeferredSetting> deferred_;
};

// Applies a setting to a module node's panel control as a user would: the
// value is a text, a number, an array of numbers, or {"keys": [[time,
// value...], ...], "shape": "linear"|"stepped"|"smooth"} for an envelope.
class ModuleNode;
void applySetting(ModuleNode &node, const std::string &control, const nlohmann::json &value);

}  // namespace host
