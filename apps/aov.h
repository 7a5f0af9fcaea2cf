// Images written beside a render's beauty: a node's output at every camera
// ray's first hit on the node's surface, or one of the render's own
// channels (depth, shading normal, position, alpha, object id).
//
// A node's output is the very value the surface's shading pulled at the
// spot; where the shading never pulled it, it is evaluated in a pass of its
// own after the frame, so that asking for it never changes the beauty.
// Values are averaged over the pixel's samples and zero where rays miss the
// node's surface. Depth, normal, position and object id are the pixel's
// first sample's; alpha is the share of the pixel's samples that hit, less
// what the surfaces let through.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "host/graph/output_capture.h"
#include "host/raytracer/image.h"
#include "host/raytracer/renderer.h"
#include "host/scene/scene.h"

namespace app {

enum class BuiltinAov { None, Depth, Normal, Position, Alpha, ObjectId };

struct Aov {
    std::string request;  // as given: "Floor/AO.Scalar=ao.exr"
    std::string name;     // what it shows: "Floor/AO.Scalar", or "depth"
    BuiltinAov builtin = BuiltinAov::None;
    host::OutputConnector *output = nullptr;
    int surfaceIndex = -1;
    std::filesystem::path file;
    render::Image image;
    std::size_t captureIndex = 0;  // its output among those the recorder watches
    // Per camera sample of the frame: 1 where the ray hit the node's surface
    // and the shading never pulled the output.
    std::vector<std::uint8_t> pending;
};

// Reads "NODE.OUTPUT=FILE" (NODE as findSceneNode takes it) or "NAME=FILE"
// for a built-in: depth, normal, position, alpha or id. Throws host::Error
// naming the request and what is wrong.
Aov parseAov(const host::Scene &scene, const std::string &request);
// The channel names of an image of the AOV, in a multi-layer file.
std::vector<std::string> aovChannelNames(const Aov &aov);

// Fills the AOVs' images as a frame renders; one per render.
class AovRecorder final : public render::SampleObserver {
  public:
    AovRecorder(std::vector<Aov> &aovs, int samplesPerPixel);

    // Clears each image for a frame of the given size.
    void startFrame(int width, int height);
    // After the frame: evaluates the outputs its shading never pulled.
    // Returns the rays that pass fired.
    render::RenderStatistics finishFrame(const render::Tracer &tracer,
                                         const render::RenderOptions &options);
    // The outputs that pass evaluated, by name ("Floor/AO.Scalar, ...").
    std::string unpulled() const;

    void startSample(int thread, int imageX, int imageY, int sample, double weight) override;
    void beforeShading(int thread, const HostSample &spot) override;
    void afterShading(int thread, const HostSample &spot,
                      const host::SurfaceChannels &channels) override;

  private:
    struct Lane {
        int x = 0, y = 0, sample = 0;
        double weight = 1.0;
        std::vector<host::CapturedValue> values;
        host::OutputCapture capture;
    };
    std::size_t sampleAt(int x, int y, int sample) const;

    std::vector<Aov> &aovs_;
    int samples_;
    int width_ = 0;
    std::vector<host::OutputConnector *> outputs_;  // watched, each once
    std::vector<Lane> lanes_;                       // one per render-thread index
};

}  // namespace app
