#include "aov.h"

#include <algorithm>

#include "host/base/error.h"
#include "node_setup.h"

namespace app {
namespace {

struct BuiltinName {
    const char *name;
    BuiltinAov kind;
    int channels;
};
constexpr BuiltinName kBuiltins[] = {
    {"depth", BuiltinAov::Depth, 1},       {"normal", BuiltinAov::Normal, 3},
    {"position", BuiltinAov::Position, 3}, {"alpha", BuiltinAov::Alpha, 1},
    {"id", BuiltinAov::ObjectId, 1},
};

int channelsOf(const Aov &aov) {
    for (const BuiltinName &builtin : kBuiltins)
        if (builtin.kind == aov.builtin) return builtin.channels;
    return outputChannels(*aov.output);
}

void addWeighted(render::Image &image, int x, int y, const double *value, int channels,
                 double weight) {
    float *pixel = image.pixel(x, y);
    for (int c = 0; c < channels; ++c)
        pixel[c] += static_cast<float>(value[c] * weight);
}

void setPixel(render::Image &image, int x, int y, const double *value) {
    float *pixel = image.pixel(x, y);
    for (int c = 0; c < image.channels; ++c)
        pixel[c] = static_cast<float>(value[c]);
}

}  // namespace

Aov parseAov(const host::Scene &scene, const std::string &request) {
    const auto equals = request.find('=');
    if (equals == std::string::npos || equals == 0 || equals + 1 == request.size())
        throw host::Error("--aov " + request + ": expected NODE.OUTPUT=FILE or NAME=FILE");
    Aov aov;
    aov.request = request;
    aov.name = request.substr(0, equals);
    aov.file = request.substr(equals + 1);
    for (const BuiltinName &builtin : kBuiltins)
        if (aov.name == builtin.name) {
            aov.builtin = builtin.kind;
            return aov;
        }
    const auto dot = request.rfind('.', equals);
    if (dot == std::string::npos || dot == 0 || dot + 1 == equals)
        throw host::Error("--aov " + request +
                          ": expected NODE.OUTPUT=FILE, or a built-in (depth, normal, position, "
                          "alpha, id)=FILE");
    try {
        host::Node &node = findSceneNode(scene, request.substr(0, dot));
        aov.output = &node.requireOutput(request.substr(dot + 1, equals - dot - 1));
        if (aov.output->type == HOST_NOT_FUNCTION || aov.output->type == HOST_NOT_MATERIAL)
            throw host::Error("output " + host::inQuotes(aov.output->name) +
                              " carries no picture (a function or a material)");
        const host::Graph &surface = surfaceGraphOf(scene, node);
        const auto &surfaces = scene.surfaceNames();
        const auto at = std::find(surfaces.begin(), surfaces.end(), surface.name());
        if (at == surfaces.end())
            throw host::Error("node " + host::inQuotes(node.name()) + " is in graph " +
                              host::inQuotes(surface.name()) +
                              ", which is no surface: no ray reaches it");
        aov.surfaceIndex = static_cast<int>(at - surfaces.begin());
    } catch (const host::Error &error) {
        throw host::Error("--aov " + request + ": " + error.what());
    }
    return aov;
}

std::vector<std::string> aovChannelNames(const Aov &aov) {
    switch (aov.builtin) {
        case BuiltinAov::Depth:
            return {"Z"};
        case BuiltinAov::Alpha:
            return {"A"};
        case BuiltinAov::ObjectId:
            return {"id"};
        case BuiltinAov::Normal:
            return {"N.X", "N.Y", "N.Z"};
        case BuiltinAov::Position:
            return {"P.X", "P.Y", "P.Z"};
        case BuiltinAov::None:
            break;
    }
    // The node names the layer; its output, one channel or three within it.
    if (aov.output->type == HOST_NOT_COLOR)
        return {aov.name + ".R", aov.name + ".G", aov.name + ".B"};
    if (aov.output->type == HOST_NOT_VECTOR)
        return {aov.name + ".X", aov.name + ".Y", aov.name + ".Z"};
    return {aov.name};
}

AovRecorder::AovRecorder(std::vector<Aov> &aovs, int samplesPerPixel)
    : aovs_(aovs), samples_(std::max(1, samplesPerPixel)), lanes_(16) {
    for (Aov &aov : aovs_) {
        if (!aov.output) continue;
        const auto at = std::find(outputs_.begin(), outputs_.end(), aov.output);
        aov.captureIndex = static_cast<std::size_t>(at - outputs_.begin());
        if (at == outputs_.end()) outputs_.push_back(aov.output);
    }
    for (Lane &lane : lanes_) {
        lane.values.resize(outputs_.size());
        lane.capture.outputs = outputs_;
        lane.capture.values = lane.values;
    }
}

std::size_t AovRecorder::sampleAt(int x, int y, int sample) const {
    return (static_cast<std::size_t>(y) * width_ + x) * samples_ + sample;
}

void AovRecorder::startFrame(int width, int height) {
    width_ = width;
    for (Aov &aov : aovs_) {
        aov.image = render::Image(width, height, channelsOf(aov));
        if (aov.output) aov.pending.assign(static_cast<std::size_t>(width) * height * samples_, 0);
    }
}

void AovRecorder::startSample(int thread, int imageX, int imageY, int sample, double weight) {
    Lane &lane = lanes_[static_cast<std::size_t>(thread)];
    lane.x = imageX, lane.y = imageY, lane.sample = sample, lane.weight = weight;
}

void AovRecorder::beforeShading(int thread, const HostSample &spot) {
    Lane &lane = lanes_[static_cast<std::size_t>(thread)];
    if (lane.sample == 0)
        for (Aov &aov : aovs_) {
            if (aov.builtin == BuiltinAov::Depth)
                setPixel(aov.image, lane.x, lane.y, &spot.rayLength);
            else if (aov.builtin == BuiltinAov::Normal)
                setPixel(aov.image, lane.x, lane.y, spot.shadingNormal);
            else if (aov.builtin == BuiltinAov::Position)
                setPixel(aov.image, lane.x, lane.y, spot.worldPosition);
            else if (aov.builtin == BuiltinAov::ObjectId) {
                // Objects count from 1 in the scene's order, so that 0 is
                // the backdrop.
                const auto &context = *static_cast<const render::SpotContext *>(spot.hostContext);
                const double id = static_cast<double>(context.geometry) + 1.0;
                setPixel(aov.image, lane.x, lane.y, &id);
            }
        }
    if (outputs_.empty()) return;
    std::fill(lane.values.begin(), lane.values.end(), host::CapturedValue{});
    lane.capture.sample = &spot;
    host::watchOutputs(&lane.capture);
}

void AovRecorder::afterShading(int thread, const HostSample &spot,
                               const host::SurfaceChannels &channels) {
    host::watchOutputs(nullptr);
    const Lane &lane = lanes_[static_cast<std::size_t>(thread)];
    for (Aov &aov : aovs_) {
        if (aov.builtin == BuiltinAov::Alpha) {
            const double opacity = 1.0 - std::clamp(channels.transparency, 0.0, 1.0);
            addWeighted(aov.image, lane.x, lane.y, &opacity, 1, lane.weight);
        }
        if (!aov.output || spot.surfaceIndex != aov.surfaceIndex) continue;
        const host::CapturedValue &kept = lane.values[aov.captureIndex];
        if (kept.taken)
            addWeighted(aov.image, lane.x, lane.y, kept.value, aov.image.channels, lane.weight);
        else
            aov.pending[sampleAt(lane.x, lane.y, lane.sample)] = 1;
    }
}

render::RenderStatistics AovRecorder::finishFrame(const render::Tracer &tracer,
                                                  const render::RenderOptions &options) {
    const bool anyPending = std::any_of(aovs_.begin(), aovs_.end(), [](const Aov &aov) {
        return std::find(aov.pending.begin(), aov.pending.end(), 1) != aov.pending.end();
    });
    if (!anyPending) return {};
    auto wanted = [this](int x, int y, int sample) {
        const std::size_t at = sampleAt(x, y, sample);
        return std::any_of(aovs_.begin(), aovs_.end(), [at](const Aov &aov) {
            return !aov.pending.empty() && aov.pending[at];
        });
    };
    auto visit = [this](HostSample &spot, int x, int y, int sample, double weight) {
        const std::size_t at = sampleAt(x, y, sample);
        for (Aov &aov : aovs_) {
            if (aov.pending.empty() || !aov.pending[at] || spot.surfaceIndex != aov.surfaceIndex)
                continue;
            double value[3] = {};
            const int channels = evaluateToNumbers(*aov.output, spot, value);
            addWeighted(aov.image, x, y, value, channels, weight);
        }
    };
    return render::visitFirstHits(tracer, options, wanted, visit);
}

std::string AovRecorder::unpulled() const {
    std::string names;
    for (const Aov &aov : aovs_)
        if (std::find(aov.pending.begin(), aov.pending.end(), 1) != aov.pending.end())
            names += (names.empty() ? "" : ", ") + aov.name;
    return names;
}

}  // namespace app
