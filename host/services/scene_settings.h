// The scene-wide facts the host reports to nodes and renders with.
#pragma once

#include <string>

namespace host {

struct SceneSettings {
    int firstFrame = 1;
    int lastFrame = 1;
    int frameStep = 1;
    double framesPerSecond = 30.0;
    int recursionDepth = 8;  // ray recursion limit, as the renderer defaults it
    int width = 640;
    int height = 480;
    int renderThreads = 1;
    std::string name = "Untitled";
    std::string filename;
};

}  // namespace host
