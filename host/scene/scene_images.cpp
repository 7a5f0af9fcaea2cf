// A scene's "images": files read into the host's image list in order, before
// any node is made, so that image popups can name them and saved image
// references find them. And its "fileRequests": the answers a user gives to
// the file requests its nodes make, in order (a file, or "cancel").
#include <filesystem>

#include "host/base/error.h"
#include "host/scene/host.h"
#include "host/scene/scene.h"
#include "host/services/image_list.h"

namespace host {

void Scene::readImages() {
    if (const auto answers = document_.find("fileRequests"); answers != document_.end()) {
        const std::string at = where("fileRequests");
        if (!answers->is_array())
            throw Error(at + ": expected a list of files or \"cancel\", found " + answers->dump());
        for (std::size_t i = 0; i < answers->size(); ++i) {
            const nlohmann::json &answer = (*answers)[i];
            if (!answer.is_string())
                throw Error(at + "[" + std::to_string(i) +
                            "]: expected a file or \"cancel\", found " + answer.dump());
            const std::string text = answer.get<std::string>();
            if (text == "cancel") {
                host_.services().fileRequests().cancel();
            } else {
                const std::filesystem::path relative = text;
                host_.services().fileRequests().answer(
                    (relative.is_absolute() ? relative : file_.parent_path() / relative).string());
            }
        }
    }
    const auto found = document_.find("images");
    if (found == document_.end()) return;
    const std::string at = where("images");
    if (!found->is_array())
        throw Error(at + ": expected a list of image files, found " + found->dump());
    for (std::size_t i = 0; i < found->size(); ++i) {
        const nlohmann::json &entry = (*found)[i];
        const std::string key = at + "[" + std::to_string(i) + "]";
        // A file name, or {"file": NAME, "colorspace": SPACE} to read it in a
        // colour space other than the one it declares.
        const nlohmann::json *name = &entry;
        ImageColorSpace space = ImageColorSpace::FromFile;
        if (entry.is_object()) {
            const auto named = entry.find("file");
            if (named == entry.end()) throw Error(key + ": the image's \"file\" is missing");
            name = &*named;
            if (const auto given = entry.find("colorspace"); given != entry.end())
                if (!given->is_string() || !parseImageColorSpace(given->get<std::string>(), space))
                    throw Error(key +
                                ".colorspace: expected \"auto\", \"sRGB\", \"linear\" or "
                                "\"raw\", found " +
                                given->dump());
        }
        if (!name->is_string())
            throw Error(key + ": expected the name of an image file, found " + entry.dump());
        const std::filesystem::path relative = name->get<std::string>();
        const auto file = relative.is_absolute() ? relative : file_.parent_path() / relative;
        try {
            host_.services().images().load(file.string(), space);
        } catch (const Error &error) {
            throw Error(key + ": " + error.what());
        }
    }
}

}  // namespace host
