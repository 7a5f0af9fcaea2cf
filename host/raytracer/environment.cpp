#include "host/raytracer/environment.h"

#include "host/services/services.h"

namespace render {

Environment::Environment(const std::filesystem::path &file, double seamAngleRadians,
                         std::array<double, 3> scale)
    : file_(file), seamAngle_(seamAngleRadians), scale_(scale), image_(images_.load(file)) {}

std::array<double, 3> Environment::along(const std::array<double, 3> &direction) const {
    double u = 0.0, v = 0.0;
    host::nodeUtilityService()->sphericalMap(seamAngle_, direction.data(), &u, &v);
    std::array<double, 3> color{0.0, 0.0, 0.0};
    // A backdrop seen by a camera pixel is sharp; the footprint stays at a point.
    images_.spot(image_, u, v, 0.0, true, color.data());
    for (int c = 0; c < 3; ++c)
        color[c] *= scale_[c];
    return color;
}

}  // namespace render
