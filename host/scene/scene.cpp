#include "host/scene/scene.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <optional>
#include <sstream>

#include "host/base/error.h"
#include "host/base/file_contents.h"
#include "host/base/replaced_file.h"
#include "host/io/io_state.h"
#include "host/nodes/native_nodes.h"
#include "host/panel/panel.h"
#include "host/scene/graph_connections.h"
#include "host/scene/host.h"
#include "host/scene/nested_graph.h"
#include "host/scene/readable_settings.h"
#include "host/scene/scene_json.h"
#include "host/scene/scene_keys.h"
#include "host/scene/scene_paths.h"
#include "host/services/services.h"
#include "host/services/vparm_access.h"

namespace host {
namespace {

using nlohmann::json;

std::string describe(const json &value) {
    std::string text = value.dump();
    if (text.size() > 60) text = text.substr(0, 57) + "...";
    return text;
}

const json &require(const json &object, const char *key, const std::string &where) {
    if (!object.is_object()) throw Error(where + ": expected an object, found " + describe(object));
    const auto found = object.find(key);
    if (found == object.end()) throw Error(where + ": missing key \"" + key + "\"");
    return *found;
}

std::string requireText(const json &object, const char *key, const std::string &where) {
    const json &value = require(object, key, where);
    if (!value.is_string())
        throw Error(where + "." + key + ": expected a text, found " + describe(value));
    return value.get<std::string>();
}

template <typename T>
T optionalNumber(const json &object, const char *key, T fallback, const std::string &where) {
    const auto found = object.find(key);
    if (found == object.end()) return fallback;
    if (!found->is_number())
        throw Error(where + "." + key + ": expected a number, found " + describe(*found));
    if constexpr (std::is_integral_v<T>) {
        if (!found->is_number_integer())
            throw Error(where + "." + key + ": expected a whole number, found " + describe(*found));
        // Unsigned JSON numbers above the signed range read as negative
        // through get<std::int64_t>(); check them apart.
        if (found->is_number_unsigned()
                ? found->get<std::uint64_t>() >
                      static_cast<std::uint64_t>(std::numeric_limits<T>::max())
                : found->get<std::int64_t>() < std::numeric_limits<T>::min() ||
                      found->get<std::int64_t>() > std::numeric_limits<T>::max())
            throw Error(where + "." + key + ": expected a whole number from " +
                        std::to_string(std::numeric_limits<T>::min()) + " to " +
                        std::to_string(std::numeric_limits<T>::max()) + ", found " +
                        describe(*found));
    }
    return found->get<T>();
}

std::string numberText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

std::string toHex(const std::vector<std::uint8_t> &bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 15];
    }
    return text;
}

std::vector<std::uint8_t> fromHex(const std::string &text, const std::string &where) {
    auto digit = [&](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        throw Error(where + ": not a hex digit: '" + std::string(1, c) + "'");
    };
    if (text.size() % 2) throw Error(where + ": odd number of hex digits");
    std::vector<std::uint8_t> bytes(text.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(digit(text[2 * i]) * 16 + digit(text[2 * i + 1]));
    return bytes;
}

KeyShape keyShape(const std::string &name, const std::string &where) {
    if (name == "linear") return KeyShape::Linear;
    if (name == "stepped") return KeyShape::Stepped;
    if (name == "smooth") return KeyShape::Smooth;
    throw Error(where + ": unknown key shape \"" + name + "\" (linear, stepped or smooth)");
}

}  // namespace

// ---- Settings through the panel ----

