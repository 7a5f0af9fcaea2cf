#include "aov.h"

#include <algorithm>

#include "host/base/error.h"
#include "node_setup.h"

namespace app {

Aov parseAov(const host::Scene &scene, const std::string &request) {
    const auto equals = request.find('=');
    const auto dot = request.rfind('.', equals);
    if (equals == std::string::npos || dot == std::string::npos || dot == 0 || dot + 1 == equals ||
        equals + 1 == request.size())
        throw host::Error("--aov " + request + ": expected NODE.OUTPUT=FILE");
    Aov aov;
    aov.request = request;
    aov.file = request.substr(equals + 1);
    try {
        host::Node &node = findSceneNode(scene, request.substr(0, dot));
        aov.output = &node.requireOutput(request.substr(dot + 1, equals - dot - 1));
        const auto &surfaces = scene.surfaceNames();
        const auto at = std::find(surfaces.begin(), surfaces.end(), node.graph().name());
        if (at == surfaces.end())
            throw host::Error("node " + host::inQuotes(node.name()) + " is in graph " +
                              host::inQuotes(node.graph().name()) +
                              ", which is no surface: no ray reaches it");
        aov.surfaceIndex = static_cast<int>(at - surfaces.begin());
    } catch (const host::Error &error) {
        throw host::Error("--aov " + request + ": " + error.what());
    }
    return aov;
}

void startAovFrame(std::vector<Aov> &aovs, int width, int height) {
    for (Aov &aov : aovs)
        aov.image = render::Image(width, height, outputChannels(*aov.output));
}

void addAovSpot(std::vector<Aov> &aovs, HostSample &spot, int x, int y, double weight) {
    for (Aov &aov : aovs) {
        if (spot.surfaceIndex != aov.surfaceIndex) continue;
        double value[3] = {};
        const int channels = evaluateToNumbers(*aov.output, spot, value);
        float *pixel = aov.image.pixel(x, y);
        for (int c = 0; c < channels; ++c)
            pixel[c] += static_cast<float>(value[c] * weight);
    }
}

}  // namespace app
