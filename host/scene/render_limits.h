// The scene's recursion depth and camera size: the nodes hear of them through
// the scene's settings and the renderer renders with them, so they are read,
// defaulted and checked here alone.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace host {

constexpr int kDefaultRecursionDepth = 8;
constexpr int kMostRecursionDepth = 64;
constexpr int kDefaultImageWidth = 640, kDefaultImageHeight = 480;
constexpr int kMostImageSide = 16384;

// "recursionDepth" of the scene's "scene" object: 0 to 64, 8 when missing.
// `at` names the object in errors ("scene.json: scene"); throws Error.
int readRecursionDepth(const nlohmann::json &sceneEntry, const std::string &at);

// "width" and "height" of the scene's "camera" object: whole pixels from 1
// to 16384, 640 by 480 when missing. Throws Error naming at and the key.
void readCameraSize(const nlohmann::json &camera, const std::string &at, int &width, int &height);

}  // namespace host