namespace {

void applyThroughPanel(ModuleNode &node, const std::string &control, const json &value) {
    Panel *panel = node.panel();
    if (!panel) throw Error(node.kindName() + " has no panel to set " + inQuotes(control) + " on");
    const Panel::Control *target = panel->find(control);
    if (value.is_string()) return panel->setValue(target->id, value.get<std::string>());
    if (value.is_boolean()) return panel->setValue(target->id, value.get<bool>() ? "on" : "off");
    if (value.is_number()) return panel->setValue(target->id, numberText(value.get<double>()));
    if (value.is_array()) {
        std::vector<double> numbers;
        for (const json &item : value) {
            if (!item.is_number()) throw Error("expected numbers, found " + describe(item));
            numbers.push_back(item.get<double>());
        }
        return panel->setNumbers(target->id, numbers);
    }
    if (value.is_object() && value.contains("keys")) {
        const HostVParmID vparm = panel->vparm(target->id);
        if (!vparm) throw Error(inQuotes(control) + " is no envelope, or shows no value");
        const json shapeName = value.value("shape", json("linear"));
        if (!shapeName.is_string())
            throw Error("the key shape is a text (linear, stepped or smooth), found " +
                        describe(shapeName));
        const KeyShape shape = keyShape(shapeName.get<std::string>(), "shape");
        if (!value["keys"].is_array())
            throw Error("\"keys\" is a list of keys, found " + describe(value["keys"]));
        EnvelopeData data = vparmData(vparm);
        for (ChannelData &channel : data.channels)
            channel.keys.clear();
        // Keys are given in panel units, as the panel shows them.
        const double scale = target->dataType == "angle-env"     ? 3.141592653589793 / 180.0
                             : target->dataType == "percent-env" ? 0.01
                                                                 : 1.0;
        for (const json &key : value["keys"]) {
            // One value for every channel, or one for them all: a key of
            // any other length would leave channels without a value.
            if (!key.is_array() || (key.size() != 2 && key.size() != 1 + data.channels.size()) ||
                !key[0].is_number())
                throw Error(data.channels.size() == 1
                                ? "a key is [time, value], found " + describe(key)
                                : "a key is [time, value] or [time, " +
                                      std::to_string(data.channels.size()) + " values], found " +
                                      describe(key));
            const double time = key[0].get<double>();
            for (std::size_t c = 0; c < data.channels.size(); ++c) {
                const json &v = key[key.size() == 2 ? 1 : 1 + c];
                if (!v.is_number()) throw Error("key value is no number: " + describe(key));
                data.channels[c].keys.push_back({time, v.get<double>() * scale, shape});
            }
        }
        setVParmData(vparm, data);
        return;
    }
    throw Error("cannot set " + inQuotes(control) + " to " + describe(value));
}

}  // namespace

void applySetting(ModuleNode &node, const std::string &control, const json &value) {
    applyThroughPanel(node, control, value);
    // As after any edit, the editor announces the current time again, so
    // that the node's cached values follow its envelopes.
    const HostTimeInfo *time =
        currentServicesOrNull() ? &currentServicesOrNull()->timeInfo() : nullptr;
    node.newTime(time ? time->frame : 0, time ? time->time : 0.0);
}

// ---- Graph entries ----

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
    std::unique_ptr<Graph> graph;
    std::unique_ptr<GraphSurface> shader;
    // Module nodes and the document entries they came from, for saving.
    std::vector<std::pair<json::json_pointer, ModuleNode *>> moduleNodes;
};

Scene::Scene(Host &host, json document, std::filesystem::path file)
    : host_(host), document_(std::move(document)), file_(std::move(file)) {}

Scene::~Scene() = default;

std::unique_ptr<Scene> Scene::load(Host &host, const std::filesystem::path &file) {
    const std::string text = readRegularFile(file, "scene file");
    std::unique_ptr<Scene> scene = fromJson(host, parseSceneText(text, file), file);
    scene->comments_ = leadingComments(text);
    return scene;
}

std::unique_ptr<Scene> Scene::fromJson(Host &host, json document,
                                       const std::filesystem::path &file) {
    std::unique_ptr<Scene> scene(new Scene(host, std::move(document), file));
    if (!scene->document_.is_object())
        throw Error(file.string() + ": a scene is a JSON object, found " +
                    describe(scene->document_));
    // Documents read from text were bounded while parsing; others may come
    // from anywhere and are measured before anything recurses into them.
    if (nestingDepth(scene->document_) > kMaxSceneNesting)
        throw Error(file.string() + ": nested more than " + std::to_string(kMaxSceneNesting) +
                    " levels deep");
    checkKnownKeys(scene->document_, file);
    scene->readSettings();
    scene->readImages();
    {
        ImageReferenceFolder references(host, file.parent_path());
        scene->readGraphs("surfaces", true);
        scene->readGraphs("graphs", false);
        scene->applyDeferredSettings();
    }
    host.services().setScene(scene->settings_);
    return scene;
}

void Scene::applyDeferredSettings() {
    for (const DeferredSetting &setting : deferred_) {
        try {
            applySetting(*setting.node, setting.control, setting.value);
        } catch (const Error &error) {
            throw Error(where(setting.at + ".settings." + setting.control) + ": " + error.what() +
                        " (value " + describe(setting.value) + ")");
        }
    }
    deferred_.clear();
}

std::string Scene::where(const std::string &key) const {
    return file_.string() + ": " + key;
}

