// What the ray tracer renders: camera, backdrop, lights and triangle meshes,
// read from a scene file's "camera", "backdrop", "lights", "objects" and
// "render" keys. Every error names the file, the key path and the bad value.
#pragma once

#include <array>
#include <filesystem>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <vector>

namespace render {

using Vec = std::array<double, 3>;

class SceneError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A pinhole camera; fov is the vertical field of view in degrees.
struct Camera {
    Vec position{0.0, 1.0, 5.0};
    Vec target{0.0, 0.0, 0.0};
    Vec up{0.0, 1.0, 0.0};
    double fov = 45.0;
    int width = 640;
    int height = 480;
};

class Environment;

// A solid colour, a sky gradient (zenith to sky from straight up to the
// horizon, ground to nadir below it), or an environment image.
struct Backdrop {
    bool gradient = false;
    std::shared_ptr<const Environment> environment;
    Vec color{0.0, 0.0, 0.0};
    Vec zenith{0.0, 0.0, 0.0}, sky{0.0, 0.0, 0.0}, ground{0.0, 0.0, 0.0}, nadir{0.0, 0.0, 0.0};

    Vec along(const Vec &unitDirection) const;
};

// Distant lights shine along their direction from infinitely far; point
// lights from a position, without falloff.
struct Light {
    enum class Kind { Distant, Point } kind = Kind::Distant;
    Vec direction{0.0, -1.0, 0.0};
    Vec position{0.0, 0.0, 0.0};
    Vec color{1.0, 1.0, 1.0};
    double intensity = 1.0;
    bool shadows = true;
};

// Triangles in world space, wound counter-clockwise seen from the front.
struct Mesh {
    std::vector<float> positions;  // x, y, z per vertex
    std::vector<float> normals;    // per vertex, unit length
    std::vector<float> uvs;        // u, v per vertex
    std::vector<std::uint32_t> indices;
};

struct Object {
    std::string name;
    Mesh mesh;
    int surface = 0;  // index into the scene's surfaces
};

struct SceneDescription {
    Camera camera;
    Backdrop backdrop;
    std::vector<Light> lights;
    std::vector<Object> objects;
    int recursionDepth = 8;  // rays between the camera and the deepest spot shaded
    // How PNG images store the linear result: through the sRGB curve, or as
    // is (occlusion studies are usually looked at as plain values).
    bool linearImage = false;
    int samplesPerPixel = 1;  // camera rays per pixel unless the render asks otherwise
};

// Reads the renderer's part of a scene document; surfaceIndex maps the
// scene's surface names to their indices.
SceneDescription parseSceneDescription(const nlohmann::json &scene,
                                       const std::filesystem::path &file,
                                       const std::map<std::string, int> &surfaceIndex);

}  // namespace render
