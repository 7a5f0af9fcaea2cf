// Node outputs written as images beside a render's beauty image: the named
// output evaluated at every camera ray's first hit on the node's surface,
// averaged over the pixel's samples; zero where rays miss or hit another
// surface.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "host/raytracer/image.h"
#include "host/scene/scene.h"

namespace app {

struct Aov {
    std::string request;  // as given: "Floor/AO.Scalar=ao.exr"
    host::OutputConnector *output = nullptr;
    int surfaceIndex = -1;
    std::filesystem::path file;
    render::Image image;
};

// Reads "NODE.OUTPUT=FILE", NODE as findSceneNode takes it; throws
// host::Error naming the request and what is wrong.
Aov parseAov(const host::Scene &scene, const std::string &request);

// Clears each image for a frame of the given size.
void startAovFrame(std::vector<Aov> &aovs, int width, int height);
// Adds the spot's values, weighted, to the pixel of every request whose
// surface the spot lies on. Each pixel is written by one thread only.
void addAovSpot(std::vector<Aov> &aovs, HostSample &spot, int x, int y, double weight);

}  // namespace app
