#include "host/raytracer/scene_description.h"

#include <cmath>
#include <numbers>

#include "host/base/error.h"
#include "host/raytracer/environment.h"
#include "host/raytracer/meshes.h"
#include "host/scene/render_limits.h"

namespace render {
namespace {

using nlohmann::json;

// Where in the document a value sits, for error messages.
struct Place {
    const std::filesystem::path &file;
    std::string key;

    Place operator/(const std::string &child) const {
        return {file, key.empty() ? child : key + "." + child};
    }
    Place operator[](std::size_t index) const {
        return {file, key + "[" + std::to_string(index) + "]"};
    }
    [[noreturn]] void fail(const std::string &problem, const json &value) const {
        std::string text = value.dump();
        if (text.size() > 60) text = text.substr(0, 57) + "...";
        throw SceneError(file.string() + ": " + key + ": " + problem + " (found " + text + ")");
    }
};

double number(const json &value, const Place &at) {
    if (!value.is_number()) at.fail("expected a number", value);
    return value.get<double>();
}

Vec triple(const json &value, const Place &at) {
    if (value.is_number()) {
        const double v = value.get<double>();
        return {v, v, v};
    }
    if (!value.is_array() || value.size() != 3) at.fail("expected three numbers", value);
    return {number(value[0], at[0]), number(value[1], at[1]), number(value[2], at[2])};
}

template <typename T, typename Read>
T optional(const json &object, const char *key, T fallback, const Place &at, Read read) {
    const auto found = object.find(key);
    return found == object.end() ? fallback : read(*found, at / key);
}

// The value under a key, for messages about it: null when the key is
// missing and the complaint is about its default. Never reads a missing key.
json given(const json &object, const char *key) {
    const auto found = object.find(key);
    return found == object.end() ? json() : *found;
}

const json &objectAt(const json &value, const Place &at) {
    if (!value.is_object()) at.fail("expected an object", value);
    return value;
}

std::string text(const json &value, const Place &at) {
    if (!value.is_string()) at.fail("expected a text", value);
    return value.get<std::string>();
}

Vec normalized(Vec v, const Place &at, const json &value) {
    const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (!(length > 0.0) || !std::isfinite(length)) at.fail("expected a non-zero direction", value);
    for (double &c : v)
        c /= length;
    return v;
}

Camera readCamera(const json &entry, const Place &at) {
    objectAt(entry, at);
    Camera camera;
    camera.position = optional(entry, "position", camera.position, at, triple);
    camera.target = optional(entry, "target", camera.target, at, triple);
    camera.up = optional(entry, "up", camera.up, at, triple);
    camera.fov = optional(entry, "fov", camera.fov, at, number);
    if (!(camera.fov > 0.0 && camera.fov < 180.0))
        (at / "fov").fail("must lie between 0 and 180 degrees", given(entry, "fov"));
    try {
        host::readCameraSize(entry, at.file.string() + ": " + at.key, camera.width, camera.height);
    } catch (const host::Error &error) {
        throw SceneError(error.what());
    }
    if (camera.position == camera.target)
        (at / "target")
            .fail(entry.contains("target") ? "must differ from the position"
                                           : "must be given: the position is the default "
                                             "target",
                  json(camera.target));
    return camera;
}

// "image": the file (beside the scene unless absolute), the seam angle in
// degrees, and an intensity that scales it.
std::shared_ptr<const Environment> readEnvironment(const json &entry, const Place &at) {
    const std::filesystem::path relative = text(entry.value("image", json()), at / "image");
    const auto file = relative.is_absolute() ? relative : at.file.parent_path() / relative;
    const double seam = optional(entry, "seamAngle", 0.0, at, number);
    const Vec scale = optional(entry, "intensity", Vec{1.0, 1.0, 1.0}, at, triple);
    try {
        return std::make_shared<const Environment>(file, seam * std::numbers::pi / 180.0, scale);
    } catch (const std::exception &error) {
        throw SceneError(at.file.string() + ": " + (at / "image").key + ": " + error.what());
    }
}

Backdrop readBackdrop(const json &entry, const Place &at) {
    objectAt(entry, at);
    Backdrop backdrop;
    const std::string type = optional(entry, "type", std::string("solid"), at, text);
    if (type == "solid") {
        backdrop.color = optional(entry, "color", backdrop.color, at, triple);
    } else if (type == "gradient") {
        backdrop.gradient = true;
        backdrop.zenith = optional(entry, "zenith", Vec{0.1, 0.2, 0.6}, at, triple);
        backdrop.sky = optional(entry, "sky", Vec{0.7, 0.8, 1.0}, at, triple);
        backdrop.ground = optional(entry, "ground", Vec{0.3, 0.25, 0.2}, at, triple);
        backdrop.nadir = optional(entry, "nadir", Vec{0.1, 0.1, 0.1}, at, triple);
    } else if (type == "image") {
        backdrop.environment = readEnvironment(entry, at);
    } else {
        (at / "type").fail("expected \"solid\", \"gradient\" or \"image\"", given(entry, "type"));
    }
    return backdrop;
}

Light readLight(const json &entry, const Place &at) {
    objectAt(entry, at);
    Light light;
    const std::string type = optional(entry, "type", std::string("distant"), at, text);
    if (type == "distant") {
        light.kind = Light::Kind::Distant;
        if (entry.contains("direction"))
            light.direction = normalized(triple(entry["direction"], at / "direction"),
                                         at / "direction", entry["direction"]);
    } else if (type == "point") {
        light.kind = Light::Kind::Point;
        light.position = optional(entry, "position", light.position, at, triple);
    } else {
        (at / "type").fail("expected \"distant\" or \"point\"", given(entry, "type"));
    }
    light.color = optional(entry, "color", light.color, at, triple);
    light.intensity = optional(entry, "intensity", light.intensity, at, number);
    light.shadows = optional(entry, "shadows", true, at, [](const json &value, const Place &where) {
        if (!value.is_boolean()) where.fail("expected true or false", value);
        return value.get<bool>();
    });
    return light;
}

Mesh readMesh(const json &entry, const Place &at) {
    objectAt(entry, at);
    if (entry.contains("file")) {
        const std::filesystem::path relative = text(entry["file"], at / "file");
        const auto file = relative.is_absolute() ? relative : at.file.parent_path() / relative;
        try {
            return objMesh(file);
        } catch (const SceneError &error) {
            throw SceneError(at.file.string() + ": " + (at / "file").key + ": " + error.what());
        }
    }
    const std::string type = text(entry.value("type", json()), at / "type");
    auto positive = [](const json &value, const Place &where) {
        const double v = number(value, where);
        if (!(v > 0.0)) where.fail("must be above 0", value);
        return v;
    };
    if (type == "plane") {
        const Vec size =
            optional(entry, "size", Vec{10, 0, 10}, at, [](const json &value, const Place &where) {
                if (value.is_number()) return Vec{value.get<double>(), 0, value.get<double>()};
                if (!value.is_array() || value.size() != 2)
                    where.fail("expected [width, depth]", value);
                return Vec{number(value[0], where[0]), 0, number(value[1], where[1])};
            });
        if (!(size[0] > 0 && size[2] > 0))
            (at / "size").fail("must be above 0", given(entry, "size"));
        return planeMesh(size[0], size[2]);
    }
    if (type == "box") {
        const Vec size = optional(entry, "size", Vec{1, 1, 1}, at, triple);
        if (!(size[0] > 0 && size[1] > 0 && size[2] > 0))
            (at / "size").fail("must be above 0", given(entry, "size"));
        return boxMesh(size);
    }
    if (type == "sphere") {
        const double radius = optional(entry, "radius", 1.0, at, positive);
        const double segments = optional(entry, "segments", 32.0, at, number);
        if (segments < 4 || segments > 4096 || segments != std::floor(segments))
            (at / "segments")
                .fail("expected a whole number from 4 to 4096", given(entry, "segments"));
        return sphereMesh(radius, static_cast<int>(segments));
    }
    (at / "type")
        .fail("expected \"plane\", \"box\" or \"sphere\", or a \"file\"", given(entry, "type"));
}

Object readObject(const json &entry, const Place &at,
                  const std::map<std::string, int> &surfaceIndex) {
    objectAt(entry, at);
    Object object;
    object.name = optional(entry, "name", std::string("Object"), at, text);
    if (!entry.contains("mesh")) at.fail("missing key \"mesh\"", entry);
    object.mesh = readMesh(entry["mesh"], at / "mesh");
    const std::string surface = text(entry.value("surface", json()), at / "surface");
    const auto found = surfaceIndex.find(surface);
    if (found == surfaceIndex.end()) {
        std::string known;
        for (const auto &[name, index] : surfaceIndex)
            known += (known.empty() ? "" : ", ") + ("\"" + name + "\"");
        (at / "surface")
            .fail("unknown surface; the scene has " + (known.empty() ? std::string("none") : known),
                  given(entry, "surface"));
    }
    object.surface = found->second;
    const Vec scale = optional(entry, "scale", Vec{1, 1, 1}, at, triple);
    if (!(scale[0] != 0 && scale[1] != 0 && scale[2] != 0))
        (at / "scale").fail("must not be 0", given(entry, "scale"));
    placeMesh(object.mesh, scale, optional(entry, "rotate", Vec{0, 0, 0}, at, triple),
              optional(entry, "position", Vec{0, 0, 0}, at, triple));
    return object;
}

}  // namespace

Vec Backdrop::along(const Vec &d) const {
    if (environment) return environment->along(d);
    if (!gradient) return color;
    // Smooth towards zenith and nadir, sharp at the horizon.
    const double y = std::clamp(d[1], -1.0, 1.0);
    const Vec &from = y >= 0 ? sky : ground;
    const Vec &to = y >= 0 ? zenith : nadir;
    const double t = 1.0 - std::pow(1.0 - std::fabs(y), 3.0);
    return {from[0] + (to[0] - from[0]) * t, from[1] + (to[1] - from[1]) * t,
            from[2] + (to[2] - from[2]) * t};
}

SceneDescription parseSceneDescription(const json &scene, const std::filesystem::path &file,
                                       const std::map<std::string, int> &surfaceIndex) {
    const Place root{file, ""};
    SceneDescription description;
    if (scene.contains("camera")) description.camera = readCamera(scene["camera"], root / "camera");
    if (scene.contains("backdrop"))
        description.backdrop = readBackdrop(scene["backdrop"], root / "backdrop");
    if (scene.contains("lights")) {
        const json &lights = scene["lights"];
        if (!lights.is_array()) (root / "lights").fail("expected a list of lights", lights);
        for (std::size_t i = 0; i < lights.size(); ++i)
            description.lights.push_back(readLight(lights[i], (root / "lights")[i]));
    }
    if (scene.contains("objects")) {
        const json &objects = scene["objects"];
        if (!objects.is_array()) (root / "objects").fail("expected a list of objects", objects);
        for (std::size_t i = 0; i < objects.size(); ++i)
            description.objects.push_back(
                readObject(objects[i], (root / "objects")[i], surfaceIndex));
    }
    if (scene.contains("scene")) try {
            description.recursionDepth =
                host::readRecursionDepth(scene["scene"], file.string() + ": scene");
        } catch (const host::Error &error) {
            throw SceneError(error.what());
        }
    if (scene.contains("image")) {
        const Place at = root / "image";
        const json &image = objectAt(scene["image"], at);
        const std::string encoding = optional(image, "encoding", std::string("srgb"), at, text);
        if (encoding != "srgb" && encoding != "linear")
            (at / "encoding").fail("expected \"srgb\" or \"linear\"", given(image, "encoding"));
        description.linearImage = encoding == "linear";
        if (image.contains("samples")) {
            const double samples = number(image["samples"], at / "samples");
            if (samples < 1 || samples > 256 || samples != std::floor(samples))
                (at / "samples").fail("expected a whole number from 1 to 256", image["samples"]);
            description.samplesPerPixel = static_cast<int>(samples);
        }
    }
    return description;
}

}  // namespace render
