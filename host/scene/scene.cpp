#include "host/scene/scene.h"

#include "host/base/error.h"
#include "host/base/file_contents.h"
#include "host/scene/host.h"
#include "host/scene/render_limits.h"
#include "host/scene/scene_entries.h"
#include "host/scene/scene_json.h"
#include "host/scene/scene_keys.h"
#include "host/scene/scene_paths.h"
#include "host/scene/scene_values.h"
#include "host/services/services.h"

namespace host {

using nlohmann::json;

Scene::~Scene() = default;

std::unique_ptr<Scene> Scene::load(Host &host, const std::filesystem::path &file) {
    const std::string text = readRegularFile(file, "scene file");
    TextKeyOrders orders;
    json document = parseSceneText(text, file, &orders);
    std::unique_ptr<Scene> scene = fromJson(host, std::move(document), file, std::move(orders));
    scene->comments_ = leadingComments(text);
    return scene;
}

std::unique_ptr<Scene> Scene::fromJson(Host &host, json document, const std::filesystem::path &file,
                                       TextKeyOrders orders) {
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
    scene->keyOrder_ = KeyOrder(scene->document_, std::move(orders));
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
        settings_.recursionDepth = readRecursionDepth(*found, at);
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
    if (auto camera = document_.find("camera"); camera != document_.end())
        readCameraSize(*camera, where("camera"), settings_.width, settings_.height);
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

}  // namespace host
