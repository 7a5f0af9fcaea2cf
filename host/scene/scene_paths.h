// The files a scene names by path: "images", "fileRequests" (but "cancel"),
// the backdrop's "image" and each object's mesh "file". Relative ones are
// relative to the scene file's folder, so a scene written into another
// folder has them rewritten to name the same files from there.
#pragma once

#include <filesystem>
#include <nlohmann/json.hpp>

#include "host/scene/scene.h"

namespace host {

// Rewrites, in place, every path the document names from folder `from` to
// folder `to`. Values that are not texts are left for the readers to
// refuse.
void rebaseScenePaths(nlohmann::ordered_json &document, const std::filesystem::path &from,
                      const std::filesystem::path &to);

// While it lives, saved image references are read or written relative to
// the folder given (the scene file's), and as before once it ends.
class ImageReferenceFolder {
  public:
    ImageReferenceFolder(Host &host, const std::filesystem::path &folder);
    ~ImageReferenceFolder();
    ImageReferenceFolder(const ImageReferenceFolder &) = delete;
    ImageReferenceFolder &operator=(const ImageReferenceFolder &) = delete;

  private:
    Host &host_;
    std::filesystem::path previous_;
};

}  // namespace host
