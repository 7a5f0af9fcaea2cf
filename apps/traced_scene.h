// A scene made ready for rays: the renderer's description of it, its size
// on the command line, and a tracer whose backdrop the host's backdrop
// service reports while it lives. Shared by render and by eval's rays.
#pragma once

#include <memory>

#include "host/raytracer/tracer.h"
#include "host/scene/host.h"
#include "host/scene/scene.h"

namespace app {

struct ImageSize {
    int width = 0, height = 0;  // 0: the camera's; one alone keeps the camera's aspect
};

class TracedScene {
  public:
    // Throws host::Error naming the file, key and value of a bad scene.
    TracedScene(host::Host &host, const host::Scene &scene, ImageSize size, int threads);
    ~TracedScene();
    TracedScene(const TracedScene &) = delete;
    TracedScene &operator=(const TracedScene &) = delete;

    const render::Tracer &tracer() const { return *tracer_; }
    const host::SceneSettings &settings() const { return settings_; }

  private:
    host::Host &host_;
    host::SceneSettings settings_;
    std::unique_ptr<render::Tracer> tracer_;
};

// The size asked for, with a missing side following the camera's aspect.
ImageSize resolvedSize(ImageSize asked, int cameraWidth, int cameraHeight);

}  // namespace app
