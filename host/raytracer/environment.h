// An environment backdrop: a latitude-longitude image around the scene,
// turned about the vertical axis by a seam angle. It is looked up exactly as
// the nodes look up a spherical image, through the host's spherical mapping
// and filtered spot lookup, so a reflection of the backdrop and a spherical
// reflection of the same image line up.
#pragma once

#include <array>
#include <filesystem>

#include "host/services/image_list.h"

namespace render {

class Environment {
  public:
    // Reads the image; throws host::Error naming the file when it cannot.
    Environment(const std::filesystem::path &file, double seamAngleRadians,
                std::array<double, 3> scale);

    // The colour seen along a direction (of any length but 0).
    std::array<double, 3> along(const std::array<double, 3> &direction) const;

    const std::filesystem::path &file() const { return file_; }

  private:
    std::filesystem::path file_;
    double seamAngle_;
    std::array<double, 3> scale_;
    host::ImageList images_;  // of its own: the scene's image list is the user's
    HostImageID image_;
};

}  // namespace render