void Scene::readSettings() {
    settings_.name = file_.stem().string();
    settings_.filename = file_.string();
    if (auto found = document_.find("scene"); found != document_.end()) {
        const std::string at = where("scene");
        if (!found->is_object())
            throw Error(at + ": expected an object, found " + describe(*found));
        if (found->contains("name")) {
            if (!(*found)["name"].is_string())
                throw Error(at + ".name: expected a text, found " + describe((*found)["name"]));
            settings_.name = (*found)["name"].get<std::string>();
        }
        settings_.firstFrame = optionalNumber(*found, "firstFrame", 1, at);
        settings_.lastFrame = optionalNumber(*found, "lastFrame", settings_.firstFrame, at);
        settings_.frameStep = optionalNumber(*found, "frameStep", 1, at);
        settings_.framesPerSecond = optionalNumber(*found, "fps", 30.0, at);
        settings_.recursionDepth = optionalNumber(*found, "recursionDepth", 8, at);
        if (settings_.framesPerSecond <= 0.0)
            throw Error(at + ".fps: must be above 0, found " +
                        numberText(settings_.framesPerSecond));
        if (settings_.frameStep <= 0)
            throw Error(at + ".frameStep: must be at least 1, found " +
                        std::to_string(settings_.frameStep));
        if (settings_.lastFrame < settings_.firstFrame)
            throw Error(at + ".lastFrame: " + std::to_string(settings_.lastFrame) +
                        " is before firstFrame " + std::to_string(settings_.firstFrame));
    }
    if (auto camera = document_.find("camera"); camera != document_.end() && camera->is_object()) {
        settings_.width = optionalNumber(*camera, "width", settings_.width, where("camera"));
        settings_.height = optionalNumber(*camera, "height", settings_.height, where("camera"));
    }
}

void Scene::readGraphs(const char *section, bool surfaces) {
    const auto found = document_.find(section);
    if (found == document_.end()) return;
    if (!found->is_object())
        throw Error(where(section) + ": expected an object of named graphs, found " +
                    describe(*found));
    for (auto item = found->begin(); item != found->end(); ++item) {
        auto entry = std::make_unique<GraphEntry>();
        entry->name = item.key();
        entry->surface = surfaces;
        for (const auto &other : graphs_)
            if (other->name == entry->name)
                throw Error(where(std::string(section) + "." + item.key()) +
                            ": a surface or graph of that name exists already");
        entry->graph = std::make_unique<Graph>(entry->name);
        GraphEntry &added = *graphs_.emplace_back(std::move(entry));
        readGraph(added, item.value(), std::string(section) + "." + item.key());
        if (surfaces) surfaceNames_.push_back(added.name);
    }
}

void Scene::readGraph(GraphEntry &entry, const json &description, const std::string &key) {
    Graph &graph = *entry.graph;
    if (!description.is_object())
        throw Error(where(key) + ": expected an object, found " + describe(description));
    const json empty = json::array();
    const json &nodes = description.contains("nodes") ? description["nodes"] : empty;
    if (!nodes.is_array()) throw Error(where(key + ".nodes") + ": expected a list of nodes");
    const json::json_pointer base =
        json::json_pointer("/" + key.substr(0, key.find('.'))) / entry.name / "nodes";
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const std::string at = key + ".nodes[" + std::to_string(i) + "]";
        const json &node = nodes[i];
        const std::string name = requireText(node, "name", where(at));
        if (name.empty()) throw Error(where(at + ".name") + ": a node needs a name, found \"\"");
        if (graph.find(name))
            throw Error(where(at + ".name") + ": a node \"" + name + "\" exists already");
        const json settings = node.value("settings", json::object());
        if (!settings.is_object()) throw Error(where(at + ".settings") + ": expected an object");
        if (node.contains("native")) {
            for (const char *moduleOnly : {"server", "data", "binary"})
                if (node.contains(moduleOnly))
                    throw Error(where(at + "." + moduleOnly) +
                                ": a host (\"native\") node takes no \"" + moduleOnly + "\"");
            addNativeNode(graph, requireText(node, "native", where(at)), name, settings, where(at));
            continue;
        }
        if (node.contains("data") && node.contains("binary"))
            throw Error(where(at) + ": saved data comes as \"data\" or as \"binary\", not both");
        const std::string server = requireText(node, "server", where(at));
        ModuleNode *made = nullptr;
        try {
            made = &host_.addNode(graph, server, name);
        } catch (const Error &error) {
            throw Error(where(at + ".server") + ": " + error.what());
        }
        entry.moduleNodes.emplace_back(base / i, made);
        try {
            if (node.contains("data")) {
                TextLoadState state(node["data"]);
                made->load(state);
            } else if (node.contains("binary")) {
                BinaryLoadState state(
                    fromHex(requireText(node, "binary", where(at)), where(at + ".binary")));
                made->load(state);
            }
        } catch (const std::exception &error) {
            throw Error(where(at) + ": saved data: " + error.what());
        }
        for (auto setting = settings.begin(); setting != settings.end(); ++setting) {
            try {
                applySetting(*made, setting.key(), setting.value());
            } catch (const Error &) {
                // It may name what a later node makes (a Get Material's slot
                // names a store further down): tried again once all are read.
                deferred_.push_back({made, setting.key(), setting.value(), at});
            }
        }
        if (node.contains("graph"))
            readNestedGraph(host_, *made, node["graph"], where(at + ".graph"));
    }
    if (entry.surface) {
        SurfaceNode *surface = nullptr;
        for (const auto &node : graph.nodes())
            if (auto *found = dynamic_cast<SurfaceNode *>(node.get())) surface = found;
        if (!surface)
            surface = &dynamic_cast<SurfaceNode &>(addNativeNode(
                graph, "Surface", graph.uniqueName("Surface"), json::object(), where(key)));
        entry.shader = std::make_unique<GraphSurface>(*surface);
    }
    readConnections(graph, description.contains("connections") ? description["connections"] : empty,
                    where(key + ".connections"));
}

