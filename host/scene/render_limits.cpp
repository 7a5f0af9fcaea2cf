#include "host/scene/render_limits.h"

#include <cmath>

#include "host/base/error.h"

namespace host {
namespace {

// A whole number from lowest to most under key, or the fallback when the
// object has no such key.
int wholeNumber(const nlohmann::json &object, const char *key, int fallback, int lowest, int most,
                const std::string &at, const char *unit) {
    const auto found = object.find(key);
    if (found == object.end()) return fallback;
    const double value = found->is_number() ? found->get<double>() : NAN;
    if (!(value >= lowest && value <= most) || value != std::floor(value)) {
        std::string text = found->dump();
        if (text.size() > 60) text = text.substr(0, 57) + "...";
        throw Error(at + "." + key + ": expected a whole number" + unit + " from " +
                    std::to_string(lowest) + " to " + std::to_string(most) + " (found " + text +
                    ")");
    }
    return static_cast<int>(value);
}

}  // namespace

int readRecursionDepth(const nlohmann::json &sceneEntry, const std::string &at) {
    if (!sceneEntry.is_object()) return kDefaultRecursionDepth;
    return wholeNumber(sceneEntry, "recursionDepth", kDefaultRecursionDepth, 0, kMostRecursionDepth,
                       at, "");
}

void readCameraSize(const nlohmann::json &camera, const std::string &at, int &width, int &height) {
    width = kDefaultImageWidth;
    height = kDefaultImageHeight;
    if (!camera.is_object()) return;
    width = wholeNumber(camera, "width", width, 1, kMostImageSide, at, " of pixels");
    height = wholeNumber(camera, "height", height, 1, kMostImageSide, at, " of pixels");
}

}  // namespace host
