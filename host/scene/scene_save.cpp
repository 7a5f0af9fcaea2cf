// Writing a scene back: its document with each module node's state as the
// node holds it, the paths it names rewritten for the folder it goes to.
#include <optional>

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
