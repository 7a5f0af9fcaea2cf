// Writing a scene back: its document with each module node's state as the
// node holds it, the paths it names rewritten for the folder it goes to.
#include <optional>
#include <unordered_map>

#include "host/base/replaced_file.h"
#include "host/io/io_state.h"
#include "host/scene/nested_graph.h"
#include "host/scene/readable_settings.h"
#include "host/scene/scene_entries.h"
#include "host/scene/scene_json.h"
#include "host/scene/scene_paths.h"
#include "host/scene/scene_values.h"

namespace host {

using nlohmann::json;

namespace {

// A module node's entry as saved: the file's entry with the node's state as
// the node holds it now, its nested graph written as a graph of its own.
json savedEntry(const json &entry, const ModuleNode &node, bool binary) {
    json item = entry;
    item.erase("settings");
    item.erase("data");
    item.erase("binary");
    item.erase("graph");
    NestedEditor *nested = nestedEditorOf(node);
    std::optional<NestedEditor::SavedApartScope> apart;
    if (nested) {
        apart.emplace();
        item["graph"] = describeNestedGraph(*nested);
    }
    if (binary) {
        BinarySaveState state;
        node.save(state);
        item["binary"] = toHex(state.bytes());
    } else {
        TextSaveState state;
        node.save(state);
        item["data"] = state.items();
    }
    return item;
}

}  // namespace

json Scene::save(bool binary, const std::filesystem::path &folder) const {
    ImageReferenceFolder references(host_, folder);
    json document = document_;
    rebaseScenePaths(document, file_.parent_path(), folder);
    for (const auto &[pointer, node] : moduleNodes())
        document[pointer] = savedEntry(document_[pointer], *node, binary);
    return document;
}

// The saved text straight from the document as read, each module node's
// entry and each path replaced as it is written: a scene of many nodes is
// never held twice.
std::string Scene::savedDataText(bool binary, const std::filesystem::path &folder) const {
    ImageReferenceFolder references(host_, folder);
    std::unordered_map<const json *, const ModuleNode *> nodes;
    for (const auto &[pointer, node] : moduleNodes())
        nodes.emplace(&document_[pointer], node);
    // The few top-level values that name files, rebased in a copy of their own.
    json paths = json::object();
    std::unordered_map<const json *, const json *> rebased;
    if (document_.is_object()) {
        for (const char *key : {"images", "fileRequests", "backdrop", "objects"})
            if (const auto found = document_.find(key); found != document_.end())
                paths[key] = *found;
        rebaseScenePaths(paths, file_.parent_path(), folder);
        for (const auto &[key, value] : paths.items())
            rebased.emplace(&document_[key], &value);
    }
    const auto replace = [&](const json &value) -> std::optional<json> {
        if (const auto node = nodes.find(&value); node != nodes.end())
            return savedEntry(value, *node->second, binary);
        if (const auto path = rebased.find(&value); path != rebased.end()) return *path->second;
        return std::nullopt;
    };
    return sceneText(document_, replace);
}

std::vector<std::pair<json::json_pointer, ModuleNode *>> Scene::moduleNodes() const {
    std::vector<std::pair<json::json_pointer, ModuleNode *>> nodes;
    for (const auto &entry : graphs_)
        nodes.insert(nodes.end(), entry->moduleNodes.begin(), entry->moduleNodes.end());
    return nodes;
}

std::string Scene::savedText(SaveForm form, const std::filesystem::path &folder) const {
    if (form != SaveForm::Settings)
        return comments_ + savedDataText(form == SaveForm::Binary, folder);
    ImageReferenceFolder references(host_, folder);
    nlohmann::ordered_json document = readableDocument(*this);
    rebaseScenePaths(document, file_.parent_path(), folder);
    return comments_ + sceneText(document);
}

void Scene::saveTo(const std::filesystem::path &file, SaveForm form) const {
    replaceFile(file, savedText(form, file.parent_path()), "scene file");
}

}  // namespace host
