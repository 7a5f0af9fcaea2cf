#include "traced_scene.h"

#include <algorithm>
#include <cmath>

#include "host/base/error.h"

namespace app {

ImageSize resolvedSize(ImageSize asked, int cameraWidth, int cameraHeight) {
    if (asked.width && !asked.height)
        asked.height = std::max(
            1, static_cast<int>(std::lround(asked.width * double(cameraHeight) / cameraWidth)));
    else if (asked.height && !asked.width)
        asked.width = std::max(
            1, static_cast<int>(std::lround(asked.height * double(cameraWidth) / cameraHeight)));
    if (!asked.width) asked.width = cameraWidth;
    if (!asked.height) asked.height = cameraHeight;
    return asked;
}

TracedScene::TracedScene(host::Host &host, const host::Scene &scene, ImageSize size, int threads)
    : host_(host) {
    render::SceneDescription description;
    try {
        description =
            render::parseSceneDescription(scene.document(), scene.file(), scene.surfaceIndex());
    } catch (const render::SceneError &error) {
        throw host::Error(error.what());
    }
    const ImageSize resolved =
        resolvedSize(size, description.camera.width, description.camera.height);
    description.camera.width = resolved.width;
    description.camera.height = resolved.height;

    settings_ = scene.settings();
    settings_.width = resolved.width;
    settings_.height = resolved.height;
    settings_.renderThreads = threads;
    host_.services().setScene(settings_);
    try {
        tracer_ = std::make_unique<render::Tracer>(std::move(description), scene.shaders());
    } catch (const render::SceneError &error) {
        throw host::Error(scene.file().string() + ": " + error.what());
    }
    const render::Tracer *tracer = tracer_.get();
    host_.services().setBackdrop(
        [tracer](double, const double direction[3], double color[3]) {
            const render::Vec c = tracer->backdrop({direction[0], direction[1], direction[2]});
            for (int k = 0; k < 3; ++k)
                color[k] = c[k];
        },
        tracer->scene().backdrop.gradient ? 1 : 0);
}

TracedScene::~TracedScene() {
    host_.services().setBackdrop({});
}

}  // namespace app
