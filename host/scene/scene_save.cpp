// Writing a scene back: its document with each module node's state as the
// node holds it, the paths it names rewritten for the folder it goes to.
#include <optional>
#include <unordered_map>

#include "host/base/replaced_file.h"
#include "host/io/io_state.h"
#include "host/scene/key_order.h"
#include "host/scene/nested_graph.h"
#include "host/scene/readable_settings.h"
#include "host/scene/scene_entries.h"
#include "host/scene/scene_json.h"
#include "host/scene/scene_paths.h"
#include "host/scene/scene_values.h"

namespace host {

using nlohmann::json;
using nlohmann::ordered_json;

namespace {

// A module node's entry saved as data: the file's entry with the node's
// state as the node holds it now, its nested graph written as a graph of
// its own.
ordered_json savedEntry(const json &entry, const KeyOrder &order, const ModuleNode &node,
                        bool binary) {
    ordered_json item = toOrderedWithout(entry, order, {"settings", "data", "binary", "graph"});
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

// The document is written as it was read, in the file's key order, with
// each module node's entry and each value naming files replaced as it is
// reached: a scene of many nodes is never held twice, as a document or as
// text.
void Scene::writeText(SaveForm form, const std::filesystem::path &folder,
                      const TextSink &sink) const {
    ImageReferenceFolder references(host_, folder);
    const KeyOrder &order = keyOrder_;
    std::unordered_map<const json *, ModuleNode *> nodes;
    for (const ModuleEntry &entry : moduleNodes())
        nodes.emplace(&entry.in(document_), entry.node);
    // The few top-level values that name files, rebased in a copy of their own.
    ordered_json paths = ordered_json::object();
    std::unordered_map<const json *, const ordered_json *> rebased;
    for (const char *key : {"images", "fileRequests", "backdrop", "objects"})
        if (const auto found = document_.find(key); found != document_.end())
            paths[key] = toOrdered(*found, order);
    rebaseScenePaths(paths, file_.parent_path(), folder);
    for (const auto &[key, value] : paths.items())
        rebased.emplace(&*document_.find(key), &value);

    ReadableEntries readable(host_, order);
    const OrderedReplacement replace = [&](const json &value) -> std::optional<ordered_json> {
        if (const auto node = nodes.find(&value); node != nodes.end()) {
            if (form == SaveForm::Settings) return readable.entry(value, *node->second);
            return savedEntry(value, order, *node->second, form == SaveForm::Binary);
        }
        if (const auto path = rebased.find(&value); path != rebased.end()) return *path->second;
        return std::nullopt;
    };
    sink(comments_);
    writeSceneText(document_, order, replace, sink);
}

std::string Scene::savedText(SaveForm form, const std::filesystem::path &folder) const {
    std::string text;
    writeText(form, folder, [&text](std::string_view piece) { text += piece; });
    return text;
}

json Scene::save(bool binary, const std::filesystem::path &folder) const {
    return json::parse(savedText(binary ? SaveForm::Binary : SaveForm::Text, folder), nullptr, true,
                       /*ignore_comments=*/true);
}

void Scene::saveTo(const std::filesystem::path &file, SaveForm form) const {
    ReplacedFile replaced(file, "scene file");
    writeText(form, file.parent_path(), [&replaced](std::string_view piece) {
        if (!piece.empty()) replaced.write(piece);
    });
    replaced.commit();
}

std::vector<Scene::ModuleEntry> Scene::moduleNodes() const {
    std::vector<ModuleEntry> nodes;
    for (const auto &entry : graphs_)
        for (const auto &[index, node] : entry->moduleNodes)
            nodes.push_back({entry->section, &entry->name, index, node});
    return nodes;
}

}  // namespace host
