#include "host/scene/scene_paths.h"

#include "host/base/rebased_path.h"
#include "host/scene/host.h"

namespace host {
namespace {

using Document = nlohmann::ordered_json;

void rebase(Document &value, const std::filesystem::path &from, const std::filesystem::path &to) {
    if (value.is_string()) value = rebasedPath(value.get<std::string>(), from, to);
}

}  // namespace

void rebaseScenePaths(Document &document, const std::filesystem::path &from,
                      const std::filesystem::path &to) {
    if (!document.is_object()) return;
    if (auto images = document.find("images"); images != document.end() && images->is_array())
        for (Document &image : *images) {
            // A text, or an object naming its file and its colour space.
            if (image.is_object()) {
                if (auto file = image.find("file"); file != image.end()) rebase(*file, from, to);
            } else {
                rebase(image, from, to);
            }
        }
    if (auto answers = document.find("fileRequests");
        answers != document.end() && answers->is_array())
        for (Document &answer : *answers)
            if (answer != "cancel") rebase(answer, from, to);
    if (auto backdrop = document.find("backdrop");
        backdrop != document.end() && backdrop->is_object())
        if (auto image = backdrop->find("image"); image != backdrop->end())
            rebase(*image, from, to);
    if (auto objects = document.find("objects"); objects != document.end() && objects->is_array())
        for (Document &object : *objects) {
            if (!object.is_object()) continue;
            auto mesh = object.find("mesh");
            if (mesh == object.end() || !mesh->is_object()) continue;
            if (auto file = mesh->find("file"); file != mesh->end()) rebase(*file, from, to);
        }
}

ImageReferenceFolder::ImageReferenceFolder(Host &host, const std::filesystem::path &folder)
    : host_(host), previous_(host.services().images().referenceFolder()) {
    host_.services().images().setReferenceFolder(folder);
}

ImageReferenceFolder::~ImageReferenceFolder() {
    host_.services().images().setReferenceFolder(previous_);
}

}  // namespace host