std::map<std::string, int> Scene::surfaceIndex() const {
    std::map<std::string, int> index;
    for (std::size_t i = 0; i < surfaceNames_.size(); ++i)
        index[surfaceNames_[i]] = static_cast<int>(i);
    return index;
}

std::vector<const SurfaceShader *> Scene::shaders() const {
    std::vector<const SurfaceShader *> shaders;
    for (const auto &entry : graphs_)
        if (entry->surface) shaders.push_back(entry->shader.get());
    return shaders;
}

Graph &Scene::graph(std::string_view name) const {
    for (const auto &entry : graphs_)
        if (entry->name == name) return *entry->graph;
    std::string known;
    for (const auto &entry : graphs_)
        known += (known.empty() ? "" : ", ") + inQuotes(entry->name);
    throw Error(file_.string() + ": no surface or graph " + inQuotes(std::string(name)) +
                (known.empty() ? " (it has none)" : "; it has " + known));
}

std::vector<Graph *> Scene::graphs() const {
    std::vector<Graph *> graphs;
    for (const auto &entry : graphs_)
        graphs.push_back(entry->graph.get());
    return graphs;
}

void Scene::renderStart(int renderMode) {
    for (const auto &entry : graphs_)
        entry->graph->renderStart(renderMode);
}

void Scene::newTime(int frame) {
    HostTimeInfo &time = host_.services().timeInfo();
    time.frame = frame;
    time.time = timeOfFrame(frame);
    time.framesPerSecond = settings_.framesPerSecond;
    for (const auto &entry : graphs_)
        entry->graph->newTime(frame, time.time);
}

void Scene::renderEnd() {
    for (const auto &entry : graphs_)
        entry->graph->renderEnd();
}

json Scene::save(bool binary, const std::filesystem::path &folder) const {
    ImageReferenceFolder references(host_, folder);
    json document = document_;
    rebaseScenePaths(document, file_.parent_path(), folder);
    for (const auto &entry : graphs_) {
        for (const auto &[pointer, node] : entry->moduleNodes) {
            json &item = document[pointer];
            item.erase("settings");
            item.erase("data");
            item.erase("binary");
            item.erase("graph");
            // A nested graph is written as a graph of its own, beside the data.
            NestedEditor *nested = nestedEditorOf(*node);
            std::optional<NestedEditor::SavedApartScope> apart;
            if (nested) {
                apart.emplace();
                item["graph"] = describeNestedGraph(*nested);
            }
            if (binary) {
                BinarySaveState state;
                node->save(state);
                item["binary"] = toHex(state.bytes());
            } else {
                TextSaveState state;
                node->save(state);
                item["data"] = state.items();
            }
        }
    }
    return document;
}

std::vector<std::pair<json::json_pointer, ModuleNode *>> Scene::moduleNodes() const {
    std::vector<std::pair<json::json_pointer, ModuleNode *>> nodes;
    for (const auto &entry : graphs_)
        nodes.insert(nodes.end(), entry->moduleNodes.begin(), entry->moduleNodes.end());
    return nodes;
}

std::string Scene::savedText(SaveForm form, const std::filesystem::path &folder) const {
    if (form != SaveForm::Settings)
        return comments_ + sceneText(save(form == SaveForm::Binary, folder));
    ImageReferenceFolder references(host_, folder);
    nlohmann::ordered_json document = readableDocument(*this);
    rebaseScenePaths(document, file_.parent_path(), folder);
    return comments_ + sceneText(document);
}

void Scene::saveTo(const std::filesystem::path &file, SaveForm form) const {
    replaceFile(file, savedText(form, file.parent_path()), "scene file");
}

}  // namespace host
